// Running Rbar over 1000 series and 2000 years with a 51-year window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "detrend/running_rbar.hpp"
#include "platform/console.hpp"

namespace {

struct BenchmarkSet {
  qb::Matrix x;
  std::vector<qb::SeriesSpan> spans;
  qb::SeriesSpan whole;
  std::vector<int> depth;
  std::vector<float> chronology;
};

// Indices with a common signal. With `full_cover` every series spans all
// 2000 years, so every window correlates all 499500 pairs (the worst case);
// otherwise series of 100 to 600 years start at random, as in a long
// multi-millennial site collection.
BenchmarkSet make_set(bool full_cover) {
  constexpr int kSeries = 1000;
  constexpr int kYears = 2000;
  constexpr int kFirstYear = 1;
  std::mt19937 generator(20240501);
  std::normal_distribution<float> noise(0.0f, 0.3f);
  std::uniform_int_distribution<int> length(100, 600);
  BenchmarkSet set;
  set.whole = {kFirstYear, kFirstYear + kYears - 1, kYears};
  set.x = qb::Matrix(kYears, kSeries);
  set.depth.assign(kYears, 0);
  set.chronology.assign(kYears, 0.0f);
  std::vector<float> common(kYears);
  for (float& c : common) c = noise(generator);
  for (int j = 0; j < kSeries; ++j) {
    int first = 0;
    int last = kYears - 1;
    if (!full_cover) {
      const int n = length(generator);
      first = std::uniform_int_distribution<int>(0, kYears - n)(generator);
      last = first + n - 1;
    }
    set.spans.push_back({kFirstYear + first, kFirstYear + last, last - first + 1});
    for (int r = first; r <= last; ++r) {
      const float v = 1.0f + common[r] + noise(generator);
      set.x(r, j) = v;
      set.depth[r] += 1;
      set.chronology[r] += v;
    }
  }
  for (int r = 0; r < kYears; ++r) {
    if (set.depth[r] > 0) set.chronology[r] /= static_cast<float>(set.depth[r]);
  }
  return set;
}

void run(benchmark::State& state, bool full_cover) {
  const BenchmarkSet set = make_set(full_cover);
  auto out = qb::TextOutput::create("/dev/null");
  qb::RunningRbarOptions options;
  options.window_length = 51;
  options.window_overlap = 50;
  options.quiet = true;
  options.threads = static_cast<int>(state.range(0));
  std::size_t windows = 0;
  for (auto _ : state) {
    const qb::RunningRbar result = qb::runbar(set.x, set.spans, set.whole, set.depth, set.chronology, options, *out);
    windows = result.windows.size();
    benchmark::DoNotOptimize(result.rbar1.data());
  }
  state.counters["windows"] = static_cast<double>(windows);
}

void BM_RunbarAllSeriesCoverEveryYear(benchmark::State& state) { run(state, true); }
void BM_RunbarStaggeredSeries(benchmark::State& state) { run(state, false); }

}  // namespace

// Argument: threads (0 = one per hardware thread).
BENCHMARK(BM_RunbarAllSeriesCoverEveryYear)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunbarStaggeredSeries)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
