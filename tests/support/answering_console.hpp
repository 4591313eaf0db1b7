// A console that answers a program's prompts as they come, for driving a
// whole program in the test process: each scripted answer is bound to the
// text of the prompt it answers, so a script does not depend on how many
// plot menus and default questions come before that prompt.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.hpp"

namespace qb::testing {

// Given at the first prompt (from the previous scripted answer on) whose
// text contains `prompt`.
struct Answer {
  std::string prompt;
  std::string text;
};

// Every read gets the next scripted answer when the output since the
// previous read shows its prompt, else an empty line (the prompt's default).
// After `read_limit` reads the input ends. It replaces the process console
// for its lifetime.
class AnsweringConsole {
 public:
  explicit AnsweringConsole(std::vector<Answer> answers, int read_limit = 5000);
  ~AnsweringConsole();
  AnsweringConsole(const AnsweringConsole&) = delete;
  AnsweringConsole& operator=(const AnsweringConsole&) = delete;

  Console& console();
  const std::string& output() const;
  // Scripted answers whose prompt never came.
  std::vector<Answer> unused_answers() const;

 private:
  struct Streams;
  std::unique_ptr<Streams> streams_;
};

// Runs a program's driver with the console as its main() does; the exit code.
int run_driver(const std::function<void(Console&)>& driver, std::string_view version, AnsweringConsole& console);

}  // namespace qb::testing
