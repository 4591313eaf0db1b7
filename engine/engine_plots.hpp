// The engine's two-chronology plots over the calendar years of a data set,
// and the texts those plots share.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

struct EngineCall;

struct YearPlotTexts {
  std::string_view title;
  std::string_view y_label;
  std::string_view first_legend;
  std::string_view second_legend;
  int first_width = 1;
  int second_width = 1;
  int reference_width = 2;
};

// A constant line over the years of the data set.
std::vector<float> constant_line(const EngineCall& call, float value);

// plot1 of two series over the years of the data set from its first year,
// x label "Years", followed by the plot options menu.
void draw_over_years(const EngineCall& call, std::span<const float> first, std::span<const float> second,
                     std::span<const float> reference, const YearPlotTexts& texts);

// The text for a run that averaged the raw measurements (curve option 0 at
// entry), else the text for every other run.
std::string_view raw_or_standard(const EngineCall& call, std::string_view raw, std::string_view standard);

}  // namespace qb
