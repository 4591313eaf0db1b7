// Measuring how far one signal-free iteration moved the chronology, and
// deciding whether to go on.
#pragma once

#include <array>
#include <string>

#include "detrend/robust_statistics.hpp"
#include "engine/engine_state.hpp"
#include "platform/report_file.hpp"

namespace qb {

struct EngineCall;

// The curves whose changes are measured unweighted: the stiff ones (the
// regional spline, raw average, exponentials and mean line).
bool in_stiff_curve_group(int curve_option);

// The statistic the iteration is judged by. The first iteration is always
// judged by the unweighted mean; later ones by the mean ('n') or median
// ('y') selected by `hald_median`, unweighted for the stiff curves and
// weighted by sample depth for the flexible ones.
float tested_statistic(const ConvergenceStatistics& statistics, int iteration, int entry_curve_option,
                       char hald_median);

enum class ConvergenceStep {
  kConverged,       // the tested value fell to the threshold
  kIterationLimit,  // the last allowed iteration ran
  kGoOn,            // keep iterating
  kRise             // the tested value rose after the sixth iteration
};
ConvergenceStep convergence_step(int iteration, float tested, float previous_tested, float threshold);

// Lowers each running minimum that the new value undercuts (strictly) and
// returns the marks: '*' for a new minimum, else blank.
std::array<char, 4> update_running_minima(RunningMinima& minima, const ConvergenceStatistics& statistics);

// The report line of one iteration.
std::string convergence_line(int iteration, const ConvergenceStatistics& statistics, const std::array<char, 4>& marks);

// The change from the previous to the current chronology of `iteration`:
// kept unsmoothed in the iteration differences, smoothed by an age-dependent
// spline when asked, and summarised over the rows the options select.
ConvergenceStatistics measure_change(EngineCall& call, int iteration);

}  // namespace qb
