#include "series/decadal_format.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "platform/character_columns.hpp"
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

// The layouts of a line. The identifier gives up columns to the year for
// years of -1000 and earlier; the reader tells the variants by the "-" that
// then stands in the identifier's last columns. Formats count bytes, so they
// are applied to the line with one byte per column; the identifier is then
// taken from the line's own bytes.
struct LineLayout {
  const char* format;
  std::size_t id_columns;
};

LineLayout widths_write_layout(int year) {
  if (year > -1000) return {"(a8,i4,10i6,t75,a)", 8};
  if (year >= -9999) return {"(a7,i5,10i6,t75,a)", 7};
  return {"(a6,i6,10i6,t75,a)", 6};
}

LineLayout indices_write_layout(int year) {
  if (year > -1000) return {"(a6,i4,10(i4,i3),2x,a)", 6};
  if (year >= -9999) return {"(a5,i5,10(i4,i3),2x,a)", 5};
  return {"(a4,i6,10(i4,i3),2x,a)", 4};
}

LineLayout widths_read_layout(const std::string& columns) {
  if (columns[7] == '-') return {"(a7,i5,10i6)", 7};
  if (columns[6] == '-') return {"(a6,i6,10i6)", 6};
  return {"(a8,i4,10i6)", 8};
}

LineLayout indices_read_layout(const std::string& columns) {
  if (columns[5] == '-') return {"(a5,t6,i5,10(i4,i3))", 5};
  if (columns[4] == '-') return {"(a4,t5,i6,10(i4,i3))", 4};
  return {"(a6,t7,i4,10(i4,i3))", 6};
}

// Blanks in the identifier's columns of a record: they take the identifier's
// own bytes once the record is rendered.
constexpr std::string_view kIdStandIn = "        ";

std::string with_identifier(const std::string& record, std::string_view id, std::size_t id_columns) {
  return fixed_columns(id, id_columns) + record.substr(id_columns);
}

// The first column (from 0) and width of the value fields of a line: ten
// widths, or ten index / depth pairs.
struct Field {
  std::size_t first;
  std::size_t width;
  int slot;  // 0..9
};

std::vector<Field> value_fields(bool widths) {
  std::vector<Field> fields;
  for (int j = 0; j < 10; ++j) {
    const auto k = static_cast<std::size_t>(j);
    if (widths) {
      fields.push_back({12 + 6 * k, 6, j});
    } else {
      fields.push_back({10 + 7 * k, 4, j});
      fields.push_back({14 + 7 * k, 3, j});
    }
  }
  return fields;
}

// One line of a decadal file: its bytes and one byte per column, blank-padded
// to the title length.
struct DecadalLine {
  std::string text;
  std::string columns;
  std::size_t number = 0;  // from 1
};

std::optional<DecadalLine> next_line(TextInput& input) {
  auto record = input.next_record();
  if (!record) return std::nullopt;
  DecadalLine line;
  line.columns = single_byte_columns(*record);
  line.columns.resize(kTitleLength, ' ');
  line.text = std::move(*record);
  line.number = input.position();
  return line;
}

// The identifier (the line's bytes, blank-padded to kIdLength characters) and
// year of a line; std::nullopt when the year does not convert.
struct LineHead {
  std::string id;
  int year = 0;
  std::size_t id_columns = 0;
};

LineHead head_of(const DecadalLine& line, std::size_t id_columns, int year) {
  return {fixed_columns(columns_of(line.text, 0, id_columns), kIdLength), year, id_columns};
}

// The head of a line whose other fields need not convert.
std::optional<LineHead> line_head(bool widths, const DecadalLine& line) {
  const LineLayout layout = widths ? widths_read_layout(line.columns) : indices_read_layout(line.columns);
  const std::size_t year_end = widths ? 12 : 10;
  int year = 0;
  const std::string_view field = std::string_view(line.columns).substr(layout.id_columns, year_end - layout.id_columns);
  if (read_fields("(i6)", field, &year) != ReadStatus::kOk) return std::nullopt;
  return head_of(line, layout.id_columns, year);
}

bool same_identifier(const LineHead& a, const LineHead& b) {
  const std::size_t columns = std::min(a.id_columns, b.id_columns);
  return fixed_columns(a.id, columns) == fixed_columns(b.id, columns);
}

// The first year of the decade after the one that holds `year`.
long long next_decade(long long year) { return year - decade_slot(static_cast<int>(year)) + 11; }

// The first value field of a data line that does not convert.
std::optional<UnreadableField> first_unreadable_field(bool widths, const DecadalLine& line, int line_year) {
  // Ring-width values begin in column 13 at the line's own year; chronology
  // slots stand at their calendar places in the decade.
  const long long base = widths ? line_year : line_year - decade_slot(line_year) + 1;
  for (const Field& f : value_fields(widths)) {
    int value = 0;
    const std::string_view field = std::string_view(line.columns).substr(f.first, f.width);
    if (read_fields("(i6)", field, &value) == ReadStatus::kOk) continue;
    UnreadableField bad;
    bad.line = line.number;
    bad.year = static_cast<int>(base + f.slot);
    bad.text = std::string(columns_of(line.text, f.first, f.width));
    return bad;
  }
  return std::nullopt;
}

// The number of values a data line gave from its last fields that were blank
// (a blank field reads as 0).
int blank_tail(bool widths, const DecadalLine& line, int first_slot, int taken) {
  int blank = 0;
  const std::size_t width = widths ? 6 : 7;
  for (int k = taken - 1; k >= 0; --k) {
    // Ring widths fill a line from column 13 on; chronologies from their slot.
    const int slot = widths ? k : first_slot - 1 + k;
    const std::size_t first = (widths ? 12 : 10) + width * static_cast<std::size_t>(slot);
    if (line.columns.find_first_not_of(' ', first) < first + width) break;
    ++blank;
  }
  return blank;
}

// The identifier, year and ten value fields of a ring-width line.
bool read_widths_line(const LineLayout& layout, const std::string& columns, int& year, int (&values)[10]) {
  std::string id(layout.id_columns, ' ');
  FieldTarget targets[12] = {&id, &year};
  for (int j = 0; j < 10; ++j) targets[j + 2] = &values[j];
  return read_record(layout.format, columns, targets) == ReadStatus::kOk;
}

// The identifier, year and ten index / depth pairs of a chronology line.
bool read_indices_line(const LineLayout& layout, const std::string& columns, int& year, int (&values)[10],
                       int (&depths)[10]) {
  std::string id(layout.id_columns, ' ');
  FieldTarget targets[22] = {&id, &year};
  for (int j = 0; j < 10; ++j) {
    targets[2 * j + 2] = &values[j];
    targets[2 * j + 3] = &depths[j];
  }
  return read_record(layout.format, columns, targets) == ReadStatus::kOk;
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

// The year field of a line whose year does not convert, as the field that
// stopped the read of a line due to carry `year`.
UnreadableField unreadable_year(bool widths, const DecadalLine& line, std::size_t id_columns, long long year) {
  const std::size_t year_end = widths ? 12 : 10;
  UnreadableField bad;
  bad.line = line.number;
  bad.year = static_cast<int>(year);
  bad.text = std::string(columns_of(line.text, id_columns, year_end - id_columns));
  return bad;
}

// A line that does not convert is a data line of the series when it carries
// the series' identifier and next decade; before the series' first line,
// when the line after it carries its identifier and next decade. A line
// whose year alone does not convert is one when it carries the identifier
// (of the series, or of the line after it) and its values convert. Title
// lines carry neither. `id` takes the identifier the line carries.
std::optional<UnreadableField> unreadable_data_line(bool widths, const DecadalLine& line, TextInput& input,
                                                    const std::optional<LineHead>& series_head,
                                                    long long expected_year, std::string& id) {
  const auto head = line_head(widths, line);
  const LineLayout layout = widths ? widths_read_layout(line.columns) : indices_read_layout(line.columns);
  const LineHead bare = head ? *head : head_of(line, layout.id_columns, 0);
  if (!head && first_unreadable_field(widths, line, 0)) return std::nullopt;
  // The year the line is due to carry.
  long long due = expected_year;
  if (series_head) {
    if (!same_identifier(bare, *series_head) || (head && head->year != expected_year)) return std::nullopt;
  } else {
    const auto after = next_line(input);
    if (!after) return std::nullopt;
    input.back();
    const auto after_head = line_head(widths, *after);
    if (!after_head || !same_identifier(bare, *after_head)) return std::nullopt;
    if (head && after_head->year != next_decade(head->year)) return std::nullopt;
    // The first line holds (part of) the decade before the next line's.
    due = after_head->year - 10;
  }
  id = bare.id;
  if (head) return first_unreadable_field(widths, line, head->year);
  return unreadable_year(widths, line, layout.id_columns, due);
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
  // The first data line of the series, and the year the next one carries.
  std::optional<LineHead> series_head;
  long long expected_year = 0;
  // Values the last data line took from blank fields at its end.
  int last_blank_tail = 0;
  bool title_since_data = false;
  int year = 0;
  int values[10];
  int depths[10];

  // A series without its end mark keeps the values read, but not the zeros
  // of the blank fields that close its last line.
  // Values met so far, also those beyond the capacity.
  long long seen = 0;
  const auto without_end_mark = [&](SeriesEnd end) {
    const long long real = std::max(seen - last_blank_tail, 0LL);
    const int keep = static_cast<int>(std::min<long long>(real, capacity));
    series.values.resize(std::min(series.values.size(), static_cast<std::size_t>(keep)));
    series.depths.resize(std::min(series.depths.size(), static_cast<std::size_t>(keep)));
    series.count = keep;
    series.overflow = real > capacity;
    series.end = end;
    return std::move(series);
  };

  while (true) {
    const auto line = next_line(input);
    if (!line) {
      if (series_head) return without_end_mark(SeriesEnd::kEndOfFile);
      series.count = kEndOfFile;
      series.values.clear();
      series.depths.clear();
      series.end = SeriesEnd::kEndOfFile;
      state.series_counter = kEndOfFile;
      return series;
    }
    const std::string& columns = line->columns;

    if (series.count == 0 && columns[kBlockMarkColumn] == kBlockMark) {
      input.back();
      std::string buffer = fixed_columns(line->text, kTitleLength);
      ColumnBlock block = datar(input, buffer, capacity);
      series.count = block.count;
      series.first_year = block.first_year;
      series.values = std::move(block.values);
      series.overflow = block.overflow;
      series.id = fixed_columns(buffer, kIdLength);
      series.end = SeriesEnd::kColumnBlock;
      if (options.echo) options.echo->write("(/t10,'title of data:  ',a/)", fixed_columns(buffer, kTitleLength));
      return series;
    }

    // Lines without a year (short notes, empty lines) are passed over.
    if (widths ? blank_columns(columns, 9, 12) : blank_columns(columns, 7, 10)) continue;

    const LineLayout layout = widths ? widths_read_layout(columns) : indices_read_layout(columns);
    const bool converted =
        widths ? read_widths_line(layout, columns, year, values) : read_indices_line(layout, columns, year, values, depths);
    if (!converted) {
      if (auto bad = unreadable_data_line(widths, *line, input, series_head, expected_year, series.id)) {
        series.end = SeriesEnd::kUnreadableField;
        series.unreadable = std::move(*bad);
        return series;
      }
      ++title_lines;
      title_since_data = series_head.has_value();
      if (title_lines > kMaxTitleLinesPerCall) {
        if (series_head) return without_end_mark(SeriesEnd::kTitleLines);
        series.end = SeriesEnd::kTitleLines;
        return series;
      }
      take_title_line(fixed_columns(line->text, kTitleLength), title_lines, series, state, options.echo);
      continue;
    }

    // A line of another decade that carries another identifier, or follows
    // title lines (the header of the next chronology), begins the next
    // series: this one lacks its end mark.
    const LineHead head = head_of(*line, layout.id_columns, year);
    if (series_head && year != expected_year) {
      if (title_since_data || !same_identifier(head, *series_head)) {
        input.back();
        return without_end_mark(SeriesEnd::kNextSeries);
      }
    }
    title_since_data = false;
    if (series_head && year != expected_year && series.mislabelled.line == 0) {
      series.mislabelled = {line->number, year, static_cast<int>(expected_year)};
    }

    int first_slot = 1;
    if (!series_head) {
      series_head = head;
      series.id = head.id;
      series.first_year = year;
      first_slot = decade_slot(year);
      expected_year = next_decade(year);
    } else {
      expected_year += 10;
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
        ++seen;
      }
      last_blank_tail = blank_tail(widths, *line, first_slot, slots);
    } else {
      for (int slot = first_slot; slot <= 10; ++slot) {
        const int j = slot - 1;
        if (values[j] >= kFillIndex) return series;
        const bool taken = series.count < capacity;
        take_value(series, static_cast<float>(values[j]) * 0.001f, capacity);
        if (taken && store_depths) series.depths.push_back(depths[j]);
        ++seen;
      }
      last_blank_tail = blank_tail(widths, *line, first_slot, 11 - first_slot);
    }
  }
}

void write_widths(std::string& output, const DecadalSeriesOut& series) {
  const long long count = static_cast<long long>(series.values.size());
  if (count <= 0) return;
  const std::string tag = fixed_columns(series.tag, kTagLength);
  int year = series.first_year;
  int slots = 11 - decade_slot(year);
  long long taken = 0;
  std::vector<FieldValue> fields;
  while (true) {
    const LineLayout layout = widths_write_layout(year);
    fields.assign({FieldValue{kIdStandIn}, FieldValue{static_cast<long long>(year)}});
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
    output += (with_identifier(render_record(layout.format, fields), series.id, layout.id_columns));
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
  const std::string tag = fixed_columns(series.tag, kTagLength);
  if (header) {
    const long long last = static_cast<long long>(series.first_year) + count - 1;
    const char* format = (series.first_year <= -1000 || last <= -1000) ? "(a6,2i5)" : "(a6,2i4)";
    output += (with_identifier(format_record(format, kIdStandIn, series.first_year, last), series.id, 6));
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
    const LineLayout layout = indices_write_layout(year);
    fields.assign({FieldValue{kIdStandIn}, FieldValue{static_cast<long long>(year)}});
    for (int j = 0; j < 10; ++j) {
      fields.emplace_back(values[j]);
      fields.emplace_back(depths[j]);
    }
    fields.emplace_back(std::string_view(tag));
    output += (with_identifier(render_record(layout.format, fields), series.id, layout.id_columns));
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
    auto text = input.next_record();
    if (!text) {
      block.count = kEndOfFile;
      return block;
    }
    const std::string record = fixed_columns(*text, kBlockLineLength);
    // Lines other than the header ("n" and two blanks) name the block.
    if (record.compare(0, 3, "n  ") != 0) line = fixed_columns(record, std::max(column_count(line), kBlockLineLength));

    int count = 0;
    int first_year = 0;
    std::string descriptor(8, ' ');
    const ReadStatus status =
        read_fields("(2(2x,i8),t23,a)", single_byte_columns(record), &count, &first_year, &descriptor);
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
    block.count = block.overflow ? taken : wanted;
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
