#include "detrend/blackman_tukey.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/detrend/real_chronology.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

SpectrumOptions auto_spectrum(int n, int m) {
  SpectrumOptions options;
  options.n = n;
  options.max_lag = m;
  return options;
}

TEST(Spectrum, SmallestSeriesByHand) {
  std::vector<float> x{1, 2, 3, 4};
  const SpectrumResult s = ftfreq(x, auto_spectrum(4, 3));
  ASSERT_EQ(s.status, kSpectrumOk);
  EXPECT_FLOAT_EQ(s.first.mean, 2.5f);
  EXPECT_FLOAT_EQ(s.first.variance, 1.25f);
  ASSERT_EQ(s.first.autocovariance.size(), 3u);
  EXPECT_NEAR(s.first.autocovariance[0], 0.416667f, 1e-6f);  // divisor n - k
  EXPECT_FLOAT_EQ(s.first.autocovariance[1], -0.75f);
  EXPECT_FLOAT_EQ(s.first.autocovariance[2], -2.25f);
  EXPECT_EQ(s.frequency, (std::vector<float>{0.0f, 1.0f / 6.0f, 1.0f / 3.0f, 0.5f}));
  ASSERT_EQ(s.first.spectrum.size(), 4u);
  EXPECT_NEAR(s.first.spectrum[0], 0.396826f, 2e-6f);
  EXPECT_NEAR(s.first.spectrum[1], 0.631315f, 2e-6f);
  EXPECT_NEAR(s.first.spectrum[2], 0.312474f, 2e-6f);
  EXPECT_NEAR(s.first.spectrum[3], 0.102920f, 2e-6f);
  // The mean is removed from the caller's series.
  EXPECT_EQ(x, (std::vector<float>{-1.5f, -0.5f, 0.5f, 1.5f}));
}

TEST(Spectrum, RejectsBadSizesAndParameters) {
  std::vector<float> x{1, 2, 3, 4, 5};
  EXPECT_EQ(ftfreq(x, auto_spectrum(5, 5)).status, kSpectrumBadSize);
  EXPECT_EQ(ftfreq(x, auto_spectrum(5, 2)).status, kSpectrumBadSize);
  EXPECT_EQ(ftfreq(x, auto_spectrum(3, 3)).status, kSpectrumBadSize);
  EXPECT_EQ(ftfreq(x, auto_spectrum(6, 3)).status, kSpectrumBadSize);  // fewer values than n
  SpectrumOptions options = auto_spectrum(5, 3);
  options.dt = 0.0f;
  EXPECT_EQ(ftfreq(x, options).status, kSpectrumBadParameter);
  options.dt = 1.0f;
  options.prewhiten = true;
  options.prewhitening = 1.0f;
  EXPECT_EQ(ftfreq(x, options).status, kSpectrumBadParameter);
  options.cross = true;
  options.prewhitening = 0.5f;
  std::vector<float> two(10, 1.0f);
  EXPECT_EQ(ftfreq(two, options).status, kSpectrumBadSize);
  // Nothing is computed, and the series is left alone.
  const SpectrumResult rejected = ftfreq(x, auto_spectrum(5, 5));
  EXPECT_TRUE(rejected.first.spectrum.empty());
  EXPECT_EQ(x, (std::vector<float>{1, 2, 3, 4, 5}));
}

TEST(Spectrum, PeaksAtTheFrequencyOfACycleAndIsZeroForAConstant) {
  const double pi = 3.14159265358979323846;
  std::vector<float> cycle(300);
  for (int t = 0; t < 300; ++t) cycle[t] = static_cast<float>(1.0 + 0.2 * std::sin(2.0 * pi * t / 10.0));
  const SpectrumResult s = ftfreq(cycle, auto_spectrum(300, 100));
  ASSERT_EQ(s.status, kSpectrumOk);
  const auto peak = std::max_element(s.first.spectrum.begin(), s.first.spectrum.end()) - s.first.spectrum.begin();
  EXPECT_FLOAT_EQ(s.frequency[peak], 0.1f);
  for (float v : s.first.spectrum) EXPECT_TRUE(std::isfinite(v));

  std::vector<float> constant(50, 0.8f);
  for (float v : ftfreq(constant, auto_spectrum(50, 16)).first.spectrum) EXPECT_EQ(v, 0.0f);
}

TEST(Spectrum, TrendOptionKeepsTheMeanAndFindsTheSlope) {
  std::vector<float> line(90);
  for (int t = 0; t < 90; ++t) line[t] = 2.0f + 0.5f * static_cast<float>(t);
  SpectrumOptions options = auto_spectrum(90, 30);
  options.keep_trend = true;
  const SpectrumResult s = ftfreq(line, options);
  ASSERT_EQ(s.status, kSpectrumOk);
  EXPECT_FLOAT_EQ(line[0], 2.0f);  // not centred
  EXPECT_FLOAT_EQ(s.first.trend_slope, 0.5f);
  // A straight line leaves (almost) no variance once its trend is removed:
  // var - b^2 n^2 / 12 = -b^2 / 12.
  EXPECT_NEAR(s.first.variance, -0.25f / 12.0f, 0.02f);
}

TEST(Spectrum, PrewhiteningAndCrossSpectrum) {
  std::mt19937 generator(4);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  const double pi = 3.14159265358979323846;
  const int n = 400;
  std::vector<float> both(2 * n);
  for (int t = 0; t < n; ++t) {
    both[t] = static_cast<float>(std::sin(2.0 * pi * t / 20.0)) + 0.3f * noise(generator);
    // The second series lags the first by two years.
    both[n + t] = static_cast<float>(std::sin(2.0 * pi * (t - 2) / 20.0)) + 0.3f * noise(generator);
  }
  std::vector<float> first(both.begin(), both.begin() + n);
  std::vector<float> second(both.begin() + n, both.end());
  SpectrumOptions options = auto_spectrum(n, 60);
  options.cross = true;
  const SpectrumResult s = ftfreq(both, options);
  ASSERT_TRUE(s.status == kSpectrumOk || s.status == kSpectrumCoherencyClipped);
  // Both auto spectra are those of single-series calls, and so are those of
  // one call for several series.
  std::vector<float> first_copy = first;
  std::vector<float> second_copy = second;
  const std::span<float> pair[] = {first_copy, second_copy};
  const std::vector<SpectrumResult> several = ftfreq(pair, auto_spectrum(n, 60));
  EXPECT_EQ(s.first.spectrum, ftfreq(first, auto_spectrum(n, 60)).first.spectrum);
  EXPECT_EQ(s.second.spectrum, ftfreq(second, auto_spectrum(n, 60)).first.spectrum);
  ASSERT_EQ(several.size(), 2u);
  EXPECT_EQ(several[0].first.spectrum, s.first.spectrum);
  EXPECT_EQ(several[1].first.spectrum, s.second.spectrum);
  EXPECT_EQ(several[1].frequency, s.frequency);
  ASSERT_EQ(s.cross.covariance.size(), 121u);
  const int peak = 6;  // 6 / 120 = 0.05 cycles per year
  EXPECT_FLOAT_EQ(s.frequency[peak], 0.05f);
  EXPECT_GT(s.cross.coherency[peak], 0.9f);
  EXPECT_NEAR(s.cross.phase[peak], 0.1f, 0.02f);  // two years of a 20-year cycle
  EXPECT_GT(s.cross.covariance[60 + 2], s.cross.covariance[60 - 2]);
  for (std::size_t k = 0; k < s.cross.coherency.size(); ++k) {
    EXPECT_GE(s.cross.coherency[k], 0.0f);
    EXPECT_LE(s.cross.coherency[k], 1.0f);
    EXPECT_GE(s.cross.phase[k], 0.0f);
    EXPECT_LT(s.cross.phase[k], 1.0f);
  }

  // Prewhitening a first-order autoregressive series with its own
  // coefficient and recolouring gives back a spectrum of the same shape.
  std::vector<float> red(n);
  red[0] = noise(generator);
  for (int t = 1; t < n; ++t) red[t] = 0.6f * red[t - 1] + noise(generator);
  std::vector<float> copy = red;
  SpectrumOptions white = auto_spectrum(n, 40);
  white.prewhiten = true;
  white.prewhitening = 0.6f;
  const SpectrumResult whitened = ftfreq(copy, white);
  const SpectrumResult plain = ftfreq(red, auto_spectrum(n, 40));
  ASSERT_EQ(whitened.status, kSpectrumOk);
  EXPECT_GT(whitened.first.spectrum[0], whitened.first.spectrum[40]);
  EXPECT_NEAR(std::log(whitened.first.spectrum[0] / whitened.first.spectrum[40]),
              std::log(plain.first.spectrum[0] / plain.first.spectrum[40]), 1.0);
}

TEST(Spectrum, RealChronologyAsTheProgramsAskForIt) {
  // The years of depth >= 5, maximum lag n / 3, mean removed, dt = 1.
  const qb::testing::IndexSet set = qb::testing::co021_ratio_indices();
  std::vector<float> series;
  for (std::size_t r = 0; r < set.chronology.size(); ++r) {
    if (set.depth[r] >= 5) series.push_back(set.chronology[r]);
  }
  const int n = static_cast<int>(series.size());
  const int m = n <= 1000 ? n / 3 : n / 5;
  const SpectrumResult s = ftfreq(series, auto_spectrum(n, m));
  ASSERT_EQ(s.status, kSpectrumOk);
  ASSERT_EQ(s.first.spectrum.size(), static_cast<std::size_t>(m + 1));
  EXPECT_EQ(s.frequency.front(), 0.0f);
  EXPECT_EQ(s.frequency.back(), 0.5f);
  double power = 0.0;
  for (float v : s.first.spectrum) {
    ASSERT_TRUE(std::isfinite(v));
    power += v;
  }
  // The estimates integrate to the variance: c0 = (pi / m) * sum, with the
  // two ends halved.
  power -= 0.5 * (s.first.spectrum.front() + s.first.spectrum.back());
  EXPECT_NEAR(power * 3.14159265 / m, s.first.variance, 0.02 * s.first.variance);

  // Bit for bit: the raw estimates are stored in single precision and the
  // Hamming weights applied to those stored values.
  const double pi = static_cast<double>(3.1415927f);
  std::vector<float> raw(m + 1);
  for (int k = 0; k <= m; ++k) {
    double sum = 0.5 * s.first.variance;
    for (int j = 1; j < m; ++j) sum += s.first.autocovariance[j - 1] * std::cos(static_cast<double>(j) * k * (pi / m));
    sum += 0.5 * s.first.autocovariance[m - 1] * std::cos(k * pi);
    raw[k] = static_cast<float>(2.0 / pi * sum);
  }
  std::vector<float> smooth(m + 1);
  smooth[0] = static_cast<float>(0.54 * raw[0] + 0.46 * raw[1]);
  for (int k = 1; k < m; ++k) smooth[k] = static_cast<float>(0.23 * (double{raw[k - 1]} + raw[k + 1]) + 0.54 * raw[k]);
  smooth[m] = static_cast<float>(0.46 * raw[m - 1] + 0.54 * raw[m]);
  EXPECT_EQ(s.first.spectrum, smooth);
}

TEST(AutoCorrelation, MomentsAndPartialAutocorrelations) {
  std::mt19937 generator(12);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  std::vector<float> x(20000);
  x[0] = 0.0f;
  for (std::size_t t = 1; t < x.size(); ++t) x[t] = 0.6f * x[t - 1] + noise(generator);
  const AutoCorrelation a = ftauto(x, 5, 3, 7);
  ASSERT_EQ(a.autocorrelation.size(), 5u);
  ASSERT_EQ(a.partial.size(), 3u);
  EXPECT_NEAR(a.autocorrelation[0], 0.6f, 0.03f);
  EXPECT_NEAR(a.autocorrelation[1], 0.36f, 0.03f);
  EXPECT_NEAR(a.partial[0], a.autocorrelation[0], 1e-6f);
  EXPECT_NEAR(a.partial[1], 0.0f, 0.03f);
  EXPECT_NEAR(a.partial[2], 0.0f, 0.03f);
  // An even option takes the mean given.
  const std::vector<float> y{1, 2, 3, 4};
  const AutoCorrelation raw = ftauto(y, 1, 0, 2, 0.0f);
  EXPECT_FLOAT_EQ(raw.autocovariance[0], (2.0f + 6.0f + 12.0f) / 4.0f);
  // Bit for bit the plain sum over t in order, for every lag up to n - 1
  // (lags are summed several at a time; the shorter ones end first).
  const std::vector<float> z(x.begin(), x.begin() + 23);
  const AutoCorrelation all = ftauto(z, 22, 0, 1);
  ASSERT_EQ(all.autocovariance.size(), 22u);
  for (int k = 1; k <= 22; ++k) {
    double sum = 0.0;
    for (int t = 0; t < 23 - k; ++t) sum += (static_cast<double>(z[t]) - all.mean) * (static_cast<double>(z[t + k]) - all.mean);
    EXPECT_EQ(all.autocovariance[k - 1], static_cast<float>(sum / 23)) << k;
  }
}

TEST(SpectrumTable, TabSeparatedLayout) {
  qb::testing::ScratchDirectory scratch;
  Matrix table(2, 5, 0.0f);
  table(0, 0) = 0.0f;
  table(1, 0) = 0.05f;
  for (int c = 1; c < 5; ++c) table(1, c) = 1.5f * c;
  auto out = TextOutput::create(scratch.file("table.txt"));
  tabit(table, 2, 1, *out);
  out->close();
  const auto lines = qb::testing::lines_of(qb::testing::read_file(scratch.file("table.txt")));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], " ncnt\t     freq\t power#01\t  dens#01\t  null#01\t95% cl#01\t");
  EXPECT_EQ(lines[1], "    1\t  0.00000\t  0.00000\t  0.00000\t  0.00000\t  0.00000\t");
  EXPECT_EQ(lines[2], "    2\t  0.05000\t  1.50000\t  3.00000\t  4.50000\t  6.00000\t");
}

}  // namespace
}  // namespace qb
