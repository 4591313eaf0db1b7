#include "platform/console.hpp"

#include <gtest/gtest.h>

#include "platform/thread_pool.hpp"
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

// Work spread over threads shows on the console exactly what a serial loop
// would: texts and pauses in index order, nothing after the first index
// that stopped the program, and a nested loop runs in place.
TEST(Console, ParallelLoopShowsWhatASerialLoopShows) {
  ScriptedConsole script("first\nsecond\n");
  const auto body = [](int i) {
    parallel_for(2, 0, [i](int k) { console().write("(1x,i3,i2)", i, k); });
    if (i == 20) console().pause(" Hit Return");
    if (i == 30 || i == 35) console().stop(" stopped", i);
  };
  try {
    parallel_for(64, 0, body);
    FAIL() << "no stop";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, 30);
  }
  std::string expected;
  for (int i = 0; i <= 30; ++i) {
    expected += format_record("(1x,i3,i2)", i, 0) + format_record("(1x,i3,i2)", i, 1);
    if (i == 20) expected += " Hit Return";
  }
  EXPECT_EQ(script.output(), expected + " stopped\n");
  EXPECT_EQ(console().read_line(), "second");
}

}  // namespace
}  // namespace qb
