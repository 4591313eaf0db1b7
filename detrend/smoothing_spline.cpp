#include "detrend/smoothing_spline.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/console.hpp"
#include "platform/program_stop.hpp"

namespace qb {
namespace {

constexpr double kPi = 3.141592653589793;
// Band of D D' (offsets -2, -1, 0) and the second-difference weight of the
// middle point of the right-hand side.
constexpr double kSecondDifferenceBand[3] = {1.0, -4.0, 6.0};
constexpr double kSecondDifferenceMiddle = -2.0;
// Band of the tridiagonal T that the smoothing value scales.
constexpr double kTridiagonalBand[3] = {0.0, 1.0 / 3.0, 4.0 / 3.0};

// Work storage of the banded solver, one set per thread, grown to the
// longest series the thread has fitted: a thread that fits only short
// series does not map storage for the longest the system holds.
struct SplineWorkspace {
  std::vector<double> band;  // 3 per row: factors at offsets -2, -1 and the reciprocal root of the pivot
  std::vector<double> rhs;   // right-hand side, then the solution u
  std::vector<double> v;     // smoothing value of every row
  std::vector<int> periods;  // period of every row, where a code gives them
};

SplineWorkspace& workspace(std::size_t n) {
  thread_local SplineWorkspace w;
  if (w.rhs.size() < n) {
    w.band.resize(3 * n);
    w.rhs.resize(n);
    w.v.resize(n);
    w.periods.resize(n);
  }
  return w;
}

// The smoothing value whose filter passes a sinusoid of `period` years at
// half its amplitude. Periods below 1 are taken as 1 (v = 0, the
// least-squares line): a shorter period has no meaning on yearly data.
double smoothing_value_of(double period) {
  const double p = std::max(period, 1.0);
  const double f = 2.0 * kPi / p;
  const double c = std::cos(f);
  return 6.0 * (c - 1.0) * (c - 1.0) / (c + 2.0);
}

// Periods up to this many years are looked up, not recomputed.
constexpr int kTabulatedPeriods = 4 * kMaxYears;

// The age-dependent spline steps through the same run of integer periods for
// every series and every iteration, so the smoothing value of each is
// computed once per thread by the same expression (the same bits) and then
// looked up: the cosine would otherwise dominate the fit. Writes the
// smoothing value of every period to `values`.
void smoothing_values_of(std::span<const int> periods, std::span<double> values) {
  if (periods.empty()) return;
  const auto [lowest, highest] = std::minmax_element(periods.begin(), periods.end());
  if (*lowest < 0 || *highest > kTabulatedPeriods) {
    for (std::size_t i = 0; i < periods.size(); ++i) values[i] = smoothing_value_of(periods[i]);
    return;
  }
  thread_local std::vector<double> table;  // by period
  const auto needed = static_cast<std::size_t>(*highest) + 1;
  for (std::size_t p = table.size(); p < needed; ++p) table.push_back(smoothing_value_of(static_cast<int>(p)));
  for (std::size_t i = 0; i < periods.size(); ++i) values[i] = table[static_cast<std::size_t>(periods[i])];
}

// Guards common to the three splines; false when the caller is to return.
bool series_length_acceptable(std::size_t n, std::span<float> ys) {
  if (n < 4) {
    if (!ys.empty()) ys[0] = kSplineTooFewPoints;
    return false;
  }
  if (n > static_cast<std::size_t>(kMaxYears)) {
    console().write("(/1x,'*** series too long for spline subroutine ***'/1x,' *** enlarge mxy parameter in subroutine ***'/)");
    console().stop({}, kExitAbnormal);
  }
  return true;
}

// Solves (D D' + diag-band v T) u = D x by a banded Cholesky factorisation
// and writes the smooth x - D'u. Rows carry their own smoothing value in
// w.v[0..m). Linear in n.
void solve_and_smooth(std::span<const float> x, std::span<float> ys, SplineWorkspace& w) {
  const std::size_t n = x.size();
  const std::size_t m = n - 2;
  assert(ys.size() >= n);
  double* band = w.band.data();
  double* r = w.rhs.data();
  const double* v = w.v.data();

  for (std::size_t i = 0; i < m; ++i) {
    r[i] = static_cast<double>(x[i]) + kSecondDifferenceMiddle * static_cast<double>(x[i + 1]) +
           static_cast<double>(x[i + 2]);
  }

  // The tolerance test catches a pivot that has lost all its significant
  // digits to cancellation, not merely one that went negative.
  const double tol = 1.0 / (16.0 * static_cast<double>(m));
  for (std::size_t i = 0; i < m; ++i) {
    double* row = band + 3 * i;
    const double a2 = kTridiagonalBand[0] * v[i] + kSecondDifferenceBand[0];
    const double a1 = kTridiagonalBand[1] * v[i] + kSecondDifferenceBand[1];
    const double a0 = kTridiagonalBand[2] * v[i] + kSecondDifferenceBand[2];
    double l2 = 0.0;
    double l1 = 0.0;
    if (i >= 2) {
      l2 = a2 * band[3 * (i - 2) + 2];
    }
    if (i >= 1) {
      const double* prev = band + 3 * (i - 1);
      l1 = (a1 - l2 * prev[1]) * prev[2];
    }
    const double s = a0 - l2 * l2 - l1 * l1;
    if (a0 + tol * s <= a0) {
      console().write("('>> sbr spline: matrix not positive definite')");
      ys[0] = kSplineNotPositiveDefinite;
      return;
    }
    row[0] = l2;
    row[1] = l1;
    row[2] = 1.0 / std::sqrt(s);
  }

  for (std::size_t i = 0; i < m; ++i) {
    const double* row = band + 3 * i;
    double z = r[i];
    if (i >= 2) z -= row[0] * r[i - 2];
    if (i >= 1) z -= row[1] * r[i - 1];
    r[i] = z * row[2];
  }
  for (std::size_t k = m; k-- > 0;) {
    double z = r[k];
    if (k + 1 < m) z -= band[3 * (k + 1) + 1] * r[k + 1];
    if (k + 2 < m) z -= band[3 * (k + 2) + 0] * r[k + 2];
    r[k] = z * band[3 * k + 2];
  }

  // ys = x - D'u; u is zero outside rows 0..m-1.
  const auto u = [&](std::size_t k, std::ptrdiff_t offset) {
    const std::ptrdiff_t idx = static_cast<std::ptrdiff_t>(k) + offset;
    return (idx < 0 || idx >= static_cast<std::ptrdiff_t>(m)) ? 0.0 : r[idx];
  };
  for (std::size_t i = 0; i < n; ++i) {
    const double dtu = u(i, -2) - 2.0 * u(i, -1) + u(i, 0);
    ys[i] = static_cast<float>(static_cast<double>(x[i]) - dtu);
  }
}

}  // namespace

void spline(std::span<const float> x, std::span<float> ys, int period, float& smoothing_value) {
  if (!series_length_acceptable(x.size(), ys)) return;
  SplineWorkspace& w = workspace(x.size());
  const double v = smoothing_value_of(period);
  smoothing_value = static_cast<float>(v);
  std::fill_n(w.v.begin(), x.size() - 2, v);
  solve_and_smooth(x, ys, w);
}

void spline(std::span<const float> x, std::span<float> ys, int period) {
  float unused = 0.0f;
  spline(x, ys, period, unused);
}

void spline1(std::span<const float> x, std::span<float> ys, int code) {
  if (!series_length_acceptable(x.size(), ys)) return;
  const std::size_t n = x.size();
  SplineWorkspace& w = workspace(n);
  const std::size_t m = n - 2;
  if (code == 8) {
    std::fill_n(w.v.begin(), m, smoothing_value_of(20.0));
  } else if (code == 9) {
    // A stiffness that grows with age: young rings follow the data closely,
    // the curve stiffens towards the end of the series.
    std::vector<int>& periods = w.periods;
    for (std::size_t i = 0; i < m; ++i) periods[i] = static_cast<int>(std::min(static_cast<std::size_t>(code) + i, n));
    smoothing_values_of(std::span<const int>(periods).first(m), w.v);
  } else {
    std::fill_n(w.v.begin(), m, smoothing_value_of(code));
  }
  solve_and_smooth(x, ys, w);
}

void spline2(std::span<const float> x, std::span<float> ys, std::span<const int> periods) {
  if (!series_length_acceptable(x.size(), ys)) return;
  SplineWorkspace& w = workspace(x.size());
  const std::size_t m = x.size() - 2;
  assert(periods.size() >= m);
  smoothing_values_of(periods.first(m), w.v);
  solve_and_smooth(x, ys, w);
}

void lsmake(int n, int start, std::span<int> periods) {
  assert(!periods.empty() && periods.size() >= static_cast<std::size_t>(std::max(n, 1)));
  periods[0] = start;
  // The periods stop growing at the largest integer: a typed start stiffness
  // may lie just below it, and a period that long is a straight line anyway.
  for (int i = 1; i < n; ++i) {
    periods[i] = periods[i - 1] < std::numeric_limits<int>::max() ? periods[i - 1] + 1 : periods[i - 1];
  }
}

}  // namespace qb
