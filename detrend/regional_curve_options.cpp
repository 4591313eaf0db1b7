// The regional curve option dispatcher and its fall-backs.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "detrend/growth_curves.hpp"
#include "detrend/linear_trend.hpp"
#include "detrend/lowess.hpp"
#include "detrend/moments.hpp"
#include "detrend/negative_exponential.hpp"
#include "detrend/regional_curve.hpp"
#include "detrend/running_medians.hpp"
#include "detrend/smoothing_spline.hpp"
#include "detrend/super_smoother.hpp"
#include "platform/bounds.hpp"
#include "platform/console.hpp"

namespace qb {

float xmean2(std::span<const float> x) {
  if (x.empty()) {
    console().write("(/1x,'error in xmean2: n=0')");
    console().pause("");
    console().stop("", kExitAbnormal);
  }
  float sum = 0.0f;
  for (float v : x) sum += v;
  return sum / static_cast<float>(x.size());
}

namespace {

std::vector<float> ages(int n) {
  std::vector<float> t(static_cast<std::size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) t[static_cast<std::size_t>(i)] = static_cast<float>(i + 1);
  return t;
}

// Horizontal line through the mean of the fitted values, over every age.
void fit_mean(std::span<const float> data, std::span<float> curve, CurveCoefficients& c) {
  c[kCoefLevel] = xmean2(data);
  std::fill(curve.begin(), curve.end(), c[kCoefLevel]);
}

// Least-squares line over every age. A single value has no slope: the line
// through it is flat.
void fit_line(std::span<const float> data, std::span<float> curve, CurveCoefficients& c) {
  if (data.size() < 2) {
    c[kCoefSlope] = 0.0f;
    fit_mean(data, curve, c);
    return;
  }
  const StraightLine line = trend(data, curve);
  c[kCoefSlope] = line.slope;
  c[kCoefLevel] = line.intercept;
}

// A smoother that could not fit the curve leaves the straight line, so that
// no series is ever divided by a failure code.
void fall_back_to_line(int failed_option, std::span<const float> data, std::span<float> curve,
                       CurveCoefficients& c, RegionalCurveOptions& options) {
  console().write("(1x,'Regional curve option',i5,' could not be fitted: straight line used (option 4)')",
                  failed_option);
  c.fill(0.0f);
  fit_line(data, curve, c);
  options.option = kRegionalLine;
}

// Spline period of the fixed-period codes: >= 10 years, <= -10 a percent of
// the fitted length; the remaining codes reach the spline with period 0.
int spline_period(int option, int nfit) {
  if (option >= kRegionalSplineYearsMin) return option;
  if (option <= kRegionalSplinePercentMax)
    return static_cast<int>(std::fabs(static_cast<float>(option) / 100.0f * static_cast<float>(nfit)));
  return 0;
}

// Age-dependent spline, periods stiffness, stiffness + 1, ... along the
// curve; a fit that rises towards the oldest ages is held flat from its last
// local minimum and smoothed again, so that the curve does not climb where
// few old series remain. A fit that rises at every step is kept as it is.
bool age_dependent_spline(std::span<const float> data, std::span<float> curve, int stiffness) {
  const int nfit = static_cast<int>(data.size());
  std::vector<int> periods(static_cast<std::size_t>(std::max(nfit, 1)));
  lsmake(nfit, stiffness, periods);
  spline2(data, curve, periods);
  if (spline_failed(curve[0])) return false;
  int last_minimum = 0;  // 1-based
  for (int i = nfit; i >= 2; --i) {
    if (curve[i - 1] <= curve[i - 2]) {
      last_minimum = i;
      break;
    }
  }
  if (last_minimum == 0 || last_minimum == nfit) return true;
  std::vector<float> held(curve.begin(), curve.begin() + nfit);
  std::fill(held.begin() + last_minimum, held.end(), held[last_minimum - 1]);
  lsmake(nfit, stiffness, periods);
  spline2(held, curve, periods);
  return !spline_failed(curve[0]);
}

// First differences of the curve, rescaled to the mean and spread of the
// ratios of the values to their spline (period a third of the curve).
bool first_differences(std::span<float> y, std::span<float> curve, int& nfit) {
  const int m = nfit - 1;
  if (m < 1) return false;
  std::vector<float> values(static_cast<std::size_t>(m)), differences(static_cast<std::size_t>(m));
  for (int i = 1; i <= m; ++i) {
    values[i - 1] = y[i];
    differences[i - 1] = y[i] - y[i - 1];
  }
  spline(values, curve, m / 3);
  if (spline_failed(curve[0])) return false;
  y[0] = kMissing;
  nfit = m;
  for (int i = 0; i < m; ++i) y[i + 1] = differences[i];
  for (int i = 0; i < m; ++i) values[i] /= curve[i];
  const Moments d = moment(y.subspan(1, static_cast<std::size_t>(m)));
  const Moments r = moment(values);
  for (int i = 1; i <= m; ++i) y[i] = (y[i] - d.ave) / d.sdev * r.sdev + r.ave;
  return true;
}

}  // namespace

bool names_regional_curve(int option) {
  return (option >= kRegionalSuperSmoother && option <= kRegionalFirstDifferences) ||
         (option >= kRegionalNegativeExponential && option <= kRegionalGeneralExponential) ||
         option >= kRegionalSplineYearsMin || option <= kRegionalSplinePercentMax;
}

void detrend2(std::span<float> y, std::span<float> curve, int& nfit, CurveCoefficients& c,
              RegionalCurveOptions& options) {
  c.fill(0.0f);
  const int n = static_cast<int>(curve.size());
  const int option = options.option;
  // Values fitted and the part of the curve the smoothers write.
  auto data = [&] { return std::span<const float>(y.data(), static_cast<std::size_t>(nfit)); };
  auto head = [&] { return curve.first(static_cast<std::size_t>(nfit)); };
  bool written_to_n = false;  // parametric curves and lines cover every age

  switch (option) {
    case kRegionalSuperSmoother: {
      const std::vector<float> t = ages(nfit);
      const std::vector<float> w(static_cast<std::size_t>(nfit), 1.0f);
      const float span = nfit < 40 ? 0.3f : 0.0f;
      supsmu(t, data(), w, kNotPeriodic, span, options.alpha, head());
      break;
    }
    case kRegionalLowess: {
      // A positive window is a number of points, a negative one a percent of
      // the curve.
      const float fraction = options.window >= 0
                                 ? static_cast<float>(options.window) / static_cast<float>(nfit)
                                 : static_cast<float>(-options.window) / 100.0f;
      options.alpha = fraction;
      const std::vector<float> copy(data().begin(), data().end());
      lowess(copy, head(), fraction);
      break;
    }
    case kRegionalRunningMedians: {
      int window = options.window;
      if (window < 0) {
        window = std::max(1, static_cast<int>(static_cast<float>(-window) / 100.0f * static_cast<float>(nfit)));
      }
      std::vector<float> copy(data().begin(), data().end());
      const RunningMedianResult result = msmoor(copy, head(), window, kMaxYears);
      if (options.window > 0) options.window = window;
      // Ten passes without convergence still leave a smooth curve.
      if (result.error != 0 && result.error != kMedianPassLimit) {
        fall_back_to_line(option, data(), curve, c, options);
        written_to_n = true;
      }
      break;
    }
    case kRegionalAgeDependentSpline:
      if (!age_dependent_spline(data(), head(), options.stiffness)) {
        fall_back_to_line(option, data(), curve, c, options);
        written_to_n = true;
      }
      break;
    case kRegionalFirstDifferences: {
      const std::vector<float> original(y.begin(), y.begin() + nfit);
      const int original_nfit = nfit;
      if (!first_differences(y, curve, nfit)) {
        std::copy(original.begin(), original.end(), y.begin());
        nfit = original_nfit;
        fall_back_to_line(option, data(), curve, c, options);
        written_to_n = true;
      }
      break;
    }
    case kRegionalNegativeExponential:
    case kRegionalNegativeExponentialOrFlat:
      written_to_n = true;
      qb::curve(data(), curve, c);
      if (c[kCoefRate] <= 0.0f || c[kCoefLevel] < 0.0f) {
        c.fill(0.0f);
        fit_line(data(), curve, c);
        options.option = kRegionalLine;
        if (option == kRegionalNegativeExponentialOrFlat) {
          if (c[kCoefSlope] > 0.0f) {
            c.fill(0.0f);
            fit_mean(data(), curve, c);
          }
          options.option = kRegionalNonRisingLine;
        }
      }
      break;
    case kRegionalGeneralNegativeExponential: {
      written_to_n = true;
      Simplex s;  // start (0, 0, 0)
      const std::vector<float> t = ages(nfit);
      gamoeba(s, kModelExponential, t, data(), curve);
      const float rate = s.p[0][1];
      if (rate >= 0.0f) {
        options.option = kRegionalLine;
        c.fill(0.0f);
        fit_line(data(), curve, c);
      } else {
        c[0] = s.p[0][0];
        c[1] = std::fabs(rate);
        c[2] = 0.0f;
        c[4] = s.p[0][2];
        c[5] = 0.0f;
      }
      break;
    }
    case kRegionalLine:
      written_to_n = true;
      fit_line(data(), curve, c);
      break;
    case kRegionalNonRisingLine:
      written_to_n = true;
      fit_line(data(), curve, c);
      if (c[kCoefSlope] > 0.0f) {
        options.option = kRegionalMean;
        c[kCoefSlope] = 0.0f;
        c[kCoefLevel] = 0.0f;
        fit_mean(data(), curve, c);
      }
      break;
    case kRegionalMean:
      written_to_n = true;
      fit_mean(data(), curve, c);
      break;
    case kRegionalHugershoff: {
      written_to_n = true;
      const std::vector<float> t_all = ages(n);
      const GrowthCurveStart start = hughdi(t_all, y, nfit, curve, 0.0f);
      if (!start.ok) {
        options.option = kRegionalLine;
        c.fill(0.0f);
        fit_line(data(), curve, c);
        break;
      }
      Simplex s;
      s.p[0] = {start.c[0], start.c[1], start.c[2], 0.0f, 0.0f};
      const std::vector<float> t = ages(nfit);
      gamoeba(s, kModelGeneralised, t, data(), curve);
      c[0] = s.p[0][0];
      c[1] = s.p[0][1];
      c[2] = std::fabs(s.p[0][2]);
      c[4] = s.p[0][4];
      c[5] = s.p[0][3];
      c[6] = 7.0f;
      break;
    }
    case kRegionalGeneralExponential: {
      written_to_n = true;
      const GrowthCurveStart start = gexp(y, nfit, curve, 0.0f);
      if (!start.ok) {
        options.option = kRegionalLine;
        c.fill(0.0f);
        fit_line(data(), curve, c);
        break;
      }
      Simplex s;
      s.p[0] = {start.c[0], start.c[1], 0.0f, 0.0f, 0.0f};
      const std::vector<float> t = ages(nfit);
      gamoeba(s, kModelShiftedExponential, t, data(), curve);
      c[0] = s.p[0][0];
      c[1] = 1.0f;
      c[2] = std::fabs(s.p[0][1]);
      c[4] = s.p[0][3];
      c[5] = s.p[0][2];
      c[6] = 8.0f;
      break;
    }
    default:
      spline(data(), head(), spline_period(option, nfit));
      if (spline_failed(curve[0])) {
        fall_back_to_line(option, data(), curve, c, options);
        written_to_n = true;
      }
      break;
  }

  // A growth curve that overflows in single precision is no curve to divide by.
  const std::size_t written = written_to_n ? curve.size() : static_cast<std::size_t>(nfit);
  if (!std::all_of(curve.begin(), curve.begin() + written, [](float v) { return std::isfinite(v); })) {
    fall_back_to_line(option, data(), curve, c, options);
  }
}

}  // namespace qb
