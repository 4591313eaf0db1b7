// The drawing cycle every plot shares and the plot options menu that follows
// each page: save it as colour PostScript, draw it again, or go on.
#pragma once

#include <functional>
#include <string_view>

#include "plots/plot_canvas.hpp"

namespace qb {

// Draws the panels of one page, between the library's plinit and plend.
using PageDrawing = std::function<void(PlotCanvas&)>;

// One drawing of a page on the screen device: device, colour map 0 (entry 0
// white, 15 black), white background, plinit, the page, plend. No stream
// stays open afterwards. An empty drawing draws nothing.
void draw_on_screen(const PageDrawing& page);

// Whether drawing on the screen shows nothing (the null device): a page
// drawn only on the screen, without a menu, need not be made at all.
bool screen_draws_nothing();

enum class PlotMenuChoices { kStandard, kWithNoMorePlots };
enum class PlotMenuExit { kContinue, kNoMorePlots };

// Draws the page on the screen, then asks the plot options menu until the
// user goes on: "s" draws the page with the colour PostScript device into
// `plot_file`, or into the next name of it that this run has not written
// (unwritten_plot_file), and names the file on the console; "r" draws it on
// the screen again, "n" (with
// kWithNoMorePlots only) ends a sequence of plots, anything else returns.
// A plot file that cannot be created or written completely is named with
// the reason, on the console and in the current report.
PlotMenuExit show_plot(const PageDrawing& page, std::string_view plot_file,
                       PlotMenuChoices choices = PlotMenuChoices::kStandard);

}  // namespace qb
