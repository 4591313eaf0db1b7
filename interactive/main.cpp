// Quellbard_v45_v2e-1: the interactive program.
#include "dialogue/program_run.hpp"
#include "interactive/interactive_program.hpp"
#include "platform/startup_environment.hpp"

int main() {
  qb::prepare_program_start();
  return qb::run_program(qb::console(), qb::kInteractiveVersion, qb::run_interactive_program);
}
