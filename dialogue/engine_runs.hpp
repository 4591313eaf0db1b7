// The engine runs of one data set: the measurements rebuilt from the selected
// series before every run (plus the retry constant), the optional adaptive
// power transformation, and the reactions to the engine's two requests -- a
// convergence retry and another regional curve.
#pragma once

#include <functional>
#include <string_view>

#include "dialogue/analysis_options.hpp"
#include "dialogue/program_texts.hpp"
#include "engine/sigfree.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

// Retry requests the driver answers with another run; a higher counter means
// the engine gave up and finished the run itself.
inline constexpr int kMaxConvergenceRetries = 10;

// The constant added to every measurement for a run: 0.1 per retry so far.
float retry_constant(int retry_counter);

// The driver's answers as the engine takes them.
EngineOptions engine_options(ProgramKind kind, const AnalysisOptions& options, int series_count,
                             std::string_view data_set_name, int retry_counter);

// What the runs of one data set carry from call to call.
struct EngineRuns {
  EngineState engine;     // the engine's own carried-over values
  EngineResults results;  // of the last call
  // 0 on the first run of a data set and after a request for another
  // regional curve; otherwise as the engine left it.
  int retry_counter = 0;
  // The curve option as passed to the latest call: the engine may replace it
  // by a fall-back, and a second try undoes that.
  int saved_curve_option = 0;
};

// Everything a run works on.
struct EngineRunInputs {
  ProgramKind kind = ProgramKind::kListFile;
  Console& console;
  ReportFile& report;
  DataSet& data;
  // The selected series (series-relative rows), from which every run starts.
  const Matrix& saved_measurements;
  std::string_view data_set_name;
};

// Runs the engine until it neither asks for a retry nor for another regional
// curve. For that request `choose_different_regional_curve` holds the
// dialogue of the program (options.different_regional_curve is then set);
// the next run follows it.
void run_engine(const EngineRunInputs& inputs, AnalysisOptions& options, EngineRuns& runs,
                const std::function<void()>& choose_different_regional_curve);

}  // namespace qb
