#include "detrend/heapsort.hpp"

#include <cstddef>

namespace qb {

void sort(std::span<float> values) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(values.size());
  if (n < 2) return;
  // 1-based heap positions: a(k) is values[k - 1].
  auto a = [&](std::ptrdiff_t k) -> float& { return values[static_cast<std::size_t>(k - 1)]; };
  std::ptrdiff_t l = n / 2 + 1;
  std::ptrdiff_t ir = n;
  while (true) {
    float placed;
    if (l > 1) {
      placed = a(--l);
    } else {
      placed = a(ir);
      a(ir) = a(1);
      if (--ir == 1) {
        a(1) = placed;
        return;
      }
    }
    std::ptrdiff_t i = l;
    std::ptrdiff_t j = l + l;
    while (j <= ir) {
      if (j < ir && a(j) < a(j + 1)) ++j;
      if (placed < a(j)) {
        a(i) = a(j);
        i = j;
        j += j;
      } else {
        j = ir + 1;
      }
    }
    a(i) = placed;
  }
}

}  // namespace qb
