// The list-file program driven end to end with scripted console input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "series/decadal_format.hpp"
#include "tests/dialogue/menu_test_support.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::occurrences;
using testing::read_file;
using testing::ScratchDirectory;
using testing::ScriptedConsole;
using testing::write_file;

class BatchProgram : public ::testing::Test {
 protected:
  void copy_data(const std::string& name) {
    std::filesystem::copy_file(testing::shared_data(name), dir_.file(name));
  }
  std::string run(const std::string& answers, bool stdout_closed = false) {
    return testing::run_program(testing::program_path("Quellbard_v47b_batch"), answers, dir_.path().string(),
                                exit_code_, stdout_closed);
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir_.file(name)); }
  std::string file(const std::string& name) const { return read_file(dir_.file(name)); }

  ScratchDirectory dir_;
  int exit_code_ = -1;
};

// Span and segment-length lines of one data set, as the console shows them.
std::string span_line(int ns, int ify, int ily, int nyr) {
  return format_record("(1x,'Total series read in:',t30,4i6)", ns, ify, ily, nyr);
}

// The four numbers after column 29 of the first line that begins with `label`.
std::string numbers_after(const std::string& text, const std::string& label) {
  const auto at = text.find("\n " + label);
  if (at == std::string::npos) return "label not found: " + label;
  return text.substr(at + 30, 24);
}

// Identifiers of the chronologies of a file in the decadal chronology layout.
std::vector<std::string> chronology_ids(const std::string& path) {
  std::vector<std::string> ids;
  auto input = TextInput::open(path);
  if (!input) return ids;
  DecadalReadState state;
  ScriptedConsole quiet;  // the reader shows the title lines it meets
  for (DecadalSeries s = trrw(TrrwMode::kReadIndices, *input, state); s.count != kEndOfFile;
       s = trrw(TrrwMode::kReadIndices, *input, state)) {
    ids.push_back(s.id);
  }
  return ids;
}

// Empty answers take every default: ring widths, residuals of power
// transformed data, all series, the age-dependent spline of 20 years,
// biweight mean, RBAR window 51, age-dependent stabilisation, threshold
// 0.0001, every engine question and plot menu, no second try, and the next
// data set detrended in the same way. Lines left over when the program ends
// are never read.
std::string defaults(int lines = 2000) { return std::string(static_cast<std::size_t>(lines), '\n'); }

TEST_F(BatchProgram, ProcessesEveryDataSetOfTheListAndTerminatesNormally) {
  for (const char* name : {"ca533.rwl", "cana209.rwl", "co021.rwl", "nm580.rwl"}) copy_data(name);
  write_file(dir_.file("list.txt"), "ca533.rwl\ncana209.rwl\nco021.rwl\nnm580.rwl\n");
  const std::string out = run("list.txt\n" + defaults());
  EXPECT_EQ(exit_code_, 0);

  // Counts and spans of the data README; fourths computed by hand from the
  // series lengths (lower/upper fourth at depth (m+1)/2 with m the median depth).
  EXPECT_NE(out.find(span_line(34, 626, 1983, 1358)), std::string::npos);
  EXPECT_NE(out.find(span_line(22, 1713, 2001, 289)), std::string::npos);
  EXPECT_NE(out.find(span_line(35, 1176, 1963, 788)), std::string::npos);
  EXPECT_NE(out.find(span_line(119, -136, 2004, 2141)), std::string::npos);
  EXPECT_NE(out.find(" Segment length statistics:     229   504   627   903  1343\n"
                     " Series .ge. segment length:      1    26    18     9     1\n"),
            std::string::npos);
  EXPECT_NE(out.find(" Segment length statistics:      37   111   256   470   738\n"
                     " Series .ge. segment length:      1    89    60    30     1\n"),
            std::string::npos);
  EXPECT_NE(out.find(" Data set number   4 being processed: nm580.rwl"), std::string::npos);
  EXPECT_NE(out.find(" Normal termination of program Quellbard_Version 47b_batch\n\n Hit RETURN to Quit"),
            std::string::npos);

  const std::string report = file("cana209_out_v47b_batch.txt");
  EXPECT_EQ(report.rfind("\n THE OFFICIAL SIGNAL FREE PROGRAM OUTPUT FILE\n", 0), 0u);
  EXPECT_NE(report.find("\n Data set number   2 being processed: cana209.rwl"), std::string::npos);
  EXPECT_NE(report.find(" DATA TITLE: EGL    1 Eyeglass Lake"), std::string::npos);
  EXPECT_NE(report.find(" TOTAL SERIES READ IN:           22  1713  2001   289  SERIES, FIRST YEAR, LAST YEAR, TOTAL YEARS"),
            std::string::npos);
  EXPECT_NE(report.find(" SEGMENT LENGTH STATISTICS:      80   142   205   235   267\n"
                        " SERIES .GE. SEGMENT LENGTH:      1    17    12     6     2\n"),
            std::string::npos);
  // Data sets after the first ask no index, mean, RBAR, stabilisation or
  // convergence question, but echo the answers; after the default "same
  // way" answer they show no curve-fit menu either.
  for (const char* question : {"Compute Indices by", "How to calculate the mean chronology", "Enter running RBAR window",
                               "Additional spline variance", "Enter the signal free convergence",
                               "General Curve fit options:"}) {
    EXPECT_EQ(out.find(question), out.rfind(question)) << question;
  }
  EXPECT_EQ(occurrences(out, "Want to try a different curve fit option? y/<n>"), 4u);
  EXPECT_EQ(occurrences(out, "\n Same signal free curve fit option used next:     8\n"), 4u);
  EXPECT_NE(report.find("\n TREE-RING INDICES ARE CALCULATED AS RESIDUALS FROM EXPECTED GROWTH\n"
                        " ADAPTIVE POWER TRANSFORMATIONS APPLIED TO THE TREE-RING DATA\n"),
            std::string::npos);
  EXPECT_NE(report.find("\n CURVE FIT OPTION:\n"
                        " AGE-DEPENDENT SPLINE SMOOTHING AND START:  OPT    8   20\n"
                        " TUKEY ROBUST BIWEIGHT MEAN CHRONOLOGY CALCULATED:      2\n"
                        " RUNNING RBAR WINDOW WIDTH FOR VARIANCE STABILIZATION:    51\n"
                        " ADDITIONAL SPLINE VARIANCE STABILIZATION OPTION: AGE-DEPENDENT SPLINE\n"
                        "\n HALD CONVERGENCE CRITERIA USED - SHOULD BE FASTER TO CONVERGE\n"),
            std::string::npos);
  EXPECT_NE(report.find("\n THE SERIES HAVE HAD ADAPTIVE POWER TRANSFORMATIONS APPLIED\n"
                        "\n CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?):       0.000\n"
                        " THE MEAN ADAPTIVE POWER TRANSFORM POWER APPLIED IS: "),
            std::string::npos);
  // A file without title lines gets the missing-line texts.
  EXPECT_NE(file("ca533_out_v47b_batch.txt").find(" DATA TITLE: 1st itrdb line missing"), std::string::npos);

  // Every data set adds one block of three title lines and its chronology to
  // each run-wide file (a window of 51 years stabilises the chronologies).
  const std::vector<std::string> ids = {"ca533.  ", "cana20  ", "co021.  ", "nm580.  "};
  for (const char* name : {"STD_Crns.txt", "SSF_Crns.txt", "STDSTB_Crns.txt", "SSFSTB_Crns.txt"}) {
    EXPECT_EQ(chronology_ids(dir_.file(name)), ids) << name;
  }
  for (const char* base : {"ca533", "cana209", "co021", "nm580"}) {
    const std::string b = base;
    EXPECT_TRUE(exists(b + "_crns_col.txt")) << base;
    EXPECT_TRUE(exists(b + "_crns_tuc.txt")) << base;
    EXPECT_TRUE(exists(b + "_spectra.txt")) << base;
    EXPECT_TRUE(exists(b + "_STD_PTR_Resids.txt")) << base;
    EXPECT_TRUE(exists(b + "_SSF_PTR_Resids.txt")) << base;
  }
}

TEST_F(BatchProgram, CensoredDataSetFileLoadsAsTheSelectedSet) {
  copy_data("ca533.rwl");
  write_file(dir_.file("list.txt"), "ca533.rwl\nca533_mnsl=500.txt\n");
  // Data set 1 keeps the series of at least 500 years; data set 2 is the
  // file that selection wrote, with all of its series.
  const std::string out = run("list.txt\n1\n\n\n2\n500\n" + defaults());
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find(" File for censored data created: ca533_mnsl=500.txt"), std::string::npos);
  const std::string selected = numbers_after(out, "Min segment length series:");
  EXPECT_EQ(selected, numbers_after(out.substr(out.find("Data set number   2")), "Total series read in:"));
  // 26 of the 34 series have at least 500 rings (counted from the file).
  EXPECT_EQ(selected.substr(0, 6), "    26");

  const std::string report = file("ca533_out_v47b_batch.txt");
  EXPECT_NE(report.find(" DATA ARE CENSORED BY MINIMUM SEGMENT LENGTH:   500\n"), std::string::npos);
  EXPECT_NE(report.find("\n CENSORED DATA SET              MIN   25%   MED   75%   MAX\n"), std::string::npos);
  // The reloaded set carries the stamp of its selection in its title.
  const std::string second = file("ca533_mnsl=500_out_v47b_batch.txt");
  EXPECT_NE(second.find(" DATA TITLE: 1st itrdb line missing"), std::string::npos);
  EXPECT_EQ(second.substr(second.find("DATA TITLE: ") + 12 + 84, 4), "MNSL");
  EXPECT_NE(second.find(" SEGMENT LENGTH STATISTICS:     504"), std::string::npos);
}

TEST_F(BatchProgram, WrongMeanAnswerEndsTheRunAbnormally) {
  copy_data("ca533.rwl");
  write_file(dir_.file("list.txt"), "ca533.rwl\n");
  const std::string out = run("list.txt\n1\n\n\n\n\n\nx\n\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find("\n Mean index choice not admissible\n"
                     " Abnormal termination of program Quellbard_Version 47b_batch\n\n Hit RETURN to Quit"),
            std::string::npos);
}

TEST_F(BatchProgram, MultiColumnFileLoadsTheSameSeriesAsTheDecadalFile) {
  copy_data("co021.csv");
  write_file(dir_.file("list.txt"), "co021.csv\n");
  const std::string out = run("list.txt\n4\n0\n36\nNA\n" + defaults());
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find(span_line(35, 1176, 1963, 788)), std::string::npos);
  EXPECT_NE(out.find(" Segment length statistics:     194   477   594   706   760\n"), std::string::npos);
  EXPECT_TRUE(exists("co021_out_v47b_batch.txt"));
}

TEST_F(BatchProgram, MissingValueEndsTheRunAbnormally) {
  copy_data("wa082.rwl");
  copy_data("ca533.rwl");
  write_file(dir_.file("list.txt"), "wa082.rwl\nca533.rwl\n");
  const std::string out = run("list.txt\n1\n\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find(" Series 712011   has   1 missing (negative) values\n"
                     "\n Missing (negative) values encountered:         1\n"
                     " Run the data set through KELMOR to fill the gaps and save the data.\n"
                     " Abnormal termination of program Quellbard_Version 47b_batch\n\n Hit RETURN to Quit"),
            std::string::npos);
  EXPECT_EQ(out.find("Data set number   2"), std::string::npos);
  EXPECT_TRUE(exists("wa082_out_v47b_batch.txt"));
}

TEST_F(BatchProgram, ListFileDialogueAndEmptyList) {
  write_file(dir_.file("empty.txt"), "");
  const std::string out = run("nope.txt\nempty.txt\n\n");
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find(" Signal Free list file not found: nope.txt"), std::string::npos);
  EXPECT_NE(out.find(" Signal Free list file opened: empty.txt"), std::string::npos);
  EXPECT_NE(out.find("Normal termination"), std::string::npos);
  EXPECT_TRUE(exists("STD_Crns.txt"));
  EXPECT_EQ(file("SSFSTB_Crns.txt"), "");
}

// Closed, the descriptor of standard output would be the first file's, and
// the console would be written into the run-wide chronology file.
TEST_F(BatchProgram, ClosedStandardOutputLeavesTheFilesTheirOwn) {
  copy_data("co021.rwl");
  write_file(dir_.file("list.txt"), "co021.rwl\n");
  run("list.txt\n" + defaults(), true);
  EXPECT_EQ(exit_code_, 0);
  const std::string standard = file("STD_Crns.txt");
  EXPECT_EQ(standard.find("Quellbard"), std::string::npos);
  EXPECT_EQ(standard.rfind("1st itrdb line missing", 0), 0u);
  EXPECT_EQ(chronology_ids(dir_.file("STD_Crns.txt")), std::vector<std::string>{"co021.  "});
}

TEST_F(BatchProgram, ReportNamesAndAMissingDataFile) {
  write_file(dir_.file("list.txt"), "my site\n");
  const std::string out = run("list.txt\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find(" WTF! Error opening data file: my site"), std::string::npos);
  EXPECT_TRUE(exists("mysite_out_v47b_batch.txt"));

  write_file(dir_.file("list.txt"), "a.b.rwl\n");
  run("list.txt\n");
  EXPECT_TRUE(exists("a_out_v47b_batch.txt"));

  // A data file in a folder has its report beside it; a "." or a blank in
  // the folder's name belongs to the folder.
  std::filesystem::create_directory(dir_.file("in.v2 b"));
  write_file(dir_.file("list.txt"), "in.v2 b/my site.rwl\n");
  run("list.txt\n");
  EXPECT_TRUE(exists("in.v2 b/mysite_out_v47b_batch.txt"));
}

TEST_F(BatchProgram, BadAnswersAndEndOfInputEndTheRunAbnormally) {
  copy_data("ca533.rwl");
  write_file(dir_.file("list.txt"), "ca533.rwl\n");
  std::string out = run("list.txt\nQ\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find("Abnormal termination of program Quellbard_Version 47b_batch"), std::string::npos);
  out = run("list.txt\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find("Abnormal termination of program Quellbard_Version 47b_batch"), std::string::npos);
}

// A full disk is /dev/full under an output file's name. Root writes
// read-only files, so a folder in the file's place stands for one then.
TEST_F(BatchProgram, AFileThatCannotBeWrittenEndsTheRunAbnormally) {
  copy_data("co021.rwl");
  copy_data("ca533.rwl");
  write_file(dir_.file("list.txt"), "co021.rwl\nca533.rwl\n");
  std::filesystem::create_symlink("/dev/full", dir_.file("co021_crns_col.txt"));
  std::string out = run("list.txt\n" + defaults());
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find("\n Cannot write co021_crns_col.txt: No space left on device\n"
                     " Abnormal termination of program Quellbard_Version 47b_batch\n\n Hit RETURN to Quit"),
            std::string::npos);
  EXPECT_EQ(out.find("Normal termination"), std::string::npos);
  EXPECT_EQ(out.find("Data set number   2"), std::string::npos);
  // The report keeps what it holds; no run-wide block was written.
  EXPECT_NE(file("co021_out_v47b_batch.txt").find("\n TOTAL SERIES READ IN:           35"), std::string::npos);
  EXPECT_EQ(file("STD_Crns.txt"), "");

  std::filesystem::remove(dir_.file("co021_crns_col.txt"));
  std::filesystem::remove(dir_.file("co021_spectra.txt"));
  const bool root = geteuid() == 0;
  if (root) {
    std::filesystem::create_directory(dir_.file("co021_spectra.txt"));
  } else {
    write_file(dir_.file("co021_spectra.txt"), "");
    std::filesystem::permissions(dir_.file("co021_spectra.txt"), std::filesystem::perms::owner_read);
  }
  out = run("list.txt\n" + defaults());
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find(std::string("\n Cannot create co021_spectra.txt: ") +
                     (root ? "Is a directory" : "Permission denied") +
                     "\n Abnormal termination of program Quellbard_Version 47b_batch\n"),
            std::string::npos);
  EXPECT_EQ(out.find("Normal termination"), std::string::npos);

  // A refused data set's report is closed, and found unwritable, before the
  // abnormal termination text.
  write_file(dir_.file("bad.rwl"), "BAD01   1950   100   1x1   999\nBAD01   1960   100   999\n");
  write_file(dir_.file("list.txt"), "bad.rwl\n");
  std::filesystem::create_symlink("/dev/full", dir_.file("bad_out_v47b_batch.txt"));
  out = run("list.txt\n" + defaults());
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find("\n Cannot write bad_out_v47b_batch.txt: No space left on device\n"
                     " Abnormal termination of program Quellbard_Version 47b_batch\n"),
            std::string::npos);
}

TEST_F(BatchProgram, SeriesLeftOutOrCutShortAreNamedOnTheConsoleAndInTheReport) {
  // A series closed at once, then four series of which the last has lost the
  // line of its stop marker.
  std::string text = "EMPTY   1950 -9999\n";
  {
    auto out = TextOutput::create(dir_.file("series.rwl"));
    ASSERT_TRUE(out);
    for (int s = 0; s < 4; ++s) {
      std::vector<float> widths;
      for (int t = 0; t < 40 - s; ++t) {
        widths.push_back(1.0f + 0.6f * std::exp(-static_cast<float>(t) / 15.0f) +
                         0.2f * std::sin(0.7f * static_cast<float>(t + s)));
      }
      trrw(TrrwMode::kWriteWidths, *out, {"S" + std::to_string(s + 1), 1900 + s, widths, {}, "site"});
    }
    out->close();
    const std::string series = read_file(dir_.file("series.rwl"));
    text += series.substr(0, series.rfind("S4      1940 -9999\n"));
  }
  write_file(dir_.file("cut.rwl"), text);
  write_file(dir_.file("list.txt"), "cut.rwl\n");
  const std::string out = run("list.txt\n" + defaults());
  EXPECT_EQ(exit_code_, 0);
  const std::string left_out = "\n WARNING: Series EMPTY holds no values; it is left out.\n"
                               "          It is named on line 1 of the data file.\n";
  const std::string cut_short =
      "\n WARNING: The data file ends inside series S4, which has no end mark after line 20;\n"
      "          its values up to the year 1939 are kept, read in 0.001 mm,\n"
      "          the unit that every end mark of the file gives (-9999).\n";
  EXPECT_NE(out.find(left_out + cut_short), std::string::npos);
  EXPECT_NE(out.find(span_line(4, 1900, 1939, 40)), std::string::npos);
  EXPECT_NE(out.find("Normal termination"), std::string::npos);
  EXPECT_NE(file("cut_out_v47b_batch.txt").find(to_upper(left_out + cut_short)), std::string::npos);
}

TEST_F(BatchProgram, FloatingGroupsOfSeriesAreRefused) {
  write_file(dir_.file("gap.rwl"),
             "AAA     1900   100   100   100   100   100   100   100   100   100   100\n"
             "AAA     1910   999\n"
             "BBB     1920   100   100   100   100   100   100   100   100   100   100\n"
             "BBB     1930   999\n");
  write_file(dir_.file("list.txt"), "gap.rwl\n");
  const std::string out = run("list.txt\n1\n");
  EXPECT_EQ(exit_code_, 1);
  EXPECT_NE(out.find(" No series covers the year   1910."), std::string::npos);
}

}  // namespace
}  // namespace qb
