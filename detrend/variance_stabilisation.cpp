#include "detrend/variance_stabilisation.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "detrend/robust_statistics.hpp"
#include "detrend/smoothing_spline.hpp"
#include "detrend/super_smoother.hpp"
#include "platform/bounds.hpp"

namespace qb {
namespace {

// Sample depth from which a year counts as well replicated.
constexpr int kReplicatedDepth = 5;
// Below this many well-replicated years the super smoother's span is fixed.
constexpr int kFewYears = 40;
constexpr float kFixedSpan = 0.3f;
constexpr float kCrossValidatedSpan = 0.0f;
constexpr float kBass = 3.0f;
constexpr int kFirstSplinePeriod = 20;

void check_sizes(std::span<float> x, std::span<float> curve, std::span<float> xs, std::span<const int> depth) {
  if (curve.size() < x.size() || xs.size() < x.size() || depth.size() < x.size()) {
    throw std::invalid_argument("variance stabilisation: vectors shorter than the chronology");
  }
}

std::vector<float> values_where(std::span<const float> x, std::span<const int> depth, int min_depth) {
  std::vector<float> kept;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (depth[i] >= min_depth) kept.push_back(x[i]);
  }
  return kept;
}

// The age-dependent spline of `values` into `curve`; false on failure.
bool age_dependent_spline(std::span<const float> values, std::span<float> curve) {
  const int n = static_cast<int>(values.size());
  std::vector<int> periods(std::max(n, 1));
  lsmake(n, kFirstSplinePeriod, periods);
  const std::vector<float> copy(values.begin(), values.end());
  spline2(copy, curve.first(n), periods);
  return !spline_failed(curve[0]);
}

bool positive_everywhere(std::span<const float> curve, std::span<const int> depth, int min_depth) {
  for (std::size_t i = 0; i < curve.size(); ++i) {
    if (depth[i] >= min_depth && !(curve[i] > 0.0f)) return false;
  }
  return true;
}

bool defined(float statistic) { return statistic != kUndefinedStatistic; }

// The chronology as it came in: the routines turn x into absolute deviations,
// and a chronology that cannot be stabilised is handed back unchanged in xs.
class UnstabilisedCopy {
 public:
  UnstabilisedCopy(std::span<const float> x, std::span<float> xs) : original_(x.begin(), x.end()), xs_(xs) {}
  bool restore() const {
    std::copy(original_.begin(), original_.end(), xs_.begin());
    return false;
  }

 private:
  std::vector<float> original_;
  std::span<float> xs_;
};

}  // namespace

Moments moment1(std::span<const float> x, std::span<const int> depth) {
  if (depth.size() < x.size()) throw std::invalid_argument("moment1: depth shorter than the series");
  std::vector<float> covered = values_where(x, depth, 1);
  return moment(covered);
}

bool stabit(std::span<float> x, std::span<float> curve, std::span<float> xs, std::span<const int> depth) {
  check_sizes(x, curve, xs, depth);
  const int n = static_cast<int>(x.size());
  if (n == 0) return false;
  const UnstabilisedCopy unstabilised(x, xs);
  const auto leave_unstabilised = [&] { return unstabilised.restore(); };

  const MeanSd all = mnsd(x);
  const std::vector<float> replicated = values_where(x, depth, kReplicatedDepth);
  const int c = static_cast<int>(replicated.size());
  const bool use_replicated = c > n / 3;
  const MeanSd reference = use_replicated ? mnsd(replicated) : all;

  std::vector<bool> negative(n);
  for (int i = 0; i < n; ++i) {
    const float d = x[i] - reference.mean;
    negative[i] = d < 0.0f;
    x[i] = std::fabs(d);
  }

  std::vector<float> time(n);
  for (int i = 0; i < n; ++i) time[i] = static_cast<float>(i + 1);
  const std::vector<float> weights(n, 1.0f);
  const std::vector<float> deviations(x.begin(), x.end());
  std::vector<float> smoothed(n);
  supsmu(time, deviations, weights, kNotPeriodic, c < kFewYears ? kFixedSpan : kCrossValidatedSpan, kBass, smoothed);
  if (!age_dependent_spline(smoothed, curve)) return leave_unstabilised();

  // Hold a rising tail flat from the last local minimum, so that the few
  // last years cannot pull the spread curve up. A curve that rises at every
  // step has no such minimum and is left as it is.
  std::vector<float> held(curve.begin(), curve.begin() + n);
  int k = n - 1;
  while (k >= 1 && held[k] > held[k - 1]) --k;
  if (k >= 1) std::fill(held.begin() + k + 1, held.end(), held[k]);
  if (!age_dependent_spline(held, curve)) return leave_unstabilised();
  // A spread curve at or below zero has no meaning as a divisor.
  if (!positive_everywhere(curve.first(n), depth, 0)) return leave_unstabilised();

  for (int i = 0; i < n; ++i) {
    xs[i] = x[i] / curve[i];
    if (negative[i]) xs[i] = -xs[i];
  }
  const std::span<const float> stabilised = xs.first(n);
  MeanSd scaled = mnsd(stabilised);
  if (use_replicated) scaled = mnsd(values_where(stabilised, depth, kReplicatedDepth));
  if (!(scaled.sd > 0.0f)) return leave_unstabilised();
  for (int i = 0; i < n; ++i) {
    xs[i] = (xs[i] - scaled.mean) / scaled.sd * reference.sd + reference.mean;
    if (xs[i] < 0.0f) xs[i] = 0.0f;
  }
  return true;
}

bool stabit1(std::span<float> x, std::span<float> curve, std::span<float> xs, std::span<const int> depth,
             int& stiffness) {
  check_sizes(x, curve, xs, depth);
  const int n = static_cast<int>(x.size());
  if (n == 0) return false;
  const UnstabilisedCopy unstabilised(x, xs);
  const auto leave_unstabilised = [&] { return unstabilised.restore(); };

  const Moments before = moment1(x, depth);
  std::vector<bool> negative(n, false);
  if (defined(before.ave)) {
    for (int i = 0; i < n; ++i) {
      if (depth[i] <= 0) continue;
      const float d = x[i] - before.ave;
      negative[i] = d < 0.0f;
      x[i] = std::fabs(d);
    }
  }
  // A percentage of the chronology length, in single precision.
  if (stiffness < -9) {
    stiffness = static_cast<int>(std::fabs(static_cast<float>(stiffness) / 100.0f * static_cast<float>(n)));
  }
  if (!defined(before.sdev)) return leave_unstabilised();

  const std::vector<float> deviations(x.begin(), x.end());
  spline(deviations, curve.first(n), stiffness);
  if (spline_failed(curve[0])) return leave_unstabilised();
  if (!positive_everywhere(curve.first(n), depth, 1)) return leave_unstabilised();

  for (int i = 0; i < n; ++i) {
    if (depth[i] <= 0) continue;
    xs[i] = x[i] / curve[i];
    if (negative[i]) xs[i] = -xs[i];
  }
  const Moments scaled = moment1(xs.first(n), depth);
  if (!defined(scaled.sdev)) return leave_unstabilised();
  for (int i = 0; i < n; ++i) {
    if (depth[i] <= 0) continue;
    xs[i] = (xs[i] - scaled.ave) / scaled.sdev * before.sdev + before.ave;
    if (xs[i] < 0.0f) xs[i] = 0.0f;
  }
  return true;
}

}  // namespace qb
