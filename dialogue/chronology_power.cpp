#include "dialogue/chronology_power.hpp"

#include <algorithm>
#include <array>

#include "detrend/blackman_tukey.hpp"
#include "platform/text_file.hpp"
#include "platform/thread_pool.hpp"
#include "plots/power_plot.hpp"

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

// The auto spectrum of one series: mean removed, no prewhitening, one year
// between values.
bool auto_spectrum(std::vector<float> series, int max_lag, std::vector<float>& frequency,
                   std::vector<float>& power) {
  SpectrumOptions options;
  options.n = static_cast<int>(series.size());
  options.spectrum = 1;
  options.max_lag = max_lag;
  options.dt = 1.0f;
  options.prewhitening = 0.0f;
  SpectrumResult result = ftfreq(series, options);
  if (result.status != kSpectrumOk) return false;
  frequency = std::move(result.frequency);
  power = std::move(result.first.spectrum);
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
  const std::string_view scanned = data_set_name.substr(0, std::min(data_set_name.size(), kSpectraNameScan));
  const std::size_t end = scanned.find_first_of(" .");
  return std::string(scanned.substr(0, end)) + "_spectra.txt";
}

void spectra(Console& console, const SpectrumInput& input, bool raw_data_average, std::string_view data_set_name) {
  const std::string name = spectra_file_name(data_set_name);
  auto file = TextOutput::create(name);
  if (!file) {
    console.write("(/1x,'Cannot create the spectra file ',a)", name);
    return;
  }
  if (raw_data_average) {
    file->write("(a)", " FREQUENCY   POWER_RAW_CRN   POWER_ADJ_CRN");
  } else {
    file->write("(a)", " FREQUENCY   POWER_STD_CRN   POWER_SSF_CRN");
  }

  const int n = static_cast<int>(input.first.size());
  const int m = maximum_lag(n);
  Spectra s;
  std::vector<float> second_frequency;
  // The two spectra are independent: one per thread.
  std::array<bool, 2> done{};
  parallel_for(2, 0, [&](int k) {
    done[k] = k == 0 ? auto_spectrum(input.first, m, s.frequency, s.first)
                     : auto_spectrum(input.second, m, second_frequency, s.second);
  });
  if (!done[0] || !done[1]) {
    console.write("(/1x,'No spectra: ',i5,' years reach a sample depth of 5; at least 9 are needed.')", n);
    return;
  }
  plot_spectra(s, raw_data_average);
  for (std::size_t k = 0; k < s.frequency.size(); ++k) {
    file->write("(f9.5,f14.5,F16.5)", s.frequency[k], s.first[k], s.second[k]);
  }
}

}  // namespace qb
