// The drawing calls of the plots: one small interface over the plotting
// library (PLplot), so that every plot routine can be run and checked without
// a display.
#pragma once

#include <span>
#include <string_view>

#include "plots/plot_file.hpp"

namespace qb {

// Each method is one PLplot call (named in its comment); arguments keep the
// library's meaning.
class PlotCanvas {
 public:
  virtual ~PlotCanvas() = default;

  virtual void select_device(std::string_view name) = 0;                 // plsdev
  virtual void set_file_name(std::string_view name) = 0;                 // plsfnam
  // The library writes the page to the file's stream and closes it at plend.
  virtual void set_output_file(PlotFile& file) = 0;                      // plsfile
  virtual void set_colour(int index, int red, int green, int blue) = 0;  // plscol0
  virtual void set_background(int red, int green, int blue) = 0;         // plscolbg
  virtual void init() = 0;                                               // plinit
  virtual void subpages(int columns, int rows) = 0;                      // plssub
  // Justification 0 fills the subpage; axis code 0 box and labelled ticks,
  // 2 the same with a grid, 20 logarithmic y ticks.
  virtual void environment(double xmin, double xmax, double ymin, double ymax, int justification,
                           int axis) = 0;                                // plenv
  virtual void colour(int index) = 0;                                    // plcol0
  virtual void width(int pen_width) = 0;                                 // plwidth
  virtual void line_style(int style) = 0;                                // pllsty
  virtual void font(int font) = 0;                                       // plfont
  virtual void line(std::span<const float> x, std::span<const float> y) = 0;              // plline
  virtual void points(std::span<const float> x, std::span<const float> y, int symbol) = 0;  // plpoin
  virtual void labels(std::string_view x_label, std::string_view y_label, std::string_view title) = 0;  // pllab
  virtual void text_beside(std::string_view side, double displacement, double position, double justification,
                           std::string_view text) = 0;                   // plmtex
  virtual void end() = 0;                                                // plend
};

// The canvas the plots draw on with `device`: the plotting library itself,
// or for the null device one that takes every call and draws nothing (as the
// library would, without its cost), unless a scope has put another in its
// place.
PlotCanvas& plot_canvas(std::string_view device);

// Whether plot_canvas(device) draws nothing at all.
bool draws_nothing(std::string_view device);

class PlotCanvasScope {
 public:
  explicit PlotCanvasScope(PlotCanvas& replacement);
  ~PlotCanvasScope();
  PlotCanvasScope(const PlotCanvasScope&) = delete;
  PlotCanvasScope& operator=(const PlotCanvasScope&) = delete;

 private:
  PlotCanvas* previous_;
};

}  // namespace qb
