#include "engine/sigfree.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>

#include "engine/series_files.hpp"
#include "tests/engine/engine_harness.hpp"
#include "tests/support/test_support.hpp"
#include "series/file_names.hpp"

namespace qb::testing {
namespace {

// A ring-width-like series: a slow decline with a wobble.
std::vector<float> rings(int n, float phase) {
  std::vector<float> values(n);
  for (int i = 0; i < n; ++i) {
    values[i] = 0.5f + 2.0f * std::exp(-0.01f * i) + 0.3f * std::sin(0.7f * i + phase);
  }
  return values;
}

bool all_finite(std::span<const float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

constexpr const char* kMenu = "plot options menu";

struct EngineRun {
  EngineResults results;
  std::string shown;
};

EngineRun run_engine(DataSet& data, const EngineOptions& options, EngineState& state, const std::string& answers) {
  ReportFile report = open_report("report.txt");
  ScriptedConsole console(answers);
  EngineRun run{sigfree(data, options, state, report), ""};
  run.shown = console.output();
  return run;
}

DataSet with_constant(const DataSet& loaded, float constant) {
  DataSet data = loaded;
  for (int j = 0; j < data.ns(); ++j) {
    for (int i = 0; i < data.spans[j].count; ++i) data.x(i, j) += constant;
  }
  return data;
}

EngineOptions per_series(int curve_option) {
  EngineOptions options;
  options.curve_option = curve_option;
  options.mean_type = kSummaryArithmeticMean;
  options.file_name = "site.rwl";
  return options;
}

DataSet regional_site() {
  return make_data_set({{1600, rings(150, 0.0f)}, {1620, rings(140, 2.0f)}, {1650, rings(130, 4.0f)}});
}

EngineOptions regional(int curve_option) {
  EngineOptions options = per_series(curve_option);
  options.regional = true;
  options.stiffness = 10;
  return options;
}

TEST(SigfreeSetUp, SegmentLengthTreeAgeAndRealignment) {
  ScratchDirectory dir;
  // A 300-year series from 1000 and a 100-year one from 1040.
  DataSet data = make_data_set({{1000, rings(300, 0.0f)}, {1040, rings(100, 1.0f)}});
  const DataSet loaded = data;
  EngineState state;
  const EngineRun run = run_engine(data, per_series(6), state, empty_answers(50));

  // Year 1049: the short series' 10th ring, the long one's 50th.
  EXPECT_FLOAT_EQ(state.mean_segment_length[49], 200.0f);
  EXPECT_FLOAT_EQ(state.mean_tree_age[49], 30.0f);
  EXPECT_FLOAT_EQ(state.mean_segment_length[20], 300.0f);
  EXPECT_EQ(run.results.sample_depth[20], 1);
  EXPECT_EQ(run.results.sample_depth[49], 2);

  // Left in calendar rows: the late series 40 rows down, in both matrices.
  for (int r = 0; r < 40; ++r) {
    EXPECT_EQ(data.x(r, 1), kMissing);
    EXPECT_EQ(run.results.indices(r, 1), kMissing);
  }
  EXPECT_EQ(data.x(40, 1), loaded.x(0, 1));
  EXPECT_EQ(data.x(139, 1), loaded.x(99, 1));
  EXPECT_EQ(data.x(0, 0), loaded.x(0, 0));
  EXPECT_NE(run.results.indices(139, 1), kMissing);
  EXPECT_EQ(run.results.indices(140, 1), kMissing);
  EXPECT_EQ(state.first_run.nss1, 40);
  EXPECT_EQ(state.first_run.nss2, 40);

  // As loaded, the matrix has rows for the longest series only; it grows to
  // calendar rows, again in the storage of the previous call when the
  // driver copies the saved measurements back into it.
  DataSet apart = make_data_set({{1000, rings(100, 0.0f)}, {1050, rings(100, 1.0f)}});
  Matrix loaded_rows(100, 2);
  for (int j = 0; j < 2; ++j) {
    for (int r = 0; r < 100; ++r) loaded_rows(r, j) = apart.x(r, j);
  }
  EngineState apart_state;
  for (int run_number = 0; run_number < 2; ++run_number) {
    apart.x = loaded_rows;
    run_engine(apart, per_series(6), apart_state, empty_answers(50));
    ASSERT_GE(apart.x.rows(), 150);
    for (int r = 0; r < 150; ++r) {
      EXPECT_EQ(apart.x(r, 0), r < 100 ? loaded_rows(r, 0) : kMissing) << r;
      EXPECT_EQ(apart.x(r, 1), r < 50 ? kMissing : loaded_rows(r - 50, 1)) << r;
    }
  }
}

TEST(SigfreeRuns, ARetryRunReusesTheFirstRunsValuesAndAsksNothingNew) {
  ScratchDirectory dir;
  const DataSet loaded = make_data_set({{1900, rings(120, 0.0f)}, {1905, rings(110, 2.0f)}, {1910, rings(100, 4.0f)}});
  EngineState state;
  DataSet first = loaded;
  const EngineRun run = run_engine(first, per_series(-50), state, empty_answers(50));
  // The set-up plot, the standard chronology plot and the four plots after
  // the iteration.
  EXPECT_EQ(count_of(run.shown, kMenu), 6);
  EXPECT_EQ(count_of(run.shown, " nss1,nss2 skip first number of years:   5    5"), 1);
  const FirstRunValues counted = state.first_run;

  DataSet retry = with_constant(loaded, 0.3f);
  EngineOptions options = per_series(-50);
  options.retry_counter = 3;
  options.retry_constant = 0.3f;
  const EngineRun again = run_engine(retry, options, state, empty_answers(50));
  EXPECT_EQ(count_of(again.shown, kMenu), 4);
  EXPECT_EQ(count_of(again.shown, "nss1,nss2"), 0);
  EXPECT_EQ(state.first_run.nss2, counted.nss2);
  EXPECT_FLOAT_EQ(state.first_run.m1, counted.m1);
  for (int r = 0; r < first.whole.count; ++r) {
    EXPECT_EQ(again.results.iteration_chronologies(r, 0), run.results.iteration_chronologies(r, 0));
  }
  // The series files hold the measurements without the retry constant.
  auto input = TextInput::open("site_STD_RAW_Data.txt");
  ASSERT_TRUE(input);
  DecadalReadState read;
  const DecadalSeries series = trrw(TrrwMode::kReadWidths, *input, read);
  ASSERT_EQ(series.count, 120);
  EXPECT_NEAR(series.values[7], loaded.x(7, 0), 0.0006f);

  // Retries of the same measurements centre the same standard chronology
  // as the first run, whatever level the iteration before them left: the
  // chronologies they return differ by a constant shift at most (a retry
  // that rises again returns it before its last centring). Residual indices
  // about a regional curve lie far from the level of the iteration's
  // (kyrg014: 0.64 against 1.02); centred on that level the standard
  // chronology would lose its years below it to the floor of 0.
  const DataSet kyrg014 = read_ring_widths(test_data("archives/kyrg014.rwl"));
  for (const IndexType type : {IndexType::kRatios, IndexType::kResiduals}) {
    EngineState fresh;
    EngineOptions by_type = regional(-2);
    by_type.index_type = type;
    by_type.file_name = "kyrg014.rwl";
    by_type.mean_type = kSummaryBiweightMean;
    DataSet once = kyrg014;
    const EngineRun first_run = run_engine(once, by_type, fresh, empty_answers(200));
    for (int retry = 1; retry <= 2; ++retry) {
      by_type.retry_counter = retry;
      DataSet again = kyrg014;
      const EngineRun retried = run_engine(again, by_type, fresh, empty_answers(200));
      const std::vector<float>& before = first_run.results.standard.value;
      const std::vector<float>& after = retried.results.standard.value;
      for (int r = 0; r < once.whole.count; ++r) {
        ASSERT_NEAR(after[r] - before[r], after[0] - before[0], 1e-4f)
            << (type == IndexType::kRatios ? "ratios, retry " : "residuals, retry ") << retry << ", row " << r;
      }
    }
  }
}

TEST(SigfreeRuns, RawAverageRunsTheIterationWithTheMeanLine) {
  ScratchDirectory dir;
  DataSet data = make_data_set({{1800, rings(80, 0.0f)}, {1800, rings(80, 1.5f)}, {1800, rings(80, 3.0f)}});
  EngineState state;
  const EngineRun run = run_engine(data, per_series(0), state, empty_answers(50));
  EXPECT_EQ(run.results.curve_option, 6);
  const auto index_file = lines_of(read_file("site_STD_RAW_Ratios.txt"));
  EXPECT_EQ(index_file.size(), 1u);
  // The standard chronology is the mean of the measurements moved to mean 1.
  const auto& standard = run.results.iteration_chronologies;
  float sum = 0.0f;
  for (int r = 0; r < 80; ++r) sum += standard(r, 0);
  EXPECT_NEAR(sum / 80.0f, 1.0f, 1e-5f);
  const float raw_step = (data.x(10, 0) + data.x(10, 1) + data.x(10, 2) - data.x(3, 0) - data.x(3, 1) - data.x(3, 2)) / 3;
  EXPECT_NEAR(standard(10, 0) - standard(3, 0), raw_step, 1e-5f);
}

TEST(SigfreeRuns, TheLowDepthLeadInKeepsItsFirstIterationValues) {
  ScratchDirectory dir;
  std::vector<MadeUpSeries> series{{1700, rings(200, 0.0f)}};
  for (int k = 1; k < 8; ++k) series.push_back({1700 + 3 * k, rings(200 - 3 * k, 0.8f * k)});
  DataSet data = make_data_set(series);
  EngineState state;
  const EngineRun run = run_engine(data, per_series(-40), state, empty_answers(50));
  ASSERT_GE(run.results.iterations, 2);
  const int nss2 = state.first_run.nss2;
  EXPECT_EQ(nss2, 15);
  const Matrix& chronologies = run.results.iteration_chronologies;
  for (int k = 2; k <= run.results.iterations; ++k) {
    for (int r = 0; r < nss2; ++r) EXPECT_EQ(chronologies(r, k), chronologies(r, 1)) << k << " " << r;
  }
  EXPECT_NE(chronologies(nss2, 2), chronologies(nss2, 1));
  const std::string report = read_file("report.txt");
  EXPECT_EQ(count_of(report, " Iter "), run.results.iterations);
}

TEST(SigfreeRegional, ADifferentCurveEndsTheCallAndTheNextDrawsNoSetUpPlot) {
  ScratchDirectory dir;
  EngineState state;
  DataSet data = regional_site();
  const EngineRun asked = run_engine(data, regional(-2), state, "\n\nt\n");
  EXPECT_EQ(asked.results.outcome, EngineOutcome::kDifferentRegionalCurve);
  EXPECT_TRUE(state.different_regional_curve);
  EXPECT_EQ(lines_of(read_file("site_STD_RAW_Data.txt")).size(), 1u);
  EXPECT_EQ(count_of(asked.shown, kMenu), 2);

  DataSet again = regional_site();
  const EngineRun run = run_engine(again, regional(-5), state, empty_answers(200));
  EXPECT_FALSE(state.different_regional_curve);
  EXPECT_EQ(count_of(run.shown.substr(0, run.shown.find("Different RCS")), kMenu), 1);
  EXPECT_NE(run.results.outcome, EngineOutcome::kDifferentRegionalCurve);
}

TEST(SigfreeRegional, EndOfInputAtAQuestionEndsTheProgram) {
  ScratchDirectory dir;
  EngineState state;
  DataSet data = regional_site();
  ReportFile report = open_report("report.txt");
  ScriptedConsole console("\n\n");
  try {
    sigfree(data, regional(-2), state, report);
    FAIL() << "the engine went on without an answer";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitAbnormal);
  }
}

TEST(SigfreeRegional, TruncationAsksForAnAgeWithinTheCurve) {
  ScratchDirectory dir;
  EngineState state;
  DataSet data = regional_site();
  const std::string answers = "\n\nf\nt\nabc\n0\n151\n50\n\nf\nf\nf\n" + empty_answers(200);
  const EngineRun run = run_engine(data, regional(-2), state, answers);
  EXPECT_EQ(count_of(run.shown, "Optimum common interval"), 1);
  EXPECT_EQ(count_of(run.shown, "Enter Biological Year beyond which not to use"), 4);
  EXPECT_EQ(state.regional_cutoff_age, 50);
  const RegionalCurveSlot& initial = state.regional_curves.front();
  EXPECT_EQ(initial.fitted[120], initial.fitted[49]);
  EXPECT_NE(initial.fitted[48], initial.fitted[49]);
}

TEST(SigfreeRegional, MeanLineRefitsEverySeriesFromTheFifthIterationUpToTheLimit) {
  ScratchDirectory dir;
  EngineState state;
  DataSet data = regional_site();
  EngineOptions options = regional(6);
  options.threshold = -1.0f;
  const EngineRun run = run_engine(data, options, state, empty_answers(2000));
  EXPECT_EQ(run.results.outcome, EngineOutcome::kIterationLimit);
  EXPECT_EQ(run.results.iterations, 100);
  EXPECT_EQ(run.results.retry_counter, 0);
  // The initial fit, one per iteration and one per series from iteration 5.
  const std::size_t fits = 1 + 100 + 3 * 96;
  EXPECT_EQ(state.regional_curves.size(), fits);
  EXPECT_EQ(state.curve_options.at(1, 6), 6);
  EXPECT_EQ(count_of(run.shown, "Too many Regional curves to plot."), 1);
  EXPECT_EQ(count_of(run.shown, "change): 100"), 1);
  EXPECT_EQ(count_of(read_file("report.txt"), "MAXIMUM ITERATIONS USED WITHOUT CONVERGING"), 1);
  const auto curves = lines_of(read_file("site_RCScurves.txt"));
  ASSERT_EQ(curves.size(), 151u);
  EXPECT_EQ(curves[1].size(), 8u * (1 + 2 * fits));
}

TEST(SigfreeRegional, ARegionalCurveDownToZeroDividesNoIndexByZero) {
  ScratchDirectory dir;
  // The oldest tree ends in 25 zero rings, which no other tree reaches: the
  // running medians of the regional curve are exactly 0 over those ages.
  std::vector<float> dying = rings(100, 0.0f);
  std::fill(dying.begin() + 75, dying.end(), 0.0f);
  DataSet data = make_data_set({{1900, dying}, {1950, rings(50, 1.0f)}, {1940, rings(60, 2.0f)}});
  EngineOptions options = regional(-3);
  options.smoothing_window = 15;
  options.index_type = IndexType::kResiduals;
  EngineState state;
  const EngineRun run = run_engine(data, options, state, empty_answers(200));
  ASSERT_EQ(state.regional_curves.front().fitted[90], 0.0f);
  const EngineResults& results = run.results;
  EXPECT_TRUE(all_finite(results.standard.value));
  EXPECT_TRUE(all_finite(results.signal_free.value));
  ASSERT_FALSE(results.convergence.empty());
  EXPECT_TRUE(std::isfinite(results.convergence.front().unweighted_mean));
  EXPECT_TRUE(all_finite(results.indices.column(0).first(100)));
}

// The first of a few real-data runs whose statistic rises after the sixth
// iteration, with the state that run left.
struct RisingRun {
  DataSet loaded;
  EngineOptions options;
  EngineState state;
  EngineRun run;
};
bool find_rising_run(RisingRun& rising) {
  const std::vector<std::tuple<const char*, int, IndexType>> candidates{
      {"ca533.rwl", 1, IndexType::kRatios}, {"ca533.rwl", -67, IndexType::kResiduals},
      {"co021.rwl", -67, IndexType::kRatios}, {"co021.rwl", 8, IndexType::kResiduals}};
  for (const auto& [name, option, type] : candidates) {
    rising.loaded = read_ring_widths(shared_data(name));
    rising.options = per_series(option);
    rising.options.index_type = type;
    rising.options.file_name = name;
    rising.state = EngineState{};
    DataSet data = rising.loaded;
    rising.run = run_engine(data, rising.options, rising.state, empty_answers(50));
    if (rising.run.results.outcome == EngineOutcome::kRetryRequested) return true;
  }
  return false;
}

int warned_iteration(const std::string& shown) {
  std::smatch warning;
  if (!std::regex_search(shown, warning, std::regex("NOT MONOTONIC DECREASING, ITER: +([0-9]+)"))) return -1;
  return std::stoi(warning[1]);
}

TEST(SigfreeRetries, ARiseAfterTheSixthIterationAsksForARetry) {
  ScratchDirectory dir;
  RisingRun rising;
  ASSERT_TRUE(find_rising_run(rising));
  const EngineResults& results = rising.run.results;
  EXPECT_EQ(results.retry_counter, 1);
  const int risen = warned_iteration(rising.run.shown);
  EXPECT_GE(risen, 7);
  EXPECT_EQ(results.iterations, risen - 1);
  EXPECT_EQ(count_of(read_file("report.txt"), "NOT MONOTONIC DECREASING"), 1);
  // The chronology handed back is that of the last iteration that did not rise.
  for (int r = 0; r < rising.loaded.whole.count; ++r) {
    ASSERT_EQ(results.signal_free.value[r], results.iteration_chronologies(r, risen - 1));
  }

  rising.options.retry_counter = 1;
  rising.options.retry_constant = 0.1f;
  DataSet retry = with_constant(rising.loaded, 0.1f);
  const EngineRun again = run_engine(retry, rising.options, rising.state, empty_answers(50));
  if (again.results.outcome != EngineOutcome::kRetryRequested) {
    EXPECT_EQ(again.results.retry_counter, 0);
    EXPECT_EQ(rising.state.convergence_retry, 1);
  } else {
    EXPECT_EQ(again.results.retry_counter, 2);
  }
}

TEST(SigfreeRetries, ARiseAfterTheTenthRetryFinishesWithTheLastIteration) {
  ScratchDirectory dir;
  RisingRun rising;
  ASSERT_TRUE(find_rising_run(rising));
  const int risen = warned_iteration(rising.run.shown);
  // The same measurements again, as the tenth retry: the centred chronology
  // the iteration starts from is the same, so it rises at the same place.
  rising.options.retry_counter = 10;
  DataSet data = rising.loaded;
  const EngineRun last = run_engine(data, rising.options, rising.state, empty_answers(50));
  const EngineResults& results = last.results;
  EXPECT_EQ(results.outcome, EngineOutcome::kRetriesExhausted);
  EXPECT_EQ(results.retry_counter, 11);
  EXPECT_EQ(rising.state.convergence_retry, 11);
  EXPECT_EQ(results.iterations, risen - 1);
  const auto given_up = last.shown.find(" OKAY, ADDING A CONSTANT TO THE DATA USUALLY RESULTS IN CONVERGENCE");
  ASSERT_NE(given_up, std::string::npos);
  EXPECT_NE(last.shown.find("Final iteration with convergence", given_up), std::string::npos);
  // The final chronology is rebuilt from the indices of the iteration that
  // rose, not left at the restored chronology of the one before.
  EXPECT_NE(results.signal_free.value, rising.state.previous_chronology);
}

// Runs a data set as the drivers do: the retry constant added for every
// retry the engine asks for.
EngineRun run_with_retries(const DataSet& loaded, EngineOptions options, EngineState& state) {
  EngineRun run;
  int counter = 0;
  while (true) {
    const float constant = 0.1f * static_cast<float>(counter);
    DataSet data = with_constant(loaded, constant);
    options.retry_counter = counter;
    options.retry_constant = constant;
    run = run_engine(data, options, state, empty_answers(500));
    if (run.results.outcome != EngineOutcome::kRetryRequested) return run;
    counter = run.results.retry_counter;
  }
}

void expect_series_file(const std::string& path, const DataSet& loaded, bool measurements) {
  auto input = TextInput::open(path);
  ASSERT_TRUE(input) << path;
  DecadalReadState read;
  for (int j = 0; j < loaded.ns(); ++j) {
    const DecadalSeries series = trrw(TrrwMode::kReadWidths, *input, read);
    ASSERT_EQ(series.count, loaded.spans[j].count) << path << " " << j;
    EXPECT_EQ(series.id, loaded.ids[j]);
    EXPECT_EQ(series.first_year, loaded.spans[j].first_year);
    EXPECT_TRUE(all_finite(series.values));
    if (measurements) {
      for (int i = 0; i < series.count; ++i) ASSERT_NEAR(series.values[i], loaded.x(i, j), 0.0006f) << path;
    }
  }
  EXPECT_EQ(trrw(TrrwMode::kReadWidths, *input, read).count, kEndOfFile);
}

// Every output of a data set's runs with its retries: the results of the
// last call, the console, the report and every file written.
struct WholeRun {
  EngineRun last;
  std::map<std::string, std::string> files;
};

WholeRun run_in_directory(const DataSet& loaded, EngineOptions options) {
  ScratchDirectory dir;
  EngineState state;
  WholeRun run;
  run.last = run_with_retries(loaded, options, state);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    run.files[entry.path().filename().string()] = read_file(entry.path().string());
  }
  return run;
}

void expect_same_runs(const WholeRun& one, const WholeRun& all) {
  const EngineResults& a = one.last.results;
  const EngineResults& b = all.last.results;
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.iterations, b.iterations);
  EXPECT_EQ(a.standard.value, b.standard.value);
  EXPECT_EQ(a.standard.sd, b.standard.sd);
  EXPECT_EQ(a.signal_free.value, b.signal_free.value);
  EXPECT_EQ(a.signal_free.sd, b.signal_free.sd);
  EXPECT_EQ(a.stabilised.standard, b.stabilised.standard);
  EXPECT_EQ(a.stabilised.signal_free, b.stabilised.signal_free);
  EXPECT_EQ(a.sample_depth, b.sample_depth);
  for (int j = 0; j < a.indices.cols(); ++j) {
    ASSERT_TRUE(std::equal(a.indices.column(j).begin(), a.indices.column(j).end(), b.indices.column(j).begin(),
                           [](float x, float y) { return x == y || (std::isnan(x) && std::isnan(y)); }))
        << "series " << j;
  }
  EXPECT_EQ(one.last.shown, all.last.shown);
  EXPECT_EQ(one.files.size(), all.files.size());
  for (const auto& [name, text] : one.files) {
    const auto other = all.files.find(name);
    ASSERT_NE(other, all.files.end()) << name;
    EXPECT_TRUE(text == other->second) << name;
  }
}

// Work is spread over threads only where each value is still computed by the
// same serial code, so the thread count changes nothing: not a value, not a
// file byte, not the order of the console messages of the parallel curve
// fits (series too short for an exponential say so in every iteration).
TEST(SigfreeThreads, OneThreadAndAllThreadsGiveTheSameRuns) {
  std::vector<MadeUpSeries> trees;
  for (int j = 0; j < 40; ++j) {
    const int n = j % 4 == 3 ? 10 + j / 4 : 120 + 7 * j;
    trees.push_back({1700 + (j * 13) % 90, rings(n, 0.37f * static_cast<float>(j))});
  }
  const DataSet short_and_long = make_data_set(trees);
  const DataSet real = read_ring_widths(shared_data("co021.rwl"));

  EngineOptions exponential = per_series(1);
  exponential.rbar_window = 51;
  EngineOptions spline = per_series(8);
  spline.mean_type = kSummaryBiweightMean;
  spline.rbar_window = 51;
  EngineOptions rcs = regional(-2);
  rcs.mean_type = kSummaryBiweightMean;
  rcs.rbar_window = 51;
  EngineOptions smoother = per_series(-5);
  smoother.index_type = IndexType::kResiduals;
  const std::vector<std::pair<const DataSet*, EngineOptions>> cases{
      {&short_and_long, exponential}, {&short_and_long, smoother}, {&real, spline}, {&real, rcs}};
  for (const auto& [data, options] : cases) {
    EngineOptions serial = options;
    serial.threads = 1;
    EngineOptions parallel = options;
    parallel.threads = 0;
    const WholeRun one = run_in_directory(*data, serial);
    const WholeRun all = run_in_directory(*data, parallel);
    SCOPED_TRACE(options.regional ? "regional" : std::to_string(options.curve_option));
    if (&options == &cases[0].second) {
      EXPECT_GT(count_of(one.last.shown, ">> sbr curve:  only"), 10);
    }
    expect_same_runs(one, all);
  }
}

class SigfreeOnRealData : public ::testing::TestWithParam<std::tuple<const char*, bool>> {};

TEST_P(SigfreeOnRealData, EndsAsTheIterationSaysWithFiniteChronologiesAndReadableFiles) {
  ScratchDirectory dir;
  const auto [name, rcs] = GetParam();
  const DataSet loaded = read_ring_widths(shared_data(name));
  EngineOptions options = rcs ? regional(-2) : per_series(-67);
  options.mean_type = kSummaryBiweightMean;
  options.file_name = name;
  EngineState state;
  const EngineRun run = run_with_retries(loaded, options, state);
  const EngineResults& results = run.results;

  if (results.outcome == EngineOutcome::kIterationLimit) {
    EXPECT_EQ(count_of(run.shown, "Maximum iterations used without converging"), 1);
  } else {
    ASSERT_TRUE(results.outcome == EngineOutcome::kConverged || results.outcome == EngineOutcome::kRetriesExhausted);
    EXPECT_EQ(count_of(run.shown, "Final iteration with convergence"), 1);
  }
  EXPECT_TRUE(all_finite(results.standard.value));
  EXPECT_TRUE(all_finite(results.standard.sd));
  EXPECT_TRUE(all_finite(results.signal_free.value));
  EXPECT_TRUE(all_finite(results.signal_free.sd));
  for (int k = 0; k <= results.iterations; ++k) {
    EXPECT_TRUE(all_finite(results.iteration_chronologies.column(k))) << k;
  }

  const std::string base = dataset_base_name(name);
  expect_series_file(base + "_STD_RAW_Data.txt", loaded, true);
  expect_series_file(base + "_STD_RAW_Ratios.txt", loaded, false);
  expect_series_file(base + "_SSF_RAW_Curves.txt", loaded, false);
  expect_series_file(base + "_SSF_RAW_Ratios.txt", loaded, false);
  EXPECT_EQ(file_exists(base + "_RCScurves.txt"), rcs);
}

INSTANTIATE_TEST_SUITE_P(DataSets, SigfreeOnRealData,
                         ::testing::Combine(::testing::Values("ca533.rwl", "co021.rwl", "nm580.rwl"),
                                            ::testing::Bool()));

}  // namespace
}  // namespace qb::testing
