#include "series/file_pager.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::ScriptedConsole;

const std::string kRuler =
    "     .........1.........2.........3.........4.........5.........6.........7.........8.........9.........10";

std::string numbered_file(int lines) {
  std::string text;
  for (int i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

std::string shown(int number, const std::string& text) {
  return format_record("(1x,i3,1x,a)", number, fixed_width(text, 100));
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string page(TextInput& input, const std::string& answers) {
  ScriptedConsole console(answers);
  snoop(input);
  return console.output();
}

TEST(FilePager, FiveLinesAtATimeThenTheEnd) {
  TextInput input = TextInput::from_text(numbered_file(7));
  const std::string out = page(input, "\nm\n");
  std::string expected = "\n snooping in the data file (first 100 characters/line):\n" + kRuler + "\n";
  for (int i = 1; i <= 5; ++i) expected += shown(i, "line " + std::to_string(i));
  expected += "\n more <ret>, read to end <e>, return to main program <m> ";
  expected += kRuler + "\n" + shown(6, "line 6") + shown(7, "line 7");
  expected += "\n end-of-snoop:     7 lines read\n\n more <ret> or return to main program <m> ";
  EXPECT_EQ(out, expected);
  // The file is left rewound.
  EXPECT_EQ(input.next_record(), "line 1");
}

TEST(FilePager, ReadToTheEndShowsTheLastFiveLines) {
  TextInput input = TextInput::from_text(numbered_file(23));
  const auto lines = lines_of(page(input, "e\nm\n"));
  const auto heading = std::find(lines.begin(), lines.end(), " last 5 lines in file (first 80 characters):");
  ASSERT_NE(heading, lines.end());
  EXPECT_EQ(*(heading + 1), kRuler);
  EXPECT_EQ(*(heading + 2) + "\n", shown(19, "line 19"));
  EXPECT_EQ(*(heading + 6) + "\n", shown(23, "line 23"));
  EXPECT_EQ(*(heading + 8), " end-of-snoop:    23 lines read");
}

TEST(FilePager, AnswersAreLowerCaseLettersAndTabsShowAsBlanks) {
  TextInput input = TextInput::from_text("a\tb\n" + numbered_file(9));
  // "M" and "E" page on; "m" returns at once, rewound.
  const std::string out = page(input, "M\nm\n");
  EXPECT_NE(out.find(shown(1, "a b")), std::string::npos);
  EXPECT_NE(out.find(shown(10, "line 9")), std::string::npos);
  EXPECT_NE(out.find("\n end-of-snoop:    10 lines read\n"), std::string::npos);
  EXPECT_EQ(input.position(), 0u);
  // At the last prompt anything but "m" starts again from the top, without the heading.
  TextInput small = TextInput::from_text(numbered_file(2));
  const std::string again = page(small, "\nm\n");
  EXPECT_EQ(occurrences(again, shown(1, "line 1")), 2);
  EXPECT_EQ(occurrences(again, "snooping"), 1);
  EXPECT_EQ(occurrences(again, "end-of-snoop:     2 lines read"), 2);
}

}  // namespace
}  // namespace qb
