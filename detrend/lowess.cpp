#include "detrend/lowess.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "detrend/heapsort.hpp"

namespace qb {
namespace {
// A median absolute residual below this many float epsilons of the mean
// magnitude of the data is the rounding noise of local lines that fit
// exactly; the residuals of noisy data lie orders of magnitude above it.
constexpr float kRoundingUlps = 8.0f;
}  // namespace

bool lowest(std::span<const float> x, std::span<const float> y, float xs, int nleft, int nright,
            std::span<float> w, bool use_robustness, std::span<const float> rw, float& ys) {
  const int n = static_cast<int>(x.size());
  const float range = x[n - 1] - x[0];
  const float h = std::max(xs - x[nleft], x[nright] - xs);
  const float h9 = 0.999f * h;
  const float h1 = 0.001f * h;
  float sum = 0.0f;
  int j = nleft;
  for (; j < n; ++j) {
    w[j] = 0.0f;
    const float d = std::fabs(x[j] - xs);
    if (d <= h9) {
      if (d <= h1) {
        w[j] = 1.0f;
      } else {
        const float ratio = d / h;
        const float q = 1.0f - ratio * ratio * ratio;
        w[j] = q * q * q;  // tricube
      }
      if (use_robustness) w[j] *= rw[j];
      sum += w[j];
    } else if (x[j] > xs) {
      break;
    }
  }
  const int nrt = j - 1;  // rightmost point considered
  if (sum <= 0.0f) return false;
  for (j = nleft; j <= nrt; ++j) w[j] /= sum;
  if (h > 0.0f) {
    // Weighted least-squares line through the window, folded into the weights.
    float a = 0.0f;
    for (j = nleft; j <= nrt; ++j) a += w[j] * x[j];
    float b = xs - a;
    float c = 0.0f;
    for (j = nleft; j <= nrt; ++j) {
      const float d = x[j] - a;
      c += w[j] * (d * d);
    }
    if (std::sqrt(c) > 0.001f * range) {
      b /= c;
      for (j = nleft; j <= nrt; ++j) w[j] *= b * (x[j] - a) + 1.0f;
    }
  }
  float fit = 0.0f;
  for (j = nleft; j <= nrt; ++j) fit += w[j] * y[j];
  ys = fit;
  return true;
}

void lowess(std::span<const float> y, std::span<float> ys, float f) {
  const int n = static_cast<int>(y.size());
  if (n < 1) return;
  if (n < 2) {
    ys[0] = y[0];
    return;
  }
  std::vector<float> x(n), weights(n), residuals(n), robustness(n, 1.0f);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i + 1);
  int ns = static_cast<int>(f * static_cast<float>(n));
  ns = std::max(std::min(ns, n), 2);
  // Bisquare weights of rounding noise (a straight line fits exactly) would
  // reject points at random and bend the ends; such a fit stands with every
  // weight 1.
  float mean_magnitude = 0.0f;
  for (float v : y) mean_magnitude += std::fabs(v);
  mean_magnitude /= static_cast<float>(n);
  const float noise_level = kRoundingUlps * std::numeric_limits<float>::epsilon() * mean_magnitude;
  constexpr int kIterations = 3;  // the fit and two robustness iterations
  for (int iteration = 1; iteration <= kIterations; ++iteration) {
    int nleft = 0;
    int nright = ns - 1;
    for (int i = 0; i < n; ++i) {
      // Move the window right while that brings it closer to x(i).
      while (nright < n - 1 && x[i] - x[nleft] > x[nright + 1] - x[i]) {
        ++nleft;
        ++nright;
      }
      float fit = 0.0f;
      if (lowest(x, y, x[i], nleft, nright, weights, iteration > 1, robustness, fit)) {
        ys[i] = fit;
      } else {
        ys[i] = y[i];
      }
    }
    for (int i = 0; i < n; ++i) residuals[i] = y[i] - ys[i];
    if (iteration == kIterations) break;
    // Bisquare robustness weights with six times the median absolute residual.
    for (int i = 0; i < n; ++i) robustness[i] = std::fabs(residuals[i]);
    std::vector<float> sorted = robustness;
    sort(sorted);
    const int m1 = n / 2 + 1;
    const int m2 = n - m1 + 1;
    const float cmad = 3.0f * (sorted[m1 - 1] + sorted[m2 - 1]);
    if (cmad <= 6.0f * noise_level) break;
    const float c9 = 0.999f * cmad;
    const float c1 = 0.001f * cmad;
    for (int i = 0; i < n; ++i) {
      const float r = std::fabs(residuals[i]);
      if (r <= c1) {
        robustness[i] = 1.0f;
      } else if (r <= c9) {
        const float u = r / cmad;
        robustness[i] = (1.0f - u * u) * (1.0f - u * u);
      } else {
        robustness[i] = 0.0f;
      }
    }
  }
}

}  // namespace qb
