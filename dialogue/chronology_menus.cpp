#include "dialogue/chronology_menus.hpp"

#include <optional>

#include "dialogue/menu_answers.hpp"

namespace qb {

void mean_type_menu(ProgramKind kind, Console& console, AnalysisOptions& options) {
  while (true) {
    console.write("(1x,'How to calculate the mean chronology (/ to stop):')");
    console.write("(1x,'Non-robust arithmetic mean',t39,' 1 ')");
    console.write("(1x,'Robust Tukey biweight mean',t39,'<2>')");
    console.write("(1x,'Robust is default, hit <RET> if you want it',t50,'==> ',$)");
    const std::string answer = console.read_line();
    stop_on_slash(console, answer);
    const char choice = first_char(answer);
    if (choice == ' ' || choice == '2') {
      options.mean_type = kSummaryBiweightMean;
      return;
    }
    if (choice == '1') {
      options.mean_type = kSummaryArithmeticMean;
      return;
    }
    console.write("(/1x,'Mean index choice not admissible')");
    if (kind == ProgramKind::kListFile) console.abnormal_termination();
  }
}

void echo_mean_type(ReportFile& report, const AnalysisOptions& options) {
  if (options.mean_type == kSummaryArithmeticMean) {
    report.write("(1x,'NON-ROBUST ARITHMETIC MEAN CHRONOLOGY CALCULATED:','  ',i5)", options.mean_type);
  } else {
    report.write("(1x,'TUKEY ROBUST BIWEIGHT MEAN CHRONOLOGY CALCULATED:','  ',i5)", options.mean_type);
  }
}

void rbar_window_prompt(Console& console, AnalysisOptions& options) {
  while (true) {
    int window = ask_integer(
        console,
        [&] {
          console.write("(1x,'Enter running RBAR window width for variance'"
                        "/1x,'stabilization. Must be .ge. 25 years and odd.')");
          console.write("(1x,'Default window width is 51 years, 0 to skip',t50,'==> ',$)");
        },
        "51");
    if (window == 0) {
      console.write("(1x,'Running RBAR variance stabilization skipped')");
    } else if (window < 25) {
      // A negative width would slide windows of no years over the data.
      console.write("(1x,'Running RBAR window width must be .ge. 25')");
      continue;
    } else if (window % 2 == 0) {
      ++window;
      console.write("(1x,'Running RBAR window width increased to make it odd: ',i5)", window);
    }
    options.rbar_window = window;
    return;
  }
}

void echo_rbar_window(ReportFile& report, const AnalysisOptions& options) {
  report.write("(1x,'RUNNING RBAR WINDOW WIDTH FOR VARIANCE STABILIZATION: ',i5)", options.rbar_window);
}

void stabilisation_menu(Console& console, AnalysisOptions& options) {
  while (true) {
    console.write("(1x,'Additional spline variance stabilization?')");
    console.write("(1x,'No additional spline stabilization',t39,' 0 ')");
    console.write("(1x,'Age-dependent spline stabilization',t39,'<1>')");
    console.write("(1x,'Smoothing spline (percent N cutoff)',t39,'<-9')");
    console.write("(1x,'Smoothing spline (fixed Yrs cutoff)',t39,'>+9',t50,'==> ',$)");
    const std::string answer = console.read_line();
    stop_on_slash(console, answer);
    const std::optional<int> option = integer_answer(answer_or_default(answer, "1"));
    if (option && (*option == 0 || *option == 1 || *option >= 10 || *option <= -10)) {
      options.stabilisation = *option;
      return;
    }
  }
}

void echo_stabilisation(ReportFile& report, const AnalysisOptions& options) {
  if (options.stabilisation == 1) {
    report.write("(1x,'ADDITIONAL SPLINE VARIANCE STABILIZATION OPTION: AGE-DEPENDENT SPLINE')");
  } else {
    report.write("(1x,'ADDITIONAL SPLINE VARIANCE STABILIZATION OPTION - STANDARD SPLINE: ',i5)",
                 options.stabilisation);
  }
}

void apply_fixed_settings(AnalysisOptions& options) {
  options.engine_switches = {'n', 'y', 'y'};
  options.saved_stabilisation = options.stabilisation;
}

void convergence_menu(Console& console, AnalysisOptions& options) {
  while (true) {
    console.write("(1x,'Enter the signal free convergence test'/1x,'based on minimizing the mean absolute'"
                  "/1x,'differences between the current and'/1x,'preceeding chronologies:   ')");
    console.write("(1x,'  Original Torvel setting   1  0.0005'/1x,'  Current default setting  <2> 0.0001')");
    console.write("(1x,'  **** Roll Your Own ****   3  X.XXXX',t50,'==> ',$)");
    const std::string answer = console.read_line();
    stop_on_slash(console, answer);
    switch (first_char(answer)) {
      case '1': options.threshold = 0.0005f; return;
      case ' ':
      case '2': options.threshold = 0.0001f; return;
      case '3': {
        console.write("(1x,'Okay, enter YOUR convergence test',t50,'==> ',$)");
        if (const std::optional<float> threshold = console.read_free_real()) {
          options.threshold = *threshold;
          return;
        }
        break;
      }
      default: break;
    }
  }
}

void hald_tweaks(ProgramKind kind, Console& console, AnalysisOptions& options) {
  if (kind == ProgramKind::kListFile) {
    options.hald = 'y';
    return;
  }
  while (true) {
    console.write("(/1x,'Use HALD signal free convergence tweaks?'/1x,'Set each chronology mean to exactly 1.0'"
                  "/1x,'and use the more robust median absolute'/1x,'differences instead of mean absolute'"
                  "/1x,'differences for signal free convergence.')");
    console.write("(1x,'Enter <y>/n (default is y for YES, / to exit)',t50,'==> ',$)");
    const std::string answer = console.read_line();
    stop_on_slash(console, answer);
    char hald = first_char(answer);
    if (hald == ' ' || hald == 'Y') hald = 'y';
    if (hald == 'N') hald = 'n';
    if (hald == 'y' || hald == 'n') {
      options.hald = hald;
      return;
    }
    console.write("(/1x,'Answer not entered as y or n')");
  }
}

void echo_hald_tweaks(ReportFile& report, const AnalysisOptions& options) {
  if (options.hald == 'y') {
    report.write("(/1x,'HALD CONVERGENCE CRITERIA USED - SHOULD BE FASTER TO CONVERGE')");
  } else {
    report.write("(/1x,'ORIGINAL CONVERGENCE CRITERIA USED - MAY BE SLOWER TO CONVERGE')");
  }
  report.write("(/1x,'FOR SPLINE AND FRIEDMAN FLEXIBLE CURVE FITS A COUNT-WEIGHTED ',"
               "'CONVERGENCE CRITERION IS USED.')");
  if (options.hald == 'y') {
    report.write("(1x,'THIS SPEEDS CONVERGENCE AND REDUCES THE CHANCES OF EXCESSIVE SIGNAL ','FREE ITERATIONS.')");
  } else {
    report.write("(1x,' REDUCES THE CHANCES OF EXCESSIVE SIGNAL FREE ITERATIONS.')");
  }
}

}  // namespace qb
