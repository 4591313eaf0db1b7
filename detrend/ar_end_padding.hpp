// Autoregressive end padding: a series is lengthened at both ends by values
// predicted from an AR model fitted by Burg's maximum-entropy method, so that
// a smoother run over the padded series is less distorted at the ends.
#pragma once

#include <span>
#include <vector>

namespace qb {

// Largest model order arpad fits.
inline constexpr int kMaxAutoregressiveOrder = 500;

struct PaddedSeries {
  std::vector<float> values;  // order predictions, the series, order predictions
  int order = 0;              // padding length at each end (the order used)
};

// Pads x at both ends by p values each, p = min(order, trunc(0.67 n), 500).
// The mean is removed for the fit and added back, so the series itself
// reappears in values[p .. p + n - 1]. An order below 1 pads nothing.
PaddedSeries arpad(std::span<const float> x, int order);

struct BurgModel {
  double mean_square = 0.0;  // residual mean square
  std::vector<double> coefficients;  // d(1..m) at [0..m-1]
};

// Burg's estimate of the coefficients of an AR model of order m (>= 1,
// below the number of values) of data, in double precision. A stage whose
// prediction errors are all zero (a constant series, or an exact fit) gets a
// coefficient of 0.
BurgModel memcof(std::span<const float> data, int order);

enum class PadDirection { kBoth = 0, kForward = 1, kBackward = -1 };

// y holds the series in positions pad .. pad + n - 1; fills positions
// pad + n .. n + 2 pad - 1 forwards and pad - 1 .. 0 backwards with the
// model's predictions, each step using those before it. A direction not
// asked for is filled with 0.
void extend(std::span<float> y, int n, int pad, std::span<const double> coefficients, PadDirection direction);

}  // namespace qb
