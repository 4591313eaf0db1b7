// A full engine call on a generated site of 1000 series of 300 to 600 years:
// regional curve standardisation with the age-dependent spline, and
// per-series splines of 67 % of each series' length, each with the Tukey
// biweight mean chronology (argument 2, the programs' default) and the
// arithmetic mean (argument 1). Answers are scripted (every question takes
// its default) and plots go to the null device.
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

void run_engine(benchmark::State& bench, const qb::EngineOptions& options) {
  setenv("PLPLOT_DEV", "null", 1);
  const auto folder = std::filesystem::temp_directory_path() / ("qb_engine_benchmark_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);

  const DataSet site = generated_site(1000, 20240607u);
  int iterations = 0;
  for (auto _ : bench) {
    bench.PauseTiming();
    DataSet data = site;
    qb::EngineState state;
    auto report_file = qb::TextOutput::create("report.txt");
    qb::ReportFile report(std::move(*report_file));
    std::istringstream answers(std::string(100000, '\n'));
    std::ostringstream shown;
    qb::Console console(answers, shown);
    qb::ConsoleScope scope(console);
    bench.ResumeTiming();

    const qb::EngineResults results = qb::sigfree(data, options, state, report);
    iterations = results.iterations;
    benchmark::DoNotOptimize(results.signal_free.value.data());
  }
  bench.counters["signal_free_iterations"] = iterations;

  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

void BM_EngineRegionalCurve(benchmark::State& bench) {
  qb::EngineOptions options;
  options.curve_option = -2;
  options.regional = true;
  options.stiffness = 10;
  options.mean_type = static_cast<int>(bench.range(0));
  options.file_name = "generated.rwl";
  run_engine(bench, options);
}

void BM_EnginePerSeriesSplines(benchmark::State& bench) {
  qb::EngineOptions options;
  options.curve_option = -67;
  options.mean_type = static_cast<int>(bench.range(0));
  options.file_name = "generated.rwl";
  run_engine(bench, options);
}

BENCHMARK(BM_EngineRegionalCurve)->Arg(qb::kSummaryBiweightMean)->Arg(qb::kSummaryArithmeticMean)
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EnginePerSeriesSplines)->Arg(qb::kSummaryBiweightMean)->Arg(qb::kSummaryArithmeticMean)
    ->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
