#include "detrend/negative_exponential.hpp"

#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/console.hpp"

namespace qb {
namespace {

constexpr int kMinimumValues = 20;
constexpr int kMaxSteps = 34;
constexpr double kFirstStep = 0.0005;
constexpr double kSmallestStep = 5.0e-7;
constexpr double kSmallestStartRate = 1.0e-8;
// exp(-112.8) is close to the smallest normal float; a steeper curve
// underflows the single-precision store of e(t).
constexpr double kLargestExponent = 112.8;
constexpr double kSumLimitHigh = 1.0e15;
constexpr double kSumLimitLow = 1.0e-15;
constexpr double kLargestLevel = 9999.0;

struct Trial {
  double sse = 0.0;
  double a = 0.0;
  double k = 0.0;
};

// For a fixed rate beta, a and k follow from linear least squares on
// e(t) = exp(-beta t). e is kept in single precision like the curve it
// stands for. No value when the exponential or its sums leave the range in
// which the normal equations mean anything.
std::optional<Trial> evaluate(std::span<const float> x, double beta, std::vector<float>& e) {
  const std::size_t n = x.size();
  for (std::size_t t = 1; t <= n; ++t) {
    if (static_cast<double>(t) * std::fabs(beta) > kLargestExponent) return std::nullopt;
    e[t - 1] = static_cast<float>(std::exp(-beta * static_cast<double>(t)));
  }
  double se = 0.0, see = 0.0, sx = 0.0, sex = 0.0;
  for (std::size_t t = 0; t < n; ++t) {
    const double et = e[t];
    se += et;
    see += et * et;
    sx += x[t];
    sex += et * x[t];
  }
  if (se > kSumLimitHigh || see > kSumLimitHigh || se < kSumLimitLow || see < kSumLimitLow) return std::nullopt;
  const double nd = static_cast<double>(n);
  Trial trial;
  trial.k = (see * sx - se * sex) / (nd * see - se * se);
  trial.a = (sx - nd * trial.k) / se;
  // A rate of exactly 0 makes the normal equations singular.
  if (!std::isfinite(trial.k) || !std::isfinite(trial.a)) return std::nullopt;
  for (std::size_t t = 0; t < n; ++t) {
    const double r = x[t] - trial.k - trial.a * e[t];
    trial.sse += r * r;
  }
  return trial;
}

std::vector<float>& exponential_scratch(std::size_t n) {
  thread_local std::vector<float> e;
  if (e.size() < n) e.resize(n);
  return e;
}

double sum_of(std::span<const float> values) {
  double sum = 0.0;
  for (float v : values) sum += v;
  return sum;
}

}  // namespace

void curve(std::span<const float> x, std::span<float> y, CurveCoefficients& c) {
  const auto fail = [&] {
    c[kCoefRate] = kFailedFit;
    if (!y.empty()) y[0] = kFailedFit;
  };
  const int n = static_cast<int>(x.size());
  if (n < kMinimumValues) {
    console().write("('>> sbr curve:  only',i3,' values, no exponential curve fit')", n);
    fail();
    return;
  }

  // Start from the rate that joins the means of the first and the last ten
  // values; a series that does not decline starts barely above zero.
  const double m1 = sum_of(x.first(10)) / 10.0;
  const double m2 = sum_of(x.last(10)) / 10.0;
  // Ends that average zero or less have no logarithm: ring widths that
  // vanish at either end are no exponential decline.
  if (!(m1 > 0.0) || !(m2 > 0.0)) {
    fail();
    return;
  }
  double b = (std::log(m1) - std::log(m2)) / (n - 10.0);
  if (b <= 0.0) b = kSmallestStartRate;

  std::vector<float>& e = exponential_scratch(x.size());
  double d = kFirstStep;
  bool bracketed = false;
  double best = 0.0;
  Trial last;
  for (int step = 1; step <= kMaxSteps; ++step) {
    const std::optional<Trial> lower = evaluate(x, b - d, e);
    if (!lower) return fail();
    if (step == 1) {
      const std::optional<Trial> centre = evaluate(x, b, e);
      if (!centre) return fail();
      best = centre->sse;
    }
    const std::optional<Trial> upper = evaluate(x, b + d, e);
    if (!upper) return fail();
    // The search keeps the a and k of the last trial evaluated rather than
    // solving again at the chosen rate; at convergence the trials lie within
    // the final step of each other.
    last = *upper;

    const double b_before = b;
    double centre_rate = b;
    if (lower->sse < best) {
      centre_rate = b_before - d;
      best = lower->sse;
    }
    if (upper->sse < best) {
      centre_rate = b_before + d;
      best = upper->sse;
    }
    const bool moved = centre_rate != b_before;
    b = centre_rate;

    // Expand the step until the minimum is bracketed, then halve it.
    if (moved && !bracketed) {
      d *= 2.0;
      continue;
    }
    if (!moved) bracketed = true;
    d /= 2.0;
    if (d <= kSmallestStep) {
      const double a = last.a;
      const double k = last.k;
      if (k > kLargestLevel || a <= 0.0 || b < 0.0) b = 0.0;
      c[kCoefA] = static_cast<float>(a);
      c[kCoefRate] = static_cast<float>(b);
      c[kCoefLevel] = static_cast<float>(k);
      c[kCoefSixth] = static_cast<float>(step);
      c[kCoefSeventh] = static_cast<float>(sum_of(x));
      for (std::size_t t = 1; t <= y.size(); ++t) {
        y[t - 1] = static_cast<float>(a * std::exp(-b * static_cast<double>(t)) + k);
      }
      return;
    }
  }
  console().write("('>> sbr curve: over 34 iterations')");
  fail();
}

}  // namespace qb
