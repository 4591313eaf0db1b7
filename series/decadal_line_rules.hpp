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

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qb {

// The ring-width end marks: the series' values are in 0.01 mm or 0.001 mm.
inline constexpr int kStopHundredths = 999;
inline constexpr int kStopThousandths = -9999;
// Chronology fill: every slot without a value holds it, and an index at or
// above it ends a series.
inline constexpr int kFillIndex = 9990;

// One value field of a line.
enum class FieldState { kBlank, kNumber, kUnreadable };

// The identifier of a line: its bytes, blank-padded to the identifier length,
// and the columns the line's layout gives it (8, 7 or 6 for ring widths, 6,
// 5 or 4 for chronologies).
struct LineHead {
  std::string id;
  std::size_t id_columns = 0;
  // The columns compared with another line's identifier: writers disagree on
  // whether the year -1000 takes five or six columns, so that line's
  // identifier counts one column fewer.
  std::size_t compared_columns = 0;
};

// One line of a decadal file, taken apart into its fields.
struct DecadalLine {
  std::size_t record = 0;  // index of the record in the file, from 0
  std::string text;        // the line as the file holds it
  // The line with a TAB in the identifier's columns expanded; empty when it
  // holds none.
  std::string fields;
  // One byte per column, blank-padded to the title length; a TAB within the
  // identifier's columns of a ring-width line is expanded to column 9.
  std::string columns;
  LineHead head;
  bool year_blank = false;
  bool year_reads = false;
  int year = 0;
  // Every field (identifier, year, values, depths) reads.
  bool converted = false;
  // A TAB stands among the year and value columns.
  bool tab_in_fields = false;
  // The field after the ten (columns 73-78 of ring widths, 81-84 of
  // chronologies) holds a number that is no end mark or fill (text there,
  // a note or a label, is nothing to read).
  bool number_past_fields = false;
  std::array<FieldState, 10> state{};
  std::array<int, 10> values{};  // 0 where blank or unreadable
  std::array<int, 10> depths{};  // chronologies
  std::array<FieldState, 10> depth_state{};

  // The bytes the fields are taken from.
  const std::string& text_of_fields() const { return fields.empty() ? text : fields; }
};

// Takes a line apart in the ring-width (`widths`) or chronology layout.
DecadalLine parse_decadal_line(bool widths, std::string text, std::size_t record);

// Why a line continues with a warning, ends the series or refuses the set.
enum class LineReason {
  kNone,
  // The series continues; the warning names the line.
  kTabAfterIdentifier,   // a TAB ends the identifier: the year is read from column 9
  kOtherCase,            // its identifier differs from the series' in upper/lower case only
  kOtherDecade,          // labelled with another decade than the one due: read in order
  kRepeatsLine,          // repeats the line before it word for word: passed over
  kRingOf999OnItsLine,   // a 999 followed on its line by a value is a ring
  kRingOf999BeforeLine,  // a 999 before a line that continues a series ending in -9999 is a ring
  kEndMarkAfterDecade,   // the first line's end mark stands in the slot after its decade
  kNumberPastFields,     // a number in the field after the ten (73-78, 81-84): not read
  // The series ends without its end mark; the next series begins at this line.
  kOtherIdentifier,
  kNextHeader,  // another decade after title lines: the header of the next series
  // The data set is refused.
  kUnreadableField,
  kTabInFields,
  kOverfullFirstLine,
  kValuesBeforeFirstYear,  // a chronology's first line holds indices in the slots before its year
  kValuesAfterEndMark,
  kBlockValueUnreadable,  // a value of a column block does not read with its format
  kBlockCutShort,         // the file ends before a column block's last value
};

// A warning or refusal about one line.
struct LineNote {
  LineReason reason = LineReason::kNone;
  std::size_t record = 0;          // the line, as a record index from 0
  std::optional<int> year;         // the year of the field or value concerned
  // kOtherDecade: the decade due; kOverfullFirstLine: values its decade
  // holds; kNumberPastFields: the field's last column.
  int due = 0;
  // kOverfullFirstLine: values the line holds; kValuesBeforeFirstYear:
  // the values before its year; kOtherDecade: its label;
  // kNumberPastFields: the field's first column.
  int count = 0;
  // kUnreadableField, kNumberPastFields: the field; kOtherCase: the
  // identifier as written;
  // column blocks: their format.
  std::string text;
};

enum class LineRole {
  kPassedOver,    // no year and no values: an empty line or a short note
  kColumnBlock,   // column 80 "#" before any value: a column block begins here
  kTitle,
  kStartsSeries,  // the first data line of the series
  kContinues,
  kRepeated,      // a line written twice: passed over, with a warning
  kEndsSeries,    // the series ends before this line, without its end mark
  kRefuses,
};

// How the values of a data line are taken.
enum class EndMark { kNone, kHundredths, kThousandths, kFill };

struct ValueRun {
  int first_slot = 0;  // index 0..9 of the first slot taken
  int slots = 0;       // slots taken as values, from first_slot on
  EndMark end = EndMark::kNone;
};

struct LineVerdict {
  LineRole role = LineRole::kTitle;
  ValueRun run;                  // kStartsSeries, kContinues
  std::vector<LineNote> notes;   // warnings about the line
  LineNote reason;               // kEndsSeries and kRefuses: why
};

// What the reader knows of the series it is reading.
struct SeriesSoFar {
  bool started = false;          // a data line of the series has been read
  bool values_taken = false;     // a value has been taken in this call
  LineHead head;                 // of the series' first line
  long long due_year = 0;        // the decade the next line is due to carry
  bool title_since_data = false; // title lines came after the series' last data line
  const DecadalLine* previous = nullptr;  // the series' last data line
  bool data_line_in_file = false;         // the title lines at the top of the file are over
};

// The k-th line after the one judged (k from 1); nullptr past the end of the
// file.
using LinesAhead = std::function<const DecadalLine*(std::size_t k)>;

LineVerdict judge_line(bool widths, const DecadalLine& line, const SeriesSoFar& series, const LinesAhead& ahead);

// The first year of the decade after the one that holds `year`.
long long next_decade(long long year);

// Calendar slot (1..10) of a year inside its decade; decades run 0-9, 10-19,
// ..., -10 to -1, -20 to -11.
int decade_slot(int year);

}  // namespace qb
