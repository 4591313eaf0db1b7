#include "series/decadal_messages.hpp"

#include "platform/record_format.hpp"

namespace qb {
namespace {

// One handler for each reason: a reason without one does not compile.
template <class... Handlers>
struct Each : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Each(Handlers...) -> Each<Handlers...>;

std::string number(long long n) { return std::to_string(n); }

const char* unit_name(WidthUnit unit) { return unit == WidthUnit::kThousandths ? "0.001 mm" : "0.01 mm"; }
int end_mark_of(WidthUnit unit) { return unit == WidthUnit::kThousandths ? kStopThousandths : kStopHundredths; }

std::string not_in_columns(const std::string& id, const std::string& line, const why::NotInColumns& r, int later) {
  const std::string text = format_record(
      "(/1x,'WARNING: Series ',a,': line ',a,' does not keep its fields in their columns (\"',a,'\");'/1x,'         its blank-separated numbers are read as the years ',a,' to ',a,' in order',a)",
      id, line, r.field, number(r.first_year), number(std::max(r.last_year, r.first_year)), later > 0 ? "," : ".");
  if (later == 0) return text;
  return text + format_record("(1x,'         as are those of ',a,'.')",
                              later == 1 ? std::string("one later line") : number(later) + " later lines");
}

}  // namespace

std::string message(std::string_view series_id, const LineNote& note, const TextInput& input) {
  const std::string id = trim_right(series_id);
  const std::string line = number(static_cast<long long>(input.line_number(note.record)));
  const auto warning = [&](const std::string& first, const std::string& second) {
    return format_record("(/1x,'WARNING: Series ',a,': line ',a,' ',a/1x,'         ',a)", id, line, first, second);
  };
  const std::string at = "(/1x,'Data set refused: line ',a,' of the data file, series ',a,";
  const auto refused = [&](const std::string& rest, const auto&... more) {
    return format_record(at + rest, line, id, more...);
  };
  return std::visit(
      Each{
          [&](const why::TabAfterIdentifier&) {
            return warning("ends its identifier with a TAB;", "the year is read from column 9, as a tab stop of 8 puts it.");
          },
          [&](const why::OtherCase& r) {
            return warning("writes the identifier " + r.written + ";",
                           "it differs in upper/lower case only and is read as the same series.");
          },
          [&](const why::OtherDecade& r) {
            return format_record("(/1x,'WARNING: Series ',a,': line ',a,' is labelled ',a,' where ',a,' was due;'/1x,'         its values and those of the lines after it are read as the years'/1x,'         from ',a,' on, ten years a line, whatever their labels.')",
                                 id, line, number(r.label), number(r.due), number(r.due));
          },
          [&](const why::RepeatsLine& r) {
            return warning("repeats the line before it, the decade " + number(r.decade) + ";", "the repeat is passed over.");
          },
          [&](const why::RingsOf999OnTheirLine& r) {
            std::string text;
            for (long long year : r.years) {
              text += warning("holds 999 for the year " + number(year) + " with rings after it;",
                              "it is read as a ring, not as the end of the series.");
            }
            return text;
          },
          [&](const why::RingOf999BeforeLine& r) {
            return warning("ends with 999 for the year " + number(r.year) + ", but the series goes on",
                           "and ends with -9999 (0.001 mm): the 999 is read as a ring.");
          },
          [&](const why::EndMarkAfterDecade& r) {
            return warning("holds its end mark after its decade, for the year " + number(r.year) + ";",
                           "the series is read as ending in the year " + number(r.year - 1) + ".");
          },
          [&](const why::NumberPastFields& r) {
            const auto first = static_cast<long long>(r.number.first_column);
            const auto last = static_cast<long long>(r.number.last_column);
            const std::string where = first == last ? "column " + number(first)
                                                    : "columns " + number(first) + "-" + number(last);
            return warning("holds the number " + r.number.text + " in " + where + ", past its ten fields;",
                           "the layout reads no eleventh value, so it is not read.");
          },
          [&](const why::NotInColumns& r) { return not_in_columns(id, line, r, 0); },
          [&](const why::BlankFields& r) {
            return warning("has a blank field for the year " + number(r.year) + ";",
                           r.count == 1 ? std::string("the series reads it as a ring of 0.")
                                        : "the series reads " + number(r.count) +
                                              " blank fields, from this line on, as rings of 0.");
          },
          [&](const why::EndsWithoutMark& r) {
            std::string first = "Series " + id + " ends without its end mark after line " + line + ", where the next series begins;";
            if (r.ending == why::Ending::kEndOfFile) {
              first = "The data file ends inside series " + id + ", which has no end mark after line " + line + ";";
            } else if (r.ending == why::Ending::kTitleLines) {
              first = "Series " + id + " ends without its end mark after line " + line + ", before lines of text;";
            }
            const std::string kept = "(/1x,'WARNING: ',a/1x,'         its values up to the year ',a,' are kept";
            switch (r.taken) {
              case why::UnitTaken::kNone: return format_record(kept + ".')", first, number(r.last_year));
              case why::UnitTaken::kNoEndMarkInFile:
                return format_record(kept + ", read in 0.01 mm.')", first, number(r.last_year));
              case why::UnitTaken::kEveryEndMarkSays:
                return format_record(kept + ", read in ',a,','/1x,'         the unit that every end mark of the file gives (',a,').')",
                                     first, number(r.last_year), unit_name(r.unit), number(end_mark_of(r.unit)));
            }
            return std::string();
          },
          [&](const why::UnreadableField& r) {
            using Trouble = why::UnreadableField::Trouble;
            const std::string what = r.trouble == Trouble::kSplit    ? "whose digits are split by blanks"
                                     : r.trouble == Trouble::kRunsOn ? "whose number runs on into the values"
                                                                     : "which does not read as a number";
            if (r.year) {
              return refused("', year ',a,','/1x,'holds the field \"',a,'\", ',a,'.')", number(*r.year), r.field, what);
            }
            return refused("','/1x,'holds the field \"',a,'\", ',a,'.')", r.field, what);
          },
          [&](const why::TabInFields&) {
            return refused("','/1x,'holds a TAB among its year and values, which runs its fields together.')");
          },
          [&](const why::TabBeforeIdentifier& r) {
            // The identifier is the one written after the TAB.
            return format_record(at + "','/1x,'has a TAB before its identifier, which moves its year and values out of their columns.')",
                                 line, r.id);
          },
          [&](const why::OverfullFirstLine& r) {
            return refused("', starts in the year ',a/1x,'and holds ',a,' values where its decade holds ',a,'.')",
                           number(r.year), number(r.holds), number(r.decade_holds));
          },
          [&](const why::ValuesBeforeFirstYear& r) {
            return refused("', starts in the year ',a/1x,'but holds ',a,' values in the slots of the years before it.')",
                           number(r.year), number(r.count));
          },
          [&](const why::ValuesAfterEndMark& r) {
            return refused("','/1x,'holds values after its end mark in the year ',a,'.')", number(r.year));
          },
          [&](const why::NumbersNotTheDecade& r) {
            return refused("', does not keep its fields in their columns (\"',a,'\"),'/1x,'and its ',a,' numbers are not the ',a,a,' of its decade from the year ',a,'.')",
                           r.field, number(r.numbers), number(r.due), r.widths ? " values" : " index and depth pairs",
                           number(r.year));
          },
          [&](const why::BlankIndex& r) {
            return refused("', year ',a,','/1x,'holds a blank index; a chronology writes 9990 in the slots it leaves empty.')",
                           number(r.year));
          },
          [&](const why::EndMarksDisagree&) {
            return format_record("(/1x,'Data set refused: series ',a,' ends without its end mark after line ',a,' of the data file,'/1x,'and the end marks of the file disagree on its unit (999 for 0.01 mm, -9999 for 0.001 mm):'/1x,'each of its rings could be off by ten.')",
                                 id, line);
          },
          [&](const why::BlockValueUnreadable& r) {
            return format_record("(/1x,'Data set refused: line ',a,' of the data file, in the column block of series ',a,','/1x,'holds a value that does not read with the block''s format ',a,'.')",
                                 line, id, r.format);
          },
          [&](const why::BlockCutShort& r) {
            return format_record("(/1x,'Data set refused: the data file ends at line ',a,', inside the column block of series ',a,','/1x,'before the last of its ',a,' values.')",
                                 line, id, number(r.count));
          },
          [&](const why::BlockWithoutHeader& r) {
            const std::string first = "(/1x,'Data set refused: line ',a,' of the data file opens a column block (\"#\" in column 80),'/1x,";
            if (!r.data_line) return format_record(first + "'but the file ends before the block''s header.')", line);
            return format_record(first + "'but line ',a,', a line of ring widths, comes before the block''s header.')", line,
                                 number(static_cast<long long>(input.line_number(*r.data_line))));
          },
          [&](const why::BlockOverfull& r) {
            return format_record("(/1x,'Data set refused: line ',a,' of the data file holds values past the ',a,' values'/1x,'that the header of the column block of series ',a,' announces.')",
                                 line, number(r.count), id);
          },
      },
      note.reason);
}

std::string out_of_columns_warning(const FileSoFar& file, const TextInput& input) {
  if (!file.out_of_columns) return {};
  const LineNote& note = *file.out_of_columns;
  return not_in_columns(trim_right(file.out_of_columns_id),
                        std::to_string(input.line_number(note.record)),
                        std::get<why::NotInColumns>(note.reason), file.out_of_columns_later);
}

}  // namespace qb
