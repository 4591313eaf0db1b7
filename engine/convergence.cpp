#include "engine/convergence.hpp"

#include <cmath>

#include "detrend/smoothing_spline.hpp"
#include "engine/engine_call.hpp"
#include "platform/record_format.hpp"

namespace qb {

bool in_stiff_curve_group(int curve_option) {
  switch (curve_option) {
    case -2:
    case 0:
    case 1:
    case 2:
    case 6:
      return true;
    default:
      return false;
  }
}

float tested_statistic(const ConvergenceStatistics& statistics, int iteration, int entry_curve_option,
                       char hald_median) {
  if (iteration <= 1 || (hald_median != 'n' && hald_median != 'y')) return statistics.unweighted_mean;
  const bool stiff = in_stiff_curve_group(entry_curve_option);
  if (hald_median == 'n') return stiff ? statistics.unweighted_mean : statistics.weighted_mean;
  return stiff ? statistics.unweighted_median : statistics.weighted_median;
}

ConvergenceStep convergence_step(int iteration, float tested, float previous_tested, float threshold) {
  if (tested <= threshold) return ConvergenceStep::kConverged;
  if (iteration == kMaxIterations) return ConvergenceStep::kIterationLimit;
  // The first iterations may wander before they settle: a rise only counts
  // after the sixth.
  if (iteration <= 6 || tested <= previous_tested) return ConvergenceStep::kGoOn;
  return ConvergenceStep::kRise;
}

std::array<char, 4> update_running_minima(RunningMinima& minima, const ConvergenceStatistics& statistics) {
  const std::array<float, 4> values{statistics.unweighted_mean, statistics.unweighted_median,
                                    statistics.weighted_mean, statistics.weighted_median};
  std::array<char, 4> marks{' ', ' ', ' ', ' '};
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (minima.value[k] > values[k]) {
      minima.value[k] = values[k];
      marks[k] = '*';
    }
  }
  return marks;
}

std::string convergence_line(int iteration, const ConvergenceStatistics& statistics,
                             const std::array<char, 4>& marks) {
  const std::string m0(1, marks[0]), m1(1, marks[1]), m2(1, marks[2]), m3(1, marks[3]);
  return format_record("(1x,'Iter ',i3,'  Convergence Criteria: ',f13.8,a,3(f14.8,a))", iteration,
                       statistics.unweighted_mean, m0, statistics.unweighted_median, m1, statistics.weighted_mean, m2,
                       statistics.weighted_median, m3);
}

namespace {

// Removes the slow, age-related part of the change: a spline whose
// stiffness follows the mean segment length of the series covering each
// year, so that only the year-to-year movement is measured.
void remove_age_trend(EngineCall& call, std::span<float> change) {
  const int nyr = call.nyr;
  if (nyr < 4) return;
  std::vector<int>& stiffness = call.state.stiffness;
  stiffness.assign(nyr, 0);
  for (int r = 0; r < nyr - 2; ++r) stiffness[r] = static_cast<int>(call.state.mean_segment_length[r + 1]);
  // The last two rows have no following row of their own.
  stiffness[nyr - 2] = stiffness[nyr - 3];
  stiffness[nyr - 1] = stiffness[nyr - 3];
  std::vector<float> fitted(nyr, 0.0f);
  spline2(change, fitted, stiffness);
  if (spline_failed(fitted[0])) return;
  for (int r = 0; r < nyr; ++r) change[r] -= fitted[r];
}

}  // namespace

ConvergenceStatistics measure_change(EngineCall& call, int iteration) {
  EngineState& state = call.state;
  const int nyr = call.nyr;
  const std::vector<float>& chronology = call.results.signal_free.value;
  std::vector<float> change(nyr);
  auto kept = state.iteration_differences.column(iteration - 1);
  for (int r = 0; r < nyr; ++r) {
    change[r] = state.previous_chronology[r] - chronology[r];
    kept[r] = change[r];
  }
  if (call.options.difference_smoothing == 'y') remove_age_trend(call, change);

  int first = 0;
  int rows = nyr;
  if (call.options.hald_tweaks == 'y') {
    first = state.first_run.nss2;
    rows = state.first_run.nn2;
  }
  std::vector<float> absolute(rows);
  for (int i = 0; i < rows; ++i) absolute[i] = std::fabs(change[first + i]);
  return sftest(absolute, std::span<const int>(call.results.sample_depth).subspan(first, rows));
}

}  // namespace qb
