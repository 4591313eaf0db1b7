#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "detrend/robust_statistics.hpp"

namespace qb {
namespace {

// Any correct sort puts the values in the same sequence, bit for bit, unless
// values that compare equal differ in their bits (+0 and -0) or a NaN has no
// place in the order; only then does the partitioning below decide.
bool order_is_unique(std::span<const float> values) {
  bool positive_zero = false;
  bool negative_zero = false;
  for (float v : values) {
    if (v != v) return false;
    if (v == 0.0f) (std::signbit(v) ? negative_zero : positive_zero) = true;
  }
  return !(positive_zero && negative_zero);
}

// Four passes of 8 bits over keys that order as the floats do: linear in
// the length, so long vectors (a year of thousands of series) sort several
// times faster than by comparisons.
void radix_sort(std::span<float> values) {
  thread_local std::vector<std::uint32_t> keys;
  thread_local std::vector<std::uint32_t> spare;
  const std::size_t n = values.size();
  keys.resize(n);
  spare.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto bits = std::bit_cast<std::uint32_t>(values[i]);
    keys[i] = (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
  }
  std::uint32_t* from = keys.data();
  std::uint32_t* to = spare.data();
  constexpr int kDigitBits = 8;
  constexpr std::uint32_t kDigits = 1u << kDigitBits;
  for (int shift = 0; shift < 32; shift += kDigitBits) {
    std::array<std::uint32_t, kDigits> start{};
    for (std::size_t i = 0; i < n; ++i) ++start[(from[i] >> shift) & (kDigits - 1)];
    std::uint32_t total = 0;
    for (std::uint32_t& count : start) {
      const std::uint32_t c = count;
      count = total;
      total += c;
    }
    for (std::size_t i = 0; i < n; ++i) to[start[(from[i] >> shift) & (kDigits - 1)]++] = from[i];
    std::swap(from, to);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t key = from[i];
    values[i] = std::bit_cast<float>((key & 0x80000000u) != 0 ? key & 0x7fffffffu : ~key);
  }
}

// Below this length the radix passes cost more than comparisons.
constexpr std::size_t kRadixMinimum = 64;

}  // namespace

// Quicksort after Hoare with a pivot drawn by a small linear congruential
// generator (multiplier 211, increment 1663, modulus 7875), straight insertion
// below 8 elements, and an explicit stack of pending subranges. Pushing the
// larger side and sorting the smaller first bounds the stack by 2 log2(n)
// entries, so 128 entries hold any vector that fits in memory.
void qcksrt(std::span<float> arr) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(arr.size());
  if (n < 2) return;
  if (order_is_unique(arr)) {
    if (arr.size() >= kRadixMinimum) {
      radix_sort(arr);
    } else {
      std::sort(arr.begin(), arr.end());
    }
    return;
  }
  constexpr int kInsertionLimit = 7;
  std::array<std::ptrdiff_t, 128> stack{};
  int top = 0;
  std::ptrdiff_t l = 0;
  std::ptrdiff_t ir = n - 1;
  // The generator's state stays below 7875 * 211 + 1663 < 2^24, so integer
  // arithmetic gives exactly the single-precision sequence, without fmod.
  long fx = 0;
  while (true) {
    if (ir - l < kInsertionLimit) {
      for (std::ptrdiff_t j = l + 1; j <= ir; ++j) {
        const float a = arr[j];
        std::ptrdiff_t i = j - 1;
        for (; i >= 0; --i) {
          if (arr[i] <= a) break;
          arr[i + 1] = arr[i];
        }
        arr[i + 1] = a;
      }
      if (top == 0) return;
      ir = stack[--top];
      l = stack[--top];
      continue;
    }
    fx = (fx * 211 + 1663) % 7875;
    // The pivot position is drawn on 1-based positions so that the sequence
    // of pivots does not depend on the indexing of the language.
    const float first = static_cast<float>(l + 1);
    const float length = static_cast<float>(ir - l + 1);
    const std::ptrdiff_t iq =
        static_cast<std::ptrdiff_t>(static_cast<float>(fx) * 0.00012698413f * length + first) - 1;
    const float a = arr[iq];
    arr[iq] = arr[l];
    std::ptrdiff_t i = l;
    std::ptrdiff_t j = ir;
    // Hoare partitioning around a with the hole moving between i and j.
    while (true) {
      while (j >= 0 && a < arr[j]) --j;
      if (j <= i) {
        arr[i] = a;
        break;
      }
      arr[i] = arr[j];
      ++i;
      while (i < n && a > arr[i]) ++i;
      if (j <= i) {
        arr[j] = a;
        i = j;
        break;
      }
      arr[j] = arr[i];
      --j;
    }
    if (ir - i >= i - l) {
      stack[top++] = i + 1;
      stack[top++] = ir;
      ir = i - 1;
    } else {
      stack[top++] = l;
      stack[top++] = i - 1;
      l = i + 1;
    }
  }
}

}  // namespace qb
