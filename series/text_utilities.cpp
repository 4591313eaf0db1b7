#include "series/text_utilities.hpp"

#include <algorithm>

namespace qb {

void blank(std::string& text, int length) {
  if (length < 1) return;
  if (static_cast<int>(text.size()) < length) text.resize(static_cast<std::size_t>(length), ' ');
  std::fill(text.begin(), text.begin() + length, ' ');
}

void stringclean(std::string& text, int length) {
  length = std::min(length, static_cast<int>(text.size()));
  if (length < 2) return;
  // Passes shift the text left over every blank in positions 1..length-1,
  // until no blank stands before a non-blank.
  while (true) {
    for (int i = 0; i < length - 1; ++i) {
      if (text[static_cast<std::size_t>(i)] == ' ') {
        for (int j = i; j < length - 1; ++j) text[static_cast<std::size_t>(j)] = text[static_cast<std::size_t>(j + 1)];
      }
    }
    bool again = false;
    for (int i = 0; i < length - 1; ++i) {
      if (text[static_cast<std::size_t>(i)] == ' ' && text[static_cast<std::size_t>(i + 1)] != ' ') again = true;
    }
    if (!again) return;
  }
}

std::string intfrm(std::string& answer) {
  constexpr int kWidth = 10;
  answer.resize(kWidth, ' ');
  int lead = 0;
  while (lead < kWidth && answer[static_cast<std::size_t>(lead)] == ' ') ++lead;
  if (lead == kWidth) lead = 0;
  const int count = static_cast<int>(std::count_if(answer.begin(), answer.end(), [](char c) { return c != ' '; }));
  if (lead >= 1) {
    std::string moved(kWidth, ' ');
    for (int i = 0; i < count && lead + i < kWidth; ++i) moved[static_cast<std::size_t>(i)] = answer[static_cast<std::size_t>(lead + i)];
    answer = moved;
  }
  return "(i" + std::to_string(count) + ")";
}

}  // namespace qb
