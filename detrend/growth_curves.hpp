// Nonlinear growth curves of the regional curve, fitted by least squares
// with the Nelder-Mead downhill simplex, and the closed-form log-linear fits
// that start the simplex for the Hugershoff and the general exponential curve.
#pragma once

#include <array>
#include <span>

namespace qb {

// Growth models, t the abscissa (age) and u = t + s the shifted abscissa:
inline constexpr int kModelExponential = 1;         // a exp(r t) + k;          (a, r, k)
inline constexpr int kModelShiftedExponential = 2;  // a u exp(r u) + k;        (a, r, s, k)
inline constexpr int kModelGeneralised = 3;         // a u^q exp(r u) + k;      (a, q, r, s, k)
// A falling curve has r < 0.
inline constexpr int model_parameters(int model) { return model + 2; }

inline constexpr int kSimplexMaxParameters = 5;
inline constexpr int kSimplexMaxVertices = kSimplexMaxParameters + 1;
inline constexpr float kSimplexTolerance = 1.0e-5f;
inline constexpr int kSimplexMaxEvaluations = 2000;

// Vertices by row, parameters by column; y holds the objective at each vertex.
// Only the first model_parameters(model) columns and the rows up to one more
// than that are in use.
struct Simplex {
  std::array<std::array<float, kSimplexMaxParameters>, kSimplexMaxVertices> p{};
  std::array<float, kSimplexMaxVertices> y{};
};

// Sum of squared residuals of the model with parameters `params` against
// yv at the abscissae t (same length), accumulated in double precision.
// More than kMaxYears points, or a negative shifted abscissa, is fatal.
float gamoff(std::span<const float> params, int model, std::span<const float> t, std::span<const float> yv);

// One trial point: the worst vertex `worst` reflected through the centroid of
// the others by `factor` (-1 reflect, 2 expand, 0.5 contract); psum holds the
// column sums of the simplex. A trial shift s <= 0 is taken as 0. The trial
// replaces the worst vertex when it is better. Returns its objective value.
float ametry(Simplex& simplex, std::array<float, kSimplexMaxParameters>& psum, int worst, float factor, int model,
             std::span<const float> t, std::span<const float> yv);

// Nelder and Mead's downhill simplex until the objective values of the best
// and the worst vertex agree to `ftol` (relative), or kSimplexMaxEvaluations
// is reached (a pause "itmax exceeded in amoeba", not fatal). The best vertex
// comes back in row 0 in both cases. Returns the evaluation count.
int amoeba(Simplex& simplex, float ftol, int model, std::span<const float> t, std::span<const float> yv);

struct SimplexFit {
  float fmin = 0.0f;     // objective at the returned vertex
  int evaluations = 0;
};
// Fits the model to yv at t: row 0 of the simplex holds the start on entry;
// the other vertices come from the fixed starting table of the model (the
// table values are vertex coordinates, not offsets from the start). Row 0
// holds the fitted parameters on return; curve receives the fitted model at
// t = 1, 2, ..., curve.size(), in single precision.
SimplexFit gamoeba(Simplex& simplex, int model, std::span<const float> t, std::span<const float> yv,
                   std::span<float> curve);

// Closed-form first stages. Points with y equal to `skip` are left out.
struct GrowthCurveStart {
  std::array<float, 3> c{};  // hughdi: A, B, C; gexp: A, -b
  bool ok = false;           // false: the points define no curve (no coefficients, curve untouched)
};

// Hugershoff curve y = A t^B exp(C t) by least squares of ln y on
// (1, ln t, t) over the first nfit points with y > 0 and t > 0, evaluated at
// t[0..n) into curve (n = curve.size() <= t.size(), y.size()), then scaled
// so that its sum over the points with y != skip equals the data's.
// Fewer than 3 usable points, a singular system or a curve that overflows
// give ok = false.
GrowthCurveStart hughdi(std::span<const float> t, std::span<const float> y, int nfit, std::span<float> curve,
                        float skip);

// General exponential y = A t exp(b t) by regressing ln(y / t) on t over the
// first nfit ages t = 1, 2, ... with y > 0 and y != skip; curve(t) over
// t = 1..curve.size(). c[0] = A, c[1] = -b (positive for a falling curve).
// Fewer than 2 usable points give ok = false.
GrowthCurveStart gexp(std::span<const float> y, int nfit, std::span<float> curve, float skip);

}  // namespace qb
