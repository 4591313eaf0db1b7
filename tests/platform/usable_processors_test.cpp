#include "platform/usable_processors.hpp"

#include <gtest/gtest.h>

#include <sched.h>

#include <thread>

namespace qb {
namespace {

// A thread bound to one processor counts one, however many the machine has.
// The binding is made on a thread of its own, so the test's thread keeps its
// mask.
TEST(UsableProcessors, FollowTheAffinityMask) {
  EXPECT_GE(usable_processor_count(), 1);
  bool bound = false;
  int count = 0;
  std::thread([&] {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return;
    int first = 0;
    while (first < CPU_SETSIZE && !CPU_ISSET(first, &set)) ++first;
    if (first == CPU_SETSIZE) return;
    CPU_ZERO(&set);
    CPU_SET(first, &set);
    bound = sched_setaffinity(0, sizeof set, &set) == 0;
    if (bound) count = usable_processor_count();
  }).join();
  if (!bound) GTEST_SKIP() << "the affinity mask cannot be set here";
  EXPECT_EQ(count, 1);
}

}  // namespace
}  // namespace qb
