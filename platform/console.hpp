// The text console: every prompt, answer and message of the system.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program_stop.hpp"
#include "platform/record_format.hpp"

namespace qb {

class ConsoleRecording;

class Console {
 public:
  Console(std::istream& in, std::ostream& out);

  // Writes the records of a formatted write; a format ending in "$" leaves the
  // cursor on the line.
  template <class... Args>
  void write(std::string_view format, const Args&... args) {
    put(format_record(format, args...));
  }
  // Writes text that is already rendered.
  void put(std::string_view text);

  // One answer line without its line end. End of input ends the program with
  // the running program's abnormal termination text: a closed input is never
  // taken as an answer. A thread that records cannot wait for an answer.
  std::string read_line();

  // "(1x,'<text>',t<column>,'==> ',$)" and the answer.
  std::string ask(std::string_view text, int column = 50);

  // Free-form reads of one number: empty lines are passed over (the read
  // waits for a value); std::nullopt when the first value does not convert.
  std::optional<int> read_free_integer();
  std::optional<float> read_free_real();

  // Shows the message with the cursor left after it and waits for Return.
  // While the thread records, the message and the wait are recorded.
  void pause(std::string_view message);
  // The last wait of a run: an input that has ended is as good as Return.
  void wait_before_exit();

  // Writes the message (when not blank) and ends the program.
  [[noreturn]] void stop(std::string_view message = {}, int exit_code = kExitNormal);

  // The driver's abnormal termination text, written when the input ends.
  void set_end_of_input_text(std::function<void(Console&)> writer) { end_of_input_ = std::move(writer); }
  [[noreturn]] void end_of_input();
  // Ends the run after an answer that admits no other course: the driver's
  // abnormal termination text, a wait for Return, then kExitAbnormal.
  [[noreturn]] void abnormal_termination();

  void flush();

 private:
  std::istream& in_;
  std::ostream& out_;
  std::function<void(Console&)> end_of_input_;
};

// The console traffic of one piece of work run beside others (a parallel
// loop): the texts it wrote and the Returns its pauses waited for, kept to be
// replayed when the work before it has shown its own, so that the console
// sees them in the order of a serial run.
class ConsoleRecording {
 public:
  bool empty() const { return entries_.empty(); }
  // Writes the texts and waits at the pauses, in the order recorded.
  void replay(Console& console) const;

 private:
  friend class Console;
  struct Entry {
    bool wait = false;  // a pause's wait for Return; else a text
    std::string text;
  };
  std::vector<Entry> entries_;
};

// Records, for the length of a scope, what the calling thread does on any
// console instead of doing it.
class ConsoleRecordingScope {
 public:
  explicit ConsoleRecordingScope(ConsoleRecording& recording);
  ~ConsoleRecordingScope();
  ConsoleRecordingScope(const ConsoleRecordingScope&) = delete;
  ConsoleRecordingScope& operator=(const ConsoleRecordingScope&) = delete;

 private:
  ConsoleRecording* previous_;
};

// The process console (standard input and output).
Console& console();

// Swaps the process console for the length of a scope (tests, scripted runs).
class ConsoleScope {
 public:
  explicit ConsoleScope(Console& replacement);
  ~ConsoleScope();
  ConsoleScope(const ConsoleScope&) = delete;
  ConsoleScope& operator=(const ConsoleScope&) = delete;

 private:
  Console* previous_;
};

// First character of an answer, blank for an empty answer.
inline char first_char(std::string_view answer) { return answer.empty() ? ' ' : answer.front(); }

}  // namespace qb
