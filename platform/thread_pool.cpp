#include "platform/thread_pool.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "platform/console.hpp"
#include "platform/usable_processors.hpp"

namespace qb {
namespace {

// Set on a thread while it runs loop bodies: a loop inside a body runs
// serially instead of waiting for workers that may all be busy with the
// outer loop.
thread_local bool t_in_loop = false;

// A worker that has finished a loop watches for the next one for a short
// while before it goes to sleep: the engine starts its loops back to back,
// and waking a sleeping thread costs more than many a loop's work.
constexpr auto kWatchTime = std::chrono::microseconds(100);

void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

class ThreadPool {
 public:
  explicit ThreadPool(int workers) {
    threads_.reserve(static_cast<std::size_t>(workers));
    for (int k = 0; k < workers; ++k) threads_.emplace_back([this] { work(); });
  }
  ~ThreadPool() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  // Runs task(i) for every i on the caller and up to `helpers` workers;
  // false (nothing run) when another loop holds the pool.
  bool run(int count, int helpers, const std::function<void(int)>& task) {
    std::unique_lock busy(busy_, std::try_to_lock);
    if (!busy.owns_lock()) return false;
    Job job{&task, count, helpers};
    job_.store(&job);
    generation_.fetch_add(1);
    if (sleeping_.load() > 0) {
      std::lock_guard lock(mutex_);
      wake_.notify_all();
    }
    take_indices(job);
    // No worker joins once the job is withdrawn; those that hold it are
    // waited for, since they still read it.
    job_.store(nullptr);
    for (int spins = 0; spins < 4096; ++spins) {
      if (holders_.load() == 0) return true;
      relax();
    }
    // A holder still at work on a long item: sleep until the last one is done.
    for (int holders = holders_.load(); holders != 0; holders = holders_.load()) holders_.wait(holders);
    return true;
  }

 private:
  struct Job {
    const std::function<void(int)>* task;
    int count;
    int helpers;
    std::atomic<int> next{0};
    std::atomic<int> joined{0};
  };

  static void take_indices(Job& job) {
    t_in_loop = true;
    for (int i = job.next++; i < job.count; i = job.next++) (*job.task)(i);
    t_in_loop = false;
  }

  // Waits until a loop newer than `seen` is posted, watching first and
  // sleeping after; false when the pool stops.
  bool wait_for_loop(unsigned long seen) {
    const auto watch_end = std::chrono::steady_clock::now() + kWatchTime;
    for (int spins = 1; generation_.load() == seen; ++spins) {
      if (spins % 64 == 0 && std::chrono::steady_clock::now() > watch_end) {
        std::unique_lock lock(mutex_);
        sleeping_.fetch_add(1);
        wake_.wait(lock, [&] { return stopping_ || generation_.load() != seen; });
        sleeping_.fetch_sub(1);
        return !stopping_;
      }
      relax();
    }
    return true;
  }

  void work() {
    unsigned long seen = 0;
    while (wait_for_loop(seen)) {
      seen = generation_.load();
      // Announced before the job is read: the caller withdraws the job and
      // then waits for the holders, so it cannot end while a job is read.
      holders_.fetch_add(1);
      Job* job = job_.load();
      if (job != nullptr && job->joined.fetch_add(1) < job->helpers) take_indices(*job);
      if (holders_.fetch_sub(1) == 1) holders_.notify_all();
    }
  }

  std::vector<std::thread> threads_;
  std::mutex busy_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;  // under mutex_
  std::atomic<Job*> job_{nullptr};
  std::atomic<unsigned long> generation_{0};
  std::atomic<int> sleeping_{0};
  std::atomic<int> holders_{0};
};

ThreadPool& pool() {
  static ThreadPool instance(hardware_threads() - 1);
  return instance;
}

}  // namespace

int hardware_threads() {
  static const int count = usable_processor_count();
  return count;
}

void parallel_for(int count, int threads, const std::function<void(int)>& body) {
  if (count <= 0) return;
  const int wanted = std::min(threads > 0 ? threads : hardware_threads(), count);
  if (wanted <= 1 || t_in_loop) {
    for (int i = 0; i < count; ++i) body(i);
    return;
  }

  std::vector<ConsoleRecording> recordings(static_cast<std::size_t>(count));
  std::vector<std::exception_ptr> errors(static_cast<std::size_t>(count));
  // Bodies after one that threw would never have run serially.
  std::atomic<int> first_error{count};
  const std::function<void(int)> task = [&](int i) {
    if (i > first_error.load()) return;
    ConsoleRecordingScope recording(recordings[static_cast<std::size_t>(i)]);
    try {
      body(i);
    } catch (...) {
      errors[static_cast<std::size_t>(i)] = std::current_exception();
      int seen = first_error.load();
      while (i < seen && !first_error.compare_exchange_weak(seen, i)) {
      }
    }
  };
  if (!pool().run(count, wanted - 1, task)) {
    for (int i = 0; i < count; ++i) body(i);
    return;
  }

  Console& out = console();
  for (int i = 0; i < count; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    if (!recordings[k].empty()) recordings[k].replay(out);
    if (errors[k]) {
      out.flush();
      std::rethrow_exception(errors[k]);
    }
  }
}

void parallel_for_runs(int count, int threads, const std::function<void(int, int)>& body) {
  if (count <= 0) return;
  const int used = threads > 0 ? threads : hardware_threads();
  if (used <= 1) {
    body(0, count);
    return;
  }
  const int runs = std::min(count, 4 * used);
  parallel_for(runs, threads, [&](int k) {
    const int first = static_cast<int>(static_cast<long long>(count) * k / runs);
    const int last = static_cast<int>(static_cast<long long>(count) * (k + 1) / runs);
    body(first, last);
  });
}

std::string render_in_parallel(int count, int threads, const std::function<std::string(int)>& render) {
  std::mutex runs_mutex;
  std::vector<std::pair<int, std::string>> pieces;
  parallel_for_runs(count, threads, [&](int first, int last) {
    std::string text;
    for (int i = first; i < last; ++i) text += render(i);
    std::lock_guard lock(runs_mutex);
    pieces.emplace_back(first, std::move(text));
  });
  std::sort(pieces.begin(), pieces.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::size_t size = 0;
  for (const auto& piece : pieces) size += piece.second.size();
  std::string joined;
  joined.reserve(size);
  for (const auto& piece : pieces) joined += piece.second;
  return joined;
}

}  // namespace qb
