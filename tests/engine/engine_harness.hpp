// Builds engine inputs for the tests: data sets read from decadal files or
// made up in place, and the scripted answers an engine call needs.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/sigfree.hpp"
#include "platform/report_file.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"
#include "series/data_set_loader.hpp"
#include "series/decadal_format.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb::testing {

// A decadal ring-width file as the list-file program loads it (the format
// menu answered with its default).
inline DataSet read_ring_widths(const std::string& path) {
  DataSet data;
  auto input = TextInput::open(path);
  if (!input) return data;
  ScriptedConsole answers("\n");
  if (loaddat(FormatMenu::kListFile, *input, data) != LoadStatus::kLoaded) data = DataSet{};
  return data;
}

// A data set from columns given by first year and values.
struct MadeUpSeries {
  int first_year = 0;
  std::vector<float> values;
};
inline DataSet make_data_set(const std::vector<MadeUpSeries>& series) {
  DataSet data;
  int first = series.front().first_year;
  int last = first;
  std::size_t longest = 0;
  for (const auto& s : series) {
    first = std::min(first, s.first_year);
    last = std::max(last, s.first_year + static_cast<int>(s.values.size()) - 1);
    longest = std::max(longest, s.values.size());
  }
  data.whole = {first, last, last - first + 1};
  data.x = Matrix(last - first + 1, static_cast<int>(series.size()));
  for (std::size_t j = 0; j < series.size(); ++j) {
    const auto& s = series[j];
    const int n = static_cast<int>(s.values.size());
    data.spans.push_back({s.first_year, s.first_year + n - 1, n});
    data.ids.push_back(fixed_width("S" + std::to_string(j + 1), kIdLength));
    for (int i = 0; i < n; ++i) data.x(i, static_cast<int>(j)) = s.values[i];
  }
  data.titles[0] = fixed_width("Made-up site", kTitleLength);
  return data;
}

// A site of `series` trees that all end in year 1500 + years - 1, tree j
// starting `stagger` x j years after the first: an age trend times a signal
// the trees share times each tree's own wobble, so their indices correlate.
inline DataSet common_signal_site(int series, int years, int stagger) {
  std::vector<MadeUpSeries> trees;
  for (int j = 0; j < series; ++j) {
    MadeUpSeries tree;
    tree.first_year = 1500 + stagger * j;
    for (int year = tree.first_year; year < 1500 + years; ++year) {
      const float age = static_cast<float>(year - tree.first_year);
      const float shared = 1.0f + 0.3f * std::sin(1.7f * static_cast<float>(year)) *
                                      std::cos(0.031f * static_cast<float>(year));
      const float own = 1.0f + 0.1f * std::sin(2.3f * age * static_cast<float>(j + 1) + static_cast<float>(j));
      tree.values.push_back((0.5f + 1.5f * std::exp(-0.02f * age)) * shared * own);
    }
    trees.push_back(std::move(tree));
  }
  return make_data_set(trees);
}

inline ReportFile open_report(const std::string& path) {
  auto file = TextOutput::create(path);
  return ReportFile(std::move(*file));
}

inline int count_of(const std::string& text, const std::string& what) {
  int count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// The texts written beside the frames of the plots drawn (titles and
// legends), in order.
inline std::vector<std::string> texts_drawn(const RecordingCanvas& canvas) {
  std::vector<std::string> texts;
  for (const PlotCall& call : canvas.calls_named("plmtex")) {
    // plmtex(side,displacement,position,justification,text)
    std::size_t at = 0;
    for (int comma = 0; comma < 4; ++comma) at = call.text.find(',', at) + 1;
    texts.push_back(call.text.substr(at, call.text.size() - at - 1));
  }
  return texts;
}
inline bool drew(const RecordingCanvas& canvas, const std::string& text) {
  const auto texts = texts_drawn(canvas);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// What one engine call left: its results, the console output and the
// report file.
struct AnsweredRun {
  EngineResults results;
  std::string shown;
  std::string report;
};

// One engine call with scripted answers; the report goes to "report.txt" in
// the working directory.
inline AnsweredRun run_answered(DataSet& data, const EngineOptions& options, EngineState& state,
                                const std::string& answers) {
  AnsweredRun run;
  {
    ReportFile report = open_report("report.txt");
    ScriptedConsole console(answers);
    run.results = sigfree(data, options, state, report);
    run.shown = console.output();
    report.close();
  }
  run.report = read_file("report.txt");
  return run;
}

// Enough empty answers for every plot menu and question of a long run: each
// takes the default.
inline std::string empty_answers(int count) { return std::string(static_cast<std::size_t>(count), '\n'); }

}  // namespace qb::testing
