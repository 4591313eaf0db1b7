#include "series/pith_offsets.hpp"

#include <optional>
#include <span>
#include <string>

#include "platform/console.hpp"
#include "platform/text_file.hpp"

namespace qb {
namespace {

constexpr std::size_t kNameLength = 50;
constexpr std::size_t kFormatLength = 40;

// The pith offset file's name, asked until a file of that name exists; "/"
// ends the program.
std::string ask_file_name(std::string_view data_set_name) {
  Console& c = console();
  c.write("(/1x,'NOTE: the order of pith offsets must follow the order'/1x,'of the file raw ring width records: ',a)",
          data_set_name);
  while (true) {
    c.write("(/1x,'Okay? So enter pith offset file name here',t50,'==> ',$)");
    const std::string name = fixed_width(c.read_line(), kNameLength);
    if (name.front() == '/') c.stop();
    if (file_exists(trim_right(name))) return name;
    c.write("(//t11,'File > ',a,' < not found')", name.substr(0, 25));
    c.pause("          Hit return to enter a new file name or / to quit program.");
  }
}

struct ReadingMethod {
  std::string format;
  int header_lines = 0;
};

// The method (single column "(i4)" or a format the user types) and the
// number of header lines.
ReadingMethod ask_reading_method() {
  Console& c = console();
  while (true) {
    c.write("(//1x,'Select method to read the offset information:'/1x,'Single column offset i.e.  <i4>   [1]'"
            "/1x,'User defined fortran format       [2]'/1x,'Enter option number',t50,'==> ',$)");
    const int method = c.read_free_integer().value_or(0);
    std::optional<int> header_lines;
    while (!header_lines) {
      c.write("(/1x,'Enter number of header lines to skip [none=0]',t50,'==> ',$)");
      header_lines = c.read_free_integer();
    }
    if (method == 1) return {"(i4)", *header_lines};
    if (method == 2) {
      c.write("(/1x,'Enter format to read just the '/1x,'offset values (within parentheses)'/1x,'[e.g.,(2x,i3)]',"
              "t50,'==> ',$)");
      return {trim_right(fixed_width(c.read_line(), kFormatLength)), *header_lines};
    }
    c.write("(/t11,'Please enter 1 or 2 ')");
    c.pause("          Hit RETURN and try again.");
  }
}

enum class ReadOutcome { kRead, kUnreadable };

ReadOutcome read_offsets(const std::string& name, const ReadingMethod& method, std::vector<int>& offsets,
                         int max_series) {
  Console& c = console();
  auto file = TextInput::open(trim_right(name));
  if (!file) return ReadOutcome::kUnreadable;
  c.write("(/1x,'Reading offset file: ',a)", name);
  for (int line = 1; line <= method.header_lines; ++line) {
    auto record = file->next_record();
    if (!record) break;
    c.write("(1x,i2,'Title Line: ',a)", line, *record);
  }
  const RecordSupplier next = file->supplier();
  for (int series = 0;; ++series) {
    int value = 0;
    const FieldTarget target{&value};
    switch (read_record(method.format, next, std::span<const FieldTarget>(&target, 1))) {
      case ReadStatus::kEndOfFile: return ReadOutcome::kRead;
      case ReadStatus::kConversionError: return ReadOutcome::kUnreadable;
      case ReadStatus::kOk: break;
    }
    if (series >= max_series) {
      c.write("(/t11,'The number of pith offset values read exceeds the'"
              "/t11,'the dimensions of the array in which they are stored'"
              "//1x,'This is a fatal error, there is no recovery '/1x,'Program Terminating ')");
      c.stop({}, kExitAbnormal);
    }
    offsets[static_cast<std::size_t>(series)] = value;
  }
}

}  // namespace

bool pithy(std::vector<int>& offsets, bool file_dialogue, std::string_view data_set_name, int max_series) {
  Console& c = console();
  c.write("(/1x,'Use a pith offset file? [T]rue or <[F]>alse',t50,'==> ',$)");
  const char answer = first_char(c.read_line());
  if (answer == ' ' || answer == 'F' || answer == 'f' || !file_dialogue) {
    offsets.assign(static_cast<std::size_t>(max_series), 0);
    return false;
  }
  const std::string name = ask_file_name(data_set_name);
  offsets.resize(static_cast<std::size_t>(max_series), 0);
  while (true) {
    const ReadingMethod method = ask_reading_method();
    if (read_offsets(name, method, offsets, max_series) == ReadOutcome::kRead) return true;
    c.write("(/t11,'There was an error reading the pith offset '/t11,'values in file  : ',a"
            "/t11,'Do you want to try again? or quit?'/t11,'enter [\\] to quit  : ',$)",
            name);
    if (first_char(c.read_line()) == '\\') {
      c.write("(1x,'Program Terminating ')");
      c.stop({}, kExitAbnormal);
    }
  }
}

}  // namespace qb
