// The files that the plot options menu saves pages to.
#pragma once

#include <string>
#include <string_view>

namespace qb {

inline constexpr std::string_view kRegionalCurvePlotFile = "fig11.ps";  // plt1, plt2
inline constexpr std::string_view kSeriesPlotFile = "fig1";             // plt3, plt4, plt5
inline constexpr std::string_view kSpectrumPlotFile = "fig1b.ps";       // plt6, scatplt

// The file named after a plot's 60-character title: its blanks squeezed out,
// then ".ps". A squeezed title longer than 57 characters is cut to 57 so the
// name keeps its extension.
std::string title_plot_file(std::string_view title);

}  // namespace qb
