// The interactive program end to end: its data-file prompt and loader
// question as a separate process with scripted input, its analysis road in
// the test process with a console that answers prompts by their text.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "interactive/interactive_program.hpp"
#include "platform/report_file.hpp"
#include "series/decadal_format.hpp"
#include "tests/support/answering_console.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::Answer;
using testing::AnsweringConsole;
using testing::lines_of;
using testing::read_file;
using testing::ScratchDirectory;

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class InteractiveProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(testing::shared_data("co021.rwl"), dir_.file("co021.rwl"));
  }
  // The program as a process, with every line of its input given at once.
  std::string run(const std::string& input) {
    return testing::run_program(testing::program_path("Quellbard_v45_v2e-1"), input, dir_.path().string(),
                                exit_code_);
  }
  // The program in the test process, answering its prompts by their text.
  std::string answer(std::vector<Answer> answers) {
    AnsweringConsole console(std::move(answers));
    exit_code_ = testing::run_driver(run_interactive_program, kInteractiveVersion, console);
    for (const Answer& unused : console.unused_answers()) ADD_FAILURE() << "never asked: " << unused.prompt;
    return console.output();
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir_.file(name)); }
  std::string file(const std::string& name) const { return read_file(dir_.file(name)); }
  int files_named(const std::string& part) const {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      if (entry.path().filename().string().find(part) != std::string::npos) ++n;
    }
    return n;
  }
  std::size_t chronology_blocks(const std::string& name) const {
    auto input = TextInput::open(dir_.file(name));
    if (!input) return 0;
    DecadalReadState state;
    testing::ScriptedConsole quiet;
    std::size_t n = 0;
    while (trrw(TrrwMode::kReadIndices, *input, state).count != kEndOfFile) ++n;
    return n;
  }

  ScratchDirectory dir_;
  int exit_code_ = -1;
};

const std::string kPrompt = " Enter data file name to process (/ to exit)     ==> ";

TEST_F(InteractiveProgram, SlashAtTheFirstPromptEndsTheProgramAtOnce) {
  const std::string out = run("/\n");
  EXPECT_EQ(exit_code_, 0);
  ASSERT_GE(out.size(), kPrompt.size());
  EXPECT_EQ(out.substr(out.size() - kPrompt.size()), kPrompt);
  EXPECT_NE(out.find("********* Version 45_v2e *********"), std::string::npos);
  EXPECT_EQ(out.find("List File Version"), std::string::npos);
  EXPECT_EQ(files_named("_out_"), 0);

  // The end of the input is no answer: the run ends abnormally.
  const std::string ended = run("");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(ended.find("==> \n Abnormal termination of program Quellbard_Version 45_v2e \n\n Hit RETURN to Quit"),
            std::string::npos);
}

TEST_F(InteractiveProgram, UnusableNamesAskForAnotherName) {
  const std::string out = run(
      "\n\n"
      "  co021.rwl\n\n"
      " co021.rwl\n\n"
      "a_name_that_is_far_too_long_to_show.rwl\n\n"
      "/\n");
  EXPECT_EQ(exit_code_, 0);
  const std::string error =
      "\n There was an error reading your entry.\nHit return to enter a new file name or / to exit program.";
  EXPECT_EQ(occurrences(out, error), 2u);
  // A leading blank is part of the name looked up; a long name is shown cut.
  EXPECT_NE(out.find(" File >  co021.rwl                < not found\n\n"
                     "Hit return to enter a new file name or / exit program."),
            std::string::npos);
  EXPECT_NE(out.find(" File > a_name_that_is_far_too_lo < not found\n"), std::string::npos);
  EXPECT_EQ(occurrences(out, kPrompt), 5u);
}

TEST_F(InteractiveProgram, LoaderFailureOffersAnotherFileOrTheEnd) {
  std::string out = run("co021.rwl\nx\nt\n/\n");
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find("\n [T]ry again or [Q]uit the program now?          ==> "), std::string::npos);
  EXPECT_EQ(occurrences(out, kPrompt), 2u);
  // The report file was opened before the data were read.
  EXPECT_EQ(file("co021_out_v45_v2e.txt"),
            "\n THE OFFICIAL SIGNAL FREE PROGRAM OUTPUT FILE\n"
            "\n DATA FILE TO PROCESS: co021.rwl                                         \n");

  // Quitting after a layout answer that is no number ends normally; after a
  // data set refused, as a failure.
  testing::write_file(dir_.file("bad.rwl"), "SITE01  1950   100   1x0   999\n");
  for (const char* quit : {"q\n", "\n"}) {
    for (const auto& [input, exit_code] : {std::pair{"co021.rwl\nx\n", 0}, std::pair{"bad.rwl\n1\n", 1}}) {
      out = run(std::string(input) + quit);
      EXPECT_EQ(exit_code_, exit_code) << input << quit;
      const std::string end = "==> \n Program Terminating\n";
      ASSERT_GE(out.size(), end.size());
      EXPECT_EQ(out.substr(out.size() - end.size()), end) << input << quit;
    }
  }
  EXPECT_NE(out.find(" Data set refused: line 1 of the data file, series SITE01, year 1951,"), std::string::npos);
}

TEST_F(InteractiveProgram, ASetLeftWithoutSeriesIsRefusedAndTheReportNamesWhatWasLeftOut) {
  std::string fill;
  for (int i = 0; i < 10; ++i) fill += "9990  0";
  testing::write_file(dir_.file("empty.crn"), "EMPTY 1950" + fill + "\n");
  const std::string out = run("empty.crn\n2\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find("\n WARNING: Series EMPTY holds no values; it is left out.\n"), std::string::npos);
  EXPECT_NE(out.find("No series were read from the data file"), std::string::npos);
  EXPECT_NE(file("empty_out_v45_v2e.txt").find("\n WARNING: SERIES EMPTY HOLDS NO VALUES; IT IS LEFT OUT.\n"),
            std::string::npos);
}

TEST_F(InteractiveProgram, RunsOneDataFileToItsChronologiesAndSpectra) {
  // Residuals without power transformation (the power question's empty
  // answer), then every default.
  const std::string out = run("co021.rwl\n1\ns\n" + std::string(1000, '\n'));
  EXPECT_EQ(exit_code_, 0);
  const std::string end = " Normal termination of program Quellbard_Version 45_v2e \n\n Hit RETURN to Quit";
  ASSERT_GE(out.size(), end.size());
  EXPECT_EQ(out.substr(out.size() - end.size()), end);
  EXPECT_EQ(out.find("Want to try a different curve fit option"), std::string::npos);
  EXPECT_EQ(out.find("Detrend the next data set in the same way"), std::string::npos);
  EXPECT_EQ(occurrences(out, "Use HALD signal free convergence tweaks?"), 1u);

  const std::string report = file("co021_out_v45_v2e.txt");
  EXPECT_EQ(report.rfind("\n THE OFFICIAL SIGNAL FREE PROGRAM OUTPUT FILE\n\n DATA FILE TO PROCESS: co021.rwl", 0), 0u);
  EXPECT_NE(report.find("\n TREE-RING INDICES ARE CALCULATED AS RESIDUALS FROM EXPECTED GROWTH\n\n ORIGINAL DATA SET"),
            std::string::npos);
  EXPECT_NE(report.find(" RUNNING RBAR WINDOW WIDTH FOR VARIANCE STABILIZATION:    51\n\n HALD CONVERGENCE"),
            std::string::npos);
  EXPECT_EQ(report.find("ADDITIONAL SPLINE VARIANCE STABILIZATION OPTION"), std::string::npos);
  EXPECT_EQ(report.find("ADAPTIVE POWER"), std::string::npos);

  // The runs after a rise add a constant to the measurements; the series
  // file of the first detrending still holds the measurements as read.
  EXPECT_NE(out.find("CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?):       0.100"), std::string::npos);
  for (const char* name : {"co021_STD_RAW_Data.txt"}) {
    auto written = TextInput::open(dir_.file(name));
    auto read = TextInput::open(dir_.file("co021.rwl"));
    ASSERT_TRUE(written && read) << name;
    DecadalReadState written_state;
    DecadalReadState read_state;
    testing::ScriptedConsole quiet;
    for (int s = 0; s < 35; ++s) {
      const DecadalSeries a = trrw(TrrwMode::kReadWidths, *written, written_state);
      const DecadalSeries b = trrw(TrrwMode::kReadWidths, *read, read_state);
      ASSERT_EQ(a.count, b.count) << name << " " << s;
      for (int i = 0; i < a.count; ++i) ASSERT_NEAR(a.values[i], b.values[i], 0.0006f) << name << " " << s;
    }
  }

  // A running RBAR window of 51 years: ten columns and four blocks.
  const auto columns = lines_of(file("co021_crns_col.txt"));
  ASSERT_EQ(columns.size(), 789u);
  EXPECT_EQ(columns[0], "  Year  SSize  StdCrn  SsfCrn  StdSig  SsfSig  StdSee  SsfSee  StdStb  SsfStb");
  EXPECT_EQ(columns[1].size(), 77u);
  EXPECT_EQ(chronology_blocks("co021_crns_tuc.txt"), 4u);
  EXPECT_EQ(lines_of(file("co021_spectra.txt"))[0], " FREQUENCY   POWER_STD_CRN   POWER_SSF_CRN");
  EXPECT_EQ(files_named("_Crns.txt"), 0);
}

TEST_F(InteractiveProgram, NoRunEndsNormallyAfterALostFileAndNothingThrownEscapes) {
  // The report is written through to the end of the run: its full disk
  // shows when it is closed, before the termination text.
  std::filesystem::create_symlink("/dev/full", dir_.file("co021_out_v45_v2e.txt"));
  std::string out = run("co021.rwl\n1\ns\n" + std::string(1000, '\n'));
  EXPECT_EQ(exit_code_, 1);
  const std::string end =
      "\n Cannot write co021_out_v45_v2e.txt: No space left on device\n"
      " Abnormal termination of program Quellbard_Version 45_v2e \n\n Hit RETURN to Quit";
  ASSERT_GE(out.size(), end.size());
  EXPECT_EQ(out.substr(out.size() - end.size()), end);
  EXPECT_EQ(out.find("Normal termination"), std::string::npos);
  // A stop that leaves the file open ("Program Terminating" after a failed
  // load) finds the full disk when the file is closed on the way out.
  out = run("co021.rwl\nx\nq\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find(" Program Terminating\n\n Cannot write co021_out_v45_v2e.txt: No space left on device\n"
                     " Abnormal termination of program Quellbard_Version 45_v2e \n\n Hit RETURN to Quit"),
            std::string::npos);

  // Whatever a driver throws ends the run abnormally with its reason; the
  // files it held keep what they hold.
  std::filesystem::remove(dir_.file("co021_out_v45_v2e.txt"));
  for (const bool standard : {true, false}) {
    AnsweringConsole console({});
    exit_code_ = testing::run_driver(
        [standard](Console&) {
          ReportFile report(TextOutput::create_or_throw("co021_out_v45_v2e.txt"));
          report.echo("(1x,'Kept')");
          if (standard) throw std::out_of_range("vector index 7");
          throw 7;
        },
        kInteractiveVersion, console);
    EXPECT_EQ(exit_code_, 1);
    EXPECT_EQ(console.output(), std::string("\n Internal error") +
                                    (standard ? ": vector index 7" : " of unknown kind") +
                                    "\n Abnormal termination of program Quellbard_Version 45_v2e \n\n Hit RETURN to Quit");
    EXPECT_EQ(file("co021_out_v45_v2e.txt"), " KEPT\n");
  }
}

TEST_F(InteractiveProgram, QuestionsWithoutDefaultsAskAgain) {
  const std::string out = answer({{"Enter data file name", "co021.rwl"},
                                  {"Enter a value between [0-4]", "1"},
                                  {"Compute Indices by [R]atios or residual[S]", ""},
                                  {"Compute Indices by [R]atios or residual[S]", "s"},
                                  {"Power transform data? [T]rue or [F]alse", ""},
                                  {"How to calculate the mean chronology", "3"},
                                  {"Enter running RBAR window", "0"},
                                  {"Use HALD signal free convergence tweaks?", "x"},
                                  {"Use HALD signal free convergence tweaks?", "n"}});
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find("\n Error reading input [R] or [S]. Try again or enter / to exit\n"), std::string::npos);
  EXPECT_NE(out.find("\n Mean index choice not admissible\n How to calculate the mean chronology"), std::string::npos);
  EXPECT_NE(out.find("\n Answer not entered as y or n\n\n Use HALD"), std::string::npos);

  const std::string report = file("co021_out_v45_v2e.txt");
  EXPECT_NE(report.find(" TUKEY ROBUST BIWEIGHT MEAN CHRONOLOGY CALCULATED:      2\n"), std::string::npos);
  EXPECT_NE(report.find("\n ORIGINAL CONVERGENCE CRITERIA USED - MAY BE SLOWER TO CONVERGE\n"), std::string::npos);
  // No running RBAR window: eight columns, two blocks, and the spectra of the
  // years with sample depth 5 or more of the two chronologies.
  const auto columns = lines_of(file("co021_crns_col.txt"));
  EXPECT_EQ(columns[0], "  Year  SSize  StdCrn  SsfCrn  StdSig  SsfSig  StdSee  SsfSee");
  EXPECT_EQ(columns[1].size(), 61u);
  EXPECT_EQ(chronology_blocks("co021_crns_tuc.txt"), 2u);
  int deep = 0;
  for (std::size_t r = 1; r < columns.size(); ++r) deep += std::stoi(columns[r].substr(6, 6)) >= 5 ? 1 : 0;
  EXPECT_EQ(lines_of(file("co021_spectra.txt")).size(), static_cast<std::size_t>(deep / 3 + 2));
}

TEST_F(InteractiveProgram, StartingOverAfterAnotherRegionalCurveAsksEverythingAgain) {
  const std::string out = answer({{"Enter data file name", "co021.rwl"},
                                  {"Enter a value between [0-4]", "1"},
                                  {"Compute Indices", "r"},
                                  {"General Curve fit options", "-2"},
                                  {"Enter running RBAR window", "0"},
                                  {"Different RCS detrending?", "t"},
                                  {"Select RCS curve fit options", "x"},
                                  {"General Curve fit options", "6"},
                                  {"Enter running RBAR window", "0"}});
  EXPECT_EQ(exit_code_, 0);
  EXPECT_EQ(occurrences(out, "How to calculate the mean chronology"), 2u);
  EXPECT_EQ(occurrences(out, "Use HALD signal free convergence tweaks?"), 2u);
  EXPECT_EQ(occurrences(out, "OKAY, LET US BEGIN:"), 2u);
  const std::string report = file("co021_out_v45_v2e.txt");
  EXPECT_NE(report.find(" REGIONAL CURVE STANDARDIZATION (RCS):  OPT   -2\n"), std::string::npos);
  EXPECT_NE(report.find(" HORIZONTAL LINE THROUGH MEAN:  OPT    6\n"), std::string::npos);
}

TEST_F(InteractiveProgram, RegionalOptionChosenAgainAfterStartingOverGoesToTheSubMenuAndTheEngine) {
  // The engine's request for another regional curve stands until it runs
  // again: the regional option shows the sub-menu, whose choice goes to the
  // engine with no further question.
  const std::string out = answer({{"Enter data file name", "co021.rwl"},
                                  {"Enter a value between [0-4]", "1"},
                                  {"Compute Indices", "r"},
                                  {"General Curve fit options", "-2"},
                                  {"Enter running RBAR window", "0"},
                                  {"Different RCS detrending?", "t"},
                                  {"Select RCS curve fit options", "x"},
                                  {"General Curve fit options", "-2"},
                                  {"Select RCS curve fit options", "1"}});
  EXPECT_EQ(exit_code_, 0);
  EXPECT_EQ(occurrences(out, "Select RCS curve fit options:"), 2u);
  EXPECT_EQ(occurrences(out, "Use a pith offset file?"), 1u);
  for (const char* question : {"How to calculate the mean chronology", "Enter running RBAR window",
                               "Enter the signal free convergence test", "Use HALD signal free convergence tweaks?"}) {
    EXPECT_EQ(occurrences(out, question), 1u) << question;
  }
  EXPECT_EQ(occurrences(out, "OKAY, LET US BEGIN:"), 2u);
  EXPECT_EQ(occurrences(file("co021_out_v45_v2e.txt"), " REGIONAL CURVE STANDARDIZATION (RCS):  OPT   -2\n"), 2u);
}

TEST_F(InteractiveProgram, PowerTransformationShowsSpreadAgainstLevelFirst) {
  // The first plot after the questions is the spread-versus-level plot of
  // the transformation, which saves to fig1b.ps.
  const std::string out = answer({{"Enter data file name", "co021.rwl"},
                                  {"Enter a value between [0-4]", "1"},
                                  {"Compute Indices", "s"},
                                  {"Power transform data?", "t"},
                                  {"Use HALD signal free convergence tweaks?", ""},
                                  {"enter option number", "s"},
                                  {"enter option number", "c"}});
  EXPECT_EQ(exit_code_, 0);
  EXPECT_TRUE(exists("fig1b.ps"));
  EXPECT_LT(out.find("enter option number"), out.find("CONSTANT ADDED"));
  EXPECT_NE(file("co021_out_v45_v2e.txt").find("\n THE SERIES HAVE HAD ADAPTIVE POWER TRANSFORMATIONS APPLIED\n"),
            std::string::npos);
  EXPECT_TRUE(exists("co021_SSF_PTR_Resids.txt"));
}

}  // namespace
}  // namespace qb
