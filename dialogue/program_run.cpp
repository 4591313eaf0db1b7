#include "dialogue/program_run.hpp"

#include <exception>
#include <optional>
#include <string>

#include "dialogue/program_texts.hpp"
#include "platform/program_stop.hpp"
#include "platform/text_file.hpp"
#include "plots/plot_file_name.hpp"

namespace qb {
namespace {

int end_abnormally(Console& console, std::string_view version, std::string_view reason) {
  console.write("(/1x,a)", reason);
  write_abnormal_termination(console, version);
  console.wait_before_exit();
  console.flush();
  return kExitAbnormal;
}

}  // namespace

int run_program(Console& console, std::string_view version, const std::function<void(Console&)>& driver) {
  // A failure left over from an earlier run in this process is not this
  // run's, nor are the plot files it saved.
  take_unreported_output_failure();
  forget_written_plot_files();
  std::optional<std::string> reason;
  int exit_code = kExitNormal;
  try {
    driver(console);
  } catch (const ProgramStop& stop) {
    exit_code = stop.exit_code;
  } catch (const OutputFileError& error) {
    reason = error.what();
  } catch (const std::exception& error) {
    reason = std::string("Internal error: ") + error.what();
  } catch (...) {
    reason = "Internal error of unknown kind";
  }
  // Only the first failure is told: files that the unwinding closed after it
  // may have failed for the same reason.
  const std::optional<std::string> lost = take_unreported_output_failure();
  if (reason) return end_abnormally(console, version, *reason);
  if (lost) {
    // After an abnormal stop its text has been shown already.
    if (exit_code != kExitNormal) {
      console.write("(/1x,a)", *lost);
      console.flush();
      return exit_code;
    }
    return end_abnormally(console, version, *lost);
  }
  console.flush();
  return exit_code;
}

}  // namespace qb
