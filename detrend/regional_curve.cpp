#include "detrend/regional_curve.hpp"

#include <algorithm>
#include <cstddef>

#include "platform/bounds.hpp"

namespace qb {

RegionalCurve rcurve(const Matrix& x, std::span<const SeriesSpan> spans, std::span<const int> offsets,
                     RegionalCurveOptions& options) {
  RegionalCurve result;
  const int nser = static_cast<int>(spans.size());
  auto length_of = [&](int i) { return std::max(0, spans[i].last_year - spans[i].first_year + 1); };

  int shift = 0;
  if (options.pith_shift && nser > 0) shift = *std::min_element(offsets.begin(), offsets.begin() + nser);

  // Mean by biological age; the first measured ring of a series is one year
  // older than its pith offset.
  int ncurve = 0;
  for (int i = 0; i < nser; ++i) ncurve = std::max(ncurve, offsets[i] + length_of(i));
  if (ncurve < 1) return result;
  std::vector<float> sum(static_cast<std::size_t>(ncurve), 0.0f);
  std::vector<int> count(static_cast<std::size_t>(ncurve), 0);
  for (int i = 0; i < nser; ++i) {
    const int length = length_of(i);
    for (int j = 0; j < length; ++j) {
      const std::size_t age = static_cast<std::size_t>(offsets[i] + j);  // 0-based
      sum[age] += x(j, i);
      count[age] += 1;
    }
  }
  const int n = ncurve - shift;
  std::vector<float> mean(static_cast<std::size_t>(std::max(n, 0)), kMissing);
  for (int a = 0; a < n; ++a) {
    const std::size_t age = static_cast<std::size_t>(a + shift);
    if (count[age] > 0) mean[a] = sum[age] / static_cast<float>(count[age]);
  }
  if (n < 1) return result;

  const int cutoff = options.cutoff_age;
  const bool cut = cutoff >= 1 && cutoff <= n;
  int nfit = cut ? cutoff : n;
  std::vector<float> fit(static_cast<std::size_t>(n), kMissing);
  detrend2(mean, fit, nfit, result.coefficients, options);

  // The first-difference fit covers one age less than it was given: the
  // oldest fitted age takes the value of the age before it.
  const int fitted_ages = cut ? cutoff : n;
  int last_written = fitted_ages - 1;
  while (last_written >= 0 && is_missing(fit[last_written])) --last_written;
  if (last_written >= 0) {
    for (int a = last_written + 1; a < fitted_ages; ++a) fit[a] = fit[last_written];
  }

  result.length = ncurve;
  result.shift = shift;
  result.raw.assign(static_cast<std::size_t>(ncurve), kMissing);
  result.fitted.assign(static_cast<std::size_t>(ncurve), kMissing);
  for (int a = 0; a < n; ++a) {
    result.raw[a + shift] = mean[a];
    // Beyond the cut-off the curve stays at its value there.
    result.fitted[a + shift] = cut && a >= cutoff ? fit[cutoff - 1] : fit[a];
  }
  return result;
}

}  // namespace qb
