// Quellbard_v47b_batch: the list-file program.
#include "batch/batch_program.hpp"
#include "dialogue/program_run.hpp"
#include "platform/startup_environment.hpp"

int main() {
  qb::prepare_program_start();
  return qb::run_program(qb::console(), qb::kBatchVersion, qb::run_batch_program);
}
