// The column and Tucson chronology files and the run-wide blocks, from
// chronologies made up in place.
#include "dialogue/chronology_files.hpp"
#include "dialogue/degenerate_chronologies.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "series/decadal_format.hpp"
#include "tests/dialogue/menu_test_support.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::read_file;
using testing::ScratchDirectory;
using testing::ScriptedConsole;

struct MadeUp {
  std::vector<float> standard{1.0f, 1.25f, 0.8f, 1.1f, 0.95f};
  std::vector<float> signal_free{1.05f, 1.2f, 0.75f, 1.15f, 0.9f};
  std::vector<float> standard_sd{0.0f, 0.2f, 0.3f, 0.4f, 0.5f};
  std::vector<float> signal_free_sd{0.0f, 0.1f, 0.2f, 0.3f, 0.4f};
  std::vector<float> stabilised_standard{1.01f, 1.2f, 0.85f, 1.05f, 0.9f};
  std::vector<float> stabilised_signal_free{1.02f, 1.15f, 0.8f, 1.1f, 0.93f};
  // A year inside the span without any series has no standard error.
  std::vector<int> depth{1, 4, 0, 9, 16};

  DataSetChronologies chronologies(bool stabilised, bool raw = false) const {
    DataSetChronologies c;
    c.first_year = 1998;
    c.years = 5;
    c.raw_data_average = raw;
    c.standard = standard;
    c.signal_free = signal_free;
    c.standard_sd = standard_sd;
    c.signal_free_sd = signal_free_sd;
    if (stabilised) {
      c.stabilised_standard = stabilised_standard;
      c.stabilised_signal_free = stabilised_signal_free;
    }
    c.sample_depth = depth;
    return c;
  }
};

std::array<std::string, 3> titles() {
  return {fixed_width("SITE ONE  Made-up site", kTitleLength), fixed_width("Second title line", kTitleLength),
          fixed_width("Third title line", kTitleLength)};
}

std::vector<DecadalSeries> read_blocks(const std::string& path) {
  std::vector<DecadalSeries> blocks;
  auto input = TextInput::open(path);
  if (!input) return blocks;
  DecadalReadState state;
  ScriptedConsole quiet;
  for (DecadalSeries s = trrw(TrrwMode::kReadIndices, *input, state); s.count != kEndOfFile;
       s = trrw(TrrwMode::kReadIndices, *input, state)) {
    blocks.push_back(std::move(s));
  }
  return blocks;
}

TEST(ColumnChronologyFile, YearDepthChronologiesDeviationsAndStandardErrors) {
  ScratchDirectory dir;
  ScriptedConsole console;
  const MadeUp m;
  write_column_file(m.chronologies(true), "site.rwl");
  EXPECT_EQ(read_file("site_crns_col.txt"),
            "  Year  SSize  StdCrn  SsfCrn  StdSig  SsfSig  StdSee  SsfSee  StdStb  SsfStb\n"
            "  1998     1    1.000   1.050   0.000   0.000   0.000   0.000   1.010   1.020\n"
            "  1999     4    1.250   1.200   0.200   0.100   0.100   0.050   1.200   1.150\n"
            "  2000     0    0.800   0.750   0.300   0.200   0.000   0.000   0.850   0.800\n"
            "  2001     9    1.100   1.150   0.400   0.300   0.133   0.100   1.050   1.100\n"
            "  2002    16    0.950   0.900   0.500   0.400   0.125   0.100   0.900   0.930\n");

  // Without a running RBAR window: eight columns; with curve option 0 the
  // raw-data labels.
  write_column_file(m.chronologies(false, true), "site 2.rwl");
  const auto lines = lines_of(read_file("site 2_crns_col.txt"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "  Year  SSize  RawCrn  AdjCrn  RawSig  AdjSig  RawSee  AdjSee");
  EXPECT_EQ(lines[2], "  1999     4    1.250   1.200   0.200   0.100   0.100   0.050");
}

TEST(TucsonChronologyFile, BlocksReadBackWithTheirLabelsAndGoToTheRunWideFiles) {
  ScratchDirectory dir;
  ScriptedConsole console;
  const MadeUp m;
  std::array<TextOutput, 4> run_wide;
  RunWideChronologyFiles targets;
  for (std::size_t k = 0; k < run_wide.size(); ++k) {
    run_wide[k] = *TextOutput::create("run" + std::to_string(k) + ".txt");
    targets[k] = &run_wide[k];
  }
  auto t = titles();
  EXPECT_TRUE(write_tucson_file(m.chronologies(true), "site.rwl", t, targets).empty());
  for (auto& file : run_wide) file.close();

  const auto blocks = read_blocks("site_crns_tuc.txt");
  ASSERT_EQ(blocks.size(), 4u);
  const std::vector<const std::vector<float>*> expected = {&m.standard, &m.signal_free, &m.stabilised_standard,
                                                           &m.stabilised_signal_free};
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    EXPECT_EQ(blocks[b].id, "site.r  ");
    EXPECT_EQ(blocks[b].first_year, 1998);
    ASSERT_EQ(blocks[b].count, 5);
    for (std::size_t r = 0; r < 5; ++r) {
      EXPECT_NEAR(blocks[b].values[r], (*expected[b])[r], 0.0005f) << b << " " << r;
      EXPECT_EQ(blocks[b].depths[r], m.depth[r]) << b << " " << r;
    }
    // Each run-wide file holds its own block with the same lines.
    const auto one = read_blocks("run" + std::to_string(b) + ".txt");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].values, blocks[b].values);
  }
  const auto lines = lines_of(read_file("site_crns_tuc.txt"));
  const std::vector<std::string> labels = {"stdcrn", "ssfcrn", "stdstb", "ssfstb"};
  for (std::size_t b = 0; b < 4; ++b) {
    const std::size_t first = b * 5;  // three title lines, the 1990s and the 2000s
    EXPECT_EQ(lines[first], t[0].substr(0, 100)) << b;
    EXPECT_EQ(lines[first + 1].substr(82, 6), labels[b]);
    EXPECT_EQ(lines[first + 2].substr(82, 6), labels[b]);
    EXPECT_EQ(lines[first + 3].substr(lines[first + 3].size() - 6), labels[b]);
  }
  // The first title line keeps its text; the others keep the last label.
  EXPECT_EQ(t[0], titles()[0]);
  EXPECT_EQ(t[2].substr(82, 6), "ssfstb");
}

// An index of 10 or more and a depth of 1000 or more do not fit the decadal
// fields; each file that shows asterisks is named once.
TEST(TucsonChronologyFile, FilesWithValuesBeyondTheFieldsAreNamedOnceEach) {
  ScratchDirectory dir;
  MadeUp m;
  m.standard[2] = 12.5f;
  std::array<TextOutput, 4> run_wide;
  RunWideChronologyFiles targets;
  for (std::size_t k = 0; k < run_wide.size(); ++k) {
    run_wide[k] = *TextOutput::create("run" + std::to_string(k) + ".txt");
    targets[k] = &run_wide[k];
  }
  auto t = titles();
  EXPECT_EQ(write_tucson_file(m.chronologies(true), "site.rwl", t, targets),
            (std::vector<std::string>{"site_crns_tuc.txt", "run0.txt"}));
  EXPECT_NE(read_file("site_crns_tuc.txt").find("****"), std::string::npos);
  m.standard[2] = 0.8f;
  m.depth[4] = 1248;
  const std::vector<std::string> unfit = write_tucson_file(m.chronologies(false), "site.rwl", t, targets);
  EXPECT_EQ(unfit, (std::vector<std::string>{"site_crns_tuc.txt", "run0.txt", "run1.txt"}));

  ScriptedConsole console;
  testing::ReportCapture report;
  warn_of_asterisks(console.console(), report.report(), std::span(unfit).first(1), "site.rwl");
  const std::string warning =
      "\n WARNING: site_crns_tuc.txt: some values or sample depths do not fit their fields\n"
      "          and show as asterisks; site_crns_col.txt holds them all.\n";
  EXPECT_EQ(console.output(), warning);
  EXPECT_EQ(report.text(), to_upper(warning));
}

// A column that holds one value (as the file writes it) in more than half
// of its years, or, for ratios and raw data, any value below 0, gets one
// warning naming the file, the column and the years; a sound one none.
TEST(ColumnChronologyFile, DegenerateColumnsAreNamedOnceEach) {
  const auto warnings = [](const DataSetChronologies& c) {
    ScriptedConsole console;
    testing::ReportCapture report;
    warn_of_degenerate_columns(console.console(), report.report(), c, "../a/site.rwl");
    EXPECT_EQ(report.text(), to_upper(console.output()));
    return console.output();
  };
  MadeUp m;
  EXPECT_EQ(warnings(m.chronologies(true)), "");
  // Three of five years write 1.000; two of five are no majority.
  m.standard = {1.0004f, 1.25f, 0.9996f, 1.0f, 0.95f};
  m.stabilised_signal_free = {0.0f, 0.0f, 1.1f, 1.2f, 1.3f};
  EXPECT_EQ(warnings(m.chronologies(true)),
            "\n WARNING: ../a/site_crns_col.txt, column StdCrn:\n"
            "          It holds 1.000 in 3 of its 5 years: one value carries no signal.\n");
  m = MadeUp{};
  m.signal_free[3] = -0.25f;
  m.stabilised_standard[0] = -0.0001f;
  const std::string negative =
      "\n WARNING: ../a/site_crns_col.txt, column SsfCrn:\n"
      "          It holds values below 0 in 1 of its 5 years, which ratios never are.\n"
      "\n WARNING: ../a/site_crns_col.txt, column StdStb:\n"
      "          It holds values below 0 in 1 of its 5 years, which ratios never are.\n";
  EXPECT_EQ(warnings(m.chronologies(true)), negative);
  DataSetChronologies residuals = m.chronologies(true);
  residuals.ratios = false;
  EXPECT_EQ(warnings(residuals), "");
  // Raw data: the mean of widths far above 1 shifted below 0.
  m = MadeUp{};
  m.standard = {-95.494f, -95.494f, 2.0f, -95.494f, -3.0f};
  DataSetChronologies raw = m.chronologies(false, true);
  raw.ratios = false;
  EXPECT_EQ(warnings(raw),
            "\n WARNING: ../a/site_crns_col.txt, column RawCrn:\n"
            "          It holds -95.494 in 3 of its 5 years: one value carries no signal.\n"
            "          It holds values below 0 in 4 of its 5 years, which ring widths never are.\n");
}

}  // namespace
}  // namespace qb
