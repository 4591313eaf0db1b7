#include "detrend/running_medians.hpp"

#include <cmath>
#include <cstddef>
#include <vector>

#include "detrend/heapsort.hpp"
#include "platform/console.hpp"

namespace qb {
namespace {

int check_input(std::size_t n, int window, int nmax) {
  int error = 0;
  if (static_cast<long long>(n) < window || static_cast<long long>(n) > nmax) error = kMedianInputLength;
  if (window < 1 || window > nmax) error = kMedianInputWindow;
  return error;
}

// The remainder carries the sign of the window, so a negative window is
// never odd.
bool is_odd(int window) { return window % 2 == 1; }

}  // namespace

int msmoo(std::span<const float> x, std::span<float> smo, int window, int nmax) {
  const std::size_t n = x.size();
  int error = check_input(n, window, nmax);
  if (!is_odd(window)) error = kMedianWindowNotOdd;
  if (error != 0) {
    console().write("(/1x,'input error ',i1,' in msmoo.')", error);
    console().pause("");
    return error;
  }
  if (window == 1) {
    for (std::size_t i = 0; i < n; ++i) smo[i] = x[i];
    return 0;
  }
  const std::size_t h = static_cast<std::size_t>((window - 1) / 2);
  std::vector<float> work(static_cast<std::size_t>(window));
  for (std::size_t i = h; i + h < n; ++i) {
    for (std::size_t k = 0; k < work.size(); ++k) work[k] = x[i - h + k];
    sort(work);
    smo[i] = work[h];
  }
  for (std::size_t i = 0; i < h; ++i) {
    smo[i] = smo[h];
    smo[n - 1 - i] = smo[n - 1 - h];
  }
  return 0;
}

RunningMedianResult msmoor(std::span<float> x, std::span<float> smo, int& window, int nmax) {
  RunningMedianResult r;
  const std::size_t n = x.size();
  r.error = check_input(n, window, nmax);
  if (!is_odd(window)) {
    --window;
    if (!is_odd(window)) r.error = kMedianWindowNotOdd;
  }
  if (r.error != 0) {
    console().write("(/1x,'input error ',i1,' in msmoor.')", r.error);
    console().pause("");
    return r;
  }
  for (int pass = 1; pass <= kMedianMaxPasses; ++pass) {
    r.passes = pass;
    const int error = msmoo(x, smo, window, nmax);
    if (error != 0) {
      r.error = error + kMedianPassFailed;
      return r;
    }
    float change = 0.0f;
    for (std::size_t i = 0; i < n; ++i) change += std::fabs(x[i] - smo[i]);
    if (change < 1.0e-6f) return r;
    for (std::size_t i = 0; i < n; ++i) x[i] = smo[i];
  }
  r.error = kMedianPassLimit;
  console().write("(/1x,a,a)", "*** maximum iterations reached in ", "msmoor ***");
  return r;
}

}  // namespace qb
