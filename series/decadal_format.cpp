#include "series/decadal_format.hpp"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <stdexcept>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/record_format.hpp"

namespace qb {
namespace {

constexpr int kFillDepth = 0;
// More title lines than this in one call end the call.
constexpr int kMaxTitleLinesPerCall = 25;
constexpr int kTagLength = 6;
constexpr std::size_t kBlockLineLength = 80;

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

// Blanks in the identifier's columns of a record: they take the identifier's
// own bytes once the record is rendered.
constexpr std::string_view kIdStandIn = "        ";

std::string with_identifier(const std::string& record, std::string_view id, std::size_t id_columns) {
  return fixed_columns(id, id_columns) + record.substr(id_columns);
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

// Lines after the one being judged, read when a rule asks for them; the
// file is back at the judged line's end afterwards.
class LinesAfter {
 public:
  LinesAfter(TextInput& input, bool widths) : input_(input), widths_(widths), start_(input.position()) {}
  ~LinesAfter() { input_.seek(start_); }
  LinesAfter(const LinesAfter&) = delete;
  LinesAfter& operator=(const LinesAfter&) = delete;

  const DecadalLine* operator()(std::size_t k) {
    while (lines_.size() < k) {
      auto record = input_.next_record();
      if (!record) return nullptr;
      lines_.push_back(parse_decadal_line(widths_, std::move(*record), input_.position() - 1));
    }
    return &lines_[k - 1];
  }

 private:
  TextInput& input_;
  bool widths_;
  std::size_t start_;
  std::deque<DecadalLine> lines_;
};

LineVerdict judge(bool widths, const DecadalLine& line, const SeriesSoFar& series, TextInput& input) {
  LinesAfter after(input, widths);
  return judge_line(widths, line, series, [&after](std::size_t k) { return after(k); });
}

// The number of values a data line gave from its last fields that were blank
// (a blank field reads as 0).
int blank_tail(bool widths, const DecadalLine& line, const ValueRun& run) {
  int blank = 0;
  for (int j = run.first_slot + run.slots - 1; j >= run.first_slot; --j) {
    const auto k = static_cast<std::size_t>(j);
    if (line.state[k] != FieldState::kBlank || (!widths && line.depth_state[k] != FieldState::kBlank)) break;
    ++blank;
  }
  return blank;
}

// Warnings that follow from an earlier line of the series are not repeated.
void add_notes(DecadalSeries& series, std::vector<LineNote>& notes) {
  for (LineNote& n : notes) {
    const bool first_only = n.reason == LineReason::kOtherDecade || n.reason == LineReason::kOtherCase ||
                            n.reason == LineReason::kTabAfterIdentifier || n.reason == LineReason::kNumberPastFields;
    if (first_only && std::any_of(series.notes.begin(), series.notes.end(),
                                  [&n](const LineNote& m) { return m.reason == n.reason; })) {
      continue;
    }
    series.notes.push_back(std::move(n));
  }
}

void read_column_block(TextInput& input, const DecadalLine& line, int capacity, const DecadalReadOptions& options,
                       DecadalSeries& series) {
  input.back();
  std::string buffer = fixed_columns(line.text, kTitleLength);
  ColumnBlock block = datar(input, buffer, capacity);
  series.count = block.count;
  series.first_year = block.first_year;
  series.values = std::move(block.values);
  series.overflow = block.overflow;
  series.id = fixed_columns(buffer, kIdLength);
  series.end = SeriesEnd::kColumnBlock;
  if (options.echo) options.echo->write("(/t10,'title of data:  ',a/)", fixed_columns(buffer, kTitleLength));
  if (block.error != ReadStatus::kOk) {
    // A block whose values do not all read would hold zeros in their place.
    series.end = SeriesEnd::kRefused;
    series.reason.reason = block.error == ReadStatus::kEndOfFile ? LineReason::kBlockCutShort
                                                                 : LineReason::kBlockValueUnreadable;
    series.reason.record = block.error_record;
    series.reason.count = block.count;
    series.reason.text = block.format;
  }
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
  SeriesSoFar so_far;
  so_far.data_line_in_file = state.data_line_met;
  DecadalLine previous;  // the series' last data line
  // Values the last data line took from blank fields at its end.
  int last_blank_tail = 0;

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
    auto record = input.next_record();
    if (!record) {
      if (so_far.started) return without_end_mark(SeriesEnd::kEndOfFile);
      series.count = kEndOfFile;
      series.values.clear();
      series.depths.clear();
      series.end = SeriesEnd::kEndOfFile;
      state.series_counter = kEndOfFile;
      return series;
    }
    DecadalLine line = parse_decadal_line(widths, std::move(*record), input.position() - 1);
    LineVerdict verdict = judge(widths, line, so_far, input);

    switch (verdict.role) {
      case LineRole::kColumnBlock:
        read_column_block(input, line, capacity, options, series);
        return series;
      case LineRole::kPassedOver:
        continue;
      case LineRole::kTitle:
        ++title_lines;
        so_far.title_since_data = so_far.started;
        if (title_lines > kMaxTitleLinesPerCall) {
          if (so_far.started) return without_end_mark(SeriesEnd::kTitleLines);
          series.end = SeriesEnd::kTitleLines;
          return series;
        }
        take_title_line(fixed_columns(line.text, kTitleLength), title_lines, series, state, options.echo);
        continue;
      case LineRole::kRefuses:
        series.end = SeriesEnd::kRefused;
        series.reason = std::move(verdict.reason);
        series.id = line.head.id;
        return series;
      case LineRole::kEndsSeries:
        input.back();
        series.reason = std::move(verdict.reason);
        return without_end_mark(SeriesEnd::kNextSeries);
      case LineRole::kRepeated:
        add_notes(series, verdict.notes);
        continue;
      case LineRole::kStartsSeries:
      case LineRole::kContinues:
        break;
    }

    add_notes(series, verdict.notes);
    so_far.title_since_data = false;
    if (!so_far.started) {
      so_far.started = true;
      so_far.head = line.head;
      series.id = line.head.id;
      series.first_year = line.year;
      so_far.due_year = next_decade(line.year);
    } else {
      so_far.due_year += 10;
    }
    state.data_line_met = so_far.data_line_in_file = true;

    const ValueRun& run = verdict.run;
    for (int j = run.first_slot; j < run.first_slot + run.slots; ++j) {
      const auto k = static_cast<std::size_t>(j);
      if (widths) {
        take_value(series, static_cast<float>(line.values[k]) * 0.01f, capacity);
      } else {
        const bool taken = series.count < capacity;
        take_value(series, static_cast<float>(line.values[k]) * 0.001f, capacity);
        if (taken && store_depths) series.depths.push_back(line.depths[k]);
      }
      ++seen;
    }
    if (run.end == EndMark::kThousandths) {
      for (float& v : series.values) v *= 0.1f;
    }
    if (run.end != EndMark::kNone) return series;
    last_blank_tail = blank_tail(widths, line, run);
    so_far.values_taken = series.count > 0;
    previous = std::move(line);
    so_far.previous = &previous;
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
    block.format = trim_right(descriptor);
    block.error = read_record(descriptor, input.supplier(), targets);
    switch (block.error) {
      case ReadStatus::kConversionError: console().write("('>> sbr datar:  error reading data')"); break;
      case ReadStatus::kEndOfFile: console().write("('>> sbr datar:  unexpected end reading data')"); break;
      case ReadStatus::kOk: break;
    }
    // The record that failed is the last one taken.
    if (block.error != ReadStatus::kOk) block.error_record = input.position() > 0 ? input.position() - 1 : 0;
    return block;
  }
}

}  // namespace qb
