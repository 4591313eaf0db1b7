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

// Cosine (or sine) transform of lags 0..m at the m + 1 frequencies k pi / m,
// with the end lag halved; `zero` and `lag(j)` are the lag values.
template <class Lag>
std::vector<double> transform(int m, float dt, double zero, Lag lag, bool sine) {
  const double w = kPi / m;
  const double scale = 2.0 * dt / kPi;
  std::vector<double> raw(m + 1);
  for (int k = 0; k <= m; ++k) {
    double sum = sine ? 0.0 : 0.5 * zero;
    for (int j = 1; j < m; ++j) {
      const double angle = static_cast<double>(j) * k * w;
      sum += lag(j) * (sine ? std::sin(angle) : std::cos(angle));
    }
    const double end_angle = k * kPi;
    sum += 0.5 * lag(m) * (sine ? std::sin(end_angle) : std::cos(end_angle));
    // Stored in single precision, as the smoothed estimates are.
    raw[k] = static_cast<float>(scale * sum);
  }
  return raw;
}

// Steps shared by both series: mean, variance, covariances, trend
// correction and, when asked, the smoothed spectrum.
SeriesSpectrum analyse(std::span<float> x, const SpectrumOptions& options) {
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
  if (options.spectrum >= 0) {
    const auto& c = result.autocovariance;
    result.spectrum = hamming(transform(m, dt, result.variance, [&](int j) { return static_cast<double>(c[j - 1]); }, false));
    if (options.prewhiten) {
      const double r = options.prewhitening;
      const double w = kPi / m;
      for (int k = 0; k <= m; ++k) {
        result.spectrum[k] = static_cast<float>(result.spectrum[k] / (1.0 - 2.0 * r * std::cos(k * w) + r * r));
      }
    }
  }
  return result;
}

void cross_spectrum(std::span<const float> x, std::span<const float> y, const SpectrumOptions& options,
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
  if (options.spectrum < 0) return;
  const auto& c = cross.covariance;
  const auto even = [&](int j) { return 0.5 * (static_cast<double>(c[m + j]) + c[m - j]); };
  const auto odd = [&](int j) { return 0.5 * (static_cast<double>(c[m + j]) - c[m - j]); };
  cross.co = hamming(transform(m, dt, c[m], even, false));
  cross.quadrature = hamming(transform(m, dt, 0.0, odd, true));
  if (options.spectrum == 0) return;
  const int count = m + 1;
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
  for (int k = 1; k <= max_lag; ++k) {
    double sum = 0.0;
    for (int t = 0; t < n - k; ++t) {
      sum += (static_cast<double>(x[t]) - result.mean) * (static_cast<double>(x[t + k]) - result.mean);
    }
    result.autocovariance[k - 1] = static_cast<float>(sum / n);
  }
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

SpectrumResult ftfreq(std::span<float> x, const SpectrumOptions& options) {
  SpectrumResult result;
  const int n = options.n;
  const int m = options.max_lag;
  const std::size_t needed = static_cast<std::size_t>(std::max(n, 0)) * (options.cross ? 2 : 1);
  if (n < 4 || m < 3 || m >= n || x.size() < needed || (options.cross && options.prewhiten && options.spectrum >= 0)) {
    result.status = kSpectrumBadSize;
    return result;
  }
  if (!(options.dt > 0.0f) || (options.prewhiten && !(std::fabs(options.prewhitening) < 1.0f))) {
    result.status = kSpectrumBadParameter;
    return result;
  }
  const std::span<float> first = x.subspan(0, n);
  result.first = analyse(first, options);
  if (options.spectrum >= 0) {
    result.frequency.resize(m + 1);
    for (int k = 0; k <= m; ++k) {
      result.frequency[k] = static_cast<float>(k) / (2.0f * static_cast<float>(m) * options.dt);
    }
  }
  if (options.cross) {
    const std::span<float> second = x.subspan(n, n);
    result.second = analyse(second, options);
    cross_spectrum(first, second, options, result);
  }
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
