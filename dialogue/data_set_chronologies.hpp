// The chronologies of a standardised data set as the spectra and the
// chronology files read them: one value per calendar row, row 0 the first
// year of the set.
#pragma once

#include <span>

#include "dialogue/analysis_options.hpp"
#include "engine/sigfree.hpp"

namespace qb {

struct DataSetChronologies {
  int first_year = 0;
  int years = 0;
  // With curve option 0 the standard chronology is the average of the raw
  // measurements and the signal-free one its adjusted form.
  bool raw_data_average = false;
  // Indices as ratios to the curves (else residuals from them).
  bool ratios = true;
  std::span<const float> standard;
  std::span<const float> signal_free;
  std::span<const float> standard_sd;
  std::span<const float> signal_free_sd;
  // Empty unless the engine ran with a running RBAR window.
  std::span<const float> stabilised_standard;
  std::span<const float> stabilised_signal_free;
  std::span<const int> sample_depth;

  bool stabilised() const { return !stabilised_standard.empty() && !stabilised_signal_free.empty(); }

  // How the column chronology file heads the columns of the standard and of
  // the signal-free chronology: "Std" and "Ssf", or "Raw" and "Adj".
  const char* standard_prefix() const { return raw_data_average ? "Raw" : "Std"; }
  const char* signal_free_prefix() const { return raw_data_average ? "Adj" : "Ssf"; }
};

// A running RBAR window above 0 makes the stabilised chronologies part of
// the set.
DataSetChronologies data_set_chronologies(const EngineResults& results, int first_year, int years,
                                          const AnalysisOptions& options);

}  // namespace qb
