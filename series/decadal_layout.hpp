// The two decadal layouts, described once for the reader and the writer:
// where the identifier, the year and the value fields of a line stand, how
// wide they are, and the marks that close a series.
//
//  - ring widths: identifier in columns 1-8, year in 9-12, ten widths of six
//    columns from column 13 (13-18, ..., 67-72), the series tag of a written
//    full line in 75-80; a series ends with a stop marker in the slot after
//    its last value, 999 when the values are in 0.01 mm, -9999 in 0.001 mm;
//  - chronologies: identifier in 1-6, year in 7-10, ten slots of seven
//    columns from column 11, each an index x 1000 (four columns) and a sample
//    depth (three), the tag in 83-88; empty slots hold the fill 9990 / 0, and
//    an index at or above the fill ends a series.
//
// For years of -1000 and earlier the identifier gives one or two columns to
// the year; the reader tells those lines by the "-" in the identifier's last
// columns.
#pragma once

#include <cstddef>
#include <string>

namespace qb {

inline constexpr int kStopHundredths = 999;
inline constexpr int kStopThousandths = -9999;
inline constexpr int kFillIndex = 9990;
inline constexpr int kFillDepth = 0;

// A ring-width value that closes its series.
inline constexpr bool is_end_mark(int value) { return value == kStopHundredths || value == kStopThousandths; }

// Values and slots a decade line holds.
inline constexpr int kSlotsPerLine = 10;

// A line of a ring-width file whose column 80 holds "#" opens a column block.
inline constexpr std::size_t kBlockMarkColumn = 79;
inline constexpr char kBlockMark = '#';

// Columns count from 0 here.
struct DecadalLayout {
  bool widths;                // ring widths, else chronology index / depth pairs
  std::size_t id_columns;     // identifier of a line whose year is above -1000
  std::size_t fields_column;  // the first value field, right after the year
  std::size_t slot_width;     // columns of one value (ring widths) or index / depth pair
  std::size_t value_width;    // columns of a width or an index
  std::size_t depth_width;    // columns of a sample depth (0: none)
  std::size_t tag_column;     // the tag of a written line

  // The column after the ten slots: columns from there on are not read.
  constexpr std::size_t fields_end() const { return fields_column + kSlotsPerLine * slot_width; }
  constexpr std::size_t value_column(int slot) const {
    return fields_column + slot_width * static_cast<std::size_t>(slot);
  }
  constexpr std::size_t depth_column(int slot) const { return value_column(slot) + value_width; }

  // Identifier columns of a written line of the year.
  constexpr std::size_t id_columns_of_year(long long year) const {
    if (year > -1000) return id_columns;
    if (year >= -9999) return id_columns - 1;
    return id_columns - 2;
  }
  // Identifier columns of a line read, told by the "-" the year puts in them.
  constexpr std::size_t id_columns_of_line(const std::string& columns) const {
    if (columns[id_columns - 1] == '-') return id_columns - 1;
    if (columns[id_columns - 2] == '-') return id_columns - 2;
    return id_columns;
  }
  // Writers disagree on whether the year -1000 takes five or six columns:
  // on that line the identifier is compared over the narrower field.
  constexpr std::size_t id_columns_at_minus_1000() const { return id_columns - 2; }
};

inline constexpr DecadalLayout kRingWidthLayout{true, 8, 12, 6, 6, 0, 74};
inline constexpr DecadalLayout kChronologyLayout{false, 6, 10, 7, 4, 3, 82};

inline const DecadalLayout& decadal_layout(bool widths) { return widths ? kRingWidthLayout : kChronologyLayout; }

// The record format of a written line whose identifier takes `id_columns`
// columns: identifier, year, the ten slots and the tag ("(a8,i4,10i6,t75,a)",
// "(a6,i4,10(i4,i3),t83,a)", ...).
const std::string& line_format(const DecadalLayout& layout, std::size_t id_columns);

// Calendar slot (1..10) of a year inside its decade; decades run 0-9, 10-19,
// ..., -10 to -1, -20 to -11.
int decade_slot(long long year);

// The first year of the decade after the one that holds `year`.
long long next_decade(long long year);

// The values a series' first line holds: from its year to the end of its decade.
inline int values_of_first_line(long long year) { return kSlotsPerLine + 1 - decade_slot(year); }

// The unit a ring-width end mark gives its series' values, and the factors
// that take the integers of the file to mm (or to the index): always x 0.01
// (x 0.001 for an index), then x 0.1 for 0.001 mm, each in single precision.
enum class WidthUnit { kHundredths, kThousandths };
inline constexpr float kHundredthsFactor = 0.01f;
inline constexpr float kThousandthsAfterHundredths = 0.1f;
inline constexpr float kIndexFactor = 0.001f;

}  // namespace qb
