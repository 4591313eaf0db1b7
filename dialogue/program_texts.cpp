#include "dialogue/program_texts.hpp"

#include "platform/bounds.hpp"

namespace qb {

void write_banner(Console& console, ProgramKind kind, std::string_view version) {
  const auto line = [&](std::string_view text) { console.write("(t17,a)", text); };
  line("**********************************");
  line("**********************************");
  line("***                            ***");
  line("***     Program  Quellbard     ***");
  line("***                            ***");
  if (kind == ProgramKind::kListFile) {
    line("***    List File Version to    ***");
    line("***    Speed the Processing    ***");
    line("***    of Multiple Data Sets   ***");
    line("***                            ***");
  }
  line("***       Creation Date:       ***");
  line("***         03/01/2016         ***");
  line("***                            ***");
  line("***       Programmed by:       ***");
  line("***   The Quellbard project,   ***");
  line("***   C++ edition of the       ***");
  line("***   signal-free standardiser ***");
  line("***                            ***");
  console.write("(t17,'***     Max Series:  ',i4,'      ***')", kMaxSeries);
  console.write("(t17,'***     Max Years :  ',i4,'      ***')", kMaxYears);
  line("***                            ***");
  if (kind == ProgramKind::kListFile) {
    console.write("(t17,'******* Version ',a,' ********')", version);
  } else {
    console.write("(t17,'********* Version ',a,'*********')", version);
  }
  line("**********************************");
}

void write_gap_warning(Console& console) {
  const auto line = [&](std::string_view text) { console.write("(1x,a)", text); };
  line("*******************************************************************");
  line("*** WARNING: THERE IS NO GAP FILLING CAPACITY IN THIS PROGRAM.  ***");
  line("*** SO IF YOU HAVE GAPS INDICATED BY NEGATIVE VALUES (NO -9999) ***");
  line("*** RUN THE DATA THROUGH KELMOR FIRST AND USE THE SAVE SERIES   ***");
  line("*** OPTION 18 AND THE TUCSON RWL FORMAT SAVE OPTION TO PROVIDE  ***");
  line("*** THE GAP-FILLED DATA FOR USING IN THIS PROGRAM. CLEVER, HUH? ***");
  line("*******************************************************************");
}

void write_normal_termination(Console& console, std::string_view version) {
  console.write("(1x,'Normal termination of program Quellbard_Version ',a/)", version);
  console.write("(1x,'Hit RETURN to Quit',$)");
}

void write_abnormal_termination(Console& console, std::string_view version) {
  console.write("(1x,'Abnormal termination of program Quellbard_Version ',a/)", version);
  console.write("(1x,'Hit RETURN to Quit',$)");
}

}  // namespace qb
