#include <cmath>
#include <optional>
#include <string>

#include "detrend/smoothing_spline.hpp"
#include "engine/chronology_scaling.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "platform/bounds.hpp"
#include "platform/console.hpp"
#include "platform/record_format.hpp"

namespace qb {

namespace {

// A period of -10 or less is a percentage of the chronology length; the
// conversion is made in single precision.
int period_in_years(int period, int years) {
  if (period > -10) return period;
  return static_cast<int>(std::fabs(static_cast<float>(period) / 100.0f * static_cast<float>(years)));
}

bool wants_final_detrending() {
  console().write("(/1x,'Final RCS chronology detrending? Y/<N>',t50,'==> ',$)");
  const char answer = first_char(console().read_line());
  return answer == 'Y' || answer == 'y';
}

// Asked until the answer is a period of at least ten years or ten percent.
int ask_period() {
  while (true) {
    console().write(
        "(/1x,'Okay, enter spline detrending in years'/"
        "1x,'Smoothing spline (percent N cutoff)',t39,'<-9'/"
        "1x,'Smoothing spline (fixed Yrs cutoff)',t39,'>+9',t50,'==> ',$)");
    const std::optional<int> period = console().read_free_integer();
    if (period && (*period < -9 || *period > 9)) return *period;
  }
}

bool happy_with_detrending() {
  console().write("(/1x,'Happy with the final RCS detrending? <Y>/N',t50,'==> ',$)");
  const char answer = first_char(console().read_line());
  return answer != 'N' && answer != 'n';
}

}  // namespace

void final_detrending(EngineCall& call, std::vector<float>& chronology) {
  if (!wants_final_detrending()) return;
  const std::vector<float> one = constant_line(call, 1.0f);
  const float mean = statistics_after(chronology, call.state.first_run.nss1).mean;
  std::vector<float> curve(chronology.size());
  std::vector<float> detrended(chronology.size());
  while (true) {
    const int period = period_in_years(ask_period(), call.nyr);
    spline(chronology, curve, period);
    if (spline_failed(curve.front())) {
      // Too few years for a spline: nothing can be removed.
      constexpr const char* kFailed = "(/1x,'Spline detrending not possible: chronology kept as it is')";
      console().write(kFailed);
      call.report.echo(kFailed);
      return;
    }
    const std::string legend = format_record("('Spline in Yrs:',1x,i5,$)", period);
    draw_over_years(call, chronology, curve, one,
                    {"Final Detrending of the RCS Signal Free Indices", "Indices", " RCS tree-ring indices", legend,
                     1, 2, 1});
    for (std::size_t r = 0; r < chronology.size(); ++r) detrended[r] = chronology[r] - curve[r] + mean;
    draw_over_years(call, chronology, detrended, one,
                    {"Final Detrending of the RCS Signal Free Chronology", "Indices", "Original RCS Crn",
                     "Detrended RCS Crn", 1, 1, 2});
    if (happy_with_detrending()) break;
  }
  chronology = std::move(detrended);
}

}  // namespace qb
