#include <optional>
#include <string>

#include "detrend/variance_stabilisation.hpp"
#include "engine/chronology_scaling.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "platform/console.hpp"
#include "platform/record_format.hpp"
#include "platform/text_file.hpp"
#include "series/text_utilities.hpp"

namespace qb {

namespace {

constexpr int kNoStabilisation = 0;
constexpr int kAgeDependentSpline = 1;
// Options 2..9 and -9..-1 name no spline: a fixed spline needs at least ten
// years, a percentage at least ten percent.
constexpr int kShortestSpline = 10;

bool admissible_option(int option) {
  return option == kNoStabilisation || option == kAgeDependentSpline || option >= kShortestSpline ||
         option <= -kShortestSpline;
}

struct PassTexts {
  std::string_view spline_title;
  std::string_view detrended_title;
  std::string_view rbar_legend;
  std::string_view detrended_legend;
};

PassTexts pass_texts(const EngineCall& call, StabilisationPass pass) {
  if (pass == StabilisationPass::kStandard) {
    return {"Spline Detrending of Running RBAR Stabilized Indices",
            raw_or_standard(call, "RBAR Only Vs. Detrended RBAR Stabilized Raw Data Indices",
                            "RBAR Only Vs. Detrended RBAR Stabilized Standard Indices"),
            raw_or_standard(call, "RBAR Stablized RAW Crn", "RBAR Stablized STD Crn"),
            raw_or_standard(call, "DETR Stablized RAW Crn", "DETR Stablized STD Crn")};
  }
  return {"Spline Detrending of RBAR Stabilized Signal Free Indices",
          "RBAR Only Vs. Detrended RBAR Stabilized Sig Free Indices",
          raw_or_standard(call, "RBAR Stablized RAW Crn", "RBAR Stablized SSF Crn"),
          raw_or_standard(call, "DETR Stablized RAW Crn", "DETR Stablized SSF Crn")};
}

// One stabilisation of the column with the current option: the absolute
// deviations, the spread curve fitted to them and the stabilised
// chronology, with the stiffness in years the fixed spline used.
struct SplineResult {
  bool stabilised = false;
  std::vector<float> deviations;
  std::vector<float> curve;
  std::vector<float> chronology;
  int stiffness = 0;
};

SplineResult stabilise(const EngineCall& call, std::span<const float> column, int option) {
  SplineResult result;
  result.deviations.assign(column.begin(), column.end());
  result.chronology.assign(column.begin(), column.end());
  result.curve.assign(column.size(), 0.0f);
  const std::span<const int> depth(call.state.rbar_depth);
  if (option == kAgeDependentSpline) {
    result.stabilised = stabit(result.deviations, result.curve, result.chronology, depth);
  } else {
    result.stiffness = option;
    result.stabilised = stabit1(result.deviations, result.curve, result.chronology, depth, result.stiffness);
  }
  return result;
}

void report_stabilisation(EngineCall& call, int option, const SplineResult& result) {
  if (option == kAgeDependentSpline) {
    call.report.write("(/1x,'DEFAULT AGE-DEPENDENT SPLINE VARIANCE STABILIZATION APPLIED')");
  } else {
    call.report.write("(/1x,'FIXED FILTER SPLINE VARIANCE STABILIZATION APPLIED: ',I4)", result.stiffness);
  }
}

void draw_spline(const EngineCall& call, const PassTexts& texts, int option, const SplineResult& result) {
  // The legend names the spline: the age-dependent one, or a fixed one by
  // its stiffness in years.
  std::string legend;
  if (option == kAgeDependentSpline) {
    legend = "Age-Dependent Spline";
  } else {
    legend = format_record("('Spline in Yrs:',1x,i5,$)", result.stiffness);
  }
  const std::vector<float> zero = constant_line(call, 0.0f);
  draw_over_years(call, result.deviations, result.curve, zero,
                  {texts.spline_title, "Indices", "  Absolute Differences", legend, 1, 2, 1});
}

bool happy_with_stabilisation() {
  while (true) {
    console().write("(/1x,'Happy with this spline stabilization? <Y>/N',t50,'==> ',$)");
    const char answer = first_char(console().read_line());
    if (answer == 'Y' || answer == 'y' || answer == ' ') return true;
    if (answer == 'N' || answer == 'n') return false;
    console().write("(/1x,'Y or <RET> for Yes or N for no, okay?')");
  }
}

std::optional<int> option_of(std::string answer) {
  const std::string format = intfrm(answer);
  int option = 0;
  if (read_fields(format, answer, &option) != ReadStatus::kOk) return std::nullopt;
  return option;
}

int ask_stabilisation_option() {
  constexpr std::size_t kAnswerLength = 10;
  while (true) {
    console().write(
        "(/1x,'Additional spline variance stabilization?'/"
        "1x,'No additional spline stabilization',t39,'<0>'/"
        "1x,'Age-dependent spline stabilization',t39,' 1'/"
        "1x,'Smoothing spline (percent N cutoff)',t39,'<-9'/"
        "1x,'Smoothing spline (fixed Yrs cutoff)',t39,'>+9',t50,'==> ',$)");
    std::string answer = fixed_width(console().read_line(), kAnswerLength);
    if (first_char(answer) == '/') console().stop();
    if (first_char(answer) == ' ') answer = fixed_width("0", kAnswerLength);
    const std::optional<int> option = option_of(answer);
    if (option && admissible_option(*option)) return *option;
  }
}

}  // namespace

void spline_stabilisation(EngineCall& call, StabilisationPass pass, std::vector<float>& column) {
  const PassTexts texts = pass_texts(call, pass);
  const bool standard_pass = pass == StabilisationPass::kStandard;
  int& option = call.results.stabilisation;
  while (option != kNoStabilisation) {
    SplineResult result = stabilise(call, column, option);
    if (result.stabilised) {
      if (standard_pass) report_stabilisation(call, option, result);
      draw_spline(call, texts, option, result);
    } else {
      // No spread curve could be fitted (too short a chronology, or one
      // without spread): say so rather than report a stabilisation.
      constexpr const char* kFailed = "(/1x,'Spline variance stabilization not possible: chronology kept as it is')";
      console().write(kFailed);
      call.report.echo(kFailed);
    }
    centre_on_one(result.chronology, statistics_after(result.chronology, call.state.first_run.nss1).mean,
                  NegativeValues::kSetToZero);

    const std::vector<float> one = constant_line(call, 1.0f);
    draw_over_years(call, column, result.chronology, one,
                    {texts.detrended_title, "Indices", texts.rbar_legend, texts.detrended_legend, 1, 1, 2});
    if (happy_with_stabilisation()) {
      column = std::move(result.chronology);
      return;
    }
    option = ask_stabilisation_option();
    if (standard_pass) {
      call.report.write("(/1x,'*******************************************************')");
      call.report.write("(/1x,'DEFAULT SPLINE VARIANCE STABILIZATION CHANGED TO: ',i5)", option);
      call.report.write("(/1x,'*******************************************************')");
    }
  }
}

}  // namespace qb
