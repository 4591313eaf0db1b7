#include "series/decadal_messages.hpp"

#include "platform/record_format.hpp"

namespace qb {
namespace {

std::string number(long long n) { return std::to_string(n); }

std::string line_of(const LineNote& note, const TextInput& input) {
  return number(static_cast<long long>(input.line_number(note.record)));
}

std::string warning(const DecadalSeries& series, const LineNote& note, const TextInput& input,
                    const std::string& first, const std::string& second) {
  return format_record("(/1x,'WARNING: Series ',a,': line ',a,' ',a/1x,'         ',a)", trim_right(series.id),
                       line_of(note, input), first, second);
}

}  // namespace

std::string line_warning(const DecadalSeries& series, const LineNote& note, const TextInput& input) {
  const long long year = note.year.value_or(0);
  switch (note.reason) {
    case LineReason::kOtherDecade:
      return format_record("(/1x,'WARNING: Series ',a,': line ',a,' is labelled ',a,' where ',a,' was due;'/1x,'         its values and those of the lines after it are read as the years'/1x,'         from ',a,' on, ten years a line, whatever their labels.')",
                           trim_right(series.id), line_of(note, input), number(note.count), number(note.due),
                           number(note.due));
    case LineReason::kTabAfterIdentifier:
      return warning(series, note, input, "ends its identifier with a TAB;",
                     "the year is read from column 9, as a tab stop of 8 puts it.");
    case LineReason::kOtherCase:
      return warning(series, note, input, "writes the identifier " + note.text + ";",
                     "it differs in upper/lower case only and is read as the same series.");
    case LineReason::kRepeatsLine:
      return warning(series, note, input, "repeats the line before it, the decade " + number(year) + ";",
                     "the repeat is passed over.");
    case LineReason::kRingOf999OnItsLine:
      return warning(series, note, input, "holds 999 for the year " + number(year) + " with rings after it;",
                     "it is read as a ring, not as the end of the series.");
    case LineReason::kRingOf999BeforeLine:
      return warning(series, note, input, "ends with 999 for the year " + number(year) + ", but the series goes on",
                     "and ends with -9999 (0.001 mm): the 999 is read as a ring.");
    case LineReason::kNumberPastFields:
      return warning(series, note, input,
                     "holds the number " + note.text + " in columns " + number(note.count) + "-" + number(note.due) +
                         ", past its ten fields;",
                     "the layout reads no eleventh value, so it is not read.");
    case LineReason::kEndMarkAfterDecade:
      return warning(series, note, input, "holds its end mark after its decade, for the year " + number(year) + ";",
                     "the series is read as ending in the year " + number(year - 1) + ".");
    default:
      return {};
  }
}

std::string end_mark_warning(const DecadalSeries& series, long long last_year, bool widths) {
  const std::string id = trim_right(series.id);
  std::string first = "Series " + id + " ends without its end mark where the next series begins;";
  if (series.end == SeriesEnd::kEndOfFile) {
    first = "The data file ends inside series " + id + ", which has no end mark;";
  } else if (series.end == SeriesEnd::kTitleLines) {
    first = "Series " + id + " ends without its end mark before lines of text;";
  }
  // Without its end mark a ring-width series does not say its unit: 0.01 mm
  // is taken, and the warning says so.
  return format_record("(/1x,'WARNING: ',a/1x,'         its values up to the year ',a,' are kept',a)", first,
                       number(last_year), widths ? ", read in 0.01 mm." : ".");
}

std::string refusal(const DecadalSeries& series, const TextInput& input) {
  const LineNote& note = series.reason;
  const std::string id = trim_right(series.id);
  const std::string line = line_of(note, input);
  const std::string at = "(/1x,'Data set refused: line ',a,' of the data file, series ',a,";
  switch (note.reason) {
    case LineReason::kUnreadableField:
      if (note.year) {
        return format_record(std::string(at) + "', year ',a,','/1x,'holds the field \"',a,'\", which does not read as a number.')",
                             line, id, number(*note.year), note.text);
      }
      return format_record(std::string(at) + "','/1x,'holds the field \"',a,'\", which does not read as a number.')",
                           line, id, note.text);
    case LineReason::kTabInFields:
      return format_record(std::string(at) + "','/1x,'holds a TAB among its year and values, which runs its fields together.')",
                           line, id);
    case LineReason::kOverfullFirstLine:
      return format_record(std::string(at) + "', starts in the year ',a/1x,'and holds ',a,' values where its decade holds ',a,'.')",
                           line, id, number(note.year.value_or(0)), number(note.count), number(note.due));
    case LineReason::kValuesBeforeFirstYear:
      return format_record(std::string(at) + "', starts in the year ',a/1x,'but holds ',a,' values in the slots of the years before it.')",
                           line, id, number(note.year.value_or(0)), number(note.count));
    case LineReason::kValuesAfterEndMark:
      return format_record(std::string(at) + "','/1x,'holds values after its end mark in the year ',a,'.')", line, id,
                           number(note.year.value_or(0)));
    case LineReason::kBlockValueUnreadable:
      return format_record("(/1x,'Data set refused: line ',a,' of the data file, in the column block of series ',a,','/1x,'holds a value that does not read with the block''s format ',a,'.')",
                           line, id, note.text);
    case LineReason::kBlockCutShort:
      return format_record("(/1x,'Data set refused: the data file ends at line ',a,', inside the column block of series ',a,','/1x,'before the last of its ',a,' values.')",
                           line, id, number(note.count));
    default:
      return format_record("(/1x,'Data set refused: line ',a,' of the data file, series ',a,'.')", line, id);
  }
}

}  // namespace qb
