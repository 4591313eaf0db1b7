#include "plots/plot_menu.hpp"

#include <string>

#include "platform/console.hpp"
#include "platform/report_file.hpp"
#include "platform/screen_device.hpp"
#include "platform/text_file.hpp"
#include "plots/plot_conventions.hpp"
#include "plots/plot_file.hpp"
#include "plots/plot_file_name.hpp"

namespace qb {
namespace {

constexpr std::string_view kSaveDevice = "psc";

void draw_page(PlotCanvas& canvas, const PageDrawing& page) {
  canvas.set_colour(kWhite, 255, 255, 255);
  canvas.set_colour(kBlack, 0, 0, 0);
  canvas.set_background(255, 255, 255);
  canvas.init();
  page(canvas);
  canvas.end();
}

// The library ends the program when it cannot open its output file, so the
// screen's file is tried first and the user told.
bool file_refused(const std::string& name) {
  if (file_can_be_created(name)) return false;
  console().write("(1x,'Could not write the plot file ',a)", name);
  return true;
}

// Saves the page and names the file; a file that could not be written is
// named with the reason instead.
void draw_into_file(const PageDrawing& page, const std::string& file_name) {
  if (!page) return;
  PlotFile file(file_name);
  if (file.stream() != nullptr) {
    PlotCanvas& canvas = plot_canvas(kSaveDevice);
    canvas.select_device(kSaveDevice);
    canvas.set_output_file(file);
    draw_page(canvas, page);
  }
  // The menu comes again: the user may make room and save once more.
  if (const auto failure = file.finish()) {
    console().write("(1x,a)", *failure);
    CurrentReportScope::echo("(1x,a)", *failure);
    return;
  }
  note_written_plot_file(file_name);
  console().write("(1x,'Plot saved as ',a)", file_name);
}

void write_menu(PlotMenuChoices choices) {
  Console& out = console();
  out.write("(/1x,'|************* plot options menu ***************|')");
  out.write("(1x,'|-----------------------------------------------|')");
  if (choices == PlotMenuChoices::kWithNoMorePlots) {
    out.write("(1x,'| [s]ave  [c]ontinue  [r]eplot  [n]o more plots |')");
  } else {
    out.write("(1x,'|       [s]ave   <[c]ontinue>   [r]eplot        |')");
  }
  out.write("(1x,'|_______________________________________________|')");
  out.write("(/1x,' enter option number > ',$)");
}

}  // namespace

void draw_on_screen(const PageDrawing& page) {
  if (!page) return;
  const ScreenDevice& screen = screen_device();
  if (screen.draws_to_file() && file_refused(screen.file_name)) return;
  PlotCanvas& canvas = plot_canvas(screen.name);
  canvas.select_device(screen.name);
  if (screen.draws_to_file()) canvas.set_file_name(screen.file_name);
  draw_page(canvas, page);
}

bool screen_draws_nothing() { return draws_nothing(screen_device().name); }

PlotMenuExit show_plot(const PageDrawing& page, std::string_view plot_file, PlotMenuChoices choices) {
  draw_on_screen(page);
  // Saving the page again rewrites the file its first save chose.
  std::string saved_as;
  while (true) {
    write_menu(choices);
    switch (first_char(console().read_line())) {
      case 'S':
      case 's':
        if (saved_as.empty()) saved_as = unwritten_plot_file(plot_file);
        draw_into_file(page, saved_as);
        break;
      case 'R':
      case 'r':
        draw_on_screen(page);
        break;
      case 'N':
      case 'n':
        if (choices == PlotMenuChoices::kWithNoMorePlots) return PlotMenuExit::kNoMorePlots;
        return PlotMenuExit::kContinue;
      default:
        return PlotMenuExit::kContinue;
    }
  }
}

}  // namespace qb
