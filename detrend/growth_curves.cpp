#include "detrend/growth_curves.hpp"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/console.hpp"

namespace qb {
namespace {

struct ModelParameters {
  double a = 0.0, q = 0.0, r = 0.0, s = 0.0, k = 0.0;
};

ModelParameters unpack(std::span<const float> p, int model) {
  ModelParameters m;
  switch (model) {
    case kModelExponential:
      m = {p[0], 0.0, p[1], 0.0, p[2]};
      break;
    case kModelShiftedExponential:
      m = {p[0], 1.0, p[1], p[2], p[3]};
      break;
    default:
      m = {p[0], p[1], p[2], p[3], p[4]};
      break;
  }
  return m;
}

// Position of the shift s among the parameters of the shifted models.
int shift_parameter(int model) { return model_parameters(model) - 2; }

// Coordinate of vertex v (1..ndim) of the starting simplex: vertex v moves
// parameter v - 1 away from the origin by a scale typical of growth curves.
float starting_coordinate(int model, int vertex, int parameter) {
  if (parameter != vertex - 1) return 0.0f;
  // Parameter names by model, in order.
  static constexpr char kNames[3][6] = {"ark", "arsk", "aqrsk"};
  switch (kNames[model - 1][parameter]) {
    case 'a': return 1.0f;
    case 'q': return 1.0f;
    case 'r': return -0.01f;
    case 's': return 1.0f;
    default: return 0.1f;  // k
  }
}

}  // namespace

float gamoff(std::span<const float> params, int model, std::span<const float> t, std::span<const float> yv) {
  const std::size_t nfit = t.size();
  if (nfit > static_cast<std::size_t>(kMaxYears)) {
    console().write("(/1x,'in gamoff ne > nemax: ',2i10)", nfit, kMaxYears);
    console().pause("bye.");
    console().stop("", kExitAbnormal);
  }
  const ModelParameters m = unpack(params, model);
  double sum = 0.0;
  for (std::size_t i = 0; i < nfit; ++i) {
    const double u = static_cast<double>(t[i]) + m.s;
    if (u < 0.0) {
      console().write("(/1x,'in gamoff tmd \xB2 0 at xd.',2d17.10)", u, t[i]);
      console().pause("this is a fatal condition.");
      console().stop("", kExitAbnormal);
    }
    // q ln u is 0 for the unshifted model whatever u is.
    const double power = m.q == 0.0 ? 0.0 : m.q * std::log(u);
    const double f = m.a * std::exp(m.r * u + power) + m.k;
    const double e = f - static_cast<double>(yv[i]);
    sum += e * e;
  }
  return static_cast<float>(sum);
}

float ametry(Simplex& simplex, std::array<float, kSimplexMaxParameters>& psum, int worst, float factor, int model,
             std::span<const float> t, std::span<const float> yv) {
  const int ndim = model_parameters(model);
  const float f1 = (1.0f - factor) / static_cast<float>(ndim);
  const float f2 = f1 - factor;
  std::array<float, kSimplexMaxParameters> trial{};
  for (int j = 0; j < ndim; ++j) trial[j] = psum[j] * f1 - simplex.p[worst][j] * f2;
  // The shifted models are only defined for a non-negative shift.
  if (model != kModelExponential && trial[shift_parameter(model)] <= 0.0f) trial[shift_parameter(model)] = 0.0f;
  const float ytry = gamoff(std::span<const float>(trial.data(), ndim), model, t, yv);
  if (ytry < simplex.y[worst]) {
    simplex.y[worst] = ytry;
    for (int j = 0; j < ndim; ++j) {
      psum[j] = psum[j] - simplex.p[worst][j] + trial[j];
      simplex.p[worst][j] = trial[j];
    }
  }
  return ytry;
}

int amoeba(Simplex& s, float ftol, int model, std::span<const float> t, std::span<const float> yv) {
  const int ndim = model_parameters(model);
  const int vertices = ndim + 1;
  std::array<float, kSimplexMaxParameters> psum{};
  auto sum_columns = [&] {
    for (int j = 0; j < ndim; ++j) {
      float sum = 0.0f;
      for (int v = 0; v < vertices; ++v) sum += s.p[v][j];
      psum[j] = sum;
    }
  };
  auto best_to_front = [&](int best) {
    std::swap(s.y[0], s.y[best]);
    std::swap(s.p[0], s.p[best]);
  };
  int evaluations = 0;
  sum_columns();
  while (true) {
    int ilo = 0;
    int ihi = 0;
    int inhi = 1;
    if (!(s.y[0] > s.y[1])) {
      ihi = 1;
      inhi = 0;
    }
    for (int i = 0; i < vertices; ++i) {
      if (s.y[i] <= s.y[ilo]) ilo = i;
      if (s.y[i] > s.y[ihi]) {
        inhi = ihi;
        ihi = i;
      } else if (s.y[i] > s.y[inhi] && i != ihi) {
        inhi = i;
      }
    }
    // A simplex whose values are all exactly 0 fits perfectly; the relative
    // spread would be 0/0 there.
    const float scale = std::fabs(s.y[ihi]) + std::fabs(s.y[ilo]);
    const float rtol = scale > 0.0f ? 2.0f * std::fabs(s.y[ihi] - s.y[ilo]) / scale : 0.0f;
    if (rtol < ftol) {
      best_to_front(ilo);
      return evaluations;
    }
    if (evaluations >= kSimplexMaxEvaluations) {
      console().pause("itmax exceeded in amoeba");
      best_to_front(ilo);
      return evaluations;
    }
    evaluations += 2;
    float ytry = ametry(s, psum, ihi, -1.0f, model, t, yv);
    if (ytry <= s.y[ilo]) {
      ametry(s, psum, ihi, 2.0f, model, t, yv);
    } else if (ytry >= s.y[inhi]) {
      const float ysave = s.y[ihi];
      ytry = ametry(s, psum, ihi, 0.5f, model, t, yv);
      if (ytry >= ysave) {
        // Shrink every vertex half way towards the best one.
        for (int i = 0; i < vertices; ++i) {
          if (i == ilo) continue;
          for (int j = 0; j < ndim; ++j) s.p[i][j] = (s.p[i][j] + s.p[ilo][j]) / 2.0f;
          s.y[i] = gamoff(std::span<const float>(s.p[i].data(), ndim), model, t, yv);
        }
        evaluations += ndim;
        sum_columns();
      }
    } else {
      evaluations -= 1;
    }
  }
}

SimplexFit gamoeba(Simplex& s, int model, std::span<const float> t, std::span<const float> yv,
                   std::span<float> curve) {
  const int ndim = model_parameters(model);
  s.y[0] = gamoff(std::span<const float>(s.p[0].data(), ndim), model, t, yv);
  for (int v = 1; v <= ndim; ++v) {
    for (int j = 0; j < ndim; ++j) s.p[v][j] = starting_coordinate(model, v, j);
    s.y[v] = gamoff(std::span<const float>(s.p[v].data(), ndim), model, t, yv);
  }
  SimplexFit fit;
  fit.evaluations = amoeba(s, kSimplexTolerance, model, t, yv);
  fit.fmin = s.y[0];

  float a = s.p[0][0], q = 0.0f, r = 0.0f, shift = 0.0f, k = 0.0f;
  switch (model) {
    case kModelExponential:
      r = s.p[0][1];
      k = s.p[0][2];
      break;
    case kModelShiftedExponential:
      q = 1.0f;
      r = s.p[0][1];
      shift = s.p[0][2];
      k = s.p[0][3];
      break;
    default:
      q = s.p[0][1];
      r = s.p[0][2];
      shift = s.p[0][3];
      k = s.p[0][4];
      break;
  }
  for (std::size_t i = 0; i < curve.size(); ++i) {
    const float u = static_cast<float>(i + 1) + shift;
    const float power = q == 0.0f ? 0.0f : q * std::log(u);
    curve[i] = a * std::exp(r * u + power) + k;
  }
  return fit;
}

// Log-linear least squares of ln y on (1, ln t, t), solved by Cramer's rule.
GrowthCurveStart hughdi(std::span<const float> t, std::span<const float> y, int nfit, std::span<float> curve,
                        float skip) {
  GrowthCurveStart r;
  double m = 0.0, st = 0.0, slt = 0.0, sly = 0.0, stt = 0.0, sltlt = 0.0, stlt = 0.0, stly = 0.0, sltly = 0.0;
  for (int i = 0; i < nfit; ++i) {
    if (y[i] == skip || !(y[i] > 0.0f) || !(t[i] > 0.0f)) continue;
    const double tt = t[i];
    const double lt = std::log(tt);
    const double ly = std::log(static_cast<double>(y[i]));
    m += 1.0;
    st += tt;
    slt += lt;
    sly += ly;
    stt += tt * tt;
    sltlt += lt * lt;
    stlt += tt * lt;
    stly += tt * ly;
    sltly += lt * ly;
  }
  if (m < 3.0) return r;
  // Normal equations   | m    slt    st   | |ln A|   | sly   |
  //                    | slt  sltlt  stlt | | B  | = | sltly |
  //                    | st   stlt   stt  | | C  |   | stly  |
  auto det3 = [](double a11, double a12, double a13, double a21, double a22, double a23, double a31, double a32,
                 double a33) {
    return a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a23 * a31) + a13 * (a21 * a32 - a22 * a31);
  };
  const double det = det3(m, slt, st, slt, sltlt, stlt, st, stlt, stt);
  if (det == 0.0 || !std::isfinite(det)) return r;
  const double log_a = det3(sly, slt, st, sltly, sltlt, stlt, stly, stlt, stt) / det;
  const double b = det3(m, sly, st, slt, sltly, stlt, st, stly, stt) / det;
  const double c = det3(m, slt, sly, slt, sltlt, sltly, st, stlt, stly) / det;
  double a = std::exp(log_a);

  const std::size_t n = curve.size();
  std::vector<double> fitted(n);
  double s1 = 0.0, s2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double tt = t[i];
    fitted[i] = a * std::pow(tt, b) * std::exp(c * tt);
    if (y[i] != skip) {
      s1 += fitted[i];
      s2 += static_cast<double>(y[i]) - fitted[i];
    }
  }
  // Log-linear fits are biased low in the original units: scale the curve
  // so that it keeps the data's sum.
  const double factor = s2 / s1 + 1.0;
  if (!std::isfinite(a) || !std::isfinite(factor)) return r;
  if (factor != 0.0) {
    a *= factor;
    for (double& v : fitted) v *= factor;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(static_cast<float>(fitted[i]))) return r;
  }
  for (std::size_t i = 0; i < n; ++i) curve[i] = static_cast<float>(fitted[i]);
  r.c = {static_cast<float>(a), static_cast<float>(b), static_cast<float>(c)};
  r.ok = std::isfinite(r.c[0]) && std::isfinite(r.c[1]) && std::isfinite(r.c[2]);
  return r;
}

GrowthCurveStart gexp(std::span<const float> y, int nfit, std::span<float> curve, float skip) {
  GrowthCurveStart r;
  std::vector<float> ages, z;
  for (int i = 1; i <= nfit; ++i) {
    const float v = y[static_cast<std::size_t>(i - 1)];
    if (v > 0.0f && v != skip) {
      const float age = static_cast<float>(i);
      ages.push_back(age);
      z.push_back(std::log(v) - std::log(age));
    }
  }
  const std::size_t m = ages.size();
  if (m < 2) return r;
  double tbar = 0.0, zbar = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    tbar += ages[i];
    zbar += z[i];
  }
  tbar /= static_cast<double>(m);
  zbar /= static_cast<double>(m);
  double stt = 0.0, szz = 0.0, stz = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    const double dt = ages[i] - tbar;
    const double dz = z[i] - zbar;
    stt += dt * dt;
    szz += dz * dz;
    stz += dt * dz;
  }
  // The slope as correlation times the ratio of standard deviations; data
  // with no spread in ln(y / t) have slope 0 (the correlation is undefined).
  double b = 0.0;
  if (szz > 0.0) {
    const double sz = std::sqrt(szz / static_cast<double>(m - 1));
    const double st = std::sqrt(stt / static_cast<double>(m - 1));
    const double rho = stz / std::sqrt(stt * szz);
    b = rho * sz / st;
  }
  const double a = std::exp(zbar - b * tbar);
  if (!std::isfinite(a)) return r;
  const float af = static_cast<float>(a);
  const float bf = static_cast<float>(b);
  for (std::size_t i = 0; i < curve.size(); ++i) {
    const float age = static_cast<float>(i + 1);
    curve[i] = age * af * std::exp(bf * age);
  }
  r.c = {af, -bf, 0.0f};
  r.ok = true;
  return r;
}

}  // namespace qb
