#include "dialogue/curve_fit_menu.hpp"

#include "detrend/curve_fits.hpp"
#include "detrend/regional_curve.hpp"
#include "dialogue/menu_answers.hpp"
#include "series/pith_offsets.hpp"

namespace qb {
namespace {

constexpr int kSuperSmoother = -5;
constexpr int kRegional = -2;
constexpr int kRawDataAverage = 0;
constexpr int kAgeDependentSpline = 8;
constexpr int kMedianLengthSpline = 9;
// The shortest fixed spline; option 9 falls back to it for short series.
constexpr int kShortestFixedSpline = 10;

// The general menu's codes: the per-series curves, and those the menu
// turns into a curve itself. Any other code would give no curve of its own,
// so a mistyped code is asked again rather than standardised with.
bool general_menu_code(int option) {
  return option == kRawDataAverage || option == kRegional || option == kMedianLengthSpline ||
         names_series_curve(option);
}

void show_general_menu(Console& c) {
  c.write("(1x,'General Curve fit options:'/)");
  c.write("(1x,'Spline percent N filter (variable)  .le.  -10')");
  c.write("(1x,'Friedman variable span smoother',t45,'-5')");
  c.write("(1x,'Regional Curve Standardization (RCS)',t45,'-2')");
  c.write("(1x,'Raw data average, followed by Opt 6',t46,'0')");
  c.write("(1x,'Neg Expon/linear any slope',t46,'1')");
  c.write("(1x,'Neg Expon/linear neg slope',t46,'2')");
  c.write("(1x,'Linear regression any slope',t46,'3')");
  c.write("(1x,'Linear regression neg slope',t46,'4')");
  c.write("(1x,'Horizontal line through mean',t46,'6')");
  c.write("(1x,'Age-dependent spline smoothing',t45,'<8>')");
  c.write("(1x,'Median segment length spline',t46,'9')");
  c.write("(1x,'Spline filter in years (fixed .ge. 10)',t45,'10')");
  c.write("(1x,'Opt <8> is default, hit <RET> for it',t50,'==> ',$)");
}

// Friedman's super smoother: the bass ("tweeter") value 0-9.
int ask_alpha(Console& c) {
  while (true) {
    const int alpha = ask_integer(
        c,
        [&] {
          c.write("(/1x,'Enter the Friedman tweeter (alpha) 0-9'/1x,'An alpha=7 is suggested to begin with.'"
                  "/1x,'It imparts moderate flexibility to the'/1x,'super smoother. Alpha=9 is the stiffest'"
                  "/1x,'and alpha=0 is the most flexible curve.')");
          c.write("(1x,'Enter your value, hit <RET> for 7',t50,'==> ',$)");
        },
        "7");
    if (alpha >= 0 && alpha <= 9) return alpha;
    c.write("(1x,'Friedman tweeter not in admissible range')");
  }
}

// A spline stiffness below one year would put a period of 0 into the
// age-dependent spline's smoothing value (2 pi / period), which yields no curve.
int ask_stiffness(Console& c, const std::function<void()>& show_prompt, std::string_view default_text) {
  while (true) {
    const int stiffness = ask_integer(c, show_prompt, default_text);
    if (stiffness >= 1) return stiffness;
    c.write("(1x,'The spline stiffness must be at least 1 year.')");
  }
}

int ask_series_stiffness(ProgramKind kind, Console& c) {
  return ask_stiffness(
      c,
      [&] {
        c.write("(/1x,'For the age-dependent spline you must'/1x,'enter a starting spline stiffness. For'"
                "/1x,'detrending individual series, an initial')");
        if (kind == ProgramKind::kListFile) {
          c.write("(1x,'value that appears work okay is 20 yrs or')");
          c.write("(1x,'enter your own value. Hit <RET> for 20.',t50,'==> ',$)");
        } else {
          c.write("(1x,'value that appears work well is 20 yrs.')");
          c.write("(1x,'Enter your value, hit <RET> for 20',t50,'==> ',$)");
        }
      },
      "20");
}

int ask_regional_stiffness(Console& c) {
  return ask_stiffness(
      c,
      [&] {
        c.write("(/1x,'For using the age-dependent spline with RCS'/1x,'enter an initial spline stiffness to smooth'"
                "/1x,'the mean biologically aged-aligned tree rings.'"
                "/1x,'A suggested initial value to try is 10 yrs.')");
        c.write("(1x,'Enter your value, hit <RET> for 10',t50,'==> ',$)");
      },
      "10");
}

void show_sub_menu(Console& c) {
  c.write("(1x,'Select RCS curve fit options:'//)");
  c.write("(t3,'  -5:  friedman super smoother        lower alpha (0-9) gives more local fit')");
  c.write("(t3,'  -4:  robust lowess smoother         integer percent of series length <Not Yet>')");
  c.write("(t3,'  -3:  median smoothing               must have odd window length <full length only>')");
  c.write("(t3,'  -2:  Age-dependent spline smoothing')");
  c.write("(t3,'   1:  neg expon curve, no = opt 4    f(i) = a*exp(-b*t(i)) + d    (d>0)')");
  c.write("(t3,'   2:  neg expon curve, no = opt 5    f(i) = a*exp(-b*t(i)) + d    (d>0)')");
  c.write("(t3,'   3:  neg expon curve  (general)     f(i) = a*exp(-b*t(i+p)) + d (any d)')");
  c.write("(t3,'   4:  linear regression (any slope)  f(i) = +/-c*t(i) + d')");
  c.write("(t3,'   5:  linear regression (neg slope)  f(i) = -c*t(i) + d   ')");
  c.write("(t3,'   6:  horizontal line through mean   f(i) = mean(y(i)) = d')");
  c.write("(t3,'   7:  hugershoff growth function     f(i) = a*t(i+p)**b * exp(-c*t(i+p)) + d')");
  c.write("(t3,'   8:  general exponential (b = 1)    f(i) = a*t(i+p)**b * exp(-c*t(i+p)) + d')");
  c.write("(t3,'  >9: cubic smoothing spline         fixed 50 pct variance cutoff')");
  c.write("(t3,' <-9: cubic smoothing spline         pct n 50 pct variance cutoff')");
  c.write("(t3,'enter  option  (x to start over)  ==> ',$)");
}

// The regional lowess and running-median windows: a number of years above 2
// (odd for the medians), or a percent of the series length from -1 to -100.
std::optional<int> ask_regional_window(Console& c, int option) {
  if (option == kRegionalLowess) {
    c.write("(1x,'enter the lowess window width'/1x,'fixed for all series: a positive integer >2')");
  } else {
    c.write("(1x,'enter the median window width'/1x,'fixed for all series: a positive odd integer >2')");
  }
  c.write("(1x,'and less then the shortest series length, or'/1x,'percent of series length: a negative integer')");
  c.write("(1x,'between -1 and -100, inclusive',t45,'==> ',$)");
  const std::optional<int> window = c.read_free_integer();
  if (!window) return std::nullopt;
  const bool percent = *window >= -100 && *window <= -1;
  const bool years = *window > 2 && (option == kRegionalLowess || *window % 2 != 0);
  if (!percent && !years) return std::nullopt;
  return window;
}

}  // namespace

CurveFitDialogue curve_fit_menu(ProgramKind kind, Console& console, AnalysisOptions& options,
                                const CurveFitContext& context) {
  while (true) {
    std::optional<int> option;
    while (!option) {
      show_general_menu(console);
      const std::string answer = console.read_line();
      stop_on_slash(console, answer);
      option = integer_answer(answer_or_default(answer, "8"));
      if (option && !general_menu_code(*option)) option.reset();
    }
    options.curve_option = *option;
    if (*option == kRegional) {
      if (kind == ProgramKind::kInteractive) return CurveFitDialogue::kOptionChosen;
      const CurveFitDialogue outcome = rcs_option(console, options, context.data_set_name);
      if (outcome == CurveFitDialogue::kStartOver) continue;
      return outcome;
    }
    // The regional flag follows the current choice, so that a per-series curve
    // code is never read as a regional one.
    options.regional = false;
    options.different_regional_curve = false;
    switch (*option) {
      case kSuperSmoother: options.alpha = ask_alpha(console); break;
      case kAgeDependentSpline: options.stiffness = ask_series_stiffness(kind, console); break;
      case kMedianLengthSpline:
        options.curve_option = context.median_segment_length;
        // Below 10 years the median would fall on a code of another meaning.
        if (options.curve_option < kShortestFixedSpline) {
          console.write("(1x,'Median segment length below 10 years (',i2,'): a fixed 10-year spline is used.')",
                        options.curve_option);
          options.curve_option = kShortestFixedSpline;
        }
        break;
      default: break;
    }
    return CurveFitDialogue::kOptionChosen;
  }
}

CurveFitDialogue rcs_option(Console& console, AnalysisOptions& options, std::string_view data_set_name) {
  options.regional = true;
  if (options.different_regional_curve) return rcs_sub_menu(console, options);
  options.curve_option = kRegional;
  options.stiffness = ask_regional_stiffness(console);
  options.pith_offset_file = pithy(options.pith_offsets, options.pith_offset_file, data_set_name);
  return CurveFitDialogue::kOptionChosen;
}

CurveFitDialogue rcs_sub_menu(Console& console, AnalysisOptions& options) {
  while (true) {
    show_sub_menu(console);
    const std::optional<int> option = console.read_free_integer();
    if (!option) return CurveFitDialogue::kStartOver;
    if (!names_regional_curve(*option)) continue;
    switch (*option) {
      case kSuperSmoother:
        options.alpha = ask_alpha(console);
        options.rcs_window = options.alpha;
        break;
      case kRegionalLowess:
      case kRegionalRunningMedians: {
        const std::optional<int> window = ask_regional_window(console, *option);
        if (!window) continue;
        options.rcs_window = *window;
        break;
      }
      case kRegional: options.stiffness = ask_regional_stiffness(console); break;
      default: break;
    }
    options.curve_option = *option;
    return CurveFitDialogue::kRegionalCurveChosen;
  }
}

void echo_curve_fit_option(ReportFile& report, const AnalysisOptions& options) {
  report.write("(/1x,'CURVE FIT OPTION:')");
  const int option = options.curve_option;
  const auto line = [&](std::string_view text) { report.write("(1x,a,'  OPT',i5)", text, option); };
  if (option <= -10) {
    line("SPLINE PCT N FILTER (VARIABLE) .LE. -10:");
  } else if (option == kSuperSmoother) {
    report.write("(1x,'FRIEDMAN VARIABLE SPAN SMOOTHER AND ALPHA:','  OPT',2i5)", option, options.alpha);
  } else if (option == kRegional) {
    line("REGIONAL CURVE STANDARDIZATION (RCS):");
  } else if (option == 0) {
    line("NO DETRENDING (MEAN OF RAW DATA):");
  } else if (option == 1) {
    line("NEG EXPON/LINEAR ANY SLOPE:");
  } else if (option == 2) {
    line("NEG EXPON/LINEAR NEG SLOPE:");
  } else if (option == 3) {
    line("LINEAR REGRESSION ANY SLOPE:");
  } else if (option == 4) {
    line("LINEAR REGRESSION NEG SLOPE:");
  } else if (option == 6) {
    line("HORIZONTAL LINE THROUGH MEAN:");
  } else if (option == kAgeDependentSpline) {
    report.write("(1x,'AGE-DEPENDENT SPLINE SMOOTHING AND START:','  OPT',2i5)", option, options.stiffness);
  } else if (option == kMedianLengthSpline) {
    line("MEDIAN SEGMENT LENGTH SPLINE:");
  } else if (option >= 10) {
    line("SPLINE FILTER IN YEARS (FIXED) .GE. 10:");
  }
}

}  // namespace qb
