// The numeric output fields of formatted records, Iw.m and Fw.d, written in
// place: each call fills exactly `width` characters of `field`, the text
// right-aligned, or asterisks when it does not fit.
#pragma once

#include <string>

namespace qb {

// Iw.m: at least m digits, with leading zeros (Iw.0 writes a zero as blanks).
void write_integer_field(long long value, int width, int min_digits, char* field);

// Fw.d: the value rounded to d decimals, halves away from zero on its exact
// binary value (a float widened to double rounds as the float); a minus sign
// for every negative value, also one that rounds to zero ("-0.000"); the
// optional leading zero goes first when the field is too narrow ("0.500" in
// four columns is ".500"). NaN and infinities are written as words.
void write_fixed_field(double value, int width, int decimals, char* field);

// printf's text of one value with a `precision` argument ("%.*e"), however
// long the text.
std::string printed(double value, const char* format, int precision);

}  // namespace qb
