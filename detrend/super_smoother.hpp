// Friedman's super smoother (Friedman 1984, "A variable span smoother"):
// running-lines smooths with three spans (tweeter 0.05, midrange 0.2,
// woofer 0.5 of the series length), the span chosen point by point by
// cross-validation, with a bass control that pushes the choice towards the
// woofer.
#pragma once

#include <span>

namespace qb {

// The three spans as fractions of n.
inline constexpr float kTweeterSpan = 0.05f;
inline constexpr float kMidrangeSpan = 0.2f;
inline constexpr float kWooferSpan = 0.5f;

// Periodic flags of the smoothers.
inline constexpr int kNotPeriodic = 1;
inline constexpr int kPeriodic = 2;  // abscissae in [0, 1]

// Smooths y on the abscissae x (ascending) with weights w into smo; x, y, w
// and smo hold n = x.size() values each.
//   iper  kNotPeriodic or kPeriodic (periodic needs x in [0, 1], else the
//         series is treated as not periodic; any other value is kNotPeriodic);
//   span  > 0: one running-lines smooth of that span, no cross-validation;
//         <= 0: the span is chosen by cross-validation at every point;
//   alpha bass control, used when 0 < alpha <= 10 (10 gives the woofer
//         wherever the woofer does not fit worse; 0 applies none).
// All abscissae equal (x[n-1] <= x[0]) gives the weighted mean everywhere.
// Fewer than 5 values give the weighted least-squares line.
// Work storage is per thread and grows only when a longer series comes.
void supsmu(std::span<const float> x, std::span<const float> y, std::span<const float> w, int iper, float span,
            float alpha, std::span<float> smo);

// Running-lines smooth of y on x with a fixed span (window half-width
// int(0.5 span n + 0.5), at least 2) and updating sums. n = x.size().
//   iper   its absolute value is the periodic flag (2 periodic); iper > 0 also
//          writes into acvr the absolute cross-validated residuals,
//          iper <= 0 leaves acvr untouched (it may then be empty);
//   vsmlsq a window variance of x at or below it gives a local slope of 0.
// Points with equal abscissae get the weighted mean of their smoothed values.
// A window wider than the series is narrowed to the series.
void smooth(std::span<const float> x, std::span<const float> y, std::span<const float> w, float span, int iper,
            float vsmlsq, std::span<float> smo, std::span<float> acvr);

}  // namespace qb
