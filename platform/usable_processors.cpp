#include "platform/usable_processors.hpp"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace qb {
namespace {

// The affinity mask's count, or 0 when it cannot be read. The kernel refuses
// a set smaller than its own mask with EINVAL, so the set grows until it
// fits: machines may have more CPUs than a plain cpu_set_t holds.
int affinity_count() {
  for (int cpus = CPU_SETSIZE; cpus <= (1 << 22); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (set == nullptr) return 0;
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    CPU_ZERO_S(size, set);
    const bool read = sched_getaffinity(0, size, set) == 0;
    const int error = errno;
    const int count = read ? CPU_COUNT_S(size, set) : 0;
    CPU_FREE(set);
    if (read || error != EINVAL) return count;
  }
  return 0;
}

}  // namespace

int usable_processor_count() {
  const int count = affinity_count();
  if (count > 0) return count;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace qb
