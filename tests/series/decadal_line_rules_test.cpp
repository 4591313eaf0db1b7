#include "series/decadal_line_rules.hpp"

#include <gtest/gtest.h>

#include <deque>

#include "platform/record_format.hpp"

namespace qb {
namespace {

// What a line is to the series read before it: its role, and the reason
// for it (a role that ends the judging) or the warnings it brings.
struct Judged {
  LineRole role = LineRole::kTitle;
  std::vector<std::size_t> reasons;
  ValueRun run;
};

Judged judge(const DecadalLayout& layout, const std::vector<std::string>& before, const std::string& text,
             const std::vector<std::string>& after) {
  std::vector<std::string> all = before;
  all.push_back(text);
  all.insert(all.end(), after.begin(), after.end());
  std::deque<DecadalLine> lines;
  for (std::size_t i = 0; i < all.size(); ++i) lines.push_back(parse_decadal_line(layout, all[i], i));
  SeriesSoFar series;
  FileSoFar file;
  const auto verdict_of = [&](std::size_t i) {
    return judge_line(layout, lines[i], series, [&lines, i](std::size_t k) {
      return i + k < lines.size() ? &lines[i + k] : nullptr;
    });
  };
  for (std::size_t i = 0; i < before.size(); ++i) {
    advance(series, file, lines[i], verdict_of(i));
    series.previous = &lines[i];
  }
  const std::size_t noted = series.notes.size();
  const bool out_of_columns = file.out_of_columns.has_value();
  const LineVerdict v = verdict_of(before.size());
  advance(series, file, lines[before.size()], v);
  Judged j{v.role, {}, v.run};
  switch (v.role) {
    case LineRole::kStartsSeries:
    case LineRole::kContinues:
      for (std::size_t n = noted; n < series.notes.size(); ++n) j.reasons.push_back(series.notes[n].reason.index());
      if (!out_of_columns && file.out_of_columns) j.reasons.push_back(kReasonIndex<why::NotInColumns>);
      break;
    case LineRole::kEndsSeries:
    case LineRole::kEndsCall:
    case LineRole::kRepeated:
    case LineRole::kRefuses: j.reasons.push_back(v.reason.reason.index()); break;
    case LineRole::kPassedOver:
    case LineRole::kColumnBlock:
    case LineRole::kTitle: break;
  }
  return j;
}

std::string tens(const char* head) {
  std::string text = head;
  for (int k = 0; k < 10; ++k) text += format_record("(i6,$)", 100 + k);
  return text;
}

std::string repeated(const std::string& slot, int slots) {
  std::string text;
  for (int i = 0; i < slots; ++i) text += slot;
  return text;
}

std::string fill(int slots) { return repeated("9990  0", slots); }

struct Row {
  const char* what;
  const DecadalLayout* layout;
  std::vector<std::string> before;  // the lines of the series read so far
  std::string line;                 // the line judged
  std::vector<std::string> after;
  LineRole role;
  std::vector<std::size_t> reasons;
  int slots = -1;  // values the line gives, when it matters
};

constexpr const DecadalLayout* kWidths = &kRingWidthLayout;
constexpr const DecadalLayout* kIndices = &kChronologyLayout;
const std::string kEL46SE1840 = "EL46SE  1840   184   284   192   299   242   223   170   215   158    94";
const std::string kBlock = "BLOCK1" + std::string(73, ' ') + "#";

TEST(JudgeLine, EachDepartureTakesItsRoleForItsReason) {
  const Row rows[] = {
      // A field whose digits blanks split: the line is read by its numbers
      // when they are the values its decade holds, else refused.
      {"shifted fields", kWidths, {kEL46SE1840},
       "EL46SE  1850    211   62   204   246   173   201   181   211   204   138", {},
       LineRole::kContinues, {kReasonIndex<why::NotInColumns>}, 10},
      {"a blank-separated line closed by its end mark", kWidths, {}, "SeriesA  1   10 30 50 70 999", {},
       LineRole::kStartsSeries, {kReasonIndex<why::NotInColumns>}, 4},
      {"numbers that are not the decade's values", kWidths, {kEL46SE1840},
       "EL46SE  1850    21 1   62   204   246   173   201   181   211   204   138", {},
       LineRole::kRefuses, {kReasonIndex<why::NumbersNotTheDecade>}},
      {"the last value pushed past column 72", kWidths, {tens("AA01    1950")},
       "AA01    1960   100   101   102   103   104   105   106   107   108    109", {},
       LineRole::kContinues, {kReasonIndex<why::NotInColumns>}, 10},
      {"a chronology of blank-separated pairs", kIndices, {},
       "tst1a 1960 250 6 100 1 300 2 400 2 500 2 600 2 700 2 800 2 900 2 950 2", {},
       LineRole::kStartsSeries, {kReasonIndex<why::NotInColumns>}, 10},
      {"a chronology slot pushed to the right", kIndices, {},
       "ca533. 820 990  31176  31030  31332  31326  31089   31219  31165  31092  31028  3", {},
       LineRole::kRefuses, {kReasonIndex<why::NumbersNotTheDecade>}},
      // A number drawn across the boundary of two fields by characters lost
      // before it is no pair of values.
      {"a number across two fields, the decade's values", kWidths, {tens("AA01    1950")},
       "AA01    1960   987     1043   759   110   999", {},
       LineRole::kContinues, {kReasonIndex<why::NotInColumns>}, 4},
      {"a number across two fields, not the decade's values", kWidths, {tens("AA01    1950")},
       "AA01    1960   634   941179   492   110   111   112   113   114   115", {},
       LineRole::kRefuses, {kReasonIndex<why::NumbersNotTheDecade>}},
      {"the last number run on, not the decade's values", kWidths, {tens("AA01    1950")},
       "AA01    1960   100   101   102   103   104   105   106   107     108", {},
       LineRole::kRefuses, {kReasonIndex<why::NumbersNotTheDecade>}},
      {"a year shifted into the values", kWidths, {tens("kok11b  1990")},
       "kok11b   2000   960   900   790   720   870 -9999", {},
       LineRole::kRefuses, {kReasonIndex<why::UnreadableField>}},
      {"a first line that does not read, an empty line before the next", kWidths, {},
       "BB01    1956   100     +   102   103", {"", tens("BB01    1960")},
       LineRole::kRefuses, {kReasonIndex<why::UnreadableField>}},
      // Blank fields inside a series are rings of 0, told once a series;
      // those that close a series without its end mark are no rings.
      {"a line cut short inside a series", kWidths, {tens("CAM011  1570"), "CAM011  1580    35    46"},
       tens("CAM011  1590"), {}, LineRole::kContinues, {kReasonIndex<why::BlankFields>}},
      {"a blank before the end mark", kWidths, {}, "AA01    1950   100   101         999", {},
       LineRole::kStartsSeries, {kReasonIndex<why::BlankFields>}, 3},
      {"an end mark on a line of its own", kWidths, {"AA01    1950   100   101   102"}, "AA01    1960   999", {},
       LineRole::kContinues, {kReasonIndex<why::BlankFields>}, 0},
      {"the next series after a short line", kWidths, {"AA01    1950   100   101"}, "BB01    1950   100   999", {},
       LineRole::kEndsSeries, {kReasonIndex<why::EndsWithoutMark>}},
      // A chronology's empty slots hold the fill: a blank index refuses.
      {"a blank index inside a chronology line", kIndices, {},
       "tst1a.1960 250  6 100  1" + std::string(28, ' ') + " 300  2 400  2", {},
       LineRole::kRefuses, {kReasonIndex<why::BlankIndex>}},
      {"a chronology line cut short", kIndices, {"tst1a.1960 250  6 100  1"}, "tst1a.1970 300  2" + fill(9), {},
       LineRole::kRefuses, {kReasonIndex<why::BlankIndex>}},
      // A sign alone is no number.
      {"a sign alone in a ring width", kWidths, {tens("AA01    1950")},
       "AA01    1960   100     -   102   103   104   105   106   107   108   109", {},
       LineRole::kRefuses, {kReasonIndex<why::UnreadableField>}},
      {"a sign alone in an index", kIndices, {"tst1a.1950" + repeated(" 900  3", 10)},
       "tst1a.1960 250  6   +  1" + fill(8), {}, LineRole::kRefuses, {kReasonIndex<why::UnreadableField>}},
      // A TAB before the identifier of a data line moves its fields: its
      // rings are no title.
      {"a TAB before a series' first line", kWidths, {}, "\tBSC29A  1758   100   101", {"BSC29A  1760   100   999"},
       LineRole::kRefuses, {kReasonIndex<why::TabBeforeIdentifier>}},
      {"blanks and a TAB before a line of the series", kWidths, {"BSC29A  1758   100   101"},
       "  \tBSC29A  1760   100   999", {}, LineRole::kRefuses, {kReasonIndex<why::TabBeforeIdentifier>}},
      {"a TAB before a chronology line", kIndices, {"tst1a.1950" + repeated(" 900  3", 10)},
       "\ttst1a.1960 250  6" + fill(9), {}, LineRole::kRefuses, {kReasonIndex<why::TabBeforeIdentifier>}},
      {"an indented title that reads as a year and values", kWidths, {}, "\tBig Bend 1992", {}, LineRole::kTitle, {}},
      // A column block ends the series before it, wherever it stands.
      {"a block before any value", kWidths, {}, kBlock, {}, LineRole::kColumnBlock, {}},
      {"a block after a series without its end mark", kWidths, {"AA01    1950   100   101"}, kBlock, {},
       LineRole::kEndsSeries, {kReasonIndex<why::EndsWithoutMark>}},
      // The column the year -1000 takes from the identifier forgives only a
      // blank or the sign.
      {"the next core at -1000", kWidths, {"022029A-1010   100   101   102   103   104   105   106   107   108   109"},
       "022029B-1000   100   999", {}, LineRole::kEndsSeries, {kReasonIndex<why::EndsWithoutMark>}},
      {"-1000 with a six-column identifier", kWidths,
       {"LONGID9-1010   100   101   102   103   104   105   106   107   108   109"}, "LONGID -1000   100   999", {},
       LineRole::kContinues, {}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Judged j = judge(*row.layout, row.before, row.line, row.after);
    EXPECT_EQ(j.role, row.role);
    EXPECT_EQ(j.reasons, row.reasons);
    if (row.slots >= 0) {
      EXPECT_EQ(j.run.slots, row.slots);
    }
  }
}

TEST(JudgeLine, ASeriesWithoutItsEndMarkTakesTheUnitOfTheFilesEndMarks) {
  using why::UnitTaken;
  EXPECT_EQ(unit_without_end_mark({false, false})->taken, UnitTaken::kNoEndMarkInFile);
  EXPECT_EQ(unit_without_end_mark({false, false})->unit, WidthUnit::kHundredths);
  EXPECT_EQ(unit_without_end_mark({true, false})->taken, UnitTaken::kEveryEndMarkSays);
  EXPECT_EQ(unit_without_end_mark({true, false})->unit, WidthUnit::kHundredths);
  EXPECT_EQ(unit_without_end_mark({false, true})->unit, WidthUnit::kThousandths);
  EXPECT_FALSE(unit_without_end_mark({true, true}));
}

}  // namespace
}  // namespace qb
