#include "plots/plot_canvas.hpp"

#include <plplot/plplot.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qb {
namespace {

// The library takes its coordinates in PLFLT (double); single-precision
// values widen exactly.
std::vector<PLFLT> widened(std::span<const float> values) { return {values.begin(), values.end()}; }

// Every text of the plots is literal, but the library reads "#" as the start
// of an escape sequence ("Iteration #  1" would lose its "#"): doubled, it
// prints as itself.
std::string literal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out.push_back(c);
    if (c == '#') out.push_back('#');
  }
  return out;
}

class PlplotCanvas final : public PlotCanvas {
 public:
  void select_device(std::string_view name) override { plsdev(std::string(name).c_str()); }
  void set_file_name(std::string_view name) override { plsfnam(std::string(name).c_str()); }
  void set_output_file(PlotFile& file) override { plsfile(file.stream()); }
  void set_colour(int index, int red, int green, int blue) override { plscol0(index, red, green, blue); }
  void set_background(int red, int green, int blue) override { plscolbg(red, green, blue); }
  void init() override { plinit(); }
  void subpages(int columns, int rows) override { plssub(columns, rows); }
  void environment(double xmin, double xmax, double ymin, double ymax, int justification, int axis) override {
    plenv(xmin, xmax, ymin, ymax, justification, axis);
  }
  void colour(int index) override { plcol0(index); }
  void width(int pen_width) override { plwidth(static_cast<PLFLT>(pen_width)); }
  void line_style(int style) override { pllsty(style); }
  void font(int font) override { plfont(font); }
  void line(std::span<const float> x, std::span<const float> y) override {
    const auto n = static_cast<PLINT>(std::min(x.size(), y.size()));
    if (n < 1) return;
    const auto xs = widened(x.first(n));
    const auto ys = widened(y.first(n));
    plline(n, xs.data(), ys.data());
  }
  void points(std::span<const float> x, std::span<const float> y, int symbol) override {
    const auto n = static_cast<PLINT>(std::min(x.size(), y.size()));
    if (n < 1) return;
    const auto xs = widened(x.first(n));
    const auto ys = widened(y.first(n));
    plpoin(n, xs.data(), ys.data(), symbol);
  }
  void labels(std::string_view x_label, std::string_view y_label, std::string_view title) override {
    pllab(literal(x_label).c_str(), literal(y_label).c_str(), literal(title).c_str());
  }
  void text_beside(std::string_view side, double displacement, double position, double justification,
                   std::string_view text) override {
    plmtex(std::string(side).c_str(), displacement, position, justification, literal(text).c_str());
  }
  void end() override { plend(); }
};

class NullCanvas final : public PlotCanvas {
 public:
  void select_device(std::string_view) override {}
  void set_file_name(std::string_view) override {}
  void set_output_file(PlotFile&) override {}
  void set_colour(int, int, int, int) override {}
  void set_background(int, int, int) override {}
  void init() override {}
  void subpages(int, int) override {}
  void environment(double, double, double, double, int, int) override {}
  void colour(int) override {}
  void width(int) override {}
  void line_style(int) override {}
  void font(int) override {}
  void line(std::span<const float>, std::span<const float>) override {}
  void points(std::span<const float>, std::span<const float>, int) override {}
  void labels(std::string_view, std::string_view, std::string_view) override {}
  void text_beside(std::string_view, double, double, double, std::string_view) override {}
  void end() override {}
};

PlotCanvas* g_replacement = nullptr;

}  // namespace

PlotCanvas& plot_canvas(std::string_view device) {
  static PlplotCanvas library;
  static NullCanvas nothing;
  if (g_replacement != nullptr) return *g_replacement;
  return device == "null" ? static_cast<PlotCanvas&>(nothing) : library;
}

bool draws_nothing(std::string_view device) { return g_replacement == nullptr && device == "null"; }

PlotCanvasScope::PlotCanvasScope(PlotCanvas& replacement) : previous_(g_replacement) { g_replacement = &replacement; }
PlotCanvasScope::~PlotCanvasScope() { g_replacement = previous_; }

}  // namespace qb
