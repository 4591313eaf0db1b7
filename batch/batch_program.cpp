#include "batch/batch_program.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

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
// The line of 50 stars that frames the headings of a data set.
constexpr std::string_view kStarLine = "**************************************************";

// The chronology files every data set of the run adds a block to.
struct RunWideFiles {
  std::array<TextOutput, 4> files;
  static constexpr std::array<const char*, 4> kNames = {"STD_Crns.txt", "SSF_Crns.txt", "STDSTB_Crns.txt",
                                                        "SSFSTB_Crns.txt"};
};

// One data set of the list, from its report file to its chronology files.
struct DataSetRun {
  std::string name;  // as read from the list file, kNameLength characters
  ReportFile report;
  DataSet data;
  // The selected series, from which every engine run rebuilds the measurements.
  Matrix saved_measurements;
  EngineRuns engine;
};

class BatchProgram {
 public:
  explicit BatchProgram(Console& console) : console_(console) {}

  [[noreturn]] void run() {
    console_.set_end_of_input_text([this](Console& c) { write_abnormal_termination(c, version_); });
    start_up();
    while (auto name = next_data_set_name()) {
      ++data_set_counter_;
      DataSetRun run;
      run.name = *name;
      current_report_ = &run.report;
      process(run);
      current_report_ = nullptr;
    }
    terminate_normally();
  }

 private:
  void start_up() {
    write_banner(console_, ProgramKind::kListFile, version_);
    write_gap_warning(console_);
    for (std::size_t k = 0; k < run_wide_.files.size(); ++k) {
      run_wide_.files[k] = TextOutput::create_or_throw(RunWideFiles::kNames[k]);
    }
    open_list_file();
  }

  void open_list_file() {
    while (true) {
      const std::string name = fixed_width(console_.ask("Signal Free list file name", 45), kNameLength);
      list_file_ = TextInput::open(trim_right(name));
      if (list_file_) {
        console_.write("(1x,'Signal Free list file opened: ',a)", name);
        return;
      }
      console_.write("(1x,'Signal Free list file not found: ',a)", name);
    }
  }

  std::optional<std::string> next_data_set_name() {
    auto line = list_file_->next_record(kNameLength);
    return line;
  }

  // The road of one data set; each step is a function of its own.
  void process(DataSetRun& run) {
    const CurrentReportScope report_scope(run.report);
    open_report(run);
    {
      // The file's text is no longer needed once the data set is loaded.
      auto data_file = open_data_file(run);
      load(run, data_file);
    }
    test_missing_values(run);
    test_coverage(run);
    write_span_summary(console_, run.report, run.data);
    choose_index_type(run);
    report_segment_lengths(run);
    select_series(run);
    bool show_curve_fit_menu = !same_way();
    while (true) {
      if (choose_curve_fit(run, show_curve_fit_menu)) choose_chronology_options(run);
      run_engine(run);
      compute_spectra(run);
      if (!try_different_curve_fit(run)) break;
      show_curve_fit_menu = true;
    }
    write_chronology_files(run);
    ask_same_way();
  }

  void open_report(DataSetRun& run) {
    run.report = ReportFile(TextOutput::create_or_throw(report_file_name(run.name, version_)));
    run.report.write("(/1x,'THE OFFICIAL SIGNAL FREE PROGRAM OUTPUT FILE')");
    const std::string heading =
        format_record("(/1x,a/,/1x,'Data set number ',i3,' being processed: ',a/,/1x,a)", kStarLine,
                      data_set_counter_, run.name, kStarLine);
    console_.put(heading);
    run.report.write("(a,$)", heading);
  }

  TextInput open_data_file(DataSetRun& run) {
    auto file = TextInput::open(trim_right(run.name));
    if (!file) {
      console_.write("(1x,'WTF! Error opening data file: ',a)", run.name);
      close_run_wide_files();
      console_.wait_before_exit();
      throw ProgramStop{kExitAbnormal};
    }
    return std::move(*file);
  }

  void load(DataSetRun& run, TextInput& data_file) {
    LoadWarnings warnings;
    const LoadStatus status = loaddat(FormatMenu::kListFile, data_file, run.data, &warnings);
    run.report.write("(1x,'DATA TITLE: ',a)", run.data.titles[0]);
    for (const std::string& warning : warnings) run.report.echo("(a,$)", warning);
    // A data set that did not load completely is never processed further.
    if (status != LoadStatus::kLoaded) terminate_abnormally();
  }

  void test_missing_values(DataSetRun& run) {
    const long total = missing_value_test(console_, run.report, run.data);
    if (total > 0) {
      report_missing_values(console_, run.report, total);
      terminate_abnormally();
    }
    console_.write("(1x,'No missing data flags (negative numbers) encountered. Proceed!')");
  }

  void test_coverage(DataSetRun& run) {
    if (!can_be_standardised(console_, run.report, run.data)) terminate_abnormally();
  }

  void report_segment_lengths(DataSetRun& run) {
    segment_lengths_ = segment_length_statistics(run.data);
    write_segment_length_statistics(console_, run.report, "ORIGINAL DATA SET", segment_lengths_);
  }

  // The questions marked "first data set" are asked while the data-set
  // counter is 1 (again on a second try of the first data set); later data
  // sets take the answers as they stand and only echo them.
  bool first_data_set() const { return data_set_counter_ == 1; }

  void choose_index_type(DataSetRun& run) {
    if (first_data_set()) ask_index_type(ProgramKind::kListFile, console_, options_);
    echo_index_type(ProgramKind::kListFile, run.report, options_);
  }

  void select_series(DataSetRun& run) {
    qb::select_series(console_, run.report, run.data, run.name, segment_lengths_);
    run.saved_measurements = saved_measurements(run.data);
  }

  // A yes to detrending the next data set in the same way skips its curve-fit
  // menu.
  bool same_way() const { return same_way_answer_ == 'Y' || same_way_answer_ == 'y'; }

  // The curve-fit menu (when shown) and the echo of the curve. False when a
  // regional curve was chosen from the regional curve sub-menu: the engine
  // runs next, without echo or further menus.
  bool choose_curve_fit(DataSetRun& run, bool show_menu) {
    if (show_menu) {
      const CurveFitContext context{run.name, segment_lengths_.value[kMedianColumn]};
      if (curve_fit_menu(ProgramKind::kListFile, console_, options_, context) ==
          CurveFitDialogue::kRegionalCurveChosen) {
        return false;
      }
    }
    echo_curve_fit_option(run.report, options_);
    return true;
  }

  void choose_chronology_options(DataSetRun& run) {
    if (first_data_set()) mean_type_menu(ProgramKind::kListFile, console_, options_);
    echo_mean_type(run.report, options_);
    if (first_data_set()) rbar_window_prompt(console_, options_);
    echo_rbar_window(run.report, options_);
    if (first_data_set() && options_.rbar_window >= kShortestRbarWindow) stabilisation_menu(console_, options_);
    echo_stabilisation(run.report, options_);
    // Later data sets keep the threshold chosen for the first one.
    apply_fixed_settings(options_);
    if (first_data_set()) convergence_menu(console_, options_);
    hald_tweaks(ProgramKind::kListFile, console_, options_);
    echo_hald_tweaks(run.report, options_);
  }

  // After the engine asked for another regional curve (with
  // options_.different_regional_curve set): the regional curve sub-menu, or
  // on "start over" the curve-fit menu and the option menus again. The next
  // engine run follows.
  void choose_different_regional_curve(DataSetRun& run) {
    options_.regional = true;
    options_.curve_option = -2;
    if (rcs_sub_menu(console_, options_) == CurveFitDialogue::kRegionalCurveChosen) return;
    if (choose_curve_fit(run, true)) choose_chronology_options(run);
  }

  // The engine runs on the data set, with its convergence retries and the
  // dialogue of a different regional curve when the engine asks for one.
  void run_engine(DataSetRun& run) {
    const EngineRunInputs inputs{ProgramKind::kListFile, console_, run.report, run.data, run.saved_measurements,
                                 run.name};
    qb::run_engine(inputs, options_, run.engine, [&] { choose_different_regional_curve(run); });
  }

  DataSetChronologies chronologies(const DataSetRun& run) const {
    const SeriesSpan& whole = run.data.whole;
    return data_set_chronologies(run.engine.results, whole.first_year, whole.last_year - whole.first_year + 1,
                                 options_);
  }

  // The power spectra of the data set's chronologies: plotted, and written
  // to its spectra file.
  void compute_spectra(const DataSetRun& run) {
    const DataSetChronologies c = chronologies(run);
    spectra(console_, spectrum_input(c), c.raw_data_average, run.name);
  }

  // "Want to try a different curve fit option?" True for yes, after which
  // the curve-fit menu is shown again for the same data set.
  bool try_different_curve_fit(DataSetRun& run) {
    console_.write("(/1x,a)", kStarLine);
    const std::string answer =
        fixed_width(console_.ask("Want to try a different curve fit option? y/<n>"), kTryAgainLength);
    console_.write("(1x,a)", kStarLine);
    if (answer != "y   " && answer != "Y   ") {
      options_.curve_option = run.engine.saved_curve_option;
      return false;
    }
    const std::string heading = format_record(
        "(/1x,a/,/1x,'SIGNAL FREE CURVE FIT OPTION CHANGED FOR DATA SET: ',i3/,/1x,a)", kStarLine,
        data_set_counter_, kStarLine);
    console_.put(heading);
    run.report.write("(a,$)", heading);
    options_.stabilisation = options_.saved_stabilisation;
    // After the engine gave up on rising convergence statistics its counter
    // stays above the retry range; the new curve starts afresh rather than
    // as a retry of the previous curve's first run.
    if (run.engine.retry_counter > kMaxConvergenceRetries) run.engine.retry_counter = 0;
    return true;
  }

  // Writes the column and Tucson chronology files and the data set's blocks
  // of the run-wide files, warns of values shown as asterisks, and closes
  // the report file.
  void write_chronology_files(DataSetRun& run) {
    const DataSetChronologies c = chronologies(run);
    write_column_file(c, run.name);
    warn_of_degenerate_columns(console_, run.report, c, run.name);
    RunWideChronologyFiles run_wide;
    for (std::size_t k = 0; k < run_wide.size(); ++k) run_wide[k] = &run_wide_.files[k];
    const std::vector<std::string> unfit = write_tucson_file(c, run.name, run.data.titles, run_wide);
    warn_of_asterisks(console_, run.report, unfit, run.name);
    run.report.close();
  }

  // "Detrend the next data set in the same way?" A yes (the default) skips
  // the next data set's curve-fit menu.
  void ask_same_way() {
    console_.write("(/1x,a)", kStarLine);
    console_.write("(/1x,'Detrend the next data set in the same way?')");
    console_.write("(1x,'=> BE SURE TO PROCEED IN THE WAY YOU WANT!')");
    same_way_answer_ = first_char(console_.ask("This is your default option. Yes or No? <Y>/N"));
    console_.write("(1x,a)", kStarLine);
    if (same_way_answer_ == ' ') same_way_answer_ = 'y';
    if (same_way()) {
      console_.write("(/1x,'Same signal free curve fit option used next: ',i5)", options_.curve_option);
      console_.write("(1x,a)", kStarLine);
    } else if (same_way_answer_ == 'N' || same_way_answer_ == 'n') {
      console_.write("(/1x,'Different signal free curve fit option used next')");
      console_.write("(1x,a)", kStarLine);
    }
    options_.stabilisation = options_.saved_stabilisation;
  }

  // With the report of the data set at hand, if any.
  void close_run_wide_files() {
    if (current_report_ != nullptr) current_report_->close();
    for (auto& file : run_wide_.files) file.close();
  }

  // The files are closed first: a run whose files could not be written to
  // the end never shows the normal termination text.
  [[noreturn]] void terminate_normally() {
    close_run_wide_files();
    write_normal_termination(console_, version_);
    console_.wait_before_exit();
    throw ProgramStop{kExitNormal};
  }

  [[noreturn]] void terminate_abnormally() {
    close_run_wide_files();
    write_abnormal_termination(console_, version_);
    console_.wait_before_exit();
    throw ProgramStop{kExitAbnormal};
  }

  Console& console_;
  const std::string version_ = kBatchVersion;
  RunWideFiles run_wide_;
  std::optional<TextInput> list_file_;
  int data_set_counter_ = 0;
  ReportFile* current_report_ = nullptr;
  // Segment lengths of the set as selected; option 9 takes their median.
  SegmentLengthStatistics segment_lengths_;
  static constexpr int kMedianColumn = 2;
  static constexpr int kShortestRbarWindow = 25;
  // Carried over from data set to data set.
  AnalysisOptions options_;
  // The answer to "Detrend the next data set in the same way?".
  char same_way_answer_ = ' ';
  static constexpr std::size_t kTryAgainLength = 4;
};

}  // namespace

void run_batch_program(Console& console) { BatchProgram(console).run(); }

}  // namespace qb
