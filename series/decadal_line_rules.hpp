// What each line of a decadal file is to the series being read: the one
// place that holds the layouts' tolerance.
//
// A line either continues the series (perhaps with a warning, and why), ends
// it because the next series begins (and why), is a title line, is passed
// over, opens a column block, or refuses the data set (and why). Every line
// of a series is checked against what is due: its identifier, its decade,
// the number of values its decade holds and where its end mark stands. A
// departure is read in the one way that keeps every ring at its year, with a
// warning naming the line, or it refuses the data set naming the line;
// nothing is merged, split, dropped or shifted silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/record_format.hpp"
#include "series/decadal_line.hpp"

namespace qb {

// Why a line is read with a warning, ends the series or refuses the set;
// each reason carries its own details. Years are those of the value or
// field concerned.
namespace why {

// The series goes on; the warning names the line.
struct TabAfterIdentifier {};  // the year is read from column 9
struct OtherCase {             // the identifier differs in upper/lower case only
  std::string written;
};
struct OtherDecade {  // labelled with another decade than the one due: read in order
  long long label = 0;
  long long due = 0;
};
struct RepeatsLine {  // the line before it word for word: passed over
  long long decade = 0;
};
struct RingsOf999OnTheirLine {  // a 999 followed on its line by a value is a ring
  std::vector<long long> years;
};
struct RingOf999BeforeLine {  // a 999 before a line of a series that ends in -9999
  long long year = 0;
};
struct EndMarkAfterDecade {  // the first line's end mark in the slot after its decade
  long long year = 0;
};
struct NumberPastFields {  // not read
  UnreadNumber number;
};
struct NotInColumns {  // read by its blank-separated numbers
  std::string field;   // the first field out of its columns
  long long first_year = 0;
  long long last_year = 0;
};
struct BlankFields {  // blank fields inside a series read as rings of 0
  long long year = 0;  // the first
  int count = 0;       // in the whole series
};

// The series ends without its end mark.
enum class Ending { kOtherIdentifier, kNextHeader, kColumnBlock, kTitleLines, kEndOfFile };
// The unit of the values of a ring-width series without its end mark.
enum class UnitTaken {
  kNone,              // chronologies
  kNoEndMarkInFile,   // 0.01 mm, for want of any end mark
  kEveryEndMarkSays,  // the unit every end mark of the file agrees on
};
struct EndsWithoutMark {
  Ending ending = Ending::kOtherIdentifier;
  long long last_year = 0;  // of the values kept
  UnitTaken taken = UnitTaken::kNone;
  WidthUnit unit = WidthUnit::kHundredths;
};

// The data set is refused.
struct UnreadableField {
  enum class Trouble { kNoNumber, kSplit, kRunsOn };
  std::optional<long long> year;
  std::string field;
  // No number; digits split by blanks; a year whose number runs on into the
  // values of a line out of its columns.
  Trouble trouble = Trouble::kNoNumber;
};
struct TabInFields {};
struct TabBeforeIdentifier {  // a data line without it
  std::string id;              // written after the TAB
};
struct OverfullFirstLine {
  long long year = 0;
  int holds = 0;
  int decade_holds = 0;
};
struct ValuesBeforeFirstYear {  // a chronology's first line, in the slots before its year
  long long year = 0;
  int count = 0;
};
struct ValuesAfterEndMark {
  long long year = 0;
};
struct NumbersNotTheDecade {  // a line out of its columns whose numbers do not fit its decade
  std::string field;
  long long year = 0;  // of the line's first slot
  int numbers = 0;
  int due = 0;
  bool widths = true;
};
struct BlankIndex {  // a chronology's empty slots hold the fill
  long long year = 0;
};
struct EndMarksDisagree {  // a series without its end mark in a file of both units
};
struct BlockValueUnreadable {
  std::string format;
};
struct BlockCutShort {
  int count = 0;
};
struct BlockOverfull {  // values past the count the block's header announces
  int count = 0;
};
struct BlockWithoutHeader {  // the line of the mark; no header came after it
  std::optional<std::size_t> data_line;  // the record of a data line met first; none: the file ended
};

}  // namespace why

using LineReason =
    std::variant<why::TabAfterIdentifier, why::OtherCase, why::OtherDecade, why::RepeatsLine,
                 why::RingsOf999OnTheirLine, why::RingOf999BeforeLine, why::EndMarkAfterDecade,
                 why::NumberPastFields, why::NotInColumns, why::BlankFields, why::EndsWithoutMark,
                 why::UnreadableField, why::TabInFields, why::TabBeforeIdentifier, why::OverfullFirstLine,
                 why::ValuesBeforeFirstYear, why::ValuesAfterEndMark, why::NumbersNotTheDecade, why::BlankIndex,
                 why::EndMarksDisagree, why::BlockValueUnreadable, why::BlockCutShort, why::BlockOverfull,
                 why::BlockWithoutHeader>;

// A warning or refusal about one line.
struct LineNote {
  std::size_t record = 0;  // the line, as a record index from 0
  LineReason reason;
};

enum class LineRole {
  kPassedOver,    // no year and no values: an empty line or a short note
  kColumnBlock,   // column 80 "#" before any value: a column block begins here
  kTitle,
  kStartsSeries,  // the first data line of the series
  kContinues,
  kRepeated,      // a line written twice: passed over, with a warning
  kEndsSeries,    // the series ends before this line, without its end mark
  kEndsCall,      // one title line more than a call takes: the call ends after it
  kRefuses,
};

// How the values of a data line are taken.
enum class EndMark { kNone, kHundredths, kThousandths, kFill };

struct ValueRun {
  int first_slot = 0;  // index 0..9 of the first slot taken
  int slots = 0;       // slots taken as values, from first_slot on
  EndMark end = EndMark::kNone;
  // Blank fields among the slots taken: those before a value or the end
  // mark on the line, and those that close it (rings of 0 only when the
  // series goes on); the year of the first of each.
  int inner_blanks = 0;
  long long inner_blank_year = 0;
  int tail_blanks = 0;
  long long tail_blank_year = 0;
};

struct LineVerdict {
  LineRole role = LineRole::kTitle;
  ValueRun run;                 // kStartsSeries, kContinues
  std::vector<LineNote> notes;  // warnings about the line
  LineNote reason;              // kEndsSeries, kEndsCall, kRepeated and kRefuses: why
  bool of_series = false;       // kRefuses: the line refused is one of the series being read
};

// What the reading of a file has met so far, beyond the series of a call.
struct FileSoFar {
  // A data line has been read: the title lines at the top of the file are over.
  bool data_line_met = false;
  // The first line read by its numbers, the series it belongs to, and how
  // many lines after it were: one warning tells of them all.
  std::optional<LineNote> out_of_columns;
  std::string out_of_columns_id;
  int out_of_columns_later = 0;
};

// What the reader knows of the series it is reading.
struct SeriesSoFar {
  bool started = false;           // a data line of the series has been read
  LineHead head;                  // of the series' first line
  long long first_year = 0;
  long long due_year = 0;         // the decade the next line is due to carry
  bool title_since_data = false;  // title lines came after the series' last data line
  const DecadalLine* previous = nullptr;  // the series' last data line
  bool data_line_in_file = false;         // the title lines at the top of the file are over
  int title_lines = 0;                    // met in this call
  long long values = 0;                   // values the series' lines gave
  std::size_t last_record = 0;            // of the series' last data line
  // Blank fields that close the last data line: rings of 0 when the series
  // goes on, nothing when it ends there.
  int blank_tail = 0;
  long long blank_tail_year = 0;
  std::vector<LineNote> notes;  // warnings so far, in the order of the lines
  std::uint64_t noted = 0;      // the kinds of reason among them

  template <class Reason>
  bool has_noted() const;
};

// The k-th line after the one judged (k from 1); nullptr past the end of the
// file.
using LinesAhead = std::function<const DecadalLine*(std::size_t k)>;

LineVerdict judge_line(const DecadalLayout& layout, const DecadalLine& line, const SeriesSoFar& series,
                       const LinesAhead& ahead);

// The series and the file after a line judged so: warnings kept (a few
// once per series, the lines out of their columns once per file), blank
// fields counted once the series goes on past them, the decade due.
void advance(SeriesSoFar& series, FileSoFar& file, const DecadalLine& line, const LineVerdict& verdict);

// The values a series without its end mark keeps: not the blank fields
// that close its last line.
long long values_kept_without_end_mark(const SeriesSoFar& series);

// The ring-width end marks a file holds.
struct EndMarksOfFile {
  bool hundredths = false;
  bool thousandths = false;
};

// The unit of a ring-width series without its end mark: the one every end
// mark of the file agrees on, 0.01 mm in a file without any; nothing when
// the file holds both, for every ring could be off by ten.
std::optional<why::EndsWithoutMark> unit_without_end_mark(const EndMarksOfFile& marks);

// Why a column block refuses the data set: no header after its mark, a
// value that does not read with its format, the end of the file before its
// last value, or values past the count its header announces.
struct BlockReading {
  int count = 0;
  std::string format;
  ReadStatus error = ReadStatus::kOk;
  std::size_t error_record = 0;
  std::optional<std::size_t> values_past_count;  // the first line holding them
  std::size_t mark_record = 0;                   // the line with the mark in column 80
  bool without_header = false;                   // the file ended, or a data line came, first
  std::optional<std::size_t> data_line;          // that data line
};
std::optional<LineNote> block_refusal(const BlockReading& block);

namespace detail {
template <class Reason, class... Reasons>
constexpr std::size_t index_among(const std::variant<Reasons...>*) {
  std::size_t i = 0;
  (void)((std::is_same_v<Reason, Reasons> || (++i, false)) || ...);
  return i;
}
}  // namespace detail

// The place of a kind of reason in LineReason.
template <class Reason>
inline constexpr std::size_t kReasonIndex = detail::index_among<Reason>(static_cast<const LineReason*>(nullptr));

template <class Reason>
bool SeriesSoFar::has_noted() const {
  return (noted >> kReasonIndex<Reason>) & 1u;
}

}  // namespace qb
