#include "engine/engine_plots.hpp"

#include "engine/engine_call.hpp"
#include "plots/time_series_plot.hpp"

namespace qb {

std::vector<float> constant_line(const EngineCall& call, float value) {
  return std::vector<float>(static_cast<std::size_t>(call.nyr), value);
}

void draw_over_years(const EngineCall& call, std::span<const float> first, std::span<const float> second,
                     std::span<const float> reference, const YearPlotTexts& texts) {
  TimeSeriesPlot plot;
  plot.first = first;
  plot.second = second;
  plot.reference = reference;
  plot.first_x = call.ify;
  plot.x_label = "Years";
  plot.y_label = texts.y_label;
  plot.title = texts.title;
  plot.first_legend = texts.first_legend;
  plot.second_legend = texts.second_legend;
  plot.first_width = texts.first_width;
  plot.second_width = texts.second_width;
  plot.reference_width = texts.reference_width;
  plot1(plot);
}

std::string_view raw_or_standard(const EngineCall& call, std::string_view raw, std::string_view standard) {
  return call.entry_curve_option == 0 ? raw : standard;
}

}  // namespace qb
