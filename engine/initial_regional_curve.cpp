#include "detrend/common_interval.hpp"
#include "engine/engine_call.hpp"
#include "platform/console.hpp"
#include "plots/biological_age_plots.hpp"

namespace qb {

namespace {

// A [T]rue / <[F]>alse question: blank, F and f are false.
bool ask_true_false(std::string_view format) {
  console().write(format);
  const char answer = first_char(console().read_line());
  return answer != ' ' && answer != 'F' && answer != 'f';
}

void warn_if_curve_goes_negative(const EngineState& state) {
  for (int a = state.regional_shift; a < state.regional_curve_length; ++a) {
    const float value = state.fitted_curve[a];
    if (value <= 0.0f && !is_missing(value)) {
      console().write("(/3x,'**************** WARNING ****************')");
      console().write("(3x,'    Regional Curve goes south (negative) ')");
      console().write("(3x,' Suggest choosing another RCS configuration.')");
      console().write("(/3x,'**************** WARNING ****************')");
      console().pause("                   Hit RETURN to Continue");
      return;
    }
  }
}

// The age beyond which the regional model is not estimated: an integer
// within the curve, asked again until one is typed.
int ask_cutoff_age(int curve_length) {
  while (true) {
    console().write("(//3x,'Enter Biological Year beyond which not to use')");
    console().write("(3x,'in the estimation of the Regional model',t50,'==> ',$)");
    const auto age = console().read_free_integer();
    if (age && *age >= 1 && *age <= curve_length) return *age;
  }
}

void show_common_interval(const EngineCall& call) {
  std::vector<int> first_years(call.ns);
  for (int j = 0; j < call.ns; ++j) first_years[j] = call.data.spans[j].first_year;
  comint(first_years, call.data.ids, call.state.series_lengths);
}

}  // namespace

bool initial_regional_curve(EngineCall& call) {
  EngineState& state = call.state;
  state.regional_cutoff_age = 0;
  state.regional_truncated = false;
  while (true) {
    fit_regional_curve(call, call.data.x, call.results.curve_option);
    draw_regional_fit(state, "Initial RC and MVF fit             ");
    state.regional_curves.clear();
    store_regional_curve(call);
    warn_if_curve_goes_negative(state);

    state.different_regional_curve =
        ask_true_false("(/1x,'Different RCS detrending? [T]rue or <[F]>alse',t50,'==> ',$)");
    if (state.different_regional_curve) return false;

    state.regional_truncated =
        ask_true_false("(/1x,'Truncate Regional Curve?  [T]rue or <[F]>alse',t50,'==> ',$)");
    if (!state.regional_truncated) break;
    show_common_interval(call);
    state.regional_cutoff_age = ask_cutoff_age(state.regional_curve_length - state.regional_shift);
  }
  state.plot_tree_rings = ask_true_false("(/1x,'Plot lots of tree rings?  [T]rue or <[F]>alse',t50,'==> ',$)");
  return true;
}

}  // namespace qb
