#include "series/file_pager.hpp"

#include <algorithm>
#include <string>

#include "platform/console.hpp"

namespace qb {
namespace {

constexpr std::size_t kShownWidth = 100;
constexpr int kLinesPerScreen = 5;

void show_ruler() {
  console().write("(5x,'.........1.........2.........3.........4.....','....5.........6.........7.........8.........9.........10')");
}

void show_line(int number, std::string line) {
  std::replace(line.begin(), line.end(), '\t', ' ');
  console().write("(1x,i3,1x,a)", number, line);
}

// Answers are told apart by their first character, in lower case only.
char answer_letter() { return first_char(console().read_line()); }

}  // namespace

void snoop(TextInput& input) {
  input.rewind();
  console().write("(/1x,'snooping in the data file ','(first 100 characters/line):')");
  show_ruler();
  while (true) {
    int count = 0;
    bool to_end = false;
    while (auto line = input.next_record(kShownWidth)) {
      ++count;
      if (to_end) continue;
      show_line(count, *line);
      if (count % kLinesPerScreen != 0) continue;
      console().write("(/1x,'more <ret>, read to end <e>, ','return to main program <m> ',$)");
      const char answer = answer_letter();
      if (answer == 'e') {
        to_end = true;
      } else if (answer == 'm') {
        input.rewind();
        console().write("(/1x,'end-of-snoop: ',i5,' lines read')", count);
        return;
      } else {
        show_ruler();
      }
    }
    if (to_end) {
      const int last = std::min(count, kLinesPerScreen);
      for (int i = 0; i < last; ++i) input.back();
      console().write("(/1x,'last 5 lines in file (first 80 characters):')");
      show_ruler();
      for (int number = count - last + 1; number <= count; ++number) show_line(number, *input.next_record(kShownWidth));
    }
    input.rewind();
    console().write("(/1x,'end-of-snoop: ',i5,' lines read'/)", count);
    console().write("(1x,'more <ret> or return to main program <m> ',$)");
    if (answer_letter() == 'm') return;
  }
}

}  // namespace qb
