// The choice of the detrending curve: the general curve-fit menu with its
// follow-up prompts, the regional curve standardisation (RCS) option and the
// regional curve sub-menu, and the curve's line in the report file.
#pragma once

#include <string_view>

#include "dialogue/analysis_options.hpp"
#include "dialogue/program_texts.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"

namespace qb {

// How a curve-fit dialogue ended.
enum class CurveFitDialogue {
  // A curve was chosen; its report line and the remaining option menus follow.
  kOptionChosen,
  // A regional curve was chosen from the regional curve sub-menu; the next
  // engine run follows at once, with no report line.
  kRegionalCurveChosen,
  // "Start over" at the regional curve sub-menu: the general menu again.
  kStartOver,
};

// What the curve-fit dialogue needs to know of the data set.
struct CurveFitContext {
  // Shown by the pith offset question.
  std::string_view data_set_name;
  // Median series length of the set as selected, for option 9.
  int median_segment_length = 0;
};

// The general curve-fit menu and the follow-up of the chosen option. An
// answer that is not an integer, or a code that names no curve, shows the
// menu again. Any option other than the regional one clears the regional flag (and a pending
// request for another regional curve). In the list-file program the
// regional option (-2) runs rcs_option() at once; the interactive program
// calls it itself after the report line. Never returns kStartOver.
CurveFitDialogue curve_fit_menu(ProgramKind kind, Console& console, AnalysisOptions& options,
                                const CurveFitContext& context);

// The regional option: sets the regional flag. Unless the engine asked for
// another regional curve, sets the curve option -2, asks the spline
// stiffness and the pith offset question (kOptionChosen); otherwise shows
// the regional curve sub-menu.
CurveFitDialogue rcs_option(Console& console, AnalysisOptions& options, std::string_view data_set_name);

// The regional curve sub-menu, shown when the engine asks for another
// regional curve: kRegionalCurveChosen, or kStartOver when the answer is not
// a number. A code that names no regional curve shows it again.
CurveFitDialogue rcs_sub_menu(Console& console, AnalysisOptions& options);

// "CURVE FIT OPTION:" and the line of the chosen option.
void echo_curve_fit_option(ReportFile& report, const AnalysisOptions& options);

}  // namespace qb
