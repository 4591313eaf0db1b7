// A canvas that records every drawing call instead of drawing, so the tests
// can check the calls a plot makes without a display.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "plots/plot_canvas.hpp"

namespace qb::testing {

struct PlotCall {
  std::string name;  // the library routine: "plenv", "plline", ...
  std::string text;  // the call with its scalar arguments, e.g. "plenv(0,300,0.5,1.5,0,2)"
  std::vector<float> x;
  std::vector<float> y;
};

class RecordingCanvas final : public PlotCanvas {
 public:
  RecordingCanvas() : scope_(*this) {}

  const std::vector<PlotCall>& calls() const { return calls_; }
  std::vector<std::string> texts() const {
    std::vector<std::string> all;
    for (const PlotCall& call : calls_) all.push_back(call.text);
    return all;
  }
  // The calls of one routine, in order.
  std::vector<PlotCall> calls_named(const std::string& name) const {
    std::vector<PlotCall> found;
    for (const PlotCall& call : calls_) {
      if (call.name == name) found.push_back(call);
    }
    return found;
  }
  void clear() { calls_.clear(); }

  void select_device(std::string_view name) override { add("plsdev", name); }
  void set_file_name(std::string_view name) override { add("plsfnam", name); }
  void set_output_file(PlotFile& file) override { add("plsfile", file.name()); }
  void set_colour(int index, int red, int green, int blue) override { add("plscol0", index, red, green, blue); }
  void set_background(int red, int green, int blue) override { add("plscolbg", red, green, blue); }
  void init() override { add("plinit"); }
  void subpages(int columns, int rows) override { add("plssub", columns, rows); }
  void environment(double xmin, double xmax, double ymin, double ymax, int justification, int axis) override {
    add("plenv", xmin, xmax, ymin, ymax, justification, axis);
  }
  void colour(int index) override { add("plcol0", index); }
  void width(int pen_width) override { add("plwidth", pen_width); }
  void line_style(int style) override { add("pllsty", style); }
  void font(int font) override { add("plfont", font); }
  void line(std::span<const float> x, std::span<const float> y) override {
    add("plline", x.size());
    calls_.back().x.assign(x.begin(), x.end());
    calls_.back().y.assign(y.begin(), y.end());
  }
  void points(std::span<const float> x, std::span<const float> y, int symbol) override {
    add("plpoin", x.size(), symbol);
    calls_.back().x.assign(x.begin(), x.end());
    calls_.back().y.assign(y.begin(), y.end());
  }
  void labels(std::string_view x_label, std::string_view y_label, std::string_view title) override {
    add("pllab", x_label, y_label, title);
  }
  void text_beside(std::string_view side, double displacement, double position, double justification,
                   std::string_view text) override {
    add("plmtex", side, displacement, position, justification, text);
  }
  void end() override { add("plend"); }

 private:
  template <class... Args>
  void add(const char* name, const Args&... args) {
    std::ostringstream text;
    text << name << '(';
    bool first = true;
    ((text << (first ? "" : ",") << args, first = false), ...);
    text << ')';
    calls_.push_back({name, text.str(), {}, {}});
  }

  std::vector<PlotCall> calls_;
  PlotCanvasScope scope_;
};

}  // namespace qb::testing
