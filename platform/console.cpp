#include "platform/console.hpp"

#include <iostream>

#include "platform/free_form.hpp"

namespace qb {
namespace {
Console* g_console = nullptr;
}

Console::Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

void Console::put(std::string_view text) { out_ << text; }

void Console::flush() { out_.flush(); }

std::string Console::read_line() {
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
  out_.flush();
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

ConsoleScope::ConsoleScope(Console& replacement) : previous_(g_console) { g_console = &replacement; }
ConsoleScope::~ConsoleScope() { g_console = previous_; }

}  // namespace qb
