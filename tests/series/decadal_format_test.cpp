#include "series/decadal_format.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::read_file;
using testing::ScratchDirectory;
using testing::ScriptedConsole;
using testing::shared_data;

struct ReadResult {
  std::vector<DecadalSeries> series;
  DecadalReadState state;
};

// Reads series until the file ends, as the loader does.
ReadResult read_all(TextInput input, TrrwMode mode, int capacity = kMaxYears) {
  ReadResult result;
  DecadalReadOptions options;
  options.capacity = capacity;
  while (true) {
    DecadalSeries s = trrw(mode, input, result.state, options);
    if (result.state.series_counter == kEndOfFile) break;
    result.series.push_back(std::move(s));
  }
  return result;
}

ReadResult read_text(const std::string& text, TrrwMode mode = TrrwMode::kReadWidths) {
  return read_all(TextInput::from_text(text), mode);
}

std::string written(TrrwMode mode, const DecadalSeriesOut& series) {
  ScratchDirectory dir;
  auto out = TextOutput::create(dir.file("out.txt"));
  trrw(mode, *out, series);
  out->close();
  return read_file(dir.file("out.txt"));
}

why::UnreadableField unreadable(const DecadalSeries& s) {
  const auto* field = std::get_if<why::UnreadableField>(&s.reason.reason);
  return field ? *field : why::UnreadableField{};
}

std::string fill(int slots) {
  std::string text;
  for (int i = 0; i < slots; ++i) text += "9990  0";
  return text;
}

std::string widths_text(std::string_view id, int first_year, const std::vector<float>& values,
                        std::string_view tag = "stdraw") {
  return written(TrrwMode::kWriteWidths, {id, first_year, values, {}, tag});
}

// ---------------------------------------------------------------------------
// Writing ring widths

TEST(DecadalWidthsWrite, FirstLineRunsToTheEndOfItsDecade) {
  const std::vector<float> v{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};
  EXPECT_EQ(widths_text("AB01", 1955, v),
            "AB01    1955   100   200   300   400   500\n"
            "AB01    1960   600   700 -9999\n");
  // Ten values from a decade's first year fill one tagged line, then the
  // stop marker needs a line of its own.
  const std::vector<float> ten(10, 1.0f);
  EXPECT_EQ(widths_text("AB01", 1960, ten),
            "AB01    1960  1000  1000  1000  1000  1000  1000  1000  1000  1000  1000  stdraw\n"
            "AB01    1970 -9999\n");
  // A series that ends in slot 9 puts its marker in slot 10: a full, tagged line.
  EXPECT_EQ(widths_text("AB01", 1960, std::vector<float>(9, 0.5f), "tg"),
            "AB01    1960   500   500   500   500   500   500   500   500   500 -9999  tg    \n");
  EXPECT_EQ(widths_text("AB01", 1959, {0.5f, 0.5f}),
            "AB01    1959   500\n"
            "AB01    1960   500 -9999\n");
  EXPECT_EQ(widths_text("AB01", 1960, {}), "");
}

TEST(DecadalWidthsWrite, NegativeYearsAndIdentifierWidths) {
  // -1 is the last year of the decade -10..-1; year 0 begins the next one.
  EXPECT_EQ(widths_text("LONGID99", -1, {1.0f, 2.0f}),
            "LONGID99  -1  1000\n"
            "LONGID99   0  2000 -9999\n");
  EXPECT_EQ(widths_text("LONGID99", -136, std::vector<float>(7, 0.25f)),
            "LONGID99-136   250   250   250   250   250   250\n"
            "LONGID99-130   250 -9999\n");
  // -1000 to -9999 take seven identifier characters, years of five digits
  // six. -1000 fits the five-column year field, and a series whose lines all
  // carry the same identifier stays one series for readers that group lines
  // by identifier.
  EXPECT_EQ(widths_text("LONGID99", -1000, {0.5f}), "LONGID9-1000   500 -9999\n");
  EXPECT_EQ(widths_text("LONGID99", -1001, {0.5f}), "LONGID9-1001   500\nLONGID9-1000 -9999\n");
  EXPECT_EQ(widths_text("LONGID99", -10005, {0.5f}), "LONGID-10005   500 -9999\n");
  const std::string across = widths_text("LONGID99", -1003, std::vector<float>(5, 0.5f));
  EXPECT_EQ(lines_of(across)[1], "LONGID9-1000   500   500 -9999");
}

TEST(DecadalWidthsWrite, RoundingAndStopMarkersNeverStandForValues) {
  EXPECT_EQ(widths_text("X", 1950, {0.999f, -9.999f, 0.0994f, -0.0015f, 0.0f}),
            "X       1950  1000 -9998    99    -2     0 -9999\n");
  // A value too wide for its field shows asterisks rather than another value.
  EXPECT_EQ(widths_text("X", 1959, {5000.0f}), "X       1959******\nX       1960 -9999\n");
}

// ---------------------------------------------------------------------------
// Reading ring widths

TEST(DecadalWidthsRead, StopMarkersSetTheUnits) {
  auto r = read_text(
      "AA01    1955   104    89   103    70    69\n"
      "AA01    1960    10   999\n"
      "BB01    1955   104    89   103    70    69\n"
      "BB01    1960    10 -9999\n");
  ASSERT_EQ(r.series.size(), 2u);
  EXPECT_EQ(r.series[0].id, "AA01    ");
  EXPECT_EQ(r.series[0].first_year, 1955);
  ASSERT_EQ(r.series[0].count, 6);
  EXPECT_EQ(r.series[0].values[0], 104 * 0.01f);
  EXPECT_EQ(r.series[0].values[5], 10 * 0.01f);
  // 0.001 mm: the 0.01 factor and then 0.1, both in single precision.
  EXPECT_EQ(r.series[1].values[0], (104 * 0.01f) * 0.1f);
  EXPECT_EQ(r.series[1].values[5], (10 * 0.01f) * 0.1f);
  EXPECT_EQ(r.state.series_counter, kEndOfFile);
}

TEST(DecadalWidthsRead, LineYearsAfterTheFirstAreNotRead) {
  // Only the stop marker ends a series: the second line's year is ignored and
  // a short first line reads its blank fields as zeros.
  auto r = read_text(
      "AA01    1953     5     6\n"
      "AA01    1234     7   999\n");
  ASSERT_EQ(r.series.size(), 1u);
  EXPECT_EQ(r.series[0].values, (std::vector<float>{5 * 0.01f, 6 * 0.01f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 7 * 0.01f}));
  // Both are noted, for a warning: the blank fields of the first line, which
  // the series goes on past, and the first line labelled with another decade.
  ASSERT_EQ(r.series[0].notes.size(), 2u);
  const auto* blanks = std::get_if<why::BlankFields>(&r.series[0].notes[0].reason);
  ASSERT_TRUE(blanks);
  EXPECT_EQ(r.series[0].notes[0].record, 0u);
  EXPECT_EQ(blanks->year, 1955);
  EXPECT_EQ(blanks->count, 5);
  const LineNote& note = r.series[0].notes[1];
  const auto* decade = std::get_if<why::OtherDecade>(&note.reason);
  ASSERT_TRUE(decade);
  EXPECT_EQ(note.record, 1u);
  EXPECT_EQ(decade->label, 1234);
  EXPECT_EQ(decade->due, 1960);
}

TEST(DecadalWidthsRead, YearVariantsAndYearsFarBeforeZero) {
  // The six-character identifier of year -1000 that older files hold still
  // reads, as does the seven-character one written now.
  auto r = read_text(
      "LONGID -1000   500 -9999\n"
      "LONGID9-1001   500\n"
      "LONGID -1000 -9999\n"
      "LONGID-10005   500   600   700   800   800\n"
      "LONGID-10000 -9999\n"
      "BCS05B  -136   100   200   300   400   500   600\n"
      "BCS05B  -130   700 -9999\n"
      "LONGID7-1000   500 -9999\n");
  ASSERT_EQ(r.series.size(), 5u);
  EXPECT_EQ(r.series[4].id, "LONGID7 ");
  EXPECT_EQ(r.series[4].first_year, -1000);
  EXPECT_EQ(r.series[0].id, "LONGID  ");
  EXPECT_EQ(r.series[0].first_year, -1000);
  EXPECT_EQ(r.series[1].id, "LONGID9 ");
  EXPECT_EQ(r.series[1].first_year, -1001);
  EXPECT_EQ(r.series[2].first_year, -10005);
  EXPECT_EQ(r.series[2].count, 5);
  EXPECT_EQ(r.series[3].first_year, -136);
  EXPECT_EQ(r.series[3].count, 7);
}

TEST(DecadalWidthsRead, TitleLines) {
  ScriptedConsole console;
  auto r = read_text(
      "TUB    1 El Malpais update\n"
      "TUB    2 New Mexico   Douglas-fir\n"
      "short\n"
      "TUB    3 H. Grissino-Mayer\n"
      "TUB    4 a fourth line\n"
      "AA01    1950   104 -9999\n"
      "AA01    1960  xx                       \n"
      "AA01    1960   100   999\n");
  ASSERT_EQ(r.series.size(), 2u);
  // A line without a year ("short") is passed over, not kept.
  EXPECT_EQ(trim_right(r.state.titles[1]), "TUB    2 New Mexico   Douglas-fir");
  EXPECT_EQ(trim_right(r.state.titles[2]), "TUB    3 H. Grissino-Mayer");
  EXPECT_EQ(trim_right(r.series[0].title), "TUB    1 El Malpais update");
  // A line inside a later series that does not convert becomes that call's
  // first title line.
  EXPECT_EQ(trim_right(r.series[1].title), "AA01    1960  xx");
  EXPECT_EQ(trim_right(r.state.titles[0]), "AA01    1960  xx");
  EXPECT_EQ(r.series[1].values, std::vector<float>{1.0f});
  const auto shown = lines_of(console.output());
  ASSERT_GE(shown.size(), 6u);
  EXPECT_EQ(shown[0], "");
  EXPECT_EQ(shown[1], " title of data:");
  EXPECT_EQ(shown[2], " " + fixed_width("TUB    1 El Malpais update", kTitleLength));
  EXPECT_EQ(shown[5], " " + fixed_width("TUB    4 a fourth line", kTitleLength));
  EXPECT_EQ(r.series[0].title.size(), static_cast<std::size_t>(kTitleLength));

  // Twenty-six title lines end a call with what it has.
  std::string many;
  for (int i = 0; i < 26; ++i) many += "notes   abcd\n";
  auto m = read_text(many + "AA01    1950   104 -9999\n");
  ASSERT_EQ(m.series.size(), 2u);
  EXPECT_EQ(m.series[0].count, 0);
  EXPECT_EQ(m.series[1].count, 1);
}

TEST(DecadalRead, SeriesWithoutEndMarkBeforeTheNextSeries) {
  ScriptedConsole console;
  // Another identifier at another decade begins the next series.
  auto widths = read_text("AA01    1955   104    89   103    70    69\n"
                          "AA01    1960    10    11\n"
                          "BB01    1733   100   999\n");
  ASSERT_EQ(widths.series.size(), 2u);
  EXPECT_EQ(widths.series[0].end, SeriesEnd::kNextSeries);
  EXPECT_EQ(widths.series[0].count, 7);
  EXPECT_EQ(widths.series[1].id, "BB01    ");
  EXPECT_EQ(widths.series[1].first_year, 1733);
  // In a file of several chronologies (here of one site) the header lines
  // of the next one mark its start.
  auto crn = read_text("tst1a.1957" + fill(7) + " 500  3 600  4 700  5\n"
                       "tst1a.1960 250  6 100  1 300  2 400  2 500  2 600  2 700  2 800  2 900  21000  2\n"
                       "TUB    1 residual chronology\n"
                       "tst1a.1957" + fill(7) + " 500  3 600  4 700  5\n"
                       "tst1a.1960 250  6" + fill(9) + "\n",
                       TrrwMode::kReadIndices);
  ASSERT_EQ(crn.series.size(), 2u);
  EXPECT_EQ(crn.series[0].end, SeriesEnd::kNextSeries);
  EXPECT_EQ(crn.series[0].count, 13);
  EXPECT_EQ(crn.series[1].count, 4);
  EXPECT_EQ(crn.series[1].end, SeriesEnd::kEndMark);
  EXPECT_EQ(trim_right(crn.series[0].title), "TUB    1 residual chronology");
}

TEST(DecadalRead, EndOfFile) {
  auto empty = read_text("");
  EXPECT_TRUE(empty.series.empty());
  EXPECT_EQ(empty.state.series_counter, kEndOfFile);

  // A final series without its end mark keeps the values read, but not the
  // zeros of the blank fields after the last one; the call after it meets
  // the end of the file.
  TextInput input = TextInput::from_text("AA01    1959   104\nAA01    1960   100   101");
  DecadalReadState state;
  DecadalSeries s = trrw(TrrwMode::kReadWidths, input, state);
  EXPECT_EQ(s.end, SeriesEnd::kEndOfFile);
  EXPECT_EQ(s.first_year, 1959);
  EXPECT_EQ(s.values, (std::vector<float>{104 * 0.01f, 100 * 0.01f, 101 * 0.01f}));
  EXPECT_EQ(s.count, 3);
  EXPECT_EQ(state.series_counter, 1);
  EXPECT_EQ(trrw(TrrwMode::kReadWidths, input, state).count, kEndOfFile);
  EXPECT_EQ(state.series_counter, kEndOfFile);

  // A chronology whose last line ends in slot 10, without a line of fill, as
  // common tools write them; or whose last line stops short.
  auto crn = read_text("tst1a.1957" + fill(7) + " 500  3 600  4 700  5\n"
                       "tst1a.1960 250  6 100  1 200  1 300  2 400  2 500  2 600  2 700  2 800  2 900  2\n",
                       TrrwMode::kReadIndices);
  ASSERT_EQ(crn.series.size(), 1u);
  EXPECT_EQ(crn.series[0].end, SeriesEnd::kEndOfFile);
  EXPECT_EQ(crn.series[0].count, 13);
  EXPECT_EQ(crn.series[0].values[12], 900 * 0.001f);
  EXPECT_EQ(crn.series[0].depths[12], 2);
  auto cut = read_text("tst1a.1957" + fill(7) + " 500  3 600  4 700  5\ntst1a.1960 250  6 100  1\n",
                       TrrwMode::kReadIndices);
  ASSERT_EQ(cut.series.size(), 1u);
  EXPECT_EQ(cut.series[0].count, 5);
  // A chronology writes the fill in the slots it leaves empty: a blank index
  // inside the series is no index of 0.
  for (const std::string& blank : {"tst1a.1960 250  6 100  1" + std::string(28, ' ') + " 300  2 400  2\n",
                                   "tst1a.1960 250  6 100  1\ntst1a.1970 300  2" + fill(9) + "\n"}) {
    auto gap = read_text("tst1a.1957" + fill(7) + " 500  3 600  4 700  5\n" + blank, TrrwMode::kReadIndices);
    ASSERT_EQ(gap.series.size(), 1u);
    EXPECT_EQ(gap.series[0].end, SeriesEnd::kRefused);
    EXPECT_EQ(gap.series[0].reason.record, 1u);
    const auto* index = std::get_if<why::BlankIndex>(&gap.series[0].reason.reason);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->year, 1962);
  }

  // A line of only identifier and year at the very end adds no value.
  auto bare = read_text("AA01    1950   104   105   106   107   108   109   110   111   112   113\nAA01    1960\n");
  ASSERT_EQ(bare.series.size(), 1u);
  EXPECT_EQ(bare.series[0].count, 10);
  EXPECT_EQ(bare.series[0].end, SeriesEnd::kEndOfFile);
}

TEST(DecadalRead, ALineOfTheSeriesWithAnUnreadableFieldStopsTheRead) {
  ScriptedConsole console;
  // Archive files hold such lines inside a series; taken for a title line,
  // the later rings of the series would move ten years earlier.
  const std::string series =
      "AZP0310A1985   100   101   102   103   104\n"
      "AZP0310A1990  1328   650  AZP3   703   942   886   361   684   892   821\n"
      "AZP0310A2000   100   999\n";
  auto r = read_text("TITLE  1 a site\nTITLE  2 a species\nTITLE  3 a person\n" + series);
  ASSERT_FALSE(r.series.empty());
  const DecadalSeries& s = r.series[0];
  EXPECT_EQ(s.end, SeriesEnd::kRefused);
  EXPECT_EQ(s.id, "AZP0310A");
  EXPECT_EQ(s.reason.record, 4u);
  EXPECT_EQ(unreadable(s).year, 1992);
  EXPECT_EQ(unreadable(s).field, "  AZP3");
  EXPECT_EQ(trim_right(r.state.titles[2]), "TITLE  3 a person");

  // The first line of a series is known by the line after it.
  auto first = read_text("AZP0310A1985   100   1x1   102   103   104\n"
                         "AZP0310A1990   100   999\n");
  ASSERT_FALSE(first.series.empty());
  EXPECT_EQ(first.series[0].end, SeriesEnd::kRefused);
  EXPECT_EQ(first.series[0].id, "AZP0310A");
  EXPECT_EQ(unreadable(first.series[0]).year, 1986);
  EXPECT_EQ(unreadable(first.series[0]).field, "   1x1");

  // A year that does not convert in a line whose values do: within the
  // series, and in its first line.
  auto year = read_text("AZP0310A1985   100   101   102   103   104\n"
                        "AZP0310A199O   100   101   102   103   104   105   106   107   108   109\n"
                        "AZP0310A2000   100   999\n");
  ASSERT_FALSE(year.series.empty());
  EXPECT_EQ(year.series[0].end, SeriesEnd::kRefused);
  EXPECT_EQ(year.series[0].reason.record, 1u);
  EXPECT_EQ(unreadable(year.series[0]).year, 1990);
  EXPECT_EQ(unreadable(year.series[0]).field, "199O");
  auto first_year = read_text("AZP0310A198O   100   101\n"
                              "AZP0310A1990   100   999\n");
  ASSERT_FALSE(first_year.series.empty());
  EXPECT_EQ(first_year.series[0].end, SeriesEnd::kRefused);
  EXPECT_EQ(first_year.series[0].id, "AZP0310A");
  EXPECT_EQ(unreadable(first_year.series[0]).year, 1980);

  // Chronologies: slots are calendar places, depths are fields too.
  auto crn = read_text("HEAD   1 a chronology\n"
                       "tst1a.1957" + fill(7) + " 500  3 600  4 700  5\n"
                       "tst1a.1960 250  6 1x0  1" + fill(8) + "\n",
                       TrrwMode::kReadIndices);
  ASSERT_FALSE(crn.series.empty());
  EXPECT_EQ(crn.series[0].end, SeriesEnd::kRefused);
  EXPECT_EQ(unreadable(crn.series[0]).year, 1961);
  EXPECT_EQ(unreadable(crn.series[0]).field, " 1x0");
  EXPECT_EQ(crn.series[0].reason.record, 2u);

  // Another identifier or another decade is a title line, as are the header
  // lines between the chronologies of one file.
  auto titles = read_text("AA01    1950   104   105   106   107   108   109   110   111   112   113\n"
                          "BB01    1960  some words\n"
                          "AA01    1970  some words\n"
                          "AA01    1960   100   999\n"
                          "107089 1 Antalya\n"
                          "107089 2 Turkey\n"
                          "AA02    1 a header of the series' own identifier\n"
                          "AA02    1950   104 -9999\n");
  ASSERT_EQ(titles.series.size(), 2u);
  EXPECT_EQ(titles.series[1].count, 1);
  EXPECT_EQ(titles.series[0].count, 11);
  EXPECT_EQ(titles.series[0].end, SeriesEnd::kEndMark);
  EXPECT_EQ(trim_right(titles.series[1].title), "107089 1 Antalya");
}

TEST(DecadalWidthsRead, SeriesLongerThanTheCapacityAreCut) {
  auto cut = read_all(TextInput::from_text("AA01    1950     1     2     3     4     5     6     7     8     9    10\n"
                                           "AA01    1960     1   999\nBB01    1950     1   999\n"),
                      TrrwMode::kReadWidths, 4);
  ASSERT_EQ(cut.series.size(), 2u);
  EXPECT_TRUE(cut.series[0].overflow);
  EXPECT_EQ(cut.series[0].count, 4);
  EXPECT_EQ(cut.series[0].values.size(), 4u);
  // The rest of the series is passed over: the next series reads whole.
  EXPECT_FALSE(cut.series[1].overflow);
  EXPECT_EQ(cut.series[1].id, "BB01    ");
  // Without its end mark at the end of the file, a series is cut to the
  // capacity as well, and counts as too long only by its real values.
  const std::string unmarked = "AA01    1950     1     2     3     4     5     6     7     8     9    10\nAA01    1960     1";
  auto last = read_all(TextInput::from_text(unmarked), TrrwMode::kReadWidths, 4);
  ASSERT_EQ(last.series.size(), 1u);
  EXPECT_TRUE(last.series[0].overflow);
  EXPECT_EQ(last.series[0].count, 4);
  last = read_all(TextInput::from_text(unmarked), TrrwMode::kReadWidths, 11);
  EXPECT_FALSE(last.series[0].overflow);
  EXPECT_EQ(last.series[0].count, 11);
}

TEST(DecadalWidthsRead, LineEndsOfEveryPlatform) {
  const std::string unix_text =
      "HEAD   1 a title line\nAA01    1955   104    89   103    70    69\nAA01    1960    10   999\n";
  std::string crlf, cr;
  for (char c : unix_text) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    cr += c == '\n' ? '\r' : c;
  }
  ScriptedConsole console;
  const auto expected = read_text(unix_text);
  for (const std::string& text : {crlf, cr}) {
    const auto r = read_text(text);
    ASSERT_EQ(r.series.size(), 1u);
    EXPECT_EQ(r.series[0].values, expected.series[0].values);
    EXPECT_EQ(r.state.titles[0], expected.state.titles[0]);
  }
}

TEST(DecadalWidthsRoundTrip, WrittenThenReadGivesThousandthsOfTheIntegers) {
  const std::vector<float> v{0.999f, 1.2344f, 0.0005f, 2.0f, 0.001f, 3.5f, 0.25f, 0.75f, 1.0f, 0.5f, 0.125f};
  for (int first_year : {1955, 1950, -1, -1000, -1001, -1013, -10000}) {
    const std::string text = widths_text("RT01", first_year, v);
    auto r = read_text(text);
    ASSERT_EQ(r.series.size(), 1u) << text;
    EXPECT_EQ(r.series[0].first_year, first_year);
    ASSERT_EQ(r.series[0].count, static_cast<int>(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i) {
      const float integer = std::round(v[i] * 1000.0f) == 999.0f ? 1000.0f : std::round(v[i] * 1000.0f);
      EXPECT_EQ(r.series[0].values[i], (integer * 0.01f) * 0.1f) << i;
    }
  }
}

TEST(DecadalRoundTrip, IdentifiersBeyondAsciiKeepTheirColumns) {
  // "Áä89-06" and a blank fill the eight identifier columns with ten bytes;
  // counted in bytes, its "-" would stand in column 7 and select the
  // six-character identifier.
  const auto lines = [](const std::string& letters) {
    return letters + "89-06 1955   104    89   103    70    69\n" + letters + "89-06 1960    10   999\n";
  };
  const auto ascii = read_text(lines("Aa"));
  const auto utf8 = read_text(lines("\u00C1\u00E4"));
  ASSERT_EQ(utf8.series.size(), 1u);
  EXPECT_EQ(utf8.series[0].id, "\u00C1\u00E489-06 ");
  EXPECT_EQ(utf8.series[0].first_year, 1955);
  EXPECT_EQ(utf8.series[0].values, ascii.series[0].values);
  // Written back, it is its ASCII twin with its own letters.
  const auto& s = utf8.series[0];
  std::string twin = widths_text("Aa89-06", s.first_year, s.values);
  for (auto at = twin.find("Aa"); at != std::string::npos; at = twin.find("Aa", at)) twin.replace(at, 2, "\u00C1\u00E4");
  EXPECT_EQ(widths_text(s.id, s.first_year, s.values), twin);
  // Before -1000 the identifier field narrows to seven columns: seven letters.
  const std::string seven = "\u00C4\u00C4\u00C4\u00C4\u00C4\u00C4\u00C4";
  EXPECT_EQ(widths_text(seven + "\u00C4", -1001, {1.0f}), seven + "-1001  1000\n" + seven + "-1000 -9999\n");
  const std::vector<float> one{1.0f};
  const std::string chronology = written(TrrwMode::kWriteIndices, {"\u00C1\u00E48906", 1957, one, {}, "std"});
  EXPECT_EQ(chronology, "\u00C1\u00E489" + written(TrrwMode::kWriteIndices, {"Aa8906", 1957, one, {}, "std"}).substr(4));
  EXPECT_EQ(read_text(chronology, TrrwMode::kReadIndices).series[0].id, "\u00C1\u00E48906  ");
  EXPECT_EQ(lines_of(written(TrrwMode::kWriteIndicesWithHeader, {"\u00C1\u00E48906", 1957, one, {}, "std"}))[0],
            "\u00C1\u00E4890619571957");
  // A byte that is not UTF-8 is one column.
  const auto latin1 = read_text(lines("\xC1" "a"));
  ASSERT_EQ(latin1.series.size(), 1u);
  EXPECT_EQ(latin1.series[0].id, "\xC1" "a89-06 ");
  EXPECT_EQ(latin1.series[0].first_year, 1955);
}

// ---------------------------------------------------------------------------
// Chronologies

std::string indices_text(TrrwMode mode, int first_year, const std::vector<float>& v,
                         const std::vector<int>& depths = {}) {
  return written(mode, {"tst1a.raw", first_year, v, depths, "std"});
}

TEST(DecadalIndicesWrite, SlotsFillAndTheClosingLine) {
  EXPECT_EQ(indices_text(TrrwMode::kWriteIndices, 1957, {1.0f, 0.5f, 1.5f, 0.25f}, {3, 4, 5, 6}),
            "tst1a.1957" + fill(7) + "1000  3 500  41500  5  std   \n"  // slots 8-10
            "tst1a.1960 250  6" + fill(9) + "  std   \n");
  // No depths: every value has depth 1. Ending in slot 10 adds a line of fill.
  const std::string full = indices_text(TrrwMode::kWriteIndices, 1958, {1.0f, 2.0f});
  EXPECT_EQ(lines_of(full)[0].substr(0, 10), "tst1a.1958");
  EXPECT_EQ(lines_of(full)[0].substr(59, 21), "9990  01000  12000  1");
  EXPECT_EQ(lines_of(full)[1], "tst1a.1960" + fill(10) + "  std   ");
  // The header variant writes the span first and no line of fill only.
  EXPECT_EQ(indices_text(TrrwMode::kWriteIndicesWithHeader, 1958, {1.0f, 2.0f}),
            "tst1a.19581959\n" + lines_of(full)[0] + "\n");
  EXPECT_EQ(lines_of(indices_text(TrrwMode::kWriteIndicesWithHeader, -1001, {1.0f}))[0], "tst1a.-1001-1001");
  EXPECT_EQ(lines_of(indices_text(TrrwMode::kWriteIndices, -1000, {1.0f}))[0].substr(0, 10), "tst1a-1000");
  EXPECT_EQ(lines_of(indices_text(TrrwMode::kWriteIndices, -1001, {1.0f}))[0].substr(0, 10), "tst1a-1001");
  // A depth of 0 first means no depths at all.
  EXPECT_EQ(lines_of(indices_text(TrrwMode::kWriteIndices, 1950, {1.0f, 1.0f}, {0, 7}))[0].substr(10, 14),
            "1000  11000  1");
}

TEST(DecadalIndicesRoundTrip, ValuesAndDepthsComeBack) {
  const std::vector<float> v{0.356f, 0.439f, 1.276f, 0.0f, 9.989f, 2.5f, 0.001f, 1.0f, 1.0f, 1.0f, 0.5f, 0.75f};
  const std::vector<int> d{38, 38, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  for (int first_year : {1950, 1957, -1, -136, -1000, -1001, -10000}) {
    auto r = read_text(indices_text(TrrwMode::kWriteIndices, first_year, v, d), TrrwMode::kReadIndices);
    ASSERT_EQ(r.series.size(), 1u) << first_year;
    EXPECT_EQ(r.series[0].first_year, first_year);
    ASSERT_EQ(r.series[0].count, static_cast<int>(v.size()));
    EXPECT_EQ(r.series[0].depths, d);
    for (std::size_t i = 0; i < v.size(); ++i) {
      EXPECT_EQ(r.series[0].values[i], std::round(v[i] * 1000.0f) * 0.001f);
    }
  }
  // An index of 9.990 or more reads back as the end of the series; values
  // after it on its line are not dropped silently.
  auto cut = read_text(indices_text(TrrwMode::kWriteIndices, 1950, {1.0f, 9.99f}), TrrwMode::kReadIndices);
  ASSERT_EQ(cut.series.size(), 1u);
  EXPECT_EQ(cut.series[0].count, 1);
  auto lost = read_text(indices_text(TrrwMode::kWriteIndices, 1950, {1.0f, 9.99f, 1.0f}), TrrwMode::kReadIndices);
  ASSERT_EQ(lost.series.size(), 1u);
  EXPECT_EQ(lost.series[0].end, SeriesEnd::kRefused);
  const auto* after = std::get_if<why::ValuesAfterEndMark>(&lost.series[0].reason.reason);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->year, 1951);
}

TEST(DecadalIndicesRead, DepthsMayBeLeftOutAndShortLinesAreSkipped) {
  TextInput input = TextInput::from_text(
      "tst1a.raw -- no data title --\n"
      "tst\n"
      "tst1a.1950 356 38 439 399990  0\n");
  DecadalReadState state;
  DecadalReadOptions options;
  options.store_depths = false;
  ScriptedConsole console;
  DecadalSeries s = trrw(TrrwMode::kReadIndices, input, state, options);
  EXPECT_EQ(s.id, "tst1a.  ");
  EXPECT_EQ(s.count, 2);
  EXPECT_TRUE(s.depths.empty());
  EXPECT_EQ(trim_right(state.titles[0]), "tst1a.raw -- no data title --");
  EXPECT_EQ(trim_right(state.titles[1]), "");
}

// ---------------------------------------------------------------------------
// Column blocks

// A column-block header: "n", count, first year and the values' format.
std::string block_header(int count, int first_year, const char* format) {
  return format_record("('n',1x,i8,2x,i8,2x,a)", count, first_year, format);
}

TEST(ColumnBlock, ReadInsideARingWidthFile) {
  const std::string text = "BLOCK1" + std::string(73, ' ') + "#\n" +
                           "SITE22 a better name\n" +
                           block_header(300, 1500, "10f8.3") +  // no parentheses: passed over
                           block_header(5, 1501, "(3f8.3)") +
                           "   1.000   2.500   0.125\n"
                           "   4.000    5000\n"
                           "AA01    1950   104 -9999\n";
  ScriptedConsole console;
  auto r = read_text(text);
  ASSERT_EQ(r.series.size(), 2u);
  // The identifier is the last name line met (header lines are not names),
  // and the stated format reads the values as they stand: an F field without
  // a point takes the implied one.
  EXPECT_EQ(r.series[0].id, "SITE22 a");
  EXPECT_EQ(r.series[0].first_year, 1501);
  EXPECT_EQ(r.series[0].count, 5);
  EXPECT_EQ(r.series[0].values, (std::vector<float>{1.0f, 2.5f, 0.125f, 4.0f, 5.0f}));
  EXPECT_EQ(r.series[1].id, "AA01    ");
  EXPECT_EQ(r.series[1].count, 1);
  // The empty records of CR CR LF line ends hold neither names nor values.
  std::string crcrlf;
  for (char c : text) crcrlf += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
  auto again = read_text(crcrlf);
  ASSERT_EQ(again.series.size(), 2u);
  EXPECT_EQ(again.series[0].end, SeriesEnd::kColumnBlock);
  EXPECT_EQ(again.series[0].id, "SITE22 a");
  EXPECT_EQ(again.series[0].values, r.series[0].values);
}

TEST(ColumnBlock, ErrorsLeaveZerosAndSayWhy) {
  ScriptedConsole console;
  TextInput bad = TextInput::from_text(block_header(4, 1501, "(2f8.3)") + "   1.000     abc\n   3.000\n");
  std::string line(80, ' ');
  ColumnBlock b = datar(bad, line, kMaxYears);
  EXPECT_EQ(b.count, 4);
  EXPECT_EQ(b.values, (std::vector<float>{1.0f, 0.0f, 0.0f, 0.0f}));
  TextInput short_file = TextInput::from_text(block_header(4, 1501, "(2f8.3)") + "   1.000   2.000\n");
  b = datar(short_file, line, kMaxYears);
  EXPECT_EQ(b.count, 4);
  EXPECT_EQ(b.values, (std::vector<float>{1.0f, 2.0f, 0.0f, 0.0f}));
  EXPECT_EQ(console.output(),
            ">> sbr datar:  error reading data\n>> sbr datar:  unexpected end reading data\n");
  TextInput no_header = TextInput::from_text("only a name\n");
  EXPECT_EQ(datar(no_header, line, kMaxYears).count, kEndOfFile);
  EXPECT_EQ(trim_right(line), "only a name");
  TextInput too_long =
      TextInput::from_text(block_header(4, 1501, "(2f8.3)") + "   1.000   2.000\n   3.000   4.000\n");
  b = datar(too_long, line, 3);
  EXPECT_TRUE(b.overflow);
  EXPECT_EQ(b.values, (std::vector<float>{1.0f, 2.0f, 3.0f}));
  // A negative count in the header is a block without values, not a count
  // that later code would take for a length.
  TextInput negative = TextInput::from_text(block_header(-5, 1501, "(2f8.3)"));
  b = datar(negative, line, kMaxYears);
  EXPECT_EQ(b.count, 0);
  EXPECT_TRUE(b.values.empty());
}

TEST(ColumnBlock, EndOfFileInsideTheBlockKeepsTheSeriesCounter) {
  const std::string text = "BLOCK1" + std::string(73, ' ') + "#\n";
  TextInput input = TextInput::from_text(text);
  DecadalReadState state;
  DecadalSeries s = trrw(TrrwMode::kReadWidths, input, state);
  EXPECT_EQ(s.count, kEndOfFile);
  EXPECT_EQ(state.series_counter, 1);
}

// ---------------------------------------------------------------------------
// The bundled data sets

struct Expected {
  const char* file;
  TrrwMode mode;
  std::size_t series;
  int first_year;
  int last_year;
};

TEST(DecadalDataSets, EveryFileReadsWithItsSeriesCountAndSpan) {
  const Expected sets[] = {
      {"ca533.rwl", TrrwMode::kReadWidths, 34, 626, 1983},
      {"co021.rwl", TrrwMode::kReadWidths, 35, 1176, 1963},
      {"cana209.rwl", TrrwMode::kReadWidths, 22, 1713, 2001},
      {"nm580.rwl", TrrwMode::kReadWidths, 119, -136, 2004},
      {"wa082.rwl", TrrwMode::kReadWidths, 23, 1698, 1983},
      {"tucson1.crn", TrrwMode::kReadIndices, 1, 1370, 1988},
  };
  ScriptedConsole console;
  for (const auto& set : sets) {
    auto input = TextInput::open(shared_data(set.file));
    ASSERT_TRUE(input) << set.file;
    const auto r = read_all(std::move(*input), set.mode);
    ASSERT_EQ(r.series.size(), set.series) << set.file;
    int first = INT_MAX, last = INT_MIN;
    for (const auto& s : r.series) {
      ASSERT_GT(s.count, 0) << set.file << " " << s.id;
      EXPECT_FALSE(s.overflow);
      first = std::min(first, s.first_year);
      last = std::max(last, s.first_year + s.count - 1);
    }
    EXPECT_EQ(first, set.first_year) << set.file;
    EXPECT_EQ(last, set.last_year) << set.file;
  }
}

TEST(DecadalDataSets, HeaderLinesUnitsAndTheMissingValue) {
  ScriptedConsole console;
  const auto nm = read_all(*TextInput::open(shared_data("nm580.rwl")), TrrwMode::kReadWidths);
  EXPECT_EQ(nm.state.titles[2].substr(0, 27), "TUB    3 H. Grissino-Mayer ");
  EXPECT_EQ(nm.series[0].id, "BCS05B  ");
  EXPECT_EQ(nm.series[0].values[0], (1373 * 0.01f) * 0.1f);  // 0.001 mm
  const auto ca = read_all(*TextInput::open(shared_data("ca533.rwl")), TrrwMode::kReadWidths);
  EXPECT_EQ(ca.series[0].values[0], 104 * 0.01f);  // 0.01 mm
  EXPECT_EQ(trim_right(ca.state.titles[0]), "");
  // wa082 keeps its -999 (a missing ring) as a value; the loader's callers test for it.
  const auto wa = read_all(*TextInput::open(shared_data("wa082.rwl")), TrrwMode::kReadWidths);
  const auto& s = wa.series[0];
  EXPECT_EQ(s.id, "712011  ");
  EXPECT_EQ(s.values[static_cast<std::size_t>(1900 - s.first_year)], -999 * 0.01f);
  const auto crn = read_all(*TextInput::open(shared_data("tucson1.crn")), TrrwMode::kReadIndices);
  EXPECT_EQ(crn.series[0].values[0], 567 * 0.001f);
  EXPECT_EQ(crn.series[0].depths[0], 1);
}

TEST(DecadalDataSets, WrittenBackAndReadAgainGiveTheSameValues) {
  ScriptedConsole console;
  ScratchDirectory dir;
  for (const char* name : {"ca533.rwl", "co021.rwl", "cana209.rwl", "nm580.rwl", "wa082.rwl"}) {
    const auto original = read_all(*TextInput::open(shared_data(name)), TrrwMode::kReadWidths);
    auto write = [&](const std::vector<DecadalSeries>& series, const std::string& path) {
      auto out = TextOutput::create(path);
      for (const auto& s : series) trrw(TrrwMode::kWriteWidths, *out, {s.id, s.first_year, s.values, {}, "mnsl"});
      out->close();
    };
    write(original.series, dir.file("first.rwl"));
    const auto again = read_all(*TextInput::open(dir.file("first.rwl")), TrrwMode::kReadWidths);
    ASSERT_EQ(again.series.size(), original.series.size()) << name;
    for (std::size_t i = 0; i < original.series.size(); ++i) {
      const auto& a = original.series[i];
      const auto& b = again.series[i];
      ASSERT_EQ(b.id, a.id);
      ASSERT_EQ(b.first_year, a.first_year);
      ASSERT_EQ(b.count, a.count);
      // 0.01 mm files come back in 0.001 mm, which rounds differently.
      for (int j = 0; j < a.count; ++j) ASSERT_FLOAT_EQ(b.values[j], a.values[j]) << name << " " << a.id << " " << j;
    }
    // From then on the file is a fixed point.
    write(again.series, dir.file("second.rwl"));
    EXPECT_EQ(read_file(dir.file("second.rwl")), read_file(dir.file("first.rwl"))) << name;
  }
}

TEST(DecadalMode, DirectionMismatchIsACallerError) {
  TextInput input = TextInput::from_text("");
  DecadalReadState state;
  EXPECT_THROW(trrw(TrrwMode::kWriteWidths, input, state), std::invalid_argument);
  ScratchDirectory dir;
  auto out = TextOutput::create(dir.file("x"));
  EXPECT_THROW(trrw(TrrwMode::kReadIndices, *out, {}), std::invalid_argument);
}

}  // namespace
}  // namespace qb
