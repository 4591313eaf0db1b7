// Ending the program from deep inside a dialogue or a kernel.
#pragma once

namespace qb {

// Thrown to end the program; run_program() catches it and main() returns the
// exit code. Unwinding closes every open file, so a stop never leaves a file
// half written without its buffered lines (and a close that fails is told).
struct ProgramStop {
  int exit_code = 0;
};

inline constexpr int kExitNormal = 0;
inline constexpr int kExitAbnormal = 1;

}  // namespace qb
