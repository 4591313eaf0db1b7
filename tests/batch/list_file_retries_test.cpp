// The list-file program from its engine runs to the next data set, driven in
// the test process by a console that answers each prompt by its text.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/batch_program.hpp"
#include "series/decadal_format.hpp"
#include "tests/dialogue/menu_test_support.hpp"
#include "tests/support/answering_console.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::Answer;
using testing::AnsweringConsole;
using testing::lines_of;
using testing::occurrences;
using testing::read_file;
using testing::ScratchDirectory;
using testing::write_file;

class ListFileRoad : public ::testing::Test {
 protected:
  std::string run(const std::vector<std::string>& data_sets, std::vector<Answer> answers) {
    std::string list;
    for (const std::string& name : data_sets) {
      std::filesystem::copy_file(testing::shared_data(name), dir_.file(name));
      list += name + "\n";
    }
    write_file(dir_.file("list.txt"), list);
    answers.insert(answers.begin(), Answer{"Signal Free list file name", "list.txt"});
    AnsweringConsole console(std::move(answers));
    exit_code_ = testing::run_driver(run_batch_program, kBatchVersion, console);
    for (const Answer& unused : console.unused_answers()) ADD_FAILURE() << "never asked: " << unused.prompt;
    return console.output();
  }
  std::string file(const std::string& name) const { return read_file(dir_.file(name)); }

  ScratchDirectory dir_;
  int exit_code_ = -1;
};

// The chronologies of a file in the decadal chronology layout.
std::vector<DecadalSeries> chronologies_in(const std::string& path) {
  std::vector<DecadalSeries> all;
  auto input = TextInput::open(path);
  if (!input) return all;
  DecadalReadState state;
  testing::ScriptedConsole quiet;  // the reader shows the title lines it meets
  for (DecadalSeries s = trrw(TrrwMode::kReadIndices, *input, state); s.count != kEndOfFile;
       s = trrw(TrrwMode::kReadIndices, *input, state)) {
    all.push_back(std::move(s));
  }
  return all;
}

TEST_F(ListFileRoad, ConvergenceRetriesRebuildTheMeasurementsWithARisingConstant) {
  // Every default: residuals of power-transformed data with the 20-year
  // age-dependent spline, which does not converge monotonically on co021.
  const std::string out = run({"co021.rwl"}, {});
  EXPECT_EQ(exit_code_, 0);

  const std::size_t rises = occurrences(out, " WARNING: CONVERGENCE TESTS ARE NOT MONOTONIC DECREASING");
  ASSERT_GE(rises, 2u);
  EXPECT_NE(out.find("==> \n CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?):       0.000\n"
                     "\n OKAY, LET US BEGIN:\n"),
            std::string::npos);
  // A retry echoes its constant right after the warning, with no empty line
  // and no new beginning.
  for (const char* constant : {"0.100", "0.200"}) {
    const std::string retry = std::string("\n CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?):       ") +
                              constant + "\n";
    const std::size_t at = out.find(retry);
    ASSERT_NE(at, std::string::npos) << constant;
    EXPECT_EQ(out.rfind(" WARNING", at), out.rfind('\n', at - 1) + 1) << constant;
  }
  EXPECT_EQ(occurrences(out, "CONSTANT ADDED TO ALL MEASUREMENTS"), rises + 1);
  EXPECT_EQ(occurrences(out, "OKAY, LET US BEGIN:"), 1u);

  // The report announces the transformation once and gives the mean power
  // with every constant.
  const std::string report = file("co021_out_v47b_batch.txt");
  EXPECT_EQ(occurrences(report, "THE SERIES HAVE HAD ADAPTIVE POWER TRANSFORMATIONS APPLIED"), 1u);
  EXPECT_EQ(occurrences(report, "CONSTANT ADDED TO ALL MEASUREMENTS"), rises + 1);
  EXPECT_EQ(occurrences(report, "CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?):       0.100\n"
                                " THE MEAN ADAPTIVE POWER TRANSFORM POWER APPLIED IS:        "),
            1u);
  EXPECT_TRUE(std::filesystem::exists(dir_.file("co021_SSF_PTR_Resids.txt")));
}

TEST_F(ListFileRoad, AnotherRegionalCurveRunsTheEngineAgainFromTheSubMenu) {
  const std::string out = run({"ca533.rwl"}, {{"Compute Indices", "r"},
                                              {"General Curve fit options", "-2"},
                                              {"Enter running RBAR window", "0"},
                                              {"Different RCS detrending?", "t"},
                                              {"Select RCS curve fit options", "-3"},
                                              {"enter the median window width", "4"},
                                              {"Select RCS curve fit options", "-5"},
                                              {"Enter the Friedman tweeter", "5"}});
  EXPECT_EQ(exit_code_, 0);
  // An even median window is refused and the sub-menu shown again.
  EXPECT_EQ(occurrences(out, "Select RCS curve fit options:"), 2u);
  EXPECT_EQ(occurrences(out, "Different RCS detrending? [T]rue or <[F]>alse"), 2u);
  // The run after the request starts afresh with no constant.
  EXPECT_EQ(occurrences(out, "\n CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?):       0.000\n"
                             "\n OKAY, LET US BEGIN:\n"),
            2u);
  EXPECT_NE(out.find("\n Same signal free curve fit option used next:    -5\n"), std::string::npos);

  // The sub-menu's choice is not echoed: the report keeps the first choice.
  const std::string report = file("ca533_out_v47b_batch.txt");
  EXPECT_EQ(occurrences(report, "CURVE FIT OPTION:"), 1u);
  EXPECT_NE(report.find(" REGIONAL CURVE STANDARDIZATION (RCS):  OPT   -2\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir_.file("ca533_RCScurves.txt")));
}

TEST_F(ListFileRoad, SecondTryAndSameWayAnswers) {
  const std::string out = run({"cana209.rwl", "co021.rwl"},
                              {{"Compute Indices", "r"},
                               {"Enter running RBAR window", "0"},
                               {"Want to try a different curve fit option?", "y"},
                               {"General Curve fit options", "0"},
                               {"Enter running RBAR window", "0"},
                               {"Want to try a different curve fit option?", "yes"},
                               {"Detrend the next data set in the same way?", "q"},
                               {"General Curve fit options", "10"},
                               {"Detrend the next data set in the same way?", "n"}});
  EXPECT_EQ(exit_code_, 0);
  const std::string changed =
      "\n **************************************************\n"
      "\n SIGNAL FREE CURVE FIT OPTION CHANGED FOR DATA SET:   1\n"
      "\n **************************************************\n";
  EXPECT_EQ(occurrences(out, changed), 1u);
  EXPECT_EQ(occurrences(file("cana209_out_v47b_batch.txt"), changed), 1u);
  // The second try of data set 1 asks its chronology questions again; data
  // set 2 only shows the curve-fit menu, after the answer "q".
  EXPECT_EQ(occurrences(out, "General Curve fit options:"), 3u);
  EXPECT_EQ(occurrences(out, "How to calculate the mean chronology"), 2u);
  EXPECT_EQ(occurrences(out, "Same signal free curve fit option used next"), 0u);
  EXPECT_EQ(occurrences(out, "\n Different signal free curve fit option used next\n"), 1u);

  // Data set 1 ended as a raw-data average without a running RBAR window:
  // eight columns, two chronology blocks, raw-data labels.
  const auto columns = lines_of(file("cana209_crns_col.txt"));
  ASSERT_EQ(columns.size(), 290u);
  EXPECT_EQ(columns[0], "  Year  SSize  RawCrn  AdjCrn  RawSig  AdjSig  RawSee  AdjSee");
  EXPECT_EQ(columns[1].size(), 61u);
  EXPECT_EQ(columns[1].substr(0, 12), "  1713     1");
  EXPECT_EQ(lines_of(file("cana209_spectra.txt"))[0], " FREQUENCY   POWER_RAW_CRN   POWER_ADJ_CRN");
  const auto blocks = chronologies_in(dir_.file("cana209_crns_tuc.txt"));
  ASSERT_EQ(blocks.size(), 2u);
  for (const DecadalSeries& block : blocks) {
    EXPECT_EQ(block.first_year, 1713);
    EXPECT_EQ(block.count, 289);
  }
  // The Tucson blocks carry the values of the column file.
  for (int r = 0; r < 289; ++r) {
    const float standard = std::stof(columns[static_cast<std::size_t>(r) + 1].substr(13, 8));
    EXPECT_NEAR(blocks[0].values[static_cast<std::size_t>(r)], standard, 0.0015f) << r;
    EXPECT_EQ(blocks[0].depths[static_cast<std::size_t>(r)],
              std::stoi(columns[static_cast<std::size_t>(r) + 1].substr(6, 6)));
  }
  const auto tucson = lines_of(file("cana209_crns_tuc.txt"));
  EXPECT_EQ(tucson[1].substr(82, 6), "rawcrn");
  EXPECT_EQ(tucson[2].substr(82, 6), "rawcrn");

  // The run-wide files: a block per data set, none in the stabilised ones.
  EXPECT_EQ(chronologies_in(dir_.file("STD_Crns.txt")).size(), 2u);
  EXPECT_EQ(chronologies_in(dir_.file("SSF_Crns.txt")).size(), 2u);
  EXPECT_EQ(file("STDSTB_Crns.txt"), "");
  EXPECT_EQ(file("SSFSTB_Crns.txt"), "");
  EXPECT_EQ(lines_of(file("co021_crns_tuc.txt"))[2].substr(82, 6), "stdcrn");
}

TEST_F(ListFileRoad, FewSeriesGiveNoSpectrumAndTheRunGoesOn) {
  // Four series: no year reaches the sample depth of the spectra.
  auto out_file = TextOutput::create(dir_.file("four.rwl"));
  ASSERT_TRUE(out_file);
  for (int s = 0; s < 4; ++s) {
    std::vector<float> widths;
    for (int t = 0; t < 40; ++t) {
      widths.push_back(1.0f + 0.6f * std::exp(-static_cast<float>(t) / 15.0f) +
                       0.2f * std::sin(0.7f * static_cast<float>(t + s)));
    }
    const std::string id = "S" + std::to_string(s + 1);
    trrw(TrrwMode::kWriteWidths, *out_file, {id, 1900 + s, widths, {}, "site"});
  }
  out_file->close();
  write_file(dir_.file("list.txt"), "four.rwl\n");
  AnsweringConsole console(std::vector<Answer>{{"Signal Free list file name", "list.txt"}});
  exit_code_ = testing::run_driver(run_batch_program, kBatchVersion, console);
  const std::string& out = console.output();
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find("\n No spectra:     0 years reach a sample depth of 5; at least 9 are needed.\n"),
            std::string::npos);
  EXPECT_NE(out.find("Want to try a different curve fit option?"), std::string::npos);
  EXPECT_EQ(file("four_spectra.txt"), " FREQUENCY   POWER_STD_CRN   POWER_SSF_CRN\n");
  EXPECT_EQ(lines_of(file("four_crns_col.txt")).size(), 44u);
}

}  // namespace
}  // namespace qb
