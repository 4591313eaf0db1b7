// Repeated running medians (Tukey's smoothing by medians of an odd window,
// repeated until the series stops changing), with flat ends.
#pragma once

#include <span>

#include "platform/bounds.hpp"

namespace qb {

// Error codes of the running medians.
inline constexpr int kMedianInputLength = 1;   // n < window or n > nmax
inline constexpr int kMedianInputWindow = 2;   // window < 1 or window > nmax
inline constexpr int kMedianWindowNotOdd = 3;  // even window (after msmoor's adjustment)
inline constexpr int kMedianPassFailed = 10;   // 10 + the code of a failed pass
inline constexpr int kMedianPassLimit = 20;    // 10 passes without convergence
inline constexpr int kMedianMaxPasses = 10;

struct RunningMedianResult {
  int error = 0;
  int passes = 0;
};

// Smooths x (n = x.size()) into smo by running medians of `window` points
// until a pass changes the series by less than 1e-6 in sum, at most 10
// passes. x is overwritten with the intermediate smooths. An even window is
// used one smaller and written back. On an input error the console shows
// "input error N in msmoor.", pauses, and smo is not written. After 10 passes
// smo holds the tenth and the error is kMedianPassLimit.
RunningMedianResult msmoor(std::span<float> x, std::span<float> smo, int& window, int nmax = kMaxYears);

// One pass: smo(i) is the median of the window centred on i where the window
// fits; the ends repeat the first and last such median. Returns the error
// code (input errors are reported as in msmoor, "in msmoo.").
int msmoo(std::span<const float> x, std::span<float> smo, int window, int nmax = kMaxYears);

}  // namespace qb
