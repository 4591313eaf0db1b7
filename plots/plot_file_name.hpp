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

// Plots share their file names (every spectrum goes to fig1b.ps, the running
// Rbar and EPS plots have one title), so a page saved under a name that this
// run has written already takes the next name the run has not written,
// numbered before ".ps" (fig1b_2.ps, fig1b_3.ps; fig1_2 for fig1). The first
// save of each name keeps it.
std::string unwritten_plot_file(std::string_view name);
void note_written_plot_file(std::string_view name);
// A new run of a program starts with no name written.
void forget_written_plot_files();

}  // namespace qb
