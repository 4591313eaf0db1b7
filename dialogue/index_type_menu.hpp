// Index type (ratios or residuals) and the adaptive power transformation.
#pragma once

#include "dialogue/analysis_options.hpp"
#include "dialogue/program_texts.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"

namespace qb {

// Asks for ratios or residuals and, with residuals, whether the data are to
// be power transformed. The list-file program offers residuals and the
// transformation as defaults; the interactive program has no defaults (a
// blank answer to the first question is refused, to the second means no).
void ask_index_type(ProgramKind kind, Console& console, AnalysisOptions& options);

// The index type lines of the report file. The interactive program leaves
// out the line on the power transformation (the engine runs report it).
void echo_index_type(ProgramKind kind, ReportFile& report, const AnalysisOptions& options);

}  // namespace qb
