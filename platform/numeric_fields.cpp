#include "platform/numeric_fields.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace qb {
namespace {

__extension__ typedef unsigned __int128 Uint128;

// The two digits of every number below 100.
constexpr std::array<char, 200> two_digit_table() {
  std::array<char, 200> table{};
  for (int i = 0; i < 100; ++i) {
    table[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    table[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return table;
}
constexpr auto kTwoDigits = two_digit_table();

// Writes the decimal digits of n so that they end just before `end`;
// returns where they start.
inline char* decimal_digits(std::uint64_t n, char* end) {
  char* p = end;
  while (n >= 100) {
    const auto pair = static_cast<std::size_t>(n % 100) * 2;
    n /= 100;
    *--p = kTwoDigits[pair + 1];
    *--p = kTwoDigits[pair];
  }
  if (n >= 10) {
    *--p = kTwoDigits[static_cast<std::size_t>(n) * 2 + 1];
    *--p = kTwoDigits[static_cast<std::size_t>(n) * 2];
  } else {
    *--p = static_cast<char>('0' + n);
  }
  return p;
}

// The same for 128 bits, with at least `min_digits` digits (leading zeros).
char* decimal_digits(Uint128 n, int min_digits, char* end) {
  char* p = end;
  constexpr std::uint64_t kChunk = 10000000000000000000ull;  // 10^19
  while (n > UINT64_MAX) {
    const auto chunk = static_cast<std::uint64_t>(n % kChunk);
    n /= kChunk;
    char* const chunk_end = p;
    p = decimal_digits(chunk, p);
    while (chunk_end - p < 19) *--p = '0';
  }
  p = decimal_digits(static_cast<std::uint64_t>(n), p);
  while (end - p < min_digits) *--p = '0';
  return p;
}

// Blanks, then the text right-aligned, or asterisks when it is longer; plain
// loops, as fields are a few characters wide.
void place(const char* text, std::size_t length, int width, char* field) {
  const auto w = static_cast<std::size_t>(width);
  if (length > w) {
    for (std::size_t i = 0; i < w; ++i) field[i] = '*';
    return;
  }
  const std::size_t blanks = w - length;
  for (std::size_t i = 0; i < w; ++i) field[i] = i < blanks ? ' ' : text[i - blanks];
}

constexpr std::array<std::uint64_t, 20> powers_of_ten() {
  std::array<std::uint64_t, 20> powers{};
  powers[0] = 1;
  for (std::size_t d = 1; d < powers.size(); ++d) powers[d] = powers[d - 1] * 10;
  return powers;
}
constexpr auto kPowersOfTen = powers_of_ten();

// With at most this many decimals m 5^d stays below 2^116 for every 53-bit
// mantissa m, so the scaled value is exact in 128 bits.
constexpr int kMostExactDecimals = 27;

constexpr std::array<std::uint64_t, kMostExactDecimals + 1> powers_of_five() {
  std::array<std::uint64_t, kMostExactDecimals + 1> powers{};
  powers[0] = 1;
  for (std::size_t d = 1; d < powers.size(); ++d) powers[d] = powers[d - 1] * 5;
  return powers;
}
constexpr auto kPowersOfFive = powers_of_five();

// magnitude x 10^decimals rounded to an integer, halves up, decided on the
// exact binary value: with magnitude = m 2^e the scaled value is
// m 5^d 2^(e+d), an integer shifted left or right, and the bits shifted out
// right say exactly whether the remainder reaches one half. False when the
// result would not fit in 127 bits or there are too many decimals.
bool scaled_and_rounded(double magnitude, int decimals, Uint128& result) {
  if (decimals < 0 || decimals > kMostExactDecimals) return false;
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased_exponent = static_cast<int>(bits >> 52);  // the sign bit is clear
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int exponent = -1074;  // subnormal
  if (biased_exponent != 0) {
    mantissa |= std::uint64_t{1} << 52;
    exponent = biased_exponent - 1075;
  }
  const Uint128 product = static_cast<Uint128>(mantissa) * kPowersOfFive[static_cast<std::size_t>(decimals)];
  const int shift = exponent + decimals;
  if (shift >= 0) {
    if (shift > 127 || (product >> (127 - shift)) != 0) return false;
    result = product << shift;
    return true;
  }
  const int right = -shift;
  if (right > 116) {  // below one half
    result = 0;
    return true;
  }
  const Uint128 quotient = product >> right;
  const Uint128 remainder = product - (quotient << right);
  const Uint128 half = Uint128{1} << (right - 1);
  result = quotient + (remainder >= half ? 1 : 0);
  return true;
}

// Fixed-point text of |value| rounded to `decimals` the slow way, for what
// the exact integer path cannot hold: printed with enough extra digits that
// the exact binary value decides the rounding (a tie at the rounding digit
// prints exactly).
std::string fixed_digits_printed(double magnitude, int decimals) {
  const int extra = 40;
  std::string digits = printed(magnitude, "%.*f", decimals + extra);
  const std::size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  std::string fraction = digits.substr(point + 1);
  const bool round_up = fraction[static_cast<std::size_t>(decimals)] >= '5';
  fraction.resize(static_cast<std::size_t>(decimals));
  std::string all = whole + fraction;
  if (round_up) {
    int i = static_cast<int>(all.size()) - 1;
    while (i >= 0 && all[static_cast<std::size_t>(i)] == '9') all[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) {
      all.insert(all.begin(), '1');
    } else {
      ++all[static_cast<std::size_t>(i)];
    }
  }
  whole = all.substr(0, all.size() - static_cast<std::size_t>(decimals));
  fraction = all.substr(all.size() - static_cast<std::size_t>(decimals));
  return whole + "." + fraction;
}

void place_fixed_printed(double value, int width, int decimals, char* field) {
  const bool negative = std::signbit(value);
  std::string text = fixed_digits_printed(std::fabs(value), decimals);  // "0.500", "12.", ...
  if (negative) text.insert(text.begin(), '-');
  if (static_cast<int>(text.size()) > width) {
    const std::size_t zero = negative ? 1 : 0;
    if (text.size() > zero + 1 && text[zero] == '0' && text[zero + 1] == '.') text.erase(zero, 1);
  }
  place(text.data(), text.size(), width, field);
}

}  // namespace

// printf's text of one value, however long: a format may ask for hundreds of
// decimals, and a cut text would lose the digits the rounding looks at.
std::string printed(double value, const char* format, int precision) {
  std::string text(64, '\0');
  const int n = std::snprintf(text.data(), text.size(), format, precision, value);
  if (n >= static_cast<int>(text.size())) {
    text.resize(static_cast<std::size_t>(n) + 1);
    std::snprintf(text.data(), text.size(), format, precision, value);
  }
  text.resize(static_cast<std::size_t>(std::max(n, 0)));
  return text;
}

void write_integer_field(long long value, int width, int min_digits, char* field) {
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  if (!negative && min_digits == 1 && width >= 1 && width < 20) {  // the usual field: digits straight into place
    if (magnitude >= kPowersOfTen[static_cast<std::size_t>(width)]) {
      for (int i = 0; i < width; ++i) field[i] = '*';
      return;
    }
    char* p = decimal_digits(magnitude, field + width);
    while (p != field) *--p = ' ';
    return;
  }
  char buffer[24];
  char* const end = buffer + sizeof buffer;
  const char* const digits = value == 0 && min_digits == 0 ? end : decimal_digits(magnitude, end);
  const auto count = static_cast<std::size_t>(end - digits);
  const std::size_t zeros = static_cast<std::size_t>(std::max(min_digits, 0)) > count ? min_digits - count : 0;
  if (zeros == 0 && !negative) return place(digits, count, width, field);
  // A sign or leading zeros: assembled in a string, which Iw.m with a large m needs.
  std::string text(zeros + (negative ? 1 : 0), '0');
  if (negative) text[0] = '-';
  text.append(digits, count);
  place(text.data(), text.size(), width, field);
}

void write_fixed_field(double value, int width, int decimals, char* field) {
  const auto word = [&](std::string_view text) { place(text.data(), text.size(), width, field); };
  if (std::isnan(value)) return word("NaN");
  if (std::isinf(value)) {
    if (value > 0) return word(width >= 8 ? "Infinity" : "Inf");
    return word(width >= 9 ? "-Infinity" : "-Inf");
  }
  Uint128 scaled = 0;
  if (!scaled_and_rounded(std::fabs(value), decimals, scaled)) return place_fixed_printed(value, width, decimals, field);
  // Digits right to left, then the whole digits one place left for the point.
  char buffer[96];
  char* const end = buffer + sizeof buffer;
  char* first = decimal_digits(scaled, decimals + 1, end);
  char* const fraction = end - decimals;
  std::memmove(first - 1, first, static_cast<std::size_t>(fraction - first));
  --first;
  fraction[-1] = '.';
  const bool negative = std::signbit(value);
  const int length = static_cast<int>(end - first) + (negative ? 1 : 0);
  // The optional leading zero goes first when the text does not fit.
  if (length > width && fraction - 1 - first == 1 && first[0] == '0') ++first;
  if (negative) *--first = '-';
  place(first, static_cast<std::size_t>(end - first), width, field);
}

}  // namespace qb
