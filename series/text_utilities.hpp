// Small routines on fixed-length, blank-padded text.
#pragma once

#include <string>

namespace qb {

// Sets positions 1..length of the text to blanks; a length below 1 does nothing.
void blank(std::string& text, int length);
inline void blank(std::string& text) { blank(text, static_cast<int>(text.size())); }

// Squeezes the blanks out of positions 1..length: every non-blank character
// moves to the front, in order, followed by blanks.
void stringclean(std::string& text, int length);
inline void stringclean(std::string& text) { stringclean(text, static_cast<int>(text.size())); }

// Left-justifies a 10-character answer and returns the integer format that
// reads it: "(i<count>)" where count is the number of non-blank characters.
std::string intfrm(std::string& answer);

}  // namespace qb
