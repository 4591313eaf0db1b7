// Blackman-Tukey power spectra: lagged covariances up to a maximum lag, a
// cosine transform at equally spaced frequencies and Hamming smoothing of the
// raw estimates (Blackman and Tukey 1958), with optional prewhitening,
// linear-trend correction and the cross spectrum of two series.
#pragma once

#include <span>
#include <vector>

#include "platform/text_file.hpp"
#include "series/matrix.hpp"

namespace qb {

// Status of ftfreq.
inline constexpr int kSpectrumOk = 0;
// n < 4, m < 3 or m >= n, fewer than n (2n) values given, or prewhitening
// asked for a cross spectrum with spectra.
inline constexpr int kSpectrumBadSize = 129;
// dt <= 0, or prewhitening with |r| >= 1.
inline constexpr int kSpectrumBadParameter = 130;
// A coherency above 1 was clipped to 1.
inline constexpr int kSpectrumCoherencyClipped = 68;

struct SpectrumOptions {
  bool cross = false;  // two series of n values, the second after the first
  int n = 0;           // values per series
  // < 0: covariances only; >= 0: spectra; > 0 for a cross spectrum also
  // amplitude, phase, gains and coherency.
  int spectrum = 1;
  int max_lag = 0;     // m
  bool prewhiten = false;
  // false: the mean is removed; true: the mean is kept and the covariances
  // are corrected analytically for a linear trend.
  bool keep_trend = false;
  float dt = 1.0f;            // sampling interval in years
  float prewhitening = 0.0f;  // r of x'(t) = x(t+1) - r x(t)
};

struct SeriesSpectrum {
  float mean = 0.0f;
  float variance = 0.0f;     // c0 (divisor n; trend-corrected under keep_trend)
  float trend_slope = 0.0f;  // keep_trend only
  std::vector<float> autocovariance;  // lags 1..m at [0..m-1], divisor n - k
  std::vector<float> spectrum;        // smoothed estimates at the m + 1 frequencies
};

// Cross spectrum of the first series x and the second y. The cross-covariance
// at lag k is the mean of x(t) y(t + k) over the n - |k| pairs; positive lags
// pair x with later values of y.
struct CrossSpectrum {
  std::vector<float> covariance;   // lags -m..m at [0..2m]
  std::vector<float> co;           // co-spectrum (even part), m + 1
  std::vector<float> quadrature;   // quadrature spectrum (odd part), m + 1
  // spectrum > 0 only:
  std::vector<float> amplitude;    // sqrt(co^2 + quadrature^2)
  // Phase in cycles, 0..1: atan(quadrature / co) / 2 pi, half a cycle more
  // where the co-spectrum is negative; 0.25 or 0.75 where it is 0. Below 0.5
  // the first series leads.
  std::vector<float> phase;
  std::vector<float> gain_first;   // amplitude / spectrum of x (0 where it is not positive)
  std::vector<float> gain_second;  // amplitude / spectrum of y (0 where it is not positive)
  std::vector<float> coherency;    // amplitude^2 / (sx sy), clipped to 0..1
};

struct SpectrumResult {
  int status = kSpectrumOk;
  std::vector<float> frequency;  // k / (2 m dt), k = 0..m (spectra only)
  SeriesSpectrum first;
  SeriesSpectrum second;         // cross spectrum only
  CrossSpectrum cross;           // cross spectrum only
};

// Spectrum of x(0..n-1), or for a cross spectrum of x(0..n-1) and
// x(n..2n-1) in one call. x is changed: the mean is subtracted in place
// (without keep_trend) and prewhitening overwrites it. On a bad size or
// parameter only the status is set.
SpectrumResult ftfreq(std::span<float> x, const SpectrumOptions& options);

// The spectra of several series with the same options in one call: each
// result is what ftfreq gives for that series alone, but every cosine of the
// transform is taken once for all the series.
std::vector<SpectrumResult> ftfreq(std::span<const std::span<float>> series, const SpectrumOptions& options);

struct AutoCorrelation {
  float mean = 0.0f;
  float variance = 0.0f;                // divisor n
  std::vector<float> autocovariance;    // lags 1..max_lag, divisor n
  std::vector<float> autocorrelation;   // option >= 4
  std::vector<float> partial;           // option >= 6, lags 1..partial_lag
};

// Mean and variance (odd option; otherwise the given ones are used), lagged
// covariances about the mean, autocorrelations (option >= 4) and partial
// autocorrelations by the Durbin-Levinson recursion (option >= 6). Sums in
// double precision.
AutoCorrelation ftauto(std::span<const float> x, int max_lag, int partial_lag, int option, float mean = 0.0f,
                       float variance = 0.0f);

// Writes a spectrum table as tab-separated text: a header, then per row a
// running count from `first` and every column of the row. Column 0 is the
// frequency; the others are labelled in groups of four (power, density, null
// continuum, 95% confidence limit) with the group number.
void tabit(const Matrix& table, int rows, int first, TextOutput& out);

}  // namespace qb
