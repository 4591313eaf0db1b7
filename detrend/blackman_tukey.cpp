#include "detrend/blackman_tukey.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

namespace qb {
namespace {

// Pi as the single-precision constant of the method; angles and cosines are
// then taken in double precision.
constexpr double kPi = static_cast<double>(3.1415927f);
constexpr double kHammingSide = 0.23;
constexpr double kHammingCentre = 0.54;
constexpr double kHammingEnd = 0.46;

// Replaces x by x(t+1) - r x(t); the last value becomes r x(n) - x(1).
void prewhiten(std::span<float> x, float r) {
  const std::size_t n = x.size();
  const float first = x[0];
  for (std::size_t t = 0; t + 1 < n; ++t) x[t] = x[t + 1] - r * x[t];
  x[n - 1] = r * x[n - 1] - first;
}

// Hamming smoothing, each estimate from its unsmoothed neighbours.
std::vector<float> hamming(const std::vector<double>& raw) {
  const std::size_t last = raw.size() - 1;
  std::vector<float> smooth(raw.size());
  smooth[0] = static_cast<float>(kHammingCentre * raw[0] + kHammingEnd * raw[1]);
  for (std::size_t i = 1; i < last; ++i) {
    smooth[i] = static_cast<float>(kHammingSide * (raw[i - 1] + raw[i + 1]) + kHammingCentre * raw[i]);
  }
  smooth[last] = static_cast<float>(kHammingEnd * raw[last - 1] + kHammingCentre * raw[last]);
  return smooth;
}

// The lag values of one transform: lag[j] for j = 1..m, and the value at lag
// 0 (the cosine transform starts from half of it).
struct LagValues {
  double zero = 0.0;
  std::vector<double> lag;
};

// Cosine (or sine) transforms of lags 0..m at the m + 1 frequencies k pi / m,
// with the end lag halved, of several lag sequences at once. Each sequence is
// summed over the lags in the same order as it would be alone, but every
// cosine is taken once: it serves every sequence, and since the product j k
// is exact, the angle of lag j at frequency k is also that of lag k at
// frequency j, so below frequency m only j <= k is taken and serves both.
std::vector<std::vector<double>> transform(int m, float dt, std::span<const LagValues> sequences, bool sine) {
  const double w = kPi / m;
  const double scale = 2.0 * dt / kPi;
  const auto size = static_cast<std::size_t>(m) + 1;
  const auto trig = [sine](double angle) { return sine ? std::sin(angle) : std::cos(angle); };
  // sums[s][k]: the running sum of sequence s at frequency k.
  std::vector<std::vector<double>> sums;
  sums.reserve(sequences.size());
  for (const LagValues& sequence : sequences) sums.emplace_back(size, sine ? 0.0 : 0.5 * sequence.zero);
  std::vector<double> row(size);  // the angles' cosines of one frequency, by lag
  // Adds the terms of lags 1..last at frequency k, in lag order, from `row`.
  const auto add_terms = [&](int k, int last) {
    for (std::size_t s = 0; s < sums.size(); ++s) {
      const double* lag = sequences[s].lag.data();
      double sum = sums[s][k];
      for (int j = 1; j <= last; ++j) sum += lag[j] * row[j];
      sums[s][k] = sum;
    }
  };
  for (int k : {0, m}) {
    for (int j = 1; j < m; ++j) row[j] = trig(static_cast<double>(j) * k * w);
    add_terms(k, m - 1);
  }
  for (int k = 1; k < m; ++k) {
    for (int j = 1; j <= k; ++j) row[j] = trig(static_cast<double>(j) * k * w);
    add_terms(k, k);
    // Lag k of every lower frequency j: the lags below k are already in.
    for (std::size_t s = 0; s < sums.size(); ++s) {
      const double lag_k = sequences[s].lag[k];
      double* sum = sums[s].data();
      for (int j = 1; j < k; ++j) sum[j] += lag_k * row[j];
    }
  }
  for (int k = 0; k <= m; ++k) {
    const double end = trig(k * kPi);
    for (std::size_t s = 0; s < sums.size(); ++s) {
      const double total = sums[s][k] + 0.5 * sequences[s].lag[m] * end;
      // Stored in single precision, as the smoothed estimates are.
      sums[s][k] = static_cast<float>(scale * total);
    }
  }
  return sums;
}

// Steps shared by every series before its spectrum: prewhitening, mean,
// variance, covariances and the trend correction.
SeriesSpectrum covariances(std::span<float> x, const SpectrumOptions& options) {
  const int n = options.n;
  const int m = options.max_lag;
  const float dt = options.dt;
  SeriesSpectrum result;
  if (options.prewhiten) prewhiten(x, options.prewhitening);
  const AutoCorrelation moments = ftauto(x, 0, 0, 1);
  result.mean = moments.mean;
  result.variance = moments.variance;
  if (!options.keep_trend) {
    for (float& v : x) v -= result.mean;
  } else {
    result.variance = result.variance + result.mean * result.mean;
  }
  const AutoCorrelation products = ftauto(x, m, 0, 2, 0.0f);
  result.autocovariance.resize(m);
  for (int k = 1; k <= m; ++k) {
    result.autocovariance[k - 1] =
        static_cast<float>(static_cast<double>(products.autocovariance[k - 1]) * n / (n - k));
  }
  if (options.keep_trend) {
    // Slope from the means of the first and last thirds; the covariances of
    // a straight line are then removed analytically.
    const int q = (n + 2) / 3;
    float head = 0.0f;
    float tail = 0.0f;
    for (int t = 0; t < q; ++t) {
      head += x[t];
      tail += x[n - q + t];
    }
    const float b = (tail - head) / (dt * static_cast<float>(n - q) * static_cast<float>(q));
    const float mean_square = result.mean * result.mean;
    const float fn = static_cast<float>(n);
    result.trend_slope = b;
    result.variance = result.variance - mean_square - b * b * fn * fn * dt * dt / 12.0f;
    for (int k = 1; k <= m; ++k) {
      const float shape = static_cast<float>((n - 2 * k) * n - 2 * k * k);
      result.autocovariance[k - 1] = result.autocovariance[k - 1] - mean_square - (b * b / 12.0f) * shape * dt * dt;
    }
  }
  return result;
}

LagValues auto_lags(const SeriesSpectrum& series) {
  LagValues values;
  values.zero = series.variance;
  values.lag.resize(series.autocovariance.size() + 1);
  for (std::size_t j = 1; j < values.lag.size(); ++j) values.lag[j] = series.autocovariance[j - 1];
  return values;
}

// The smoothed spectrum from a raw transform, with the prewhitening filter
// divided out.
std::vector<float> smoothed_spectrum(const std::vector<double>& raw, const SpectrumOptions& options) {
  std::vector<float> spectrum = hamming(raw);
  if (options.prewhiten) {
    const int m = options.max_lag;
    const double r = options.prewhitening;
    const double w = kPi / m;
    for (int k = 0; k <= m; ++k) {
      spectrum[k] = static_cast<float>(spectrum[k] / (1.0 - 2.0 * r * std::cos(k * w) + r * r));
    }
  }
  return spectrum;
}

// Cross-covariances of x and y (after their own covariance steps).
void cross_covariances(std::span<const float> x, std::span<const float> y, const SpectrumOptions& options,
                       SpectrumResult& result) {
  const int n = options.n;
  const int m = options.max_lag;
  const float dt = options.dt;
  CrossSpectrum& cross = result.cross;
  cross.covariance.resize(2 * m + 1);
  const float mean_product = result.first.mean * result.second.mean;
  const float slope_product = result.first.trend_slope * result.second.trend_slope;
  for (int k = -m; k <= m; ++k) {
    const int lag = std::abs(k);
    double sum = 0.0;
    for (int t = 0; t < n - lag; ++t) sum += k >= 0 ? static_cast<double>(x[t]) * y[t + lag] : static_cast<double>(x[t + lag]) * y[t];
    float c = static_cast<float>(sum / (n - lag));
    if (options.keep_trend) {
      const float shape = static_cast<float>((n - 2 * lag) * n - 2 * lag * lag);
      c = c - mean_product - (slope_product / 12.0f) * shape * dt * dt;
    }
    cross.covariance[k + m] = c;
  }
}

// Amplitude, phase, gains and coherency from the co- and quadrature spectra
// and both auto spectra.
void cross_spectrum(const SpectrumOptions& options, SpectrumResult& result) {
  CrossSpectrum& cross = result.cross;
  const int count = options.max_lag + 1;
  cross.amplitude.resize(count);
  cross.phase.resize(count);
  cross.gain_first.resize(count);
  cross.gain_second.resize(count);
  cross.coherency.resize(count);
  for (int k = 0; k < count; ++k) {
    const double co = cross.co[k];
    const double quad = cross.quadrature[k];
    const double amplitude = std::sqrt(co * co + quad * quad);
    const double sx = result.first.spectrum[k];
    const double sy = result.second.spectrum[k];
    cross.amplitude[k] = static_cast<float>(amplitude);
    cross.gain_first[k] = sx > 0.0 ? static_cast<float>(amplitude / sx) : 0.0f;
    cross.gain_second[k] = sy > 0.0 ? static_cast<float>(amplitude / sy) : 0.0f;
    double coherency = sx * sy > 0.0 ? amplitude * amplitude / (sx * sy) : 0.0;
    if (coherency < 0.0) coherency = 0.0;
    if (coherency > 1.0) {
      coherency = 1.0;
      result.status = kSpectrumCoherencyClipped;
    }
    cross.coherency[k] = static_cast<float>(coherency);
    double phase;
    if (co == 0.0) {
      phase = quad >= 0.0 ? 0.25 : 0.75;
    } else {
      phase = std::atan(quad / co) / (2.0 * kPi);
      if (co < 0.0) phase += 0.5;
      if (phase < 0.0) phase += 1.0;
    }
    cross.phase[k] = static_cast<float>(phase);
  }
}

// kSpectrumOk, or why a call with `values` values cannot run.
int check_call(const SpectrumOptions& options, std::size_t values) {
  const int n = options.n;
  const int m = options.max_lag;
  const std::size_t needed = static_cast<std::size_t>(std::max(n, 0)) * (options.cross ? 2 : 1);
  if (n < 4 || m < 3 || m >= n || values < needed || (options.cross && options.prewhiten && options.spectrum >= 0)) {
    return kSpectrumBadSize;
  }
  if (!(options.dt > 0.0f) || (options.prewhiten && !(std::fabs(options.prewhitening) < 1.0f))) {
    return kSpectrumBadParameter;
  }
  return kSpectrumOk;
}

std::vector<float> frequencies(const SpectrumOptions& options) {
  const int m = options.max_lag;
  std::vector<float> frequency(static_cast<std::size_t>(m) + 1);
  for (int k = 0; k <= m; ++k) frequency[k] = static_cast<float>(k) / (2.0f * static_cast<float>(m) * options.dt);
  return frequency;
}

}  // namespace

AutoCorrelation ftauto(std::span<const float> x, int max_lag, int partial_lag, int option, float mean,
                       float variance) {
  AutoCorrelation result;
  const int n = static_cast<int>(x.size());
  result.mean = mean;
  result.variance = variance;
  if (n < 1) return result;
  if (option % 2 != 0) {
    double sum = 0.0;
    for (float v : x) sum += v;
    result.mean = static_cast<float>(sum / n);
    double squares = 0.0;
    for (float v : x) squares += (static_cast<double>(v) - result.mean) * (static_cast<double>(v) - result.mean);
    result.variance = static_cast<float>(squares / n);
  }
  max_lag = std::max(0, std::min(max_lag, n - 1));
  result.autocovariance.resize(max_lag);
  std::vector<double> d(static_cast<std::size_t>(n));
  for (int t = 0; t < n; ++t) d[t] = static_cast<double>(x[t]) - result.mean;
  const auto lag_sum = [&](int k, int from, double sum) {
    for (int t = from; t < n - k; ++t) sum += d[t] * d[t + k];
    return sum;
  };
  // Four lags at a time: four independent sums, each still taken over t in
  // order, keep the processor busy where one sum would wait on its last
  // addition.
  int k = 1;
  for (; k + 3 <= max_lag; k += 4) {
    const int common = n - k - 3;  // terms every one of the four lags has
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (int t = 0; t < common; ++t) {
      const double a = d[t];
      s0 += a * d[t + k];
      s1 += a * d[t + k + 1];
      s2 += a * d[t + k + 2];
      s3 += a * d[t + k + 3];
    }
    result.autocovariance[k - 1] = static_cast<float>(lag_sum(k, common, s0) / n);
    result.autocovariance[k] = static_cast<float>(lag_sum(k + 1, common, s1) / n);
    result.autocovariance[k + 1] = static_cast<float>(lag_sum(k + 2, common, s2) / n);
    result.autocovariance[k + 2] = static_cast<float>(s3 / n);
  }
  for (; k <= max_lag; ++k) result.autocovariance[k - 1] = static_cast<float>(lag_sum(k, 0, 0.0) / n);
  if (option < 4) return result;
  result.autocorrelation.resize(max_lag);
  for (int k = 0; k < max_lag; ++k) {
    result.autocorrelation[k] = result.variance > 0.0f ? result.autocovariance[k] / result.variance : 0.0f;
  }
  if (option < 6) return result;
  // Durbin-Levinson: phi(k,k) = (rho(k) - sum phi(k-1,j) rho(k-j)) /
  // (1 - sum phi(k-1,j) rho(j)); phi(k,j) = phi(k-1,j) - phi(k,k) phi(k-1,k-j).
  partial_lag = std::max(0, std::min(partial_lag, max_lag));
  result.partial.assign(partial_lag, 0.0f);
  std::vector<double> phi(partial_lag + 1, 0.0);
  std::vector<double> previous(partial_lag + 1, 0.0);
  const auto rho = [&](int k) { return static_cast<double>(result.autocorrelation[k - 1]); };
  for (int k = 1; k <= partial_lag; ++k) {
    double numerator = rho(k);
    double denominator = 1.0;
    for (int j = 1; j < k; ++j) {
      numerator -= previous[j] * rho(k - j);
      denominator -= previous[j] * rho(j);
    }
    // A perfectly predictable series leaves nothing for later lags.
    if (denominator == 0.0) break;
    phi[k] = numerator / denominator;
    for (int j = 1; j < k; ++j) phi[j] = previous[j] - phi[k] * previous[k - j];
    result.partial[k - 1] = static_cast<float>(phi[k]);
    previous = phi;
  }
  return result;
}

std::vector<SpectrumResult> ftfreq(std::span<const std::span<float>> series, const SpectrumOptions& options) {
  std::vector<SpectrumResult> results;
  results.reserve(series.size());
  if (options.cross) {
    for (const std::span<float>& x : series) results.push_back(ftfreq(x, options));
    return results;
  }
  results.resize(series.size());
  std::vector<LagValues> lags;
  std::vector<std::size_t> with_spectrum;
  for (std::size_t i = 0; i < series.size(); ++i) {
    SpectrumResult& result = results[i];
    result.status = check_call(options, series[i].size());
    if (result.status != kSpectrumOk) continue;
    result.first = covariances(series[i].first(static_cast<std::size_t>(options.n)), options);
    if (options.spectrum < 0) continue;
    lags.push_back(auto_lags(result.first));
    with_spectrum.push_back(i);
  }
  if (lags.empty()) return results;
  const std::vector<std::vector<double>> raw = transform(options.max_lag, options.dt, lags, false);
  for (std::size_t q = 0; q < with_spectrum.size(); ++q) {
    SpectrumResult& result = results[with_spectrum[q]];
    result.frequency = frequencies(options);
    result.first.spectrum = smoothed_spectrum(raw[q], options);
  }
  return results;
}

SpectrumResult ftfreq(std::span<float> x, const SpectrumOptions& options) {
  if (!options.cross) return std::move(ftfreq(std::span<const std::span<float>>(&x, 1), options).front());
  SpectrumResult result;
  result.status = check_call(options, x.size());
  if (result.status != kSpectrumOk) return result;
  const auto n = static_cast<std::size_t>(options.n);
  const int m = options.max_lag;
  const std::span<float> first = x.subspan(0, n);
  const std::span<float> second = x.subspan(n, n);
  result.first = covariances(first, options);
  result.second = covariances(second, options);
  cross_covariances(first, second, options, result);
  if (options.spectrum < 0) return result;
  result.frequency = frequencies(options);
  // The co-spectrum is the cosine transform of the even part of the
  // cross-covariances, the quadrature spectrum the sine transform of the odd
  // part; the cosines serve both auto spectra and the co-spectrum.
  const auto& c = result.cross.covariance;
  LagValues even;
  LagValues odd;
  even.zero = c[m];
  even.lag.resize(static_cast<std::size_t>(m) + 1);
  odd.lag.resize(static_cast<std::size_t>(m) + 1);
  for (int j = 1; j <= m; ++j) {
    even.lag[j] = 0.5 * (static_cast<double>(c[m + j]) + c[m - j]);
    odd.lag[j] = 0.5 * (static_cast<double>(c[m + j]) - c[m - j]);
  }
  const LagValues cosine_lags[] = {auto_lags(result.first), auto_lags(result.second), std::move(even)};
  const std::vector<std::vector<double>> raw = transform(m, options.dt, cosine_lags, false);
  result.first.spectrum = smoothed_spectrum(raw[0], options);
  result.second.spectrum = smoothed_spectrum(raw[1], options);
  result.cross.co = hamming(raw[2]);
  const LagValues sine_lags[] = {std::move(odd)};
  result.cross.quadrature = hamming(transform(m, options.dt, sine_lags, true)[0]);
  if (options.spectrum > 0) cross_spectrum(options, result);
  return result;
}

void tabit(const Matrix& table, int rows, int first, TextOutput& out) {
  const char* const kLabels[] = {" power#", "  dens#", "  null#", "95% cl#"};
  std::string header = " ncnt\t     freq\t";
  for (int c = 1; c < table.cols(); ++c) {
    const int group = (c - 1) / 4 + 1;
    std::string label = format_record("(a,2i1,$)", kLabels[(c - 1) % 4], group / 10, group % 10);
    header += label + "\t";
  }
  out.write("(a)", header);
  rows = std::min(rows, table.rows());
  for (int r = 0; r < rows; ++r) {
    std::string line = format_record("(i5,$)", first + r) + "\t";
    for (int c = 0; c < table.cols(); ++c) line += format_record("(f9.5,$)", table(r, c)) + "\t";
    out.write("(a)", line);
  }
}

}  // namespace qb
