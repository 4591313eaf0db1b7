#include "batch/batch_program.hpp"

#include <array>
#include <optional>
#include <string>

#include "batch/data_set_checks.hpp"
#include "batch/program_texts.hpp"
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
    report_segment_lengths(run);
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
  SegmentLengthStatistics segment_lengths_;
};

}  // namespace

void run_batch_program(Console& console) { BatchProgram(console).run(); }

}  // namespace qb
