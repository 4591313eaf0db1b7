#include "dialogue/menu_answers.hpp"

#include "platform/text_file.hpp"
#include "series/text_utilities.hpp"

namespace qb {
namespace {
constexpr std::size_t kAnswerLength = 10;
}

void stop_on_slash(Console& console, std::string_view answer) {
  if (first_char(answer) == '/') console.stop();
}

std::string answer_or_default(std::string_view answer, std::string_view default_text) {
  return fixed_width(first_char(answer) == ' ' ? default_text : answer, kAnswerLength);
}

std::optional<int> integer_answer(std::string_view answer) {
  std::string text = fixed_width(answer, kAnswerLength);
  if (text.find_first_not_of(' ') == std::string::npos) return std::nullopt;
  const std::string format = intfrm(text);
  int value = 0;
  if (read_fields(format, text, &value) != ReadStatus::kOk) return std::nullopt;
  return value;
}

int ask_integer(Console& console, const std::function<void()>& show_prompt, std::string_view default_text) {
  while (true) {
    show_prompt();
    const std::string answer = console.read_line();
    stop_on_slash(console, answer);
    if (auto value = integer_answer(answer_or_default(answer, default_text))) return *value;
  }
}

}  // namespace qb
