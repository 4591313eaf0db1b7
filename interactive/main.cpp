// Quellbard_v45_v2e-1: the interactive program.
#include "interactive/interactive_program.hpp"
#include "platform/startup_environment.hpp"

int main() {
  qb::prepare_program_start();
  try {
    qb::run_interactive_program(qb::console());
  } catch (const qb::ProgramStop& stop) {
    qb::console().flush();
    return stop.exit_code;
  }
}
