#include "batch/batch_program.hpp"

#include <array>
#include <optional>
#include <string>

#include "batch/analysis_options.hpp"
#include "batch/chronology_menus.hpp"
#include "batch/curve_fit_menu.hpp"
#include "batch/data_set_checks.hpp"
#include "batch/index_type_menu.hpp"
#include "batch/program_texts.hpp"
#include "batch/series_selection.hpp"
#include "platform/bounds.hpp"
#include "platform/report_file.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"
#include "series/data_set_loader.hpp"
#include "series/file_names.hpp"

namespace qb {
namespace {

constexpr std::size_t kNameLength = 50;

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
      process(run);
    }
    terminate_normally();
  }

 private:
  void start_up() {
    write_banner(console_, ProgramKind::kListFile, version_);
    write_gap_warning(console_);
    for (std::size_t k = 0; k < run_wide_.files.size(); ++k) {
      auto file = TextOutput::create(RunWideFiles::kNames[k]);
      if (!file) {
        console_.write("(/1x,'Cannot create the chronology file ',a)", RunWideFiles::kNames[k]);
        terminate_abnormally();
      }
      run_wide_.files[k] = std::move(*file);
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
    open_report(run);
    auto data_file = open_data_file(run);
    load(run, data_file);
    test_missing_values(run);
    test_coverage(run);
    write_span_summary(console_, run.report, run.data);
    choose_index_type(run);
    report_segment_lengths(run);
    select_series(run);
    if (choose_curve_fit(run, !same_way())) choose_chronology_options(run);
  }

  void open_report(DataSetRun& run) {
    const std::string report_name = report_file_name(run.name, version_);
    auto file = TextOutput::create(report_name);
    if (!file) {
      console_.write("(/1x,'Cannot create the report file ',a)", report_name);
      terminate_abnormally();
    }
    run.report = ReportFile(std::move(*file));
    run.report.write("(/1x,'THE OFFICIAL SIGNAL FREE PROGRAM OUTPUT FILE')");
    const auto stars = std::string(50, '*');
    for (ReportFile* target : {static_cast<ReportFile*>(nullptr), &run.report}) {
      const auto line = [&](const std::string& format, auto... args) {
        if (target) {
          target->write(format, args...);
        } else {
          console_.write(format, args...);
        }
      };
      line("(/1x,a)", stars);
      line("(/1x,'Data set number ',i3,' being processed: ',a)", data_set_counter_, run.name);
      line("(/1x,a)", stars);
    }
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
    const LoadStatus status = loaddat(FormatMenu::kListFile, data_file, run.data);
    run.report.write("(1x,'DATA TITLE: ',a)", run.data.titles[0]);
    // A data set that did not load completely is never processed further.
    if (status != LoadStatus::kLoaded) terminate_abnormally();
  }

  void test_missing_values(DataSetRun& run) {
    const long total = missing_value_test(console_, run.data);
    if (total > 0) {
      report_missing_values(console_, total);
      terminate_abnormally();
    }
    console_.write("(1x,'No missing data flags (negative numbers) encountered. Proceed!')");
  }

  // A chronology cannot be built across years that no series covers (two
  // floating groups of series), and a set without series has nothing to build.
  void test_coverage(DataSetRun& run) {
    if (run.data.ns() == 0) {
      console_.write("(/1x,'No series were read from the data file: nothing to standardise.')");
      terminate_abnormally();
    }
    if (auto year = first_uncovered_year(run.data)) {
      console_.write("(/1x,'No series covers the year ',i6,'.')", *year);
      console_.write("(1x,'The data set falls apart into groups of series that do not overlap in time;')");
      console_.write("(1x,'process each group as a data set of its own.')");
      terminate_abnormally();
    }
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

  void close_run_wide_files() {
    for (auto& file : run_wide_.files) file.close();
  }

  [[noreturn]] void terminate_normally() {
    write_normal_termination(console_, version_);
    close_run_wide_files();
    console_.wait_before_exit();
    throw ProgramStop{kExitNormal};
  }

  [[noreturn]] void terminate_abnormally() {
    write_abnormal_termination(console_, version_);
    close_run_wide_files();
    console_.wait_before_exit();
    throw ProgramStop{kExitAbnormal};
  }

  Console& console_;
  const std::string version_ = kBatchVersion;
  RunWideFiles run_wide_;
  std::optional<TextInput> list_file_;
  int data_set_counter_ = 0;
  // Segment lengths of the set as selected; option 9 takes their median.
  SegmentLengthStatistics segment_lengths_;
  static constexpr int kMedianColumn = 2;
  static constexpr int kShortestRbarWindow = 25;
  // Carried over from data set to data set.
  AnalysisOptions options_;
  // The answer to "Detrend the next data set in the same way?".
  char same_way_answer_ = ' ';
};

}  // namespace

void run_batch_program(Console& console) { BatchProgram(console).run(); }

}  // namespace qb
