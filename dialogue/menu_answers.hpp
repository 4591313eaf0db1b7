// Answers to the option menus. An answer is read as text; "/" as its first
// character ends the program, a blank first character takes the menu's
// default, and a number is read from the first ten characters with the
// integer format built for the digits typed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console.hpp"

namespace qb {

// Ends the program without a message when the answer begins with "/".
void stop_on_slash(Console& console, std::string_view answer);

// The answer as the menus test it: its first ten characters, or the default
// text when the first character is blank.
std::string answer_or_default(std::string_view answer, std::string_view default_text);

// The integer the answer holds; std::nullopt when it does not read as one.
std::optional<int> integer_answer(std::string_view answer);

// Shows the prompt and reads the answer until it gives an integer ("/" ends
// the program, a blank takes the default).
int ask_integer(Console& console, const std::function<void()>& show_prompt, std::string_view default_text);

}  // namespace qb
