// How the chronology is built and iterated: mean type, running RBAR window,
// extra spline stabilisation, convergence threshold and Hald's convergence
// tweaks, with their lines in the report file.
#pragma once

#include "dialogue/analysis_options.hpp"
#include "dialogue/program_texts.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"

namespace qb {

// Arithmetic or Tukey biweight mean (the default). An answer other than "1"
// or "2" ends the list-file program abnormally; the interactive program shows
// the menu again.
void mean_type_menu(ProgramKind kind, Console& console, AnalysisOptions& options);
void echo_mean_type(ReportFile& report, const AnalysisOptions& options);

// Running RBAR window: 0 skips the variance stabilisation, otherwise at
// least 25 years; an even width is raised by one.
void rbar_window_prompt(Console& console, AnalysisOptions& options);
void echo_rbar_window(ReportFile& report, const AnalysisOptions& options);

// Extra spline stabilisation (asked only with an RBAR window of 25 or more).
// The interactive program writes no report line for it.
void stabilisation_menu(Console& console, AnalysisOptions& options);
void echo_stabilisation(ReportFile& report, const AnalysisOptions& options);

// Settings every data set takes without a question: the engine's switches
// and the copy of the stabilisation option that the engine may change.
void apply_fixed_settings(AnalysisOptions& options);

// Convergence threshold: 0.0005, 0.0001 (the default) or typed.
void convergence_menu(Console& console, AnalysisOptions& options);

// Hald's convergence tweaks: always used by the list-file program, asked by
// the interactive program.
void hald_tweaks(ProgramKind kind, Console& console, AnalysisOptions& options);
void echo_hald_tweaks(ReportFile& report, const AnalysisOptions& options);

}  // namespace qb
