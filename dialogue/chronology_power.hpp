// Blackman-Tukey power spectra of a data set's two final chronologies (the
// variance-stabilised ones when a running RBAR window was used), their plots
// and the spectra file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dialogue/data_set_chronologies.hpp"
#include "platform/console.hpp"

namespace qb {

// Years of lower sample depth are left out of the spectra.
inline constexpr int kSpectrumDepth = 5;

// The two series of the spectra: the years of sample depth kSpectrumDepth or
// more, in calendar order.
struct SpectrumInput {
  std::vector<float> first;
  std::vector<float> second;
};
SpectrumInput spectrum_input(const DataSetChronologies& chronologies);

// n / 3 lags for up to 1000 values, n / 5 beyond.
int maximum_lag(int values);

// The folder part of the data-set name, its file name up to the first blank
// or "." within 40 characters, and "_spectra.txt".
std::string spectra_file_name(std::string_view data_set_name);

// Computes both spectra, plots them (all frequencies, then those of periods
// of 10 years and longer) and writes the spectra file. Too few years for a
// spectrum leave the file with its header line only.
void spectra(Console& console, const SpectrumInput& input, bool raw_data_average, std::string_view data_set_name);

}  // namespace qb
