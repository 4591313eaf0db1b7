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

// Blanks in the identifier's columns of a record: they take the identifier's
// own bytes once the record is rendered (formats count bytes, an identifier
// beyond ASCII does not).
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

// Lines after the one being judged, read when a rule asks for them; the
// file is back at the judged line's end afterwards.
class LinesAfter {
 public:
  LinesAfter(TextInput& input, const DecadalLayout& layout) : input_(input), layout_(layout), start_(input.position()) {}
  ~LinesAfter() { input_.seek(start_); }
  LinesAfter(const LinesAfter&) = delete;
  LinesAfter& operator=(const LinesAfter&) = delete;

  const DecadalLine* operator()(std::size_t k) {
    while (lines_.size() < k) {
      auto record = input_.next_record();
      if (!record) return nullptr;
      lines_.push_back(parse_decadal_line(layout_, std::move(*record), input_.position() - 1));
    }
    return &lines_[k - 1];
  }

 private:
  TextInput& input_;
  const DecadalLayout& layout_;
  std::size_t start_;
  std::deque<DecadalLine> lines_;
};

LineVerdict judge(const DecadalLayout& layout, const DecadalLine& line, const SeriesSoFar& series,
                  TextInput& input) {
  LinesAfter after(input, layout);
  return judge_line(layout, line, series, [&after](std::size_t k) { return after(k); });
}

void read_column_block(TextInput& input, const DecadalLine& line, int capacity, TextOutput* echo, bool quiet,
                       DecadalSeries& series) {
  input.back();
  std::string buffer = fixed_columns(line.text, kTitleLength);
  ColumnBlock block = datar(input, buffer, capacity, quiet);
  series.count = block.count;
  series.first_year = block.first_year;
  series.first_record = line.record;
  series.values = std::move(block.values);
  series.overflow = block.overflow;
  series.id = fixed_columns(buffer, kIdLength);
  series.end = SeriesEnd::kColumnBlock;
  if (echo) echo->write("(/t10,'title of data:  ',a/)", fixed_columns(buffer, kTitleLength));
  const bool without_header = block.count == kEndOfFile || block.data_line_before_header;
  if (auto refusal = block_refusal({block.count, block.format, block.error, block.error_record,
                                    block.values_past_count, line.record, without_header,
                                    block.data_line_before_header})) {
    series.end = SeriesEnd::kRefused;
    series.reason = std::move(*refusal);
  }
}

// How one read call goes: whether it shows and keeps what it meets, or only
// goes through the file for its end marks.
enum class Pass { kRead, kEndMarksOnly };

DecadalSeries read_series(const DecadalLayout& layout, TextInput& input, DecadalReadState& state,
                          const DecadalReadOptions& options, Pass pass);

// The end marks of the whole file, gone through once, from where the first
// call began, without a word; the file is back where it was.
EndMarksOfFile end_marks_of_file(const DecadalLayout& layout, TextInput& input, DecadalReadState& state) {
  if (state.end_marks) return *state.end_marks;
  const std::size_t here = input.position();
  input.seek(state.first_record);
  DecadalReadState pass;
  DecadalReadOptions options;
  options.store_depths = false;
  EndMarksOfFile marks;
  while (true) {
    const DecadalSeries s = read_series(layout, input, pass, options, Pass::kEndMarksOnly);
    if (pass.series_counter == kEndOfFile || s.end == SeriesEnd::kRefused) break;
    if (s.marked_unit) (*s.marked_unit == WidthUnit::kThousandths ? marks.thousandths : marks.hundredths) = true;
  }
  input.seek(here);
  state.end_marks = marks;
  return marks;
}

// The series so far given the unit of its ring widths.
void in_thousandths(DecadalSeries& series) {
  for (float& v : series.values) v *= kThousandthsAfterHundredths;
}

DecadalSeries read_series(const DecadalLayout& layout, TextInput& input, DecadalReadState& state,
                          const DecadalReadOptions& options, Pass pass) {
  const bool store_depths = !layout.widths && options.store_depths;
  const int capacity = std::max(options.capacity, 0);
  const bool quiet = pass == Pass::kEndMarksOnly;

  DecadalSeries series;
  state.series_counter = std::max(state.series_counter, 0) + 1;
  if (state.series_counter == 1) {
    for (auto& title : state.titles) title.assign(kTitleLength, ' ');
    state.first_record = input.position();
  }
  SeriesSoFar so_far;
  so_far.data_line_in_file = state.file.data_line_met;
  DecadalLine previous;  // the series' last data line

  // A series without its end mark keeps the values read, but not the zeros
  // of the blank fields that close its last line; ring widths take the unit
  // of the file's end marks.
  const auto without_end_mark = [&](SeriesEnd end, why::Ending ending) {
    const long long kept = values_kept_without_end_mark(so_far);
    const int keep = static_cast<int>(std::min<long long>(kept, capacity));
    series.values.resize(std::min(series.values.size(), static_cast<std::size_t>(keep)));
    series.depths.resize(std::min(series.depths.size(), static_cast<std::size_t>(keep)));
    series.count = keep;
    series.overflow = kept > capacity;
    series.end = end;
    if (kept == 0 || quiet) {
      series.notes = std::move(so_far.notes);
      return std::move(series);
    }
    why::EndsWithoutMark told;
    if (layout.widths) {
      const auto unit = unit_without_end_mark(end_marks_of_file(layout, input, state));
      if (!unit) {
        series.end = SeriesEnd::kRefused;
        series.reason = {so_far.last_record, why::EndMarksDisagree{}};
        return std::move(series);
      }
      told = *unit;
      if (told.unit == WidthUnit::kThousandths) in_thousandths(series);
    }
    told.ending = ending;
    told.last_year = so_far.first_year + kept - 1;
    series.notes.push_back({so_far.last_record, told});
    for (LineNote& n : so_far.notes) series.notes.push_back(std::move(n));
    return std::move(series);
  };

  while (true) {
    auto record = input.next_record();
    if (!record) {
      if (so_far.started) return without_end_mark(SeriesEnd::kEndOfFile, why::Ending::kEndOfFile);
      series.count = kEndOfFile;
      series.values.clear();
      series.depths.clear();
      series.end = SeriesEnd::kEndOfFile;
      state.series_counter = kEndOfFile;
      return series;
    }
    DecadalLine line = parse_decadal_line(layout, std::move(*record), input.position() - 1);
    const LineVerdict verdict = judge(layout, line, so_far, input);
    advance(so_far, state.file, line, verdict);

    switch (verdict.role) {
      case LineRole::kColumnBlock:
        read_column_block(input, line, capacity, quiet ? nullptr : options.echo, quiet, series);
        return series;
      case LineRole::kPassedOver:
      case LineRole::kRepeated: continue;
      case LineRole::kTitle:
        if (!quiet) take_title_line(fixed_columns(line.text, kTitleLength), so_far.title_lines, series, state, options.echo);
        continue;
      case LineRole::kEndsCall:
        if (so_far.started) return without_end_mark(SeriesEnd::kTitleLines, why::Ending::kTitleLines);
        series.end = SeriesEnd::kTitleLines;
        return series;
      case LineRole::kRefuses:
        series.end = SeriesEnd::kRefused;
        series.reason = verdict.reason;
        series.id = verdict.of_series ? so_far.head.id : line.head.id;
        return series;
      case LineRole::kEndsSeries:
        input.back();
        return without_end_mark(SeriesEnd::kNextSeries, std::get<why::EndsWithoutMark>(verdict.reason.reason).ending);
      case LineRole::kStartsSeries:
        series.id = line.head.id;
        series.first_year = line.year;
        series.first_record = line.record;
        break;
      case LineRole::kContinues: break;
    }

    // The values of a line out of its columns are its numbers.
    std::optional<DecadalLine> by_numbers;
    if (line.out_of_columns) {
      by_numbers = read_by_numbers(layout, line, verdict.role == LineRole::kStartsSeries).line;
    }
    const DecadalLine& fields = by_numbers ? *by_numbers : line;
    const ValueRun& run = verdict.run;
    for (int j = run.first_slot; j < run.first_slot + run.slots; ++j) {
      const auto k = static_cast<std::size_t>(j);
      if (series.count >= capacity) {
        series.overflow = true;
        if (!series.overflow_record) series.overflow_record = line.record;
        continue;
      }
      if (layout.widths) {
        series.values.push_back(static_cast<float>(fields.values[k]) * kHundredthsFactor);
      } else {
        series.values.push_back(static_cast<float>(fields.values[k]) * kIndexFactor);
        if (store_depths) series.depths.push_back(fields.depths[k]);
      }
      ++series.count;
    }
    if (run.end != EndMark::kNone) {
      if (run.end == EndMark::kThousandths) in_thousandths(series);
      if (layout.widths) {
        series.marked_unit = run.end == EndMark::kThousandths ? WidthUnit::kThousandths : WidthUnit::kHundredths;
      }
      series.notes = std::move(so_far.notes);
      return series;
    }
    previous = std::move(line);
    so_far.previous = &previous;
  }
}

void write_widths(std::string& output, const DecadalSeriesOut& series) {
  const long long count = static_cast<long long>(series.values.size());
  if (count <= 0) return;
  const std::string tag = fixed_columns(series.tag, kTagLength);
  int year = series.first_year;
  int slots = values_of_first_line(year);
  long long taken = 0;
  std::vector<FieldValue> fields;
  while (true) {
    const std::size_t id_columns = kRingWidthLayout.id_columns_of_year(year);
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
    if (fields.size() == 2 + kSlotsPerLine) fields.emplace_back(std::string_view(tag));
    output += with_identifier(render_record(line_format(kRingWidthLayout, id_columns), fields), series.id, id_columns);
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
    const std::size_t id_columns = kChronologyLayout.id_columns_of_year(year);
    fields.assign({FieldValue{kIdStandIn}, FieldValue{static_cast<long long>(year)}});
    for (int j = 0; j < 10; ++j) {
      fields.emplace_back(values[j]);
      fields.emplace_back(depths[j]);
    }
    fields.emplace_back(std::string_view(tag));
    output += with_identifier(render_record(line_format(kChronologyLayout, id_columns), fields), series.id, id_columns);
    if (ended) return;
    year = year - first_slot + 11;
    first_slot = 1;
  }
}

// The next record of a block that is a line: the empty records of CR CR LF
// line ends hold neither a name nor values.
std::optional<std::string> next_line(TextInput& input) {
  while (auto record = input.next_record()) {
    if (input.is_line(input.position() - 1)) return record;
  }
  return std::nullopt;
}

// A decadal ring-width data line that holds values.
bool holds_ring_widths(const std::string& text) {
  const DecadalLine line = parse_decadal_line(kRingWidthLayout, text, 0);
  return line.converted &&
         std::any_of(line.state.begin(), line.state.end(), [](FieldState s) { return s != FieldState::kBlank; });
}

// The fields of records read with a block's format: each field that holds
// anything reads as a number other than 0, a blank field as 0; fields past
// the records' end stay NaN. Nothing when the format does not read them so.
std::optional<std::vector<double>> fields_written(std::string_view format, std::vector<std::string> records,
                                                  std::size_t fields) {
  for (std::string& r : records) {
    for (char& c : r) c = c == ' ' ? ' ' : '1';
  }
  std::vector<double> values(fields, std::nan(""));
  std::vector<FieldTarget> targets;
  targets.reserve(fields);
  for (double& v : values) targets.emplace_back(&v);
  std::size_t next = 0;
  const RecordSupplier supply = [&]() -> std::optional<std::string> {
    if (next == records.size()) return std::nullopt;
    return records[next++];
  };
  if (read_record(format, supply, targets) == ReadStatus::kConversionError) return std::nullopt;
  return values;
}

bool holds_a_field(const std::vector<double>& fields, std::size_t from) {
  return std::any_of(fields.begin() + static_cast<long>(std::min(from, fields.size())), fields.end(),
                     [](double v) { return !std::isnan(v) && v != 0.0; });
}

// The first line holding values past a block's count: its last value line,
// when fields after its last value hold anything, or the next line that is
// not blank, when it reads with the block's format and is neither a decadal
// data line nor another block. The file is left where it was.
std::optional<std::size_t> line_past_count(TextInput& input, std::string_view format, std::size_t first_line,
                                           int count) {
  const std::size_t end = input.position();
  std::vector<std::string> records;
  std::size_t longest = 0;
  input.seek(first_line);
  while (input.position() < end) {
    auto record = next_line(input);
    if (!record) break;
    records.push_back(std::move(*record));
    longest = std::max(longest, records.back().size());
  }
  std::optional<std::size_t> past;
  const auto count_fields = static_cast<std::size_t>(count);
  if (!records.empty()) {
    const auto fields = fields_written(format, records, count_fields + longest + 1);
    if (fields && holds_a_field(*fields, count_fields)) past = end - 1;
  }
  while (!past) {
    auto next = input.next_record();
    if (!next) break;
    if (trim_blanks(*next).empty()) continue;
    const DecadalLine line = parse_decadal_line(kRingWidthLayout, *next, input.position() - 1);
    if (line.converted || line.columns[kBlockMarkColumn] == kBlockMark) break;
    // Its fields must read with the block's format, as numbers.
    std::vector<double> values(next->size() + 1, 0.0);
    std::vector<FieldTarget> targets;
    targets.reserve(values.size());
    for (double& v : values) targets.emplace_back(&v);
    if (read_record(format, std::string_view(*next), targets) == ReadStatus::kConversionError) break;
    const auto fields = fields_written(format, {*next}, values.size());
    if (fields && holds_a_field(*fields, 0)) past = input.position() - 1;
    break;
  }
  input.seek(end);
  return past;
}

}  // namespace

DecadalSeries trrw(TrrwMode mode, TextInput& input, DecadalReadState& state, const DecadalReadOptions& options) {
  if (mode != TrrwMode::kReadWidths && mode != TrrwMode::kReadIndices) {
    throw std::invalid_argument("trrw: a write mode given for reading");
  }
  return read_series(decadal_layout(mode == TrrwMode::kReadWidths), input, state, options, Pass::kRead);
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

ColumnBlock datar(TextInput& input, std::string& line, int capacity, bool quiet) {
  ColumnBlock block;
  bool first_line = true;  // the line with the mark
  while (true) {
    auto text = next_line(input);
    if (!text) {
      block.count = kEndOfFile;
      return block;
    }
    const std::string record = fixed_columns(*text, kBlockLineLength);
    // A line of ring widths holding values is no name: the block has no
    // header before it, and the series there would be lost in its name.
    if (!first_line && holds_ring_widths(*text)) {
      block.data_line_before_header = input.position() - 1;
      return block;
    }
    first_line = false;
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
    const std::size_t first_value_line = input.position();
    block.error = read_record(descriptor, [&input] { return next_line(input); }, targets);
    switch (quiet ? ReadStatus::kOk : block.error) {
      case ReadStatus::kConversionError: console().write("('>> sbr datar:  error reading data')"); break;
      case ReadStatus::kEndOfFile: console().write("('>> sbr datar:  unexpected end reading data')"); break;
      case ReadStatus::kOk: break;
    }
    // The record that failed is the last one taken.
    if (block.error != ReadStatus::kOk) {
      block.error_record = input.position() > 0 ? input.position() - 1 : 0;
    } else if (!block.overflow) {
      block.values_past_count = line_past_count(input, descriptor, first_value_line, block.count);
    }
    return block;
  }
}

}  // namespace qb
