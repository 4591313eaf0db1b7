#include "interactive/interactive_program.hpp"

#include <optional>
#include <string>

#include "dialogue/analysis_options.hpp"
#include "dialogue/chronology_files.hpp"
#include "dialogue/chronology_menus.hpp"
#include "dialogue/chronology_power.hpp"
#include "dialogue/curve_fit_menu.hpp"
#include "dialogue/data_set_checks.hpp"
#include "dialogue/data_set_chronologies.hpp"
#include "dialogue/degenerate_chronologies.hpp"
#include "dialogue/engine_runs.hpp"
#include "dialogue/index_type_menu.hpp"
#include "dialogue/program_texts.hpp"
#include "dialogue/series_selection.hpp"
#include "platform/bounds.hpp"
#include "platform/report_file.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"
#include "series/data_set_loader.hpp"
#include "series/file_names.hpp"

namespace qb {
namespace {

constexpr std::size_t kNameLength = 50;
constexpr std::size_t kNameShownWhenNotFound = 25;
constexpr int kRegionalCurveOption = -2;
constexpr int kShortestRbarWindow = 25;
constexpr float kDefaultThreshold = 0.0001f;

class InteractiveProgram {
 public:
  explicit InteractiveProgram(Console& console) : console_(console) {}

  [[noreturn]] void run() {
    const CurrentReportScope report_scope(report_);
    console_.set_end_of_input_text([this](Console& c) { write_abnormal_termination(c, version_); });
    write_banner(console_, ProgramKind::kInteractive, version_);
    write_gap_warning(console_);
    while (true) {
      name_ = ask_data_file_name();
      open_report();
      if (load()) break;
    }
    choose_index_type();
    report_segment_lengths();
    select_series();
    choose_options();
    run_engine();
    const DataSetChronologies c = chronologies();
    write_column_file(c, name_);
    warn_of_degenerate_columns(console_, report_, c, name_);
    warn_of_asterisks(console_, report_, write_tucson_file(c, name_, data_.titles), name_);
    spectra(console_, spectrum_input(c), c.raw_data_average, name_);
    terminate_normally();
  }

 private:
  // Asked until a name of an existing file is typed; "/" ends the program.
  std::string ask_data_file_name() {
    while (true) {
      console_.write("(/1x,'Enter data file name to process (/ to exit)',t50,'==> ',$)");
      const std::string name = fixed_width(console_.read_line(), kNameLength);
      if (name[0] == '/') console_.stop();
      if (name[0] == ' ' && name[1] == ' ') {
        console_.write("(/1x,'There was an error reading your entry.')");
        console_.pause("Hit return to enter a new file name or / to exit program.");
        continue;
      }
      if (!file_exists(trim_right(name))) {
        console_.write("(1x,'File > ',a,' < not found'/)", name.substr(0, kNameShownWhenNotFound));
        console_.pause("Hit return to enter a new file name or / exit program.");
        continue;
      }
      return name;
    }
  }

  // A new name after a failed load gets a report of its own; the report of
  // the failed load keeps what it holds.
  void open_report() {
    report_.close();
    report_ = ReportFile(TextOutput::create_or_throw(report_file_name(name_, version_)));
    report_.write("(/1x,'THE OFFICIAL SIGNAL FREE PROGRAM OUTPUT FILE')");
    report_.write("(/1x,'DATA FILE TO PROCESS: ',a)", name_);
  }

  // Loads the data file; false when a new file name is to be asked.
  bool load() {
    runs_ = EngineRuns{};
    auto file = TextInput::open(trim_right(name_));
    if (!file) {
      console_.write("(1x,'Error opening data file: ',a)", name_);
      return false;
    }
    data_ = DataSet{};
    LoadWarnings warnings;
    const LoadStatus status = loaddat(FormatMenu::kInteractive, *file, data_, &warnings);
    for (const std::string& warning : warnings) report_.echo("(a,$)", warning);
    const long missing = missing_value_test(console_, report_, data_);
    if (missing > 0) {
      report_missing_values(console_, report_, missing);
      terminate_abnormally();
    }
    console_.write("(1x,'No missing data flags (negative numbers) encountered. Proceed!')");
    if (status != LoadStatus::kLoaded) {
      console_.write("(/1x,'[T]ry again or [Q]uit the program now?',t50,'==> ',$)");
      const char answer = first_char(console_.read_line());
      if (answer == 'T' || answer == 't') return false;
      console_.write("(/1x,'Program Terminating')");
      // A data file that was refused or could not be read ends the program
      // as a failure, as in the list-file program; an answer to the layout
      // menu that was no number read no file at all.
      console_.stop({}, status == LoadStatus::kNothingLoaded ? kExitNormal : kExitAbnormal);
    }
    if (!can_be_standardised(console_, report_, data_)) terminate_abnormally();
    write_span_summary(console_, report_, data_);
    return true;
  }

  void choose_index_type() {
    ask_index_type(ProgramKind::kInteractive, console_, options_);
    echo_index_type(ProgramKind::kInteractive, report_, options_);
  }

  void report_segment_lengths() {
    segment_lengths_ = segment_length_statistics(data_);
    write_segment_length_statistics(console_, report_, "ORIGINAL DATA SET", segment_lengths_);
  }

  void select_series() {
    qb::select_series(console_, report_, data_, name_, segment_lengths_);
    saved_measurements_ = saved_measurements(data_);
  }

  // Every question of the data set, from the curve-fit menu to Hald's
  // convergence tweaks.
  void choose_options() {
    if (!choose_curve_fit()) return;
    mean_type_menu(ProgramKind::kInteractive, console_, options_);
    echo_mean_type(report_, options_);
    rbar_window_prompt(console_, options_);
    echo_rbar_window(report_, options_);
    if (options_.rbar_window >= kShortestRbarWindow) stabilisation_menu(console_, options_);
    apply_fixed_settings(options_);
    options_.threshold = kDefaultThreshold;
    convergence_menu(console_, options_);
    hald_tweaks(ProgramKind::kInteractive, console_, options_);
    echo_hald_tweaks(report_, options_);
  }

  // The curve is echoed before the regional option asks its own questions.
  // False when the regional option led to the regional curve sub-menu (the
  // engine had asked for another regional curve) and a curve was chosen
  // there: as after the sub-menu itself, the engine runs next.
  bool choose_curve_fit() {
    while (true) {
      const CurveFitContext context{name_, segment_lengths_.value[kMedianColumn]};
      curve_fit_menu(ProgramKind::kInteractive, console_, options_, context);
      echo_curve_fit_option(report_, options_);
      if (options_.curve_option != kRegionalCurveOption) return true;
      switch (rcs_option(console_, options_, name_)) {
        case CurveFitDialogue::kOptionChosen: return true;
        case CurveFitDialogue::kRegionalCurveChosen: return false;
        case CurveFitDialogue::kStartOver: break;
      }
    }
  }

  // After the engine asked for another regional curve: the regional curve
  // sub-menu, or on "start over" every question from the curve-fit menu on.
  void choose_different_regional_curve() {
    if (rcs_sub_menu(console_, options_) == CurveFitDialogue::kStartOver) choose_options();
  }

  void run_engine() {
    const EngineRunInputs inputs{ProgramKind::kInteractive, console_, report_, data_, saved_measurements_, name_};
    qb::run_engine(inputs, options_, runs_, [this] { choose_different_regional_curve(); });
  }

  DataSetChronologies chronologies() const {
    const SeriesSpan& whole = data_.whole;
    return data_set_chronologies(runs_.results, whole.first_year, whole.last_year - whole.first_year + 1,
                                 options_);
  }

  // The report is closed first: a run whose report could not be written to
  // the end never shows the normal termination text.
  [[noreturn]] void terminate_normally() {
    report_.close();
    write_normal_termination(console_, version_);
    console_.wait_before_exit();
    throw ProgramStop{kExitNormal};
  }

  [[noreturn]] void terminate_abnormally() {
    report_.close();
    write_abnormal_termination(console_, version_);
    console_.wait_before_exit();
    throw ProgramStop{kExitAbnormal};
  }

  Console& console_;
  const std::string version_ = kInteractiveVersion;
  std::string name_;
  ReportFile report_;
  DataSet data_;
  // The selected series, from which every engine run rebuilds the measurements.
  Matrix saved_measurements_;
  EngineRuns runs_;
  AnalysisOptions options_;
  SegmentLengthStatistics segment_lengths_;
  static constexpr int kMedianColumn = 2;
};

}  // namespace

void run_interactive_program(Console& console) { InteractiveProgram(console).run(); }

}  // namespace qb
