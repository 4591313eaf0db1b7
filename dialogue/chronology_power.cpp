#include "dialogue/chronology_power.hpp"

#include <algorithm>

#include "detrend/blackman_tukey.hpp"
#include "platform/text_file.hpp"
#include "plots/power_plot.hpp"
#include "series/file_names.hpp"

namespace qb {
namespace {

// Above this many values the maximum lag is a fifth of the series, not a third.
constexpr int kLongSpectrumInput = 1000;
// Periods of 10 years and longer: frequencies up to 0.1 cycles per year.
constexpr float kDecadalFrequency = 0.1f;
constexpr std::size_t kSpectraNameScan = 40;

struct Spectra {
  std::vector<float> frequency;
  std::vector<float> first;
  std::vector<float> second;
};

// The auto spectra of both series: mean removed, no prewhitening, one year
// between values.
bool auto_spectra(const SpectrumInput& input, int max_lag, Spectra& s) {
  SpectrumOptions options;
  options.n = static_cast<int>(input.first.size());
  options.spectrum = 1;
  options.max_lag = max_lag;
  options.dt = 1.0f;
  options.prewhitening = 0.0f;
  std::vector<float> first = input.first;
  std::vector<float> second = input.second;
  const std::span<float> series[] = {first, second};
  std::vector<SpectrumResult> results = ftfreq(series, options);
  if (results[0].status != kSpectrumOk || results[1].status != kSpectrumOk) return false;
  s.frequency = std::move(results[0].frequency);
  s.first = std::move(results[0].first.spectrum);
  s.second = std::move(results[1].first.spectrum);
  return true;
}

void plot_spectra(const Spectra& s, bool raw_data_average) {
  const std::size_t decadal = static_cast<std::size_t>(
      std::count_if(s.frequency.begin(), s.frequency.end(), [](float f) { return f <= kDecadalFrequency; }));
  const std::span<const float> frequency(s.frequency);
  const std::span<const float> first(s.first);
  const std::span<const float> second(s.second);
  plt6({frequency, first, second, raw_data_average ? "RAW Power Spectrum" : "STD Power Spectrum",
        raw_data_average ? "ADJ Power Spectrum" : "SSF Power Spectrum"});
  plt6({frequency.first(decadal), first.first(decadal), second.first(decadal),
        raw_data_average ? "RAW >10Yr Spectrum" : "STD >10Yr Spectrum",
        raw_data_average ? "ADJ >10Yr Spectrum" : "SSF >10Yr Spectrum"});
}

}  // namespace

SpectrumInput spectrum_input(const DataSetChronologies& c) {
  SpectrumInput input;
  const bool stabilised = c.stabilised();
  for (int r = 0; r < c.years; ++r) {
    if (c.sample_depth[static_cast<std::size_t>(r)] < kSpectrumDepth) continue;
    const auto row = static_cast<std::size_t>(r);
    input.first.push_back(stabilised ? c.stabilised_standard[row] : c.standard[row]);
    input.second.push_back(stabilised ? c.stabilised_signal_free[row] : c.signal_free[row]);
  }
  return input;
}

int maximum_lag(int values) { return values <= kLongSpectrumInput ? values / 3 : values / 5; }

std::string spectra_file_name(std::string_view data_set_name) {
  const std::size_t folder = folder_length(data_set_name);
  const std::string_view file = data_set_name.substr(folder);
  const std::string_view scanned = file.substr(0, std::min(file.size(), kSpectraNameScan));
  const std::size_t end = scanned.find_first_of(" .");
  return std::string(data_set_name.substr(0, folder)) + std::string(scanned.substr(0, end)) + "_spectra.txt";
}

void spectra(Console& console, const SpectrumInput& input, bool raw_data_average, std::string_view data_set_name) {
  TextOutput file = TextOutput::create_or_throw(spectra_file_name(data_set_name));
  if (raw_data_average) {
    file.write("(a)", " FREQUENCY   POWER_RAW_CRN   POWER_ADJ_CRN");
  } else {
    file.write("(a)", " FREQUENCY   POWER_STD_CRN   POWER_SSF_CRN");
  }

  const int n = static_cast<int>(input.first.size());
  const int m = maximum_lag(n);
  Spectra s;
  if (!auto_spectra(input, m, s)) {
    console.write("(/1x,'No spectra: ',i5,' years reach a sample depth of 5; at least 9 are needed.')", n);
    file.close();
    return;
  }
  plot_spectra(s, raw_data_average);
  for (std::size_t k = 0; k < s.frequency.size(); ++k) {
    file.write("(f9.5,f14.5,F16.5)", s.frequency[k], s.first[k], s.second[k]);
  }
  file.close();
}

}  // namespace qb
