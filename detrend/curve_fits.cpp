#include "detrend/curve_fits.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <vector>

#include "detrend/curve_coefficients.hpp"
#include "detrend/linear_trend.hpp"
#include "detrend/negative_exponential.hpp"
#include "detrend/series_mean.hpp"
#include "detrend/smoothing_spline.hpp"
#include "detrend/super_smoother.hpp"

namespace qb {
namespace {

// An exponential that barely decays, or levels off at or below zero, is no
// growth curve for ring widths.
constexpr float kSmallestRate = 1.0e-6f;
constexpr float kSmallestLevel = 1.0e-6f;
// A fixed span for short series: cross-validation needs more points than
// a few dozen to choose between three spans.
constexpr int kCrossValidationMinimum = 40;
constexpr float kShortSeriesSpan = 0.3f;

// Least-squares line over y, or the mean line when fewer than two values
// leave the slope undefined (a line of slope 0).
float fit_line(std::span<const float> x, std::span<float> y, CurveCoefficients& c) {
  if (x.size() < 2) {
    xmean(x, y);
    return 0.0f;
  }
  const StraightLine line = trend(x, y);
  c[kCoefSlope] = line.slope;
  c[kCoefLevel] = line.intercept;
  return line.slope;
}

bool exponential_unsuitable(const CurveCoefficients& c) {
  return c[kCoefRate] <= kSmallestRate || c[kCoefLevel] < kSmallestLevel;
}

struct SmootherWork {
  std::vector<float> abscissae;
  std::vector<float> weights;
  std::vector<float> padded;
};

SmootherWork& smoother_work(std::size_t ntot) {
  thread_local SmootherWork work;
  if (work.abscissae.size() < ntot) {
    work.abscissae.resize(ntot);
    work.weights.resize(ntot);
    work.padded.resize(ntot);
    for (std::size_t i = 0; i < ntot; ++i) work.abscissae[i] = static_cast<float>(i + 1);
    std::fill(work.weights.begin(), work.weights.end(), 1.0f);
  }
  return work;
}

// Super smoother of the data; beyond the data the curve is continued by
// smoothing again the data padded with the last smoothed value, so the
// extension joins the curve without a step.
void fit_super_smoother(std::span<const float> x, std::span<float> y, float alpha) {
  const std::size_t n = x.size();
  const std::size_t ntot = y.size();
  if (n == 0) return;
  SmootherWork& work = smoother_work(ntot);
  const std::span<const float> s(work.abscissae.data(), ntot);
  const std::span<const float> w(work.weights.data(), ntot);
  const float span = static_cast<int>(n) < kCrossValidationMinimum ? kShortSeriesSpan : 0.0f;
  supsmu(s.first(n), x, w.first(n), kNotPeriodic, span, alpha, y.first(n));
  if (ntot > n) {
    std::copy(x.begin(), x.end(), work.padded.begin());
    std::fill(work.padded.begin() + static_cast<std::ptrdiff_t>(n), work.padded.begin() + static_cast<std::ptrdiff_t>(ntot),
              y[n - 1]);
    supsmu(s, std::span<const float>(work.padded.data(), ntot), w, kNotPeriodic, span, alpha, y);
  }
}

void fit_age_dependent_spline(std::span<const float> x, std::span<float> y, int stiffness) {
  thread_local std::vector<int> periods;
  const std::size_t n = x.size();
  if (periods.size() < std::max<std::size_t>(n, 1)) periods.resize(std::max<std::size_t>(n, 1));
  lsmake(static_cast<int>(n), stiffness, periods);
  spline2(x, y.first(n), std::span<const int>(periods.data(), n));
}

}  // namespace

bool names_series_curve(int option) {
  switch (option) {
    case kFitNegativeExponential:
    case kFitNegativeExponentialOrFlat:
    case kFitLine:
    case kFitNonRisingLine:
    case kFitMean:
    case kFitSuperSmoother:
    case kFitAgeDependentSpline: return true;
    default: return option >= kFitSplineYearsMin || option <= kFitSplinePercentMax;
  }
}

void curvefits(std::span<const float> x, std::span<float> y, int& option, float alpha, int stiffness) {
  assert(y.size() >= x.size());
  const int n = static_cast<int>(x.size());
  CurveCoefficients c{};

  switch (option) {
    case kFitNegativeExponential:
      c.fill(0.0f);
      curve(x, y, c);
      if (exponential_unsuitable(c)) {
        c.fill(0.0f);
        fit_line(x, y, c);
        option = kFitLine;
      }
      return;
    case kFitNegativeExponentialOrFlat:
      c.fill(0.0f);
      curve(x, y, c);
      if (exponential_unsuitable(c)) {
        option = kFitNonRisingLine;
        c.fill(0.0f);
        if (fit_line(x, y, c) > kSmallestRate) {
          option = kFitMean;
          xmean(x, y);
        }
      }
      return;
    case kFitLine:
      c.fill(0.0f);
      fit_line(x, y, c);
      return;
    case kFitNonRisingLine:
      c.fill(0.0f);
      if (fit_line(x, y, c) > 0.0f) {
        option = kFitMean;
        xmean(x, y);
      }
      return;
    case kFitMean:
      xmean(x, y);
      return;
    case kFitSuperSmoother:
      fit_super_smoother(x, y, alpha);
      return;
    case kFitAgeDependentSpline:
      fit_age_dependent_spline(x, y, stiffness);
      return;
    default:
      break;
  }

  if (option >= kFitSplineYearsMin) {
    spline1(x, y.first(x.size()), option);
  } else if (option <= kFitSplinePercentMax) {
    // The period is a share of the series length, truncated to whole years.
    // It is fitted as a plain period: a share that comes to 8 or 9 years
    // means 8 or 9 years, not one of the coded stiffnesses.
    const float share = static_cast<float>(std::abs(option)) / 100.0f;
    const int period = static_cast<int>(share * static_cast<float>(n));
    spline(x, y.first(x.size()), period);
  } else {
    // A code that names no per-series curve would leave the curve buffer as
    // the previous series left it; the mean line is the neutral curve, and
    // the code says so.
    option = kFitMean;
    xmean(x, y);
  }
}

}  // namespace qb
