#include "platform/console.hpp"

#include <gtest/gtest.h>

#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::ScriptedConsole;

TEST(Console, PromptLeavesTheCursorAtItsColumn) {
  ScriptedConsole script("abc\n");
  EXPECT_EQ(console().ask("Signal Free list file name", 45), "abc");
  const std::string expected = " Signal Free list file name";
  EXPECT_EQ(script.output(), expected + std::string(44 - expected.size(), ' ') + "==> ");
}

TEST(Console, AnswersLoseTheirLineEndsAndKeepLeadingBlanks) {
  ScriptedConsole script(" 7\r\n\n");
  EXPECT_EQ(console().read_line(), " 7");
  EXPECT_EQ(console().read_line(), "");
  EXPECT_EQ(first_char(""), ' ');
}

TEST(Console, FreeFormNumbersWaitPastEmptyLines) {
  ScriptedConsole script("\n\n  42, 7\nabc\n 1.5e1\n");
  EXPECT_EQ(console().read_free_integer(), 42);
  EXPECT_EQ(console().read_free_integer(), std::nullopt);
  EXPECT_EQ(console().read_free_real(), 15.0f);
}

TEST(Console, EndOfInputEndsTheProgramWithTheDriversText) {
  ScriptedConsole script("");
  console().set_end_of_input_text([](Console& c) { c.write("(1x,'Abnormal termination')"); });
  try {
    console().read_line();
    FAIL() << "end of input was taken as an answer";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitAbnormal);
  }
  EXPECT_EQ(script.output(), "\n Abnormal termination\n");
}

TEST(Console, PauseAndStop) {
  ScriptedConsole script("\n");
  console().pause(" Hit Return to Continue");
  EXPECT_EQ(script.output(), " Hit Return to Continue");
  EXPECT_THROW(console().stop(" "), ProgramStop);
  EXPECT_EQ(script.output(), " Hit Return to Continue");
}

}  // namespace
}  // namespace qb
