// The spectrum input, the maximum lag and the spectra file.
#include "dialogue/chronology_power.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::read_file;
using testing::ScratchDirectory;
using testing::ScriptedConsole;

TEST(Spectra, InputKeepsTheYearsOfSampleDepthFiveOrMoreFromTheRightChronologies) {
  const std::vector<float> standard{1.0f, 2.0f, 3.0f, 4.0f};
  const std::vector<float> signal_free{5.0f, 6.0f, 7.0f, 8.0f};
  const std::vector<float> stabilised_standard{9.0f, 10.0f, 11.0f, 12.0f};
  const std::vector<float> stabilised_signal_free{13.0f, 14.0f, 15.0f, 16.0f};
  const std::vector<int> depth{4, 5, 12, 3};
  DataSetChronologies c;
  c.years = 4;
  c.standard = standard;
  c.signal_free = signal_free;
  c.sample_depth = depth;
  SpectrumInput input = spectrum_input(c);
  EXPECT_EQ(input.first, (std::vector<float>{2.0f, 3.0f}));
  EXPECT_EQ(input.second, (std::vector<float>{6.0f, 7.0f}));

  c.stabilised_standard = stabilised_standard;
  c.stabilised_signal_free = stabilised_signal_free;
  input = spectrum_input(c);
  EXPECT_EQ(input.first, (std::vector<float>{10.0f, 11.0f}));
  EXPECT_EQ(input.second, (std::vector<float>{14.0f, 15.0f}));
}

TEST(Spectra, MaximumLagAndFileNames) {
  EXPECT_EQ(maximum_lag(900), 300);
  EXPECT_EQ(maximum_lag(1000), 333);
  EXPECT_EQ(maximum_lag(1001), 200);
  EXPECT_EQ(maximum_lag(1200), 240);
  EXPECT_EQ(maximum_lag(8), 2);
  // Cut at the first blank or "." (the chronology files cut at the "." only).
  EXPECT_EQ(spectra_file_name(fixed_width("site 2.rwl", 50)), "site_spectra.txt");
  EXPECT_EQ(spectra_file_name(fixed_width("a.b.rwl", 50)), "a_spectra.txt");
  EXPECT_EQ(spectra_file_name(std::string(45, 'x')), std::string(40, 'x') + "_spectra.txt");
  EXPECT_EQ(spectra_file_name(fixed_width("../a/co021.rwl", 50)), "../a/co021_spectra.txt");
  EXPECT_EQ(spectra_file_name(fixed_width("my data.2/site 2.rwl", 50)), "my data.2/site_spectra.txt");
}

SpectrumInput waves(int n) {
  SpectrumInput input;
  for (int t = 0; t < n; ++t) {
    input.first.push_back(1.0f + 0.3f * std::sin(0.5f * static_cast<float>(t)));
    input.second.push_back(1.0f + 0.2f * std::cos(0.05f * static_cast<float>(t)) +
                           0.1f * std::sin(2.0f * static_cast<float>(t)));
  }
  return input;
}

TEST(Spectra, FileHoldsOneRowPerFrequency) {
  ScratchDirectory dir;
  for (const auto& [n, rows] : {std::pair{900, 301}, std::pair{1200, 241}, std::pair{9, 4}}) {
    ScriptedConsole console("\n\n");  // the two plot menus
    spectra(console.console(), waves(n), false, "site.rwl");
    const auto lines = lines_of(read_file("site_spectra.txt"));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(rows) + 1) << n;
    EXPECT_EQ(lines[0], " FREQUENCY   POWER_STD_CRN   POWER_SSF_CRN");
    EXPECT_EQ(lines[1].substr(0, 9), "  0.00000");
    EXPECT_EQ(lines.back().substr(0, 9), "  0.50000");
    EXPECT_EQ(lines[1].size(), 39u);
  }
  // A wave of 0.5 radians a year (0.08 cycles) peaks near its frequency.
  ScriptedConsole console("\n\n");
  spectra(console.console(), waves(900), true, "site.rwl");
  const auto lines = lines_of(read_file("site_spectra.txt"));
  EXPECT_EQ(lines[0], " FREQUENCY   POWER_RAW_CRN   POWER_ADJ_CRN");
  std::size_t peak = 1;
  for (std::size_t k = 1; k < lines.size(); ++k) {
    if (std::stof(lines[k].substr(9, 14)) > std::stof(lines[peak].substr(9, 14))) peak = k;
  }
  EXPECT_NEAR(std::stof(lines[peak].substr(0, 9)), 0.5f / (2.0f * 3.14159265f), 0.002f);
}

}  // namespace
}  // namespace qb
