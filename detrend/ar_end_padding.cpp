#include "detrend/ar_end_padding.hpp"

#include <algorithm>
#include <stdexcept>

namespace qb {

PaddedSeries arpad(std::span<const float> x, int order) {
  const int n = static_cast<int>(x.size());
  PaddedSeries result;
  // Single precision, as the order is trimmed to two thirds of the length.
  const int two_thirds = static_cast<int>(0.67f * static_cast<float>(n));
  const int p = std::max(0, std::min({order, two_thirds, kMaxAutoregressiveOrder}));
  result.order = p;
  result.values.assign(static_cast<std::size_t>(n) + 2 * p, 0.0f);
  if (n == 0) return result;
  if (p == 0) {
    std::copy(x.begin(), x.end(), result.values.begin());
    return result;
  }
  float sum = 0.0f;
  for (float v : x) sum += v;
  const float mean = sum / static_cast<float>(n);
  for (int i = 0; i < n; ++i) result.values[p + i] = x[i] - mean;
  const BurgModel model = memcof(std::span<const float>(result.values).subspan(p, n), p);
  extend(result.values, n, p, model.coefficients, PadDirection::kBoth);
  for (float& v : result.values) v = v + mean;
  return result;
}

BurgModel memcof(std::span<const float> data, int order) {
  const int n = static_cast<int>(data.size());
  if (order < 1 || order >= n) throw std::invalid_argument("memcof: order must lie in 1 .. n - 1");
  BurgModel model;
  model.coefficients.assign(order, 0.0);
  std::vector<double>& d = model.coefficients;
  std::vector<double> forward(n, 0.0);
  std::vector<double> backward(n, 0.0);
  std::vector<double> previous(order, 0.0);
  double squares = 0.0;
  for (float v : data) squares += static_cast<double>(v) * v;
  model.mean_square = squares / n;
  forward[0] = data[0];
  backward[n - 2] = data[n - 1];
  for (int j = 1; j < n - 1; ++j) {
    forward[j] = data[j];
    backward[j - 1] = data[j];
  }
  for (int k = 1; k <= order; ++k) {
    double numerator = 0.0;
    double denominator = 0.0;
    for (int j = 0; j < n - k; ++j) {
      numerator += forward[j] * backward[j];
      denominator += forward[j] * forward[j] + backward[j] * backward[j];
    }
    d[k - 1] = denominator > 0.0 ? 2.0 * numerator / denominator : 0.0;
    model.mean_square *= 1.0 - d[k - 1] * d[k - 1];
    for (int i = 1; i < k; ++i) d[i - 1] = previous[i - 1] - d[k - 1] * previous[k - i - 1];
    if (k == order) break;
    for (int i = 0; i < k; ++i) previous[i] = d[i];
    for (int j = 0; j < n - k - 1; ++j) {
      forward[j] -= previous[k - 1] * backward[j];
      backward[j] = backward[j + 1] - previous[k - 1] * forward[j + 1];
    }
  }
  return model;
}

void extend(std::span<float> y, int n, int pad, std::span<const double> coefficients, PadDirection direction) {
  const int m = static_cast<int>(coefficients.size());
  if (n < 0 || pad < 0 || y.size() < static_cast<std::size_t>(n) + 2 * static_cast<std::size_t>(pad)) {
    throw std::invalid_argument("extend: y is shorter than the padded series");
  }
  const bool forward = direction != PadDirection::kBackward;
  const bool backward = direction != PadDirection::kForward;
  for (int k = 1; k <= pad; ++k) {
    const int f = n + pad + k - 1;  // 0-based position of n + np + k
    double ahead = 0.0;
    if (forward) {
      for (int j = 1; j <= m && f - j >= 0; ++j) ahead += coefficients[j - 1] * y[f - j];
    }
    y[f] = static_cast<float>(ahead);
    const int b = pad - k;  // 0-based position of np - k + 1
    double behind = 0.0;
    if (backward) {
      for (int j = 1; j <= m && b + j < static_cast<int>(y.size()); ++j) behind += coefficients[j - 1] * y[b + j];
    }
    y[b] = static_cast<float>(behind);
  }
}

}  // namespace qb
