// A full engine call on a generated site of 1000 series of 300 to 600 years:
// regional curve standardisation with the age-dependent spline, and
// per-series splines of 67 % of each series' length, each with the Tukey
// biweight mean chronology (first argument 2, the programs' default) and the
// arithmetic mean (1). The second argument is the running RBAR window: 0
// stabilises nothing, 51 (the programs' default) runs both stabilisation
// passes with the age-dependent spline stabilisation; the third the threads
// the engine may use. Answers are scripted (every question takes its
// default) and plots go to the null device. The call measured is the one
// that goes through every stage: after the convergence retries the drivers
// would run first (their number is reported).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "engine/sigfree.hpp"
#include "platform/console.hpp"
#include "platform/text_file.hpp"

namespace {

using qb::DataSet;

// Series that grow like trees: a negative exponential age trend times a
// common climate signal times each tree's own noise, with staggered
// germination years.
DataSet generated_site(int series, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> length(300, 600);
  std::uniform_int_distribution<int> start(1400, 1700);
  std::normal_distribution<float> noise(0.0f, 0.25f);
  const int first = 1400;
  const int last = 1700 + 600;
  std::vector<float> climate(last - first + 1);
  float previous = 0.0f;
  for (float& c : climate) {
    previous = 0.5f * previous + noise(random);
    c = std::exp(previous);
  }

  DataSet data;
  std::vector<int> starts(series), lengths(series);
  int ily = first;
  int ify = last;
  for (int j = 0; j < series; ++j) {
    starts[j] = start(random);
    lengths[j] = length(random);
    ify = std::min(ify, starts[j]);
    ily = std::max(ily, starts[j] + lengths[j] - 1);
  }
  data.whole = {ify, ily, ily - ify + 1};
  data.x = qb::Matrix(ily - ify + 1, series);
  for (int j = 0; j < series; ++j) {
    data.spans.push_back({starts[j], starts[j] + lengths[j] - 1, lengths[j]});
    data.ids.push_back(qb::fixed_width("T" + std::to_string(j + 1), qb::kIdLength));
    const float level = 1.0f + 0.5f * std::abs(noise(random));
    for (int i = 0; i < lengths[j]; ++i) {
      const float age_trend = level * std::exp(-0.01f * static_cast<float>(i)) + 0.3f;
      const float own = std::exp(0.5f * noise(random));
      data.x(i, j) = std::round(100.0f * age_trend * climate[starts[j] - first + i] * own) / 100.0f;
    }
  }
  data.titles[0] = qb::fixed_width("Generated site", qb::kTitleLength);
  return data;
}

DataSet with_constant(const DataSet& site, float constant) {
  DataSet data = site;
  for (int j = 0; j < data.ns(); ++j) {
    for (int i = 0; i < data.spans[j].count; ++i) data.x(i, j) += constant;
  }
  return data;
}

// One engine call with every question answered by its default.
qb::EngineResults answered_call(DataSet& data, const qb::EngineOptions& options, qb::EngineState& state) {
  auto report_file = qb::TextOutput::create("report.txt");
  qb::ReportFile report(std::move(*report_file));
  std::istringstream answers(std::string(100000, '\n'));
  std::ostringstream shown;
  qb::Console console(answers, shown);
  qb::ConsoleScope scope(console);
  return qb::sigfree(data, options, state, report);
}

// The call that goes through every stage. The drivers call the engine again,
// with a constant added to the measurements, while it asks for a retry; the
// calls before the last stop at the rise and are run here, untimed, to give
// the last one its options and the state they leave.
struct LastCall {
  qb::EngineOptions options;
  qb::EngineState state;
};
LastCall last_call(const DataSet& site, qb::EngineOptions options) {
  qb::EngineState state;
  int counter = 0;
  while (true) {
    options.retry_counter = counter;
    options.retry_constant = 0.1f * static_cast<float>(counter);
    qb::EngineState before = state;
    DataSet data = with_constant(site, options.retry_constant);
    const qb::EngineResults results = answered_call(data, options, state);
    if (results.outcome != qb::EngineOutcome::kRetryRequested) return {options, std::move(before)};
    counter = results.retry_counter;
  }
}

void run_engine(benchmark::State& bench, const qb::EngineOptions& options) {
  setenv("PLPLOT_DEV", "null", 1);
  const auto folder = std::filesystem::temp_directory_path() / ("qb_engine_benchmark_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);

  const DataSet site = generated_site(1000, 20240607u);
  const LastCall last = last_call(site, options);
  const DataSet measured = with_constant(site, last.options.retry_constant);
  int iterations = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    DataSet data = measured;
    qb::EngineState state = last.state;
    bench.ResumeTiming();

    const qb::EngineResults results = answered_call(data, last.options, state);
    iterations = results.iterations;
    benchmark::DoNotOptimize(results.signal_free.value.data());
  }
  bench.counters["retries_before"] = last.options.retry_counter;
  bench.counters["signal_free_iterations"] = iterations;

  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

void set_arguments(benchmark::State& bench, qb::EngineOptions& options) {
  options.mean_type = static_cast<int>(bench.range(0));
  options.rbar_window = static_cast<int>(bench.range(1));
  options.threads = static_cast<int>(bench.range(2));
  options.stabilisation = options.rbar_window != 0 ? 1 : 0;
  options.file_name = "generated.rwl";
}

void BM_EngineRegionalCurve(benchmark::State& bench) {
  qb::EngineOptions options;
  options.curve_option = -2;
  options.regional = true;
  options.stiffness = 10;
  set_arguments(bench, options);
  run_engine(bench, options);
}

void BM_EnginePerSeriesSplines(benchmark::State& bench) {
  qb::EngineOptions options;
  options.curve_option = -67;
  set_arguments(bench, options);
  run_engine(bench, options);
}

void engine_arguments(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"mean", "window", "threads"});
  for (int mean : {qb::kSummaryBiweightMean, qb::kSummaryArithmeticMean}) {
    bench->Args({mean, 0, 1});
    bench->Args({mean, 51, 1});
    bench->Args({mean, 51, 4});
  }
}

BENCHMARK(BM_EngineRegionalCurve)->Apply(engine_arguments)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EnginePerSeriesSplines)->Apply(engine_arguments)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
