// Ending the program from deep inside a dialogue or a kernel.
#pragma once

namespace qb {

// Thrown to end the program; main() catches it and returns the exit code.
// Unwinding closes every open file, so a stop never leaves a file half
// written without its buffered lines.
struct ProgramStop {
  int exit_code = 0;
};

inline constexpr int kExitNormal = 0;
inline constexpr int kExitAbnormal = 1;

}  // namespace qb
