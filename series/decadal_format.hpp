// Tree-ring series in the two decadal text layouts of the system:
//
//  - the Tucson decadal ring-width layout: identifier, year, up to ten
//    integer widths a line (0.01 mm or 0.001 mm), each series closed by a
//    stop marker (999 for 0.01 mm, -9999 for 0.001 mm) in the slot after its
//    last value; a ring-width file may also hold a column block (a line with
//    "#" in column 80, a header with count, first year and format, then the
//    values);
//  - the decadal chronology layout: identifier, year, ten slots of index x
//    1000 and sample depth a line, empty slots filled with 9990 / 0.
//
// `trrw` reads or writes one series per call; `datar` reads a column block.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"
#include "series/decadal_line_rules.hpp"

namespace qb {

enum class TrrwMode {
  kReadWidths,               // "mr": decadal ring-width layout
  kReadIndices,              // "ir": decadal chronology layout
  kWriteWidths,              // "mw": decadal ring-width layout
  kWriteIndices,             // "iw": decadal chronology layout, always closed by fill
  kWriteIndicesWithHeader,   // "cr": a header line, then the chronology without the closing fill line
};

// Count and series counter of a read call that met the end of the file.
inline constexpr int kEndOfFile = -999;

// How a read call ended.
enum class SeriesEnd {
  kEndMark,          // the stop marker (ring widths) or the fill (chronologies)
  // A column block, read by `datar`; count kEndOfFile when the file ended
  // before the block's header.
  kColumnBlock,
  // The file ended. Before any line of a series: count kEndOfFile. Inside a
  // series: the values read up to its last line (the series lacks its end
  // mark); the next call meets the end of the file.
  kEndOfFile,
  // A line of another series, or a column block, came before the end mark:
  // the values read up to it; the next call begins with that line.
  kNextSeries,
  kTitleLines,  // more title lines than one call takes
  // The data set cannot be read as it stands: the call's reason says which
  // line and why.
  kRefused,
};

// The series delivered by one read call.
struct DecadalSeries {
  std::string id = std::string(kIdLength, ' ');
  int first_year = 0;
  // The record (from 0) of the series' first line, or of its column block's
  // header.
  std::size_t first_record = 0;
  // Values delivered (at most the capacity); kEndOfFile when the file ended
  // before any line of a series.
  int count = 0;
  // count values: mm for ring widths, the index for chronologies, as they
  // stand for a column block.
  std::vector<float> values;
  // Sample depth of each value (chronologies, unless not stored).
  std::vector<int> depths;
  // The first title line met in this call (kTitleLength characters, the
  // file's bytes), else blanks.
  std::string title = std::string(kTitleLength, ' ');
  // The series held more values than the capacity: the values beyond it were
  // not taken. The record of the line holding the first of them (none for a
  // column block).
  bool overflow = false;
  std::optional<std::size_t> overflow_record;
  SeriesEnd end = SeriesEnd::kEndMark;
  // Ring widths closed by their end mark: the unit it gave them.
  std::optional<WidthUnit> marked_unit;
  // Why the data set is refused (kRefused).
  LineNote reason;
  // What the reader tells of the series, each naming its line: first that
  // it lacks its end mark (when it does), then the lines read with a
  // warning, in their order.
  std::vector<LineNote> notes;
};

// What successive read calls on one file share.
struct DecadalReadState {
  // Read calls made on this file so far; kEndOfFile once the file has ended.
  int series_counter = 0;
  // The data-set title lines (kTitleLength characters each), cleared by the
  // first call.
  std::array<std::string, 3> titles{std::string(kTitleLength, ' '), std::string(kTitleLength, ' '),
                                    std::string(kTitleLength, ' ')};
  // What the file has shown so far; the caller tells of its lines out of
  // their columns once the file is read.
  FileSoFar file;
  // Where the first call began, and the end marks of the whole file, read
  // once a ring-width series without its end mark needs its unit.
  std::size_t first_record = 0;
  std::optional<EndMarksOfFile> end_marks;
};

struct DecadalReadOptions {
  // Chronologies: keep the sample depths (off where the caller has no use for them).
  bool store_depths = true;
  // Most values one series may deliver.
  int capacity = kMaxYears;
  // Title lines are also written here (the console always gets them).
  TextOutput* echo = nullptr;
};

// The series handed to a write call.
struct DecadalSeriesOut {
  std::string_view id;            // cut or blank-padded to kIdLength characters
  int first_year = 0;
  std::span<const float> values;  // mm or index; an empty span writes nothing
  // Chronologies: sample depth of each value (at least as many as values);
  // when empty or when the first depth is below 1, every value is written
  // with depth 1.
  std::span<const int> depths;
  std::string_view tag;           // series tag (6 characters) on full lines
};

// Reads one series in mode "mr" or "ir" (a write mode is a caller error,
// std::invalid_argument). Title lines met on the way are shown on the
// console; the first three of a call go to state.titles, the first also to
// the result's title. What each line is to the series is decided by
// judge_line (series/decadal_line_rules.hpp); a line that refuses the data
// set ends the call with SeriesEnd::kRefused. Fixed columns count
// characters, so an identifier beyond ASCII keeps its columns; identifiers
// and titles keep the bytes of the file.
DecadalSeries trrw(TrrwMode mode, TextInput& input, DecadalReadState& state,
                   const DecadalReadOptions& options = {});

// Writes one series in mode "mw", "iw" or "cr". A read mode, or fewer depths
// than values, is a caller error (std::invalid_argument).
void trrw(TrrwMode mode, TextOutput& output, const DecadalSeriesOut& series);
// The same records appended to `output`: series can be rendered apart from
// the file they go to (in parallel, then written in order).
void trrw(TrrwMode mode, std::string& output, const DecadalSeriesOut& series);

// A column block read by `datar`.
struct ColumnBlock {
  // The header's count (cut to the capacity); kEndOfFile when the file
  // ended before a header.
  int count = 0;
  int first_year = 0;
  // count values; values that could not be read are 0.
  std::vector<float> values;
  bool overflow = false;  // the header's count exceeded the capacity
  // The values did not all read: a value that does not convert, or the end
  // of the file before the last, on record `error_record` (from 0).
  ReadStatus error = ReadStatus::kOk;
  std::size_t error_record = 0;
  std::string format;  // the header's format
  // The first line that holds values past the header's count: the rest of
  // the block's last line, or the next line that is not blank, when it
  // reads with the block's format and is no decadal data line.
  std::optional<std::size_t> values_past_count;
  // A line of ring widths met where the header was due (count 0): the
  // block has no header there.
  std::optional<std::size_t> data_line_before_header;
};

// Reads a column block from the current line of the input: identifier lines
// (each replaces `line`, first 80 characters), the header "(2(2x,i8),t23,a)"
// and the values read with the header's format; a line of ring widths after
// the first line ends the search for the header. The file is left after the
// block's last value line. `quiet` leaves out the console messages.
ColumnBlock datar(TextInput& input, std::string& line, int capacity = kMaxYears, bool quiet = false);

}  // namespace qb
