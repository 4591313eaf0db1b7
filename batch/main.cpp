// Quellbard_v47b_batch: the list-file program.
#include "batch/batch_program.hpp"
#include "platform/startup_environment.hpp"

int main() {
  qb::prepare_program_start();
  try {
    qb::run_batch_program(qb::console());
  } catch (const qb::ProgramStop& stop) {
    qb::console().flush();
    return stop.exit_code;
  }
}
