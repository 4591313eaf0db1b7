#include "detrend/series_mean.hpp"

#include <algorithm>

#include "platform/console.hpp"
#include "platform/program_stop.hpp"

namespace qb {

void xmean(std::span<const float> x, std::span<float> y) {
  if (x.empty()) {
    console().write("(/1x,'error in xmean: n=0')");
    console().pause(" ");
    console().stop({}, kExitAbnormal);
  }
  float sum = 0.0f;
  for (float v : x) sum += v;
  const float mean = sum / static_cast<float>(x.size());
  std::fill(y.begin(), y.end(), mean);
}

}  // namespace qb
