#include "platform/console.hpp"

#include <iostream>
#include <stdexcept>

#include "platform/free_form.hpp"

namespace qb {
namespace {
Console* g_console = nullptr;
thread_local ConsoleRecording* t_recording = nullptr;
}  // namespace

Console::Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

void Console::put(std::string_view text) {
  if (t_recording) {
    t_recording->entries_.push_back({false, std::string(text)});
    return;
  }
  out_ << text;
}

void Console::flush() {
  if (!t_recording) out_.flush();
}

std::string Console::read_line() {
  // An answer steers what follows it, so it cannot be deferred to a replay.
  if (t_recording) throw std::logic_error("console answer asked for while recording");
  out_.flush();
  std::string line;
  if (!std::getline(in_, line)) end_of_input();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string Console::ask(std::string_view text, int column) {
  put(format_record("(1x,a,t" + std::to_string(column) + ",'==> ',$)", text));
  return read_line();
}

std::optional<int> Console::read_free_integer() {
  while (true) {
    auto values = split_free_form(read_line());
    if (values.empty()) continue;
    int value = 0;
    if (!parse_free_integer(values.front(), value)) return std::nullopt;
    return value;
  }
}

std::optional<float> Console::read_free_real() {
  while (true) {
    auto values = split_free_form(read_line());
    if (values.empty()) continue;
    float value = 0.0f;
    if (!parse_free_real(values.front(), value)) return std::nullopt;
    return value;
  }
}

void Console::pause(std::string_view message) {
  put(message);
  if (t_recording) {
    t_recording->entries_.push_back({true, {}});
    return;
  }
  read_line();
}

void Console::wait_before_exit() {
  out_.flush();
  std::string line;
  std::getline(in_, line);
}

void Console::stop(std::string_view message, int exit_code) {
  if (message.find_first_not_of(' ') != std::string_view::npos) {
    put(message);
    put("\n");
  }
  flush();
  throw ProgramStop{exit_code};
}

void Console::end_of_input() {
  put("\n");
  if (end_of_input_) end_of_input_(*this);
  out_.flush();
  throw ProgramStop{kExitAbnormal};
}

void Console::abnormal_termination() {
  if (end_of_input_) end_of_input_(*this);
  wait_before_exit();
  throw ProgramStop{kExitAbnormal};
}

Console& console() {
  static Console standard(std::cin, std::cout);
  return g_console ? *g_console : standard;
}

void ConsoleRecording::replay(Console& console) const {
  for (const Entry& entry : entries_) {
    if (entry.wait) {
      console.read_line();
    } else {
      console.put(entry.text);
    }
  }
}

ConsoleRecordingScope::ConsoleRecordingScope(ConsoleRecording& recording) : previous_(t_recording) {
  t_recording = &recording;
}
ConsoleRecordingScope::~ConsoleRecordingScope() { t_recording = previous_; }

ConsoleScope::ConsoleScope(Console& replacement) : previous_(g_console) { g_console = &replacement; }
ConsoleScope::~ConsoleScope() { g_console = previous_; }

}  // namespace qb
