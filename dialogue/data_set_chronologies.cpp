#include "dialogue/data_set_chronologies.hpp"

#include <algorithm>

namespace qb {
namespace {

template <class T>
std::span<const T> first_rows(const std::vector<T>& values, int rows) {
  return std::span<const T>(values).first(static_cast<std::size_t>(rows));
}

}  // namespace

DataSetChronologies data_set_chronologies(const EngineResults& results, int first_year, int years,
                                          const AnalysisOptions& options) {
  DataSetChronologies c;
  c.first_year = first_year;
  c.raw_data_average = options.curve_option == 0;
  c.ratios = !options.residuals;
  // Every row the engine filled; it fills all of the set's years.
  std::size_t rows = static_cast<std::size_t>(std::max(years, 0));
  for (const auto* v : {&results.standard.value, &results.standard.sd, &results.signal_free.value,
                        &results.signal_free.sd}) {
    rows = std::min(rows, v->size());
  }
  rows = std::min(rows, results.sample_depth.size());
  const bool with_stabilised = options.rbar_window > 0 && results.stabilised.standard.size() >= rows &&
                               results.stabilised.signal_free.size() >= rows;
  c.years = static_cast<int>(rows);
  c.standard = first_rows(results.standard.value, c.years);
  c.standard_sd = first_rows(results.standard.sd, c.years);
  c.signal_free = first_rows(results.signal_free.value, c.years);
  c.signal_free_sd = first_rows(results.signal_free.sd, c.years);
  c.sample_depth = first_rows(results.sample_depth, c.years);
  if (with_stabilised) {
    c.stabilised_standard = first_rows(results.stabilised.standard, c.years);
    c.stabilised_signal_free = first_rows(results.stabilised.signal_free, c.years);
  }
  return c;
}

}  // namespace qb
