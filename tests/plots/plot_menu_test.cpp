#include "plots/plot_menu.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/report_file.hpp"
#include "platform/screen_device.hpp"
#include "plots/plot_file_name.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::RecordingCanvas;
using testing::ScriptedConsole;
using testing::ScratchDirectory;

const PageDrawing kPage = [](PlotCanvas& canvas) { canvas.subpages(1, 1); };

const std::vector<std::string> kScreenDrawing = {
    "plsdev(xwin)", "plscol0(0,255,255,255)", "plscol0(15,0,0,0)", "plscolbg(255,255,255)",
    "plinit()",     "plssub(1,1)",            "plend()"};

std::vector<std::string> file_drawing(const std::string& file) {
  return {"plsdev(psc)", "plsfile(" + file + ")", "plscol0(0,255,255,255)", "plscol0(15,0,0,0)",
          "plscolbg(255,255,255)", "plinit()", "plssub(1,1)", "plend()"};
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class PlotMenu : public ::testing::Test {
 protected:
  void SetUp() override { forget_written_plot_files(); }
  ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  RecordingCanvas canvas;
};

TEST_F(PlotMenu, WritesTheMenuAndGoesOnAtAnyOtherAnswer) {
  {
    ScriptedConsole console("\n");
    EXPECT_EQ(show_plot(kPage, "fig11.ps"), PlotMenuExit::kContinue);
    EXPECT_EQ(console.output(),
              "\n"
              " |************* plot options menu ***************|\n"
              " |-----------------------------------------------|\n"
              " |       [s]ave   <[c]ontinue>   [r]eplot        |\n"
              " |_______________________________________________|\n"
              "\n"
              "  enter option number > ");
  }
  for (const char* answer : {"c", "C", "y", "Y", "x", " s", "n"}) {
    canvas.clear();
    ScriptedConsole console(std::string(answer) + "\n");
    EXPECT_EQ(show_plot(kPage, "fig11.ps"), PlotMenuExit::kContinue) << answer;
    EXPECT_EQ(canvas.texts(), kScreenDrawing) << answer;
  }
}

// Saving twice at one menu rewrites the file; a later plot of the same
// name takes the next name the run has not written, and each save names
// its file.
TEST_F(PlotMenu, SavingTwiceWritesTheSameFileTwiceAndALaterPlotTakesTheNextName) {
  {
    ScriptedConsole console("s\nSave\nc\n");
    show_plot(kPage, "fig1");
    EXPECT_EQ(canvas.texts(), joined({kScreenDrawing, file_drawing("fig1"), file_drawing("fig1")}));
    const auto lines = testing::lines_of(console.output());
    EXPECT_EQ(lines.size(), 21u);  // the menu three times, the file named twice
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  enter option number >  Plot saved as fig1"), 2);
  }
  for (const char* expected : {"fig1b.ps", "fig1b_2.ps", "fig1b_3.ps"}) {
    canvas.clear();
    ScriptedConsole console("s\n\n");
    show_plot(kPage, "fig1b.ps");
    EXPECT_EQ(canvas.texts(), joined({kScreenDrawing, file_drawing(expected)}));
    EXPECT_NE(console.output().find(" Plot saved as " + std::string(expected) + "\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(expected));
  }
  canvas.clear();
  ScriptedConsole console("s\n\n");
  show_plot(kPage, "fig1");
  EXPECT_EQ(canvas.texts(), joined({kScreenDrawing, file_drawing("fig1_2")}));
  // A new run of a program writes its first names again.
  forget_written_plot_files();
  EXPECT_EQ(unwritten_plot_file("fig1b.ps"), "fig1b.ps");
}

TEST_F(PlotMenu, ReplotAfterSaveDrawsOnTheScreenAgain) {
  ScriptedConsole console("s\nR\nr\n\n");
  show_plot(kPage, "fig11.ps");
  EXPECT_EQ(canvas.texts(),
            joined({kScreenDrawing, file_drawing("fig11.ps"), kScreenDrawing, kScreenDrawing}));
}

TEST_F(PlotMenu, NoMorePlotsOnlyWhereOffered) {
  {
    ScriptedConsole console("N\n");
    EXPECT_EQ(show_plot(kPage, "fig1", PlotMenuChoices::kWithNoMorePlots), PlotMenuExit::kNoMorePlots);
    EXPECT_NE(console.output().find(" | [s]ave  [c]ontinue  [r]eplot  [n]o more plots |\n"), std::string::npos);
  }
  ScriptedConsole console("c\n");
  EXPECT_EQ(show_plot(kPage, "fig1", PlotMenuChoices::kWithNoMorePlots), PlotMenuExit::kContinue);
}

// The reason goes to the console and the report (a full disk: the plotting
// library's own tests).
TEST_F(PlotMenu, AFileThatCannotBeWrittenIsReportedAndTheMenuShownAgain) {
  std::filesystem::create_directory("fig11.ps");
  ScriptedConsole console("s\nc\n");
  ReportFile report(*TextOutput::create("report.txt"));
  {
    const CurrentReportScope report_scope(report);
    show_plot(kPage, "fig11.ps");
  }
  report.close();
  EXPECT_EQ(canvas.texts(), kScreenDrawing);
  EXPECT_NE(console.output().find(">  Cannot create fig11.ps: Is a directory\n\n |****"), std::string::npos);
  EXPECT_EQ(testing::read_file("report.txt"), " CANNOT CREATE FIG11.PS: IS A DIRECTORY\n");
}

TEST_F(PlotMenu, AScreenThatIsAFileGetsItsFileName) {
  ScreenDeviceScope png({"pngcairo", "screen.png"});
  ScriptedConsole console("c\n");
  show_plot(kPage, "fig1");
  ASSERT_GE(canvas.texts().size(), 2u);
  EXPECT_EQ(canvas.texts()[0], "plsdev(pngcairo)");
  EXPECT_EQ(canvas.texts()[1], "plsfnam(screen.png)");
}

TEST(PlotFileName, TitleWithoutBlanksThenExtension) {
  EXPECT_EQ(title_plot_file("Stable STD Chronology"), "StableSTDChronology.ps");
  EXPECT_EQ(title_plot_file("Iteration Convergence Statistics, Iter =  7"),
            "IterationConvergenceStatistics,Iter=7.ps");
  // A title that fills every column is squeezed like any other, and a long
  // squeezed title is cut so the name keeps ".ps".
  const std::string full = std::string(29, 'a') + ' ' + std::string(30, 'b');
  EXPECT_EQ(title_plot_file(full), std::string(29, 'a') + std::string(28, 'b') + ".ps");
  EXPECT_EQ(title_plot_file(std::string(70, 'x')), std::string(57, 'x') + ".ps");
}

}  // namespace
}  // namespace qb
