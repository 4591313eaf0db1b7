#include "series/decadal_layout.hpp"

#include <array>

namespace qb {
namespace {

std::string make_line_format(const DecadalLayout& layout, std::size_t id_columns) {
  const std::string year = "i" + std::to_string(layout.fields_column - id_columns);
  std::string slot = "i" + std::to_string(layout.value_width);
  if (layout.depth_width > 0) slot = "(" + slot + ",i" + std::to_string(layout.depth_width) + ")";
  return "(a" + std::to_string(id_columns) + "," + year + "," + std::to_string(kSlotsPerLine) + slot + ",t" +
         std::to_string(layout.tag_column + 1) + ",a)";
}

}  // namespace

const std::string& line_format(const DecadalLayout& layout, std::size_t id_columns) {
  // The three identifier widths of each layout, built once.
  static const auto formats = [] {
    std::array<std::array<std::string, 3>, 2> all;
    for (const DecadalLayout* l : {&kRingWidthLayout, &kChronologyLayout}) {
      for (std::size_t fewer = 0; fewer < 3; ++fewer) {
        all[l->widths ? 0 : 1][fewer] = make_line_format(*l, l->id_columns - fewer);
      }
    }
    return all;
  }();
  return formats[layout.widths ? 0 : 1][layout.id_columns - id_columns];
}

int decade_slot(long long year) {
  const long long r = year % 10;  // the sign of the year, as Fortran's mod
  if (year >= 0) return static_cast<int>(r) + 1;
  return r == 0 ? 1 : static_cast<int>(11 + r);
}

long long next_decade(long long year) { return year - decade_slot(year) + 11; }

}  // namespace qb
