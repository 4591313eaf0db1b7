#include "series/decadal_format.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/console.hpp"
#include "platform/record_format.hpp"

namespace qb {
namespace {

// The ring-width stop markers: the series' values are in 0.01 mm or 0.001 mm.
constexpr int kStopHundredths = 999;
constexpr int kStopThousandths = -9999;
// Chronology fill: a value at or above it ends a series on reading.
constexpr int kFillIndex = 9990;
constexpr int kFillDepth = 0;
// More title lines than this in one call end the call.
constexpr int kMaxTitleLinesPerCall = 25;
constexpr int kTagLength = 6;
constexpr std::size_t kBlockLineLength = 80;
// Column 80 of a ring-width line that opens a column block.
constexpr std::size_t kBlockMarkColumn = 79;
constexpr char kBlockMark = '#';

// Calendar slot (1..10) of a year inside its decade; decades run 0-9, 10-19,
// ..., -10 to -1, -20 to -11.
int decade_slot(int year) {
  const int r = year % 10;  // the sign of the year, as Fortran's mod
  if (year >= 0) return r + 1;
  return r == 0 ? 1 : 11 + r;
}

bool blank_columns(const std::string& line, std::size_t first, std::size_t last) {
  for (std::size_t i = first - 1; i < last; ++i) {
    if (line[i] != ' ') return false;
  }
  return true;
}

// A decadal value in thousandths: the nearest integer of value x 1000 in
// single precision, halves away from zero. A product beyond any field width
// is returned as a number too wide for it, so the field shows asterisks.
long long thousandths(float value) {
  const float scaled = value * 1000.0f;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 1.0e9f) return 9999999999LL;
  return static_cast<long long>(std::round(scaled));
}

// The record formats of the two layouts. The identifier gives up columns to
// the year for years of -1000 and earlier; the reader tells the variants by
// the "-" that then stands in the identifier's last columns.
const char* widths_write_format(int year) {
  if (year > -1000) return "(a8,i4,10i6,t75,a)";
  if (year >= -9999 && year <= -1001) return "(a7,i5,10i6,t75,a)";
  return "(a6,i6,10i6,t75,a)";
}

const char* indices_write_format(int year) {
  if (year > -1000) return "(a6,i4,10(i4,i3),2x,a)";
  if (year >= -9999 && year <= -1001) return "(a5,i5,10(i4,i3),2x,a)";
  return "(a4,i6,10(i4,i3),2x,a)";
}

const char* widths_read_format(const std::string& line) {
  if (line[7] == '-') return "(a7,i5,10i6)";
  if (line[6] == '-') return "(a6,i6,10i6)";
  return "(a8,i4,10i6)";
}

const char* indices_read_format(const std::string& line) {
  if (line[5] == '-') return "(a5,t6,i5,10(i4,i3))";
  if (line[4] == '-') return "(a4,t5,i6,10(i4,i3))";
  return "(a6,t7,i4,10(i4,i3))";
}

// The identifier, year and ten value fields of a ring-width line.
bool read_widths_line(const std::string& line, std::string& id, int& year, int (&values)[10]) {
  FieldTarget targets[12] = {&id, &year};
  for (int j = 0; j < 10; ++j) targets[j + 2] = &values[j];
  return read_record(widths_read_format(line), line, targets) == ReadStatus::kOk;
}

// The identifier, year and ten index / depth pairs of a chronology line.
bool read_indices_line(const std::string& line, std::string& id, int& year, int (&values)[10], int (&depths)[10]) {
  FieldTarget targets[22] = {&id, &year};
  for (int j = 0; j < 10; ++j) {
    targets[2 * j + 2] = &values[j];
    targets[2 * j + 3] = &depths[j];
  }
  return read_record(indices_read_format(line), line, targets) == ReadStatus::kOk;
}

// A line whose fields do not convert: shown, and the first three of a call
// kept as the data-set title lines.
void take_title_line(const std::string& line, int title_line, DecadalSeries& series, DecadalReadState& state,
                     TextOutput* echo) {
  if (title_line == 1) {
    if (echo) echo->write("(/t10,'title of data:'/1x,a)", line);
    console().write("(/1x,'title of data:'/1x,a)", line);
    series.title = line;
    state.titles[0] = line;
    return;
  }
  if (echo) echo->write("(1x,a)", line);
  if (title_line <= 3) state.titles[static_cast<std::size_t>(title_line - 1)] = line;
  console().write("(1x,a)", line);
}

// Appends one value unless the series already holds the capacity.
void take_value(DecadalSeries& series, float value, int capacity) {
  if (series.count >= capacity) {
    series.overflow = true;
    return;
  }
  series.values.push_back(value);
  ++series.count;
}

DecadalSeries read_series(TrrwMode mode, TextInput& input, DecadalReadState& state,
                          const DecadalReadOptions& options) {
  const bool widths = mode == TrrwMode::kReadWidths;
  const bool store_depths = !widths && options.store_depths;
  const int capacity = std::max(options.capacity, 0);

  DecadalSeries series;
  state.series_counter = std::max(state.series_counter, 0) + 1;
  if (state.series_counter == 1) {
    for (auto& title : state.titles) title.assign(kTitleLength, ' ');
  }
  int title_lines = 0;
  int data_lines = 0;
  std::string id(kIdLength, ' ');
  int year = 0;
  int values[10];
  int depths[10];

  while (true) {
    auto line = input.next_record(kTitleLength);
    if (!line) {
      series.count = kEndOfFile;
      series.values.clear();
      series.depths.clear();
      state.series_counter = kEndOfFile;
      return series;
    }

    if (series.count == 0 && (*line)[kBlockMarkColumn] == kBlockMark) {
      input.back();
      std::string buffer = *line;
      ColumnBlock block = datar(input, buffer, capacity);
      series.count = block.count;
      series.first_year = block.first_year;
      series.values = std::move(block.values);
      series.overflow = block.overflow;
      series.id = fixed_width(buffer, kIdLength);
      if (options.echo) options.echo->write("(/t10,'title of data:  ',a/)", fixed_width(buffer, kTitleLength));
      return series;
    }

    // Lines without a year (short notes, empty lines) are passed over.
    if (widths ? blank_columns(*line, 9, 12) : blank_columns(*line, 7, 10)) continue;

    id.assign(kIdLength, ' ');
    const bool converted =
        widths ? read_widths_line(*line, id, year, values) : read_indices_line(*line, id, year, values, depths);
    if (!converted) {
      ++title_lines;
      if (title_lines > kMaxTitleLinesPerCall) return series;
      take_title_line(*line, title_lines, series, state, options.echo);
      continue;
    }

    ++data_lines;
    int first_slot = 1;
    if (data_lines == 1) {
      series.id = id;
      series.first_year = year;
      first_slot = decade_slot(year);
    }
    if (widths) {
      // The first line holds the values up to the end of its decade.
      const int slots = 11 - first_slot;
      for (int j = 0; j < slots; ++j) {
        if (values[j] == kStopThousandths) {
          for (float& v : series.values) v *= 0.1f;
          return series;
        }
        if (values[j] == kStopHundredths) return series;
        take_value(series, static_cast<float>(values[j]) * 0.01f, capacity);
      }
    } else {
      for (int slot = first_slot; slot <= 10; ++slot) {
        const int j = slot - 1;
        if (values[j] >= kFillIndex) return series;
        const bool taken = series.count < capacity;
        take_value(series, static_cast<float>(values[j]) * 0.001f, capacity);
        if (taken && store_depths) series.depths.push_back(depths[j]);
      }
    }
  }
}

void write_widths(std::string& output, const DecadalSeriesOut& series) {
  const long long count = static_cast<long long>(series.values.size());
  if (count <= 0) return;
  const std::string id = fixed_width(series.id, kIdLength);
  const std::string tag = fixed_width(series.tag, kTagLength);
  int year = series.first_year;
  int slots = 11 - decade_slot(year);
  long long taken = 0;
  std::vector<FieldValue> fields;
  while (true) {
    fields.assign({FieldValue{std::string_view(id)}, FieldValue{static_cast<long long>(year)}});
    bool ended = false;
    for (int j = 0; j < slots; ++j) {
      ++taken;
      if (taken > count) {
        fields.emplace_back(static_cast<long long>(kStopThousandths));
        ended = true;
        break;
      }
      long long v = thousandths(series.values[static_cast<std::size_t>(taken - 1)]);
      // Neither stop marker may stand for a value: 999 would end the series
      // in 0.01 mm and -9999 in 0.001 mm when the file is read back.
      if (v == kStopHundredths) v = 1000;
      if (v == kStopThousandths) v = -9998;
      fields.emplace_back(v);
    }
    if (fields.size() == 12) fields.emplace_back(std::string_view(tag));
    output += render_record(widths_write_format(year), fields);
    if (ended) return;
    year += slots;
    slots = 10;
  }
}

void write_indices(std::string& output, const DecadalSeriesOut& series, bool header) {
  const long long count = static_cast<long long>(series.values.size());
  if (count <= 0) return;
  if (!series.depths.empty() && series.depths.size() < series.values.size()) {
    throw std::invalid_argument("trrw: fewer sample depths than values");
  }
  const std::string id = fixed_width(series.id, kIdLength);
  const std::string tag = fixed_width(series.tag, kTagLength);
  if (header) {
    const long long last = static_cast<long long>(series.first_year) + count - 1;
    const char* format = (series.first_year <= -1000 || last <= -1000) ? "(a6,2i5)" : "(a6,2i4)";
    output += format_record(format, id, series.first_year, last);
  }
  // A first depth below 1 means the caller has no depths: every value counts once.
  const bool unit_depths = series.depths.empty() || series.depths[0] < 1;
  int year = series.first_year;
  int first_slot = decade_slot(year);
  long long taken = 0;
  std::vector<FieldValue> fields;
  while (true) {
    if (header && taken == count) return;
    long long values[10];
    long long depths[10];
    std::fill(std::begin(values), std::end(values), kFillIndex);
    std::fill(std::begin(depths), std::end(depths), kFillDepth);
    bool ended = false;
    for (int slot = first_slot; slot <= 10; ++slot) {
      ++taken;
      if (taken > count) {
        ended = true;
        break;
      }
      const auto i = static_cast<std::size_t>(taken - 1);
      values[slot - 1] = thousandths(series.values[i]);
      depths[slot - 1] = unit_depths ? 1 : series.depths[i];
    }
    fields.assign({FieldValue{std::string_view(id)}, FieldValue{static_cast<long long>(year)}});
    for (int j = 0; j < 10; ++j) {
      fields.emplace_back(values[j]);
      fields.emplace_back(depths[j]);
    }
    fields.emplace_back(std::string_view(tag));
    output += render_record(indices_write_format(year), fields);
    if (ended) return;
    year = year - first_slot + 11;
    first_slot = 1;
  }
}

}  // namespace

DecadalSeries trrw(TrrwMode mode, TextInput& input, DecadalReadState& state, const DecadalReadOptions& options) {
  if (mode != TrrwMode::kReadWidths && mode != TrrwMode::kReadIndices) {
    throw std::invalid_argument("trrw: a write mode given for reading");
  }
  return read_series(mode, input, state, options);
}

void trrw(TrrwMode mode, TextOutput& output, const DecadalSeriesOut& series) {
  std::string records;
  trrw(mode, records, series);
  output.put(records);
}

void trrw(TrrwMode mode, std::string& output, const DecadalSeriesOut& series) {
  switch (mode) {
    case TrrwMode::kWriteWidths: write_widths(output, series); return;
    case TrrwMode::kWriteIndices: write_indices(output, series, false); return;
    case TrrwMode::kWriteIndicesWithHeader: write_indices(output, series, true); return;
    default: throw std::invalid_argument("trrw: a read mode given for writing");
  }
}

ColumnBlock datar(TextInput& input, std::string& line, int capacity) {
  ColumnBlock block;
  while (true) {
    auto record = input.next_record(kBlockLineLength);
    if (!record) {
      block.count = kEndOfFile;
      return block;
    }
    // Lines other than the header ("n" and two blanks) name the block.
    if (record->compare(0, 3, "n  ") != 0) line = fixed_width(*record, std::max(line.size(), kBlockLineLength));

    int count = 0;
    int first_year = 0;
    std::string descriptor(8, ' ');
    const ReadStatus status = read_fields("(2(2x,i8),t23,a)", *record, &count, &first_year, &descriptor);
    if (status == ReadStatus::kEndOfFile) {
      block.count = kEndOfFile;
      return block;
    }
    if (status != ReadStatus::kOk) continue;
    if (descriptor.find('(') == std::string::npos || descriptor.find(')') == std::string::npos) continue;

    block.first_year = first_year;
    const int wanted = std::max(count, 0);
    const int taken = std::min(wanted, std::max(capacity, 0));
    block.overflow = wanted > taken;
    block.count = block.overflow ? taken : count;
    block.values.assign(static_cast<std::size_t>(taken), 0.0f);
    std::vector<FieldTarget> targets;
    targets.reserve(block.values.size());
    for (float& v : block.values) targets.emplace_back(&v);
    switch (read_record(descriptor, input.supplier(), targets)) {
      case ReadStatus::kConversionError: console().write("('>> sbr datar:  error reading data')"); break;
      case ReadStatus::kEndOfFile: console().write("('>> sbr datar:  unexpected end reading data')"); break;
      case ReadStatus::kOk: break;
    }
    return block;
  }
}

}  // namespace qb
