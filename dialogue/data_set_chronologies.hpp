// The chronologies of a standardised data set as the spectra and the
// chronology files read them: one value per calendar row, row 0 the first
// year of the set.
#pragma once

#include <span>

#include "engine/sigfree.hpp"

namespace qb {

struct DataSetChronologies {
  int first_year = 0;
  int years = 0;
  // With curve option 0 the standard chronology is the average of the raw
  // measurements and the signal-free one its adjusted form.
  bool raw_data_average = false;
  std::span<const float> standard;
  std::span<const float> signal_free;
  std::span<const float> standard_sd;
  std::span<const float> signal_free_sd;
  // Empty unless the engine ran with a running RBAR window.
  std::span<const float> stabilised_standard;
  std::span<const float> stabilised_signal_free;
  std::span<const int> sample_depth;

  bool stabilised() const { return !stabilised_standard.empty() && !stabilised_signal_free.empty(); }
};

// `rbar_window` above 0 makes the stabilised chronologies part of the set.
DataSetChronologies data_set_chronologies(const EngineResults& results, int first_year, int years,
                                          int curve_option, int rbar_window);

}  // namespace qb
