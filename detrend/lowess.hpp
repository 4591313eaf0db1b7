// Cleveland's robust locally weighted regression (lowess, 1979): local lines
// with tricube weights, two robustness iterations with bisquare weights of
// the residuals, every point fitted (no interpolation distance).
#pragma once

#include <span>

namespace qb {

// Smooths y, taken at the abscissae 1..n (n = y.size()), into ys with the
// smoothing fraction f: each local line uses int(f n) points, at least 2 and
// at most n. n = 1 copies the value.
void lowess(std::span<const float> y, std::span<float> ys, float f);

// One local fit at xs over the points nleft..nright (0-based, extended to the
// right over points at the same distance), weights into w; with
// use_robustness the weights are multiplied by rw. Returns false (ys not
// written) when every weight is 0.
bool lowest(std::span<const float> x, std::span<const float> y, float xs, int nleft, int nright,
            std::span<float> w, bool use_robustness, std::span<const float> rw, float& ys);

}  // namespace qb
