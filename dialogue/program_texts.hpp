// The texts both programs open and close a run with.
#pragma once

#include <string_view>

#include "platform/console.hpp"

namespace qb {

enum class ProgramKind { kListFile, kInteractive };

// The box of the program's name, creation date, credits, bounds and version.
void write_banner(Console& console, ProgramKind kind, std::string_view version);
// The box that warns that gaps are not filled.
void write_gap_warning(Console& console);

// "Normal termination ..." / "Abnormal termination ..." and "Hit RETURN to
// Quit"; the caller then waits for Return and stops.
void write_normal_termination(Console& console, std::string_view version);
void write_abnormal_termination(Console& console, std::string_view version);

}  // namespace qb
