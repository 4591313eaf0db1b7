#include "dialogue/index_type_menu.hpp"

namespace qb {

void ask_index_type(ProgramKind kind, Console& console, AnalysisOptions& options) {
  const bool list_file = kind == ProgramKind::kListFile;
  options.residuals = false;
  options.power_transform = false;
  while (true) {
    if (list_file) {
      console.write("(/1x,'Compute Indices by [R]atios or residual<[S]>',t50,'==> ',$)");
    } else {
      console.write("(/1x,'Compute Indices by [R]atios or residual[S]',t50,'==> ',$)");
    }
    char answer = first_char(console.read_line());
    if (answer == ' ' && list_file) answer = 'S';
    if (answer == 'R' || answer == 'r') return;
    if (answer == 'S' || answer == 's') {
      options.residuals = true;
      if (list_file) {
        console.write("(/1x,'Power transform data? <[T]>rue or [F]alse',t50,'==> ',$)");
      } else {
        console.write("(/1x,'Power transform data? [T]rue or [F]alse',t50,'==> ',$)");
      }
      char power = first_char(console.read_line());
      if (power == ' ' && list_file) power = 'T';
      options.power_transform = power == 'T' || power == 't';
      return;
    }
    if (answer == '/') {
      console.write("(/1x,'Program Terminating')");
      console.stop();
    }
    console.write("(/1x,'Error reading input [R] or [S]. Try again or enter / to exit')");
  }
}

void echo_index_type(ProgramKind kind, ReportFile& report, const AnalysisOptions& options) {
  if (options.index_mode() == 1) {
    report.write("(/1x,'TREE-RING INDICES ARE CALCULATED AS RATIOS OF EXPECTED GROWTH')");
    return;
  }
  report.write("(/1x,'TREE-RING INDICES ARE CALCULATED AS RESIDUALS FROM EXPECTED GROWTH')");
  if (options.index_mode() == 3 && kind == ProgramKind::kListFile) {
    report.write("(1x,'ADAPTIVE POWER TRANSFORMATIONS APPLIED TO THE TREE-RING DATA')");
  }
}

}  // namespace qb
