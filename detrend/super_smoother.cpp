#include "detrend/super_smoother.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <vector>

namespace qb {
namespace {

constexpr float kSpans[3] = {kTweeterSpan, kMidrangeSpan, kWooferSpan};
constexpr float kBig = 1.0e20f;      // start of the residual minimum
constexpr float kSml = 1.0e-7f;      // floor of the residual ratio in the bass formula
constexpr float kEps = 1.0e-3f;      // variance threshold relative to the spread of x

// Running means and co-moments of the window, updated point by point
// (Welford-style updates keep the sums exact enough in double).
struct Window {
  double fbw = 0.0;   // weight sum
  double xm = 0.0;    // weighted mean of x
  double ym = 0.0;    // weighted mean of y
  double var = 0.0;   // weighted sum of squares of x about xm
  double cvar = 0.0;  // weighted sum of cross products about (xm, ym)

  void add(float xt, float yv, float wt) {
    const double fbo = fbw;
    fbw += wt;
    if (fbw > 0.0) {
      xm = (fbo * xm + wt * static_cast<double>(xt)) / fbw;
      ym = (fbo * ym + wt * static_cast<double>(yv)) / fbw;
    }
    double tmp = 0.0;
    if (fbo > 0.0) tmp = fbw * wt * (xt - xm) / fbo;
    var += tmp * (xt - xm);
    cvar += tmp * (yv - ym);
  }

  void remove(float xo, float yo, float wt) {
    const double fbo = fbw;
    fbw -= wt;
    if (fbw > 0.0) {
      const double tmp = fbo * wt * (xo - xm) / fbw;
      var -= tmp * (xo - xm);
      cvar -= tmp * (yo - ym);
      xm = (fbo * xm - wt * static_cast<double>(xo)) / fbw;
      ym = (fbo * ym - wt * static_cast<double>(yo)) / fbw;
    }
  }
};

// Scratch of the cross-validated smooth: seven columns of n values.
std::vector<float>& scratch(std::size_t n) {
  thread_local std::vector<float> sc;
  if (sc.size() < 7 * n) sc.resize(7 * n);
  return sc;
}

}  // namespace

void smooth(std::span<const float> x, std::span<const float> y, std::span<const float> w, float span, int iper,
            float vsmlsq, std::span<float> smo, std::span<float> acvr) {
  const int n = static_cast<int>(x.size());
  if (n < 1) return;
  assert(y.size() >= x.size() && w.size() >= x.size() && smo.size() >= x.size());
  assert(iper <= 0 || acvr.size() >= x.size());
  const int jper = std::abs(iper);
  const bool periodic = jper == 2;

  const float half_width = 0.5f * span * static_cast<float>(n) + 0.5f;
  int ibw = half_width < static_cast<float>(n) ? static_cast<int>(half_width) : n;
  if (ibw < 2) ibw = 2;
  // A window wider than the series would read past its ends: without
  // wrapping it holds the whole series and never moves, with wrapping it is
  // narrowed so that no point enters twice.
  if (periodic && 2 * ibw + 1 > n) ibw = (n - 1) / 2;
  const int it = std::min(2 * ibw + 1, n);

  // 0-based index of the 1-based point j, and its abscissa shifted by a
  // period when the window wraps.
  Window win;
  for (int i = 1; i <= it; ++i) {
    int j = periodic ? i - ibw - 1 : i;
    float xt;
    if (j < 1) {
      j += n;
      xt = x[j - 1] - 1.0f;
    } else {
      xt = x[j - 1];
    }
    win.add(xt, y[j - 1], w[j - 1]);
  }

  for (int j = 1; j <= n; ++j) {
    int out = j - ibw - 1;
    int in = j + ibw;
    const bool moves = periodic || (out >= 1 && in <= n);
    if (moves) {
      float xto;
      float xti;
      if (out < 1) {
        out += n;
        xto = x[out - 1] - 1.0f;
        xti = x[in - 1];
      } else if (in > n) {
        in -= n;
        xti = x[in - 1] + 1.0f;
        xto = x[out - 1];
      } else {
        xto = x[out - 1];
        xti = x[in - 1];
      }
      win.remove(xto, y[out - 1], w[out - 1]);
      win.add(xti, y[in - 1], w[in - 1]);
    }

    const double xj = x[j - 1];
    double slope = 0.0;
    if (win.var > vsmlsq) slope = win.cvar / win.var;
    smo[j - 1] = static_cast<float>(slope * (xj - win.xm) + win.ym);
    if (iper > 0) {
      // Leave-one-out residual: the ordinary residual divided by one minus
      // the leverage of the point in its local line.
      double h = 0.0;
      if (win.fbw > 0.0) h = 1.0 / win.fbw;
      if (win.var > vsmlsq) h += (xj - win.xm) * (xj - win.xm) / win.var;
      const double d = 1.0 - w[j - 1] * h;
      if (d > 0.0) {
        acvr[j - 1] = static_cast<float>(std::fabs(y[j - 1] - smo[j - 1]) / d);
      } else {
        acvr[j - 1] = j > 1 ? acvr[j - 2] : 0.0f;
      }
    }
  }

  // Tied abscissae share the weighted mean of their smoothed values.
  for (int j = 0; j < n;) {
    const int j0 = j;
    double sy = static_cast<double>(smo[j]) * w[j];
    double fbw = w[j];
    while (j + 1 < n && x[j + 1] <= x[j]) {
      ++j;
      sy += static_cast<double>(w[j]) * smo[j];
      fbw += w[j];
    }
    if (j > j0) {
      const float a = fbw > 0.0 ? static_cast<float>(sy / fbw) : 0.0f;
      std::fill(smo.begin() + j0, smo.begin() + j + 1, a);
    }
    ++j;
  }
}

void supsmu(std::span<const float> x, std::span<const float> y, std::span<const float> w, int iper, float span,
            float alpha, std::span<float> smo) {
  const int n = static_cast<int>(x.size());
  if (n < 1) return;
  assert(y.size() >= x.size() && w.size() >= x.size() && smo.size() >= x.size());

  if (x[n - 1] <= x[0]) {
    float sy = 0.0f;
    float sw = 0.0f;
    for (int j = 0; j < n; ++j) {
      sy += w[j] * y[j];
      sw += w[j];
    }
    const float a = sw > 0.0f ? sy / sw : 0.0f;
    std::fill_n(smo.begin(), n, a);
    return;
  }

  // Spread of the middle half of the abscissae; the window stays inside the
  // series, and since x[n-1] > x[0] the widening ends.
  int i = std::max(n / 4, 1);
  int j = std::min(3 * i, n);
  float scale = x[j - 1] - x[i - 1];
  while (scale <= 0.0f) {
    if (j < n) ++j;
    if (i > 1) --i;
    scale = x[j - 1] - x[i - 1];
  }
  const float vsmlsq = (kEps * scale) * (kEps * scale);

  int jper = iper;
  if (iper == kPeriodic && (x[0] < 0.0f || x[n - 1] > 1.0f)) jper = kNotPeriodic;
  if (jper < 1 || jper > 2) jper = kNotPeriodic;

  // Too few points for three distinct spans: every window holds the whole
  // series, so the result is the weighted least-squares line.
  if (n < 5) {
    smooth(x, y, w, kWooferSpan, -kNotPeriodic, vsmlsq, smo, {});
    return;
  }

  if (span > 0.0f) {
    std::vector<float>& sc = scratch(x.size());
    smooth(x, y, w, span, jper, vsmlsq, smo, std::span<float>(sc.data(), x.size()));
    return;
  }

  std::vector<float>& sc = scratch(x.size());
  const auto col = [&](int k) { return std::span<float>(sc.data() + static_cast<std::size_t>(k - 1) * n, n); };

  for (int k = 1; k <= 3; ++k) {
    smooth(x, y, w, kSpans[k - 1], jper, vsmlsq, col(2 * k - 1), col(7));
    smooth(x, col(7), w, kMidrangeSpan, -jper, vsmlsq, col(2 * k), {});
  }

  const std::span<float> c1 = col(1), c2 = col(2), c3 = col(3), c4 = col(4), c5 = col(5), c6 = col(6),
                         c7 = col(7);
  for (int p = 0; p < n; ++p) {
    float resmin = kBig;
    const float residuals[3] = {c2[p], c4[p], c6[p]};
    for (int k = 0; k < 3; ++k) {
      if (residuals[k] < resmin) {
        resmin = residuals[k];
        c7[p] = kSpans[k];
      }
    }
    // Bass: move the chosen span towards the woofer the more, the closer
    // the woofer's residual comes to the best one.
    if (alpha > 0.0f && alpha <= 10.0f && resmin < c6[p] && resmin > 0.0f) {
      c7[p] = c7[p] + (kSpans[2] - c7[p]) * std::pow(std::max(kSml, resmin / c6[p]), 10.0f - alpha);
    }
  }

  smooth(x, c7, w, kMidrangeSpan, -jper, vsmlsq, c2, {});

  for (int p = 0; p < n; ++p) {
    if (c2[p] <= kSpans[0]) c2[p] = kSpans[0];
    if (c2[p] >= kSpans[2]) c2[p] = kSpans[2];
    float f = c2[p] - kSpans[1];
    if (f >= 0.0f) {
      f = f / (kSpans[2] - kSpans[1]);
      c4[p] = (1.0f - f) * c3[p] + f * c5[p];
    } else {
      f = -f / (kSpans[1] - kSpans[0]);
      c4[p] = (1.0f - f) * c3[p] + f * c1[p];
    }
  }

  smooth(x, c4, w, kTweeterSpan, -jper, vsmlsq, smo, {});
}

}  // namespace qb
