#include "series/data_set_loader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "series/decadal_format.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::ScratchDirectory;
using testing::ScriptedConsole;
using testing::shared_data;

struct Loaded {
  LoadStatus status = LoadStatus::kNothingLoaded;
  DataSet data;
  std::string output;
  LoadWarnings warnings;
};

Loaded load(TextInput input, const std::string& answers, FormatMenu menu = FormatMenu::kListFile) {
  ScriptedConsole console(answers);
  Loaded result;
  result.status = loaddat(menu, input, result.data, &result.warnings);
  result.output = console.output();
  return result;
}

Loaded load_file(const std::string& name, const std::string& answers, FormatMenu menu = FormatMenu::kListFile) {
  auto input = TextInput::open(shared_data(name));
  EXPECT_TRUE(input) << name;
  return load(std::move(*input), answers, menu);
}

Loaded load_text(const std::string& text, const std::string& answers, FormatMenu menu = FormatMenu::kListFile) {
  return load(TextInput::from_text(text), answers, menu);
}

void expect_whole(const DataSet& data, int first, int last) {
  EXPECT_EQ(data.whole.first_year, first);
  EXPECT_EQ(data.whole.last_year, last);
  EXPECT_EQ(data.whole.count, last - first + 1);
}

const std::string kListFileMenu =
    "\n"
    "                  __ Input Data Format Menu __\n"
    "                  _____________________________\n"
    "\n"
    "                  Raw ring-widths (Decade) <[1]>\n"
    "                  Chronologies (Index)      [2]\n"
    "                  Single Column             [3]\n"
    "                  Multiple Columns          [4]\n"
    "                  Enter zer0 for HELP       [0]\n" +
    std::string(47, ' ') +
    "\n"
    "                  <RET> selects Raw ring-widths\n"
    "                  _____________________________\n"
    "\n"
    " Enter a value [0-4], <RET> for [1], or [Q]uit   ==> ";

// ---------------------------------------------------------------------------
// The menu

TEST(LoaderMenu, ListFileMenuAndABlankAnswerLoadRingWidths) {
  for (const char* answer : {"\n", " 4\n", "1\n"}) {
    const auto r = load_file("ca533.rwl", answer);
    EXPECT_EQ(r.status, LoadStatus::kLoaded);
    EXPECT_EQ(r.output, kListFileMenu + "\n Input data read successfully\n") << answer;
    EXPECT_EQ(r.data.ns(), 34);
  }
}

TEST(LoaderMenu, WrongDigitsWarnAndHelpReturnsToTheMenu) {
  const auto r = load_file("ca533.rwl", "7\n\n0\n0\n\n");
  EXPECT_EQ(r.status, LoadStatus::kLoaded);
  const std::string warning =
      "\n WARNING: You must enter a value between 0 and 4\n             Hit RETURN to Continue";
  EXPECT_EQ(r.output.substr(0, kListFileMenu.size() + warning.size()), kListFileMenu + warning);
  EXPECT_NE(r.output.find("Input Format Help Menu"), std::string::npos);
  EXPECT_EQ(r.data.ns(), 34);
}

TEST(LoaderMenu, ANonDigitEndsTheListFileProgramAbnormally) {
  ScriptedConsole console("Q\n\n");
  console.console().set_end_of_input_text([](Console& c) { c.write("(1x,'Abnormal end')"); });
  TextInput input = TextInput::from_text("");
  DataSet data;
  try {
    loaddat(FormatMenu::kListFile, input, data);
    FAIL() << "the program went on";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitAbnormal);
  }
  EXPECT_EQ(console.output(), kListFileMenu + " Abnormal end\n");
}

TEST(LoaderMenu, InteractiveMenuWaitsForANumber) {
  const auto r = load_file("ca533.rwl", "\n1\n", FormatMenu::kInteractive);
  EXPECT_EQ(r.status, LoadStatus::kLoaded);
  const auto shown = lines_of(r.output);
  EXPECT_EQ(shown[4], "                  Raw ring-widths (Decade)  [1]");
  EXPECT_EQ(shown[9], "                  _____________________________");
  EXPECT_EQ(shown[11].substr(0, 53), " Enter a value between [0-4] or [Q]uit           ==> ");
  const auto q = load_file("ca533.rwl", "Q\n", FormatMenu::kInteractive);
  EXPECT_EQ(q.status, LoadStatus::kNothingLoaded);
  EXPECT_EQ(q.data.ns(), 0);
  const auto wrong = load_file("tucson1.crn", "9\n\n2\n", FormatMenu::kInteractive);
  EXPECT_NE(wrong.output.find("WARNING: You must enter a value between 0 and 4"), std::string::npos);
  EXPECT_EQ(wrong.status, LoadStatus::kLoaded);
}

// A file saved as UTF-16, or one whose reading failed, would be read wrong or
// in part by every layout: refused, naming the file and the reason.
TEST(LoaderMenu, FilesThatAreNoReadableTextAreRefusedInEveryLayout) {
  testing::ScratchDirectory dir;
  const std::string ascii = "AA01    1950   104 -9999\n";
  std::string le = "\xFF\xFE";
  std::string be = "\xFE\xFF";
  std::string bare;
  for (char c : ascii) {
    le += std::string{c, '\0'};
    be += std::string{'\0', c};
    bare += std::string{c, '\0'};
  }
  const std::string mark = " is saved as UTF-16 text\n (it begins with the byte order mark of UTF-16).\n"
                           " Save it as UTF-8 or ASCII text and load it again.\n";
  const std::string nul = " is saved as UTF-16 text\n (it holds NUL bytes, as UTF-16 text does).\n"
                          " Save it as UTF-8 or ASCII text and load it again.\n";
  for (const char* layout : {"1\n", "2\n", "3\n0\n", "4\n0\n2\nNA\n"}) {
    for (const auto& [name, text, reason] : {std::tuple{"le.rwl", le, mark}, std::tuple{"be.rwl", be, mark},
                                             std::tuple{"bare.rwl", bare, nul}}) {
      testing::write_file(dir.file(name), text);
      const auto r = load(*TextInput::open(dir.file(name)), layout);
      EXPECT_EQ(r.status, LoadStatus::kNotLoaded) << name << layout;
      EXPECT_EQ(r.warnings, std::vector<std::string>{"\n Data set refused: the data file " + dir.file(name) + reason})
          << layout;
      EXPECT_EQ(r.output.find("successfully"), std::string::npos);
    }
    // The kernel refuses to read this file's first bytes (an unmapped address).
    const auto failed = load(*TextInput::open("/proc/self/mem"), layout);
    EXPECT_EQ(failed.status, LoadStatus::kNotLoaded);
    EXPECT_EQ(failed.warnings, std::vector<std::string>{"\n Data set refused: the data file /proc/self/mem could not be read to its end:\n"
                                                        " Input/output error.\n"});
  }
}

// ---------------------------------------------------------------------------
// Decadal layouts

TEST(LoaderDecadal, RingWidthsFillTheDataSet) {
  const auto r = load_file("nm580.rwl", "1\n");
  ASSERT_EQ(r.status, LoadStatus::kLoaded);
  const DataSet& d = r.data;
  EXPECT_EQ(d.ns(), 119);
  expect_whole(d, -136, 2004);
  EXPECT_EQ(d.x.cols(), 119);
  int longest = 0;
  for (const auto& s : d.spans) longest = std::max(longest, s.count);
  EXPECT_EQ(d.x.rows(), longest);
  EXPECT_EQ(d.ids[0], "BCS05B  ");
  EXPECT_EQ(d.spans[0].first_year, 1370);
  EXPECT_EQ(d.spans[0].last_year, 1370 + d.spans[0].count - 1);
  EXPECT_EQ(d.x(0, 0), (1373 * 0.01f) * 0.1f);
  // Below a series' end the column holds no value.
  for (int col = 0; col < d.ns(); ++col) {
    const int count = d.spans[static_cast<std::size_t>(col)].count;
    if (count < d.x.rows()) {
      EXPECT_TRUE(is_missing(d.x(count, col)));
    }
  }
  EXPECT_EQ(d.titles[0].substr(0, 26), "TUB    1 El Malpais update");
  // The file's title lines read as they are; a file without them gets marks.
  const auto ca = load_file("ca533.rwl", "1\n");
  EXPECT_EQ(ca.data.titles[1], "2nd itrdb line missing" + std::string(36, ' ') + "2nd itrdb line missing" +
                                   std::string(20, ' '));
}

// Real archive files with the quirks archives hold: shifted fields, runs of
// end marks, comment lines, right-justified numeric identifiers, mixed end
// marks, values run together, every kind of line end, text past column 72.
// A rule that mends a damaged file must leave each of them reading as it
// does, to the series and the year, without a word; the two that depart
// from their columns (ak015's shifted line, or005's blank fields) read with
// a warning naming each departure.
TEST(LoaderDecadal, ArchiveFilesWithTheirQuirksReadWithoutAWarning) {
  struct Archive {
    const char* file;
    int series;
    int first_year;
    int last_year;
  };
  const Archive archives[] = {
      {"ak015.rwl", 26, 1543, 1991},   {"alge001.rwl", 33, 1697, 2005},  {"brit008.rwl", 15, 1652, 1975},
      {"brit036.rwl", 24, -3776, -3016}, {"ca667.rwl", 311, -2649, 2005}, {"cana015.rwl", 20, 1576, 1965},
      {"co667.rwl", 55, 380, 2004},    {"dza017.rwl", 82, 1440, 2011},   {"fran10.rwl", 1248, 1747, 1988},
      {"ita065.rwl", 19, 1825, 2018},  {"jord001.rwl", 17, 1469, 1995},  {"keny002.rwl", 13, 1935, 1994},
      {"kyrg014.rwl", 40, 1551, 2005}, {"mex117.rwl", 39, 1890, 2007},   {"mexi077.rwl", 40, 1680, 2007},
      {"morc018.rwl", 100, 977, 2001}, {"nc004.rwl", 30, 1641, 1983},    {"or005.rwl", 20, 1591, 1965},
      {"tx042.rwl", 95, 1473, 1992},   {"turk044.rwl", 43, -1954, -1785}, {"viet001.rwl", 82, 1030, 2008},
      {"wa059.rwl", 39, 1433, 1980},   {"ca533.rwl", 34, 626, 1983},     {"co021.rwl", 35, 1176, 1963},
      {"cana209.rwl", 22, 1713, 2001}, {"nm580.rwl", 119, -136, 2004},   {"wa082.rwl", 23, 1698, 1983},

  };
  const std::map<std::string, std::vector<std::string>> departures = {
      {"ak015.rwl",
       {"\n WARNING: Series EL46SE: line 546 does not keep its fields in their columns (\"1   62\");\n"
        "          its blank-separated numbers are read as the years 1850 to 1859 in order.\n"}},
      {"or005.rwl",
       {"\n WARNING: Series 037011: line 1 has a blank field for the year 1599;\n"
        "          the series reads it as a ring of 0.\n",
        "\n WARNING: Series 037101: line 355 has a blank field for the year 1929;\n"
        "          the series reads 2 blank fields, from this line on, as rings of 0.\n",
        "\n WARNING: Series 037102: line 382 has a blank field for the year 1929;\n"
        "          the series reads 4 blank fields, from this line on, as rings of 0.\n"}},
  };
  for (const Archive& a : archives) {
    const std::string archive = "archives/" + std::string(a.file);
    auto input = TextInput::open(testing::test_data(archive));
    if (!input) input = TextInput::open(shared_data(a.file));
    ASSERT_TRUE(input) << a.file;
    const auto r = load(std::move(*input), "\n");
    EXPECT_EQ(r.status, LoadStatus::kLoaded) << a.file;
    EXPECT_EQ(r.data.ns(), a.series) << a.file;
    expect_whole(r.data, a.first_year, a.last_year);
    const auto expected = departures.find(a.file);
    EXPECT_EQ(r.warnings, expected == departures.end() ? std::vector<std::string>{} : expected->second) << a.file;
    if (std::string(a.file) == "ak015.rwl") {
      // The shifted line's rings keep their years and values.
      const auto at = std::find(r.data.ids.begin(), r.data.ids.end(), "EL46SE  ");
      ASSERT_NE(at, r.data.ids.end());
      const int col = static_cast<int>(at - r.data.ids.begin());
      const int row = 1850 - r.data.spans[static_cast<std::size_t>(col)].first_year;
      EXPECT_EQ(r.data.x(row, col), 211 * 0.01f);
      EXPECT_EQ(r.data.x(row + 1, col), 62 * 0.01f);
      EXPECT_EQ(r.data.x(row + 2, col), 204 * 0.01f);
    }
  }
}

TEST(LoaderDecadal, TitlesBeginningWithSixBlanksAreMarkedAsMissing) {
  const auto r = load_text(
      "SITE   1 a title\n"
      "         column ten onwards stays\n"
      "AA01    1950   104 -9999\n",
      "\n");
  ASSERT_EQ(r.status, LoadStatus::kLoaded);
  EXPECT_EQ(trim_right(r.data.titles[0]), "SITE   1 a title");
  EXPECT_EQ(r.data.titles[1].substr(0, 34), "2nd itrdb line missingwards stays ");
  EXPECT_EQ(r.data.titles[1].substr(58, 22), "2nd itrdb line missing");
  EXPECT_EQ(r.data.titles[2].substr(0, 22), "3rd itrdb line missing");
}

TEST(LoaderDecadal, ChronologiesAndEmptyFiles) {
  const auto crn = load_file("tucson1.crn", "2\n");
  ASSERT_EQ(crn.status, LoadStatus::kLoaded);
  EXPECT_EQ(crn.data.ns(), 1);
  expect_whole(crn.data, 1370, 1988);
  EXPECT_EQ(crn.data.titles[0].substr(0, 15), "107089 1 Antaly");

  const auto empty = load_text("", "\n");
  EXPECT_EQ(empty.status, LoadStatus::kLoaded);
  EXPECT_EQ(empty.data.ns(), 0);
  EXPECT_EQ(empty.data.whole.first_year, 9999);
  EXPECT_EQ(empty.data.whole.last_year, -9999);
  EXPECT_EQ(empty.data.whole.count, -19997);
  EXPECT_NE(empty.output.find("Input data read successfully"), std::string::npos);
}

std::string fill(int slots) {
  std::string text;
  for (int i = 0; i < slots; ++i) text += "9990  0";
  return text;
}

// Every warning of a load is shown on the console and kept for the report.
void expect_warnings(const Loaded& r, const std::vector<std::string>& expected) {
  EXPECT_EQ(r.warnings, expected);
  for (const std::string& w : expected) EXPECT_NE(r.output.find(w), std::string::npos) << w;
}

TEST(LoaderDecadal, SeriesWithoutValuesAreLeftOutAndSeriesCutShortKeptWithAWarning) {
  // A chronology whose first slot holds the fill, then one whose last line
  // ends in slot 10 without a line of fill after it.
  const auto crn = load_text("EMPTY 1950" + fill(10) + "\n"
                             "tst1a.1957" + fill(7) + " 500  3 600  4 700  5\n"
                             "tst1a.1960 250  6 100  1 300  2 400  2 500  2 600  2 700  2 800  2 900  21000  2\n",
                             "2\n");
  ASSERT_EQ(crn.status, LoadStatus::kLoaded);
  ASSERT_EQ(crn.data.ns(), 1);
  EXPECT_EQ(crn.data.ids[0], "tst1a.  ");
  expect_whole(crn.data, 1957, 1969);
  expect_warnings(crn, {"\n WARNING: Series EMPTY holds no values; it is left out.\n"
                        "          It is named on line 1 of the data file.\n",
                        "\n WARNING: The data file ends inside series tst1a., which has no end mark after line 3;\n"
                        "          its values up to the year 1969 are kept.\n"});
  EXPECT_LT(crn.output.find("left out"), crn.output.find("Input data read successfully"));

  // Ring widths: a series closed at once, one whose end mark is missing
  // before the next, and a file cut short.
  const auto rwl = load_text("AA01    1950   999\n"
                             "BB01    1955   104    89   103    70    69\n"
                             "BB01    1960    10    11\n"
                             "CC01    1733   100   101\n",
                             "\n");
  ASSERT_EQ(rwl.status, LoadStatus::kLoaded);
  ASSERT_EQ(rwl.data.ns(), 2);
  EXPECT_EQ(rwl.data.spans[0].count, 7);
  EXPECT_EQ(rwl.data.x(6, 0), 11 * 0.01f);
  expect_warnings(rwl, {"\n WARNING: Series AA01 holds no values; it is left out.\n"
                        "          It is named on line 1 of the data file.\n",
                        "\n WARNING: Series BB01 ends without its end mark after line 3, where the next series begins;\n"
                        "          its values up to the year 1961 are kept, read in 0.01 mm,\n"
                        "          the unit that every end mark of the file gives (999).\n",
                        "\n WARNING: The data file ends inside series CC01, which has no end mark after line 4;\n"
                        "          its values up to the year 1734 are kept, read in 0.01 mm,\n"
                        "          the unit that every end mark of the file gives (999).\n"});
  // Nor before a long run of notes: the blank fields of its last line are no
  // rings. A file without any end mark says nothing of its unit: 0.01 mm.
  std::string notes = "DD01    1950   100   101\n";
  for (int k = 0; k < 26; ++k) notes += "a note on the site\n";
  const auto noted = load_text(notes + "EE01    1950   100   101\n", "\n");
  ASSERT_EQ(noted.data.ns(), 2);
  EXPECT_EQ(noted.data.spans[0].count, 2);
  EXPECT_EQ(noted.data.x(1, 1), 101 * 0.01f);
  expect_warnings(noted, {"\n WARNING: Series DD01 ends without its end mark after line 1, before lines of text;\n"
                          "          its values up to the year 1951 are kept, read in 0.01 mm.\n",
                          "\n WARNING: The data file ends inside series EE01, which has no end mark after line 28;\n"
                          "          its values up to the year 1951 are kept, read in 0.01 mm.\n"});
  // In a file of 0.001 mm a series that has lost its end mark, or whose
  // identifier a typo ends early, is read in 0.001 mm too; when the file's
  // end marks disagree, its unit cannot be told.
  const std::string thousandths = "EGL101B 1950   100   101\nEGL1O1B 1952   102 -9999\nEGL102A 1950   100 -9999\n";
  const auto typo = load_text(thousandths, "\n");
  ASSERT_EQ(typo.status, LoadStatus::kLoaded);
  ASSERT_EQ(typo.data.ns(), 3);
  EXPECT_EQ(typo.data.x(1, 0), (101 * 0.01f) * 0.1f);
  EXPECT_EQ(typo.data.x(0, 1), (102 * 0.01f) * 0.1f);
  expect_warnings(typo, {"\n WARNING: Series EGL101B ends without its end mark after line 1, where the next series begins;\n"
                         "          its values up to the year 1951 are kept, read in 0.001 mm,\n"
                         "          the unit that every end mark of the file gives (-9999).\n"});
  const auto mixed = load_text(thousandths + "AB01    1950   100   999\n", "\n\n");
  EXPECT_EQ(mixed.status, LoadStatus::kNotLoaded);
  expect_warnings(mixed, {"\n Data set refused: series EGL101B ends without its end mark after line 1 of the data file,\n"
                          " and the end marks of the file disagree on its unit (999 for 0.01 mm, -9999 for 0.001 mm):\n"
                          " each of its rings could be off by ten.\n"});

  // A series that lacks a decade line is read in its order, but not silently.
  const auto gap = load_text("AA01    1958   104   105\n"
                             "AA01    1970   100   101   999\n",
                             "\n");
  expect_warnings(gap, {"\n WARNING: Series AA01: line 2 is labelled 1970 where 1960 was due;\n"
                        "          its values and those of the lines after it are read as the years\n"
                        "          from 1960 on, ten years a line, whatever their labels.\n"});

  // A set left without series loads with none; the drivers refuse it.
  const auto none = load_text("AA01    1950   999\n", "\n");
  EXPECT_EQ(none.status, LoadStatus::kLoaded);
  EXPECT_EQ(none.data.ns(), 0);
  EXPECT_EQ(none.warnings.size(), 1u);
}

TEST(LoaderDecadal, ADataLineWithAnUnreadableFieldRefusesTheSet) {
  const auto r = load_text(
      "AZP0310A1985   100   101   102   103   104\n"
      "AZP0310A1990  1328   650  AZP3   703   942   886   361   684   892   821\n"
      "AZP0310A2000   100   999\n",
      "\n");
  EXPECT_EQ(r.status, LoadStatus::kNotLoaded);
  EXPECT_NE(r.output.find("\n Data set refused: line 2 of the data file, series AZP0310A, year 1992,\n"
                          " holds the field \"  AZP3\", which does not read as a number.\n"),
            std::string::npos);
  EXPECT_EQ(r.output.find("read successfully"), std::string::npos);
  EXPECT_EQ(r.output.find("title of data"), std::string::npos);
}

std::string tens(int first) {
  std::string text;
  for (int k = 0; k < 10; ++k) text += format_record("(i6,$)", first + k);
  return text;
}

// Lines that depart from the layout: read in the one way that keeps every
// ring at its year, with a warning naming the line, or refused naming it.
TEST(LoaderDecadal, DepartingLinesAreReadWithAWarningNamingTheLine) {
  // A TAB ends the identifier; the year follows at the next tab stop.
  const auto tab = load_text("moo07b\t1800" + tens(1300) + "\nmoo07b\t1810   400   999\nmoo08a  1810   500   999\n", "\n");
  ASSERT_EQ(tab.status, LoadStatus::kLoaded);
  ASSERT_EQ(tab.data.ns(), 2);
  EXPECT_EQ(tab.data.ids[0], "moo07b  ");
  EXPECT_EQ(tab.data.spans[0].first_year, 1800);
  EXPECT_EQ(tab.data.spans[0].count, 11);
  EXPECT_EQ(tab.data.x(0, 0), 13.0f);
  expect_warnings(tab, {"\n WARNING: Series moo07b: line 1 ends its identifier with a TAB;\n"
                        "          the year is read from column 9, as a tab stop of 8 puts it.\n"});

  // An eleventh value past column 72 is not read, but not silently; text
  // there is a note.
  const auto eleventh = load_text("EL01    1950" + tens(100) + "   123\nEL01    1960   100   999" + std::string(48, ' ') + "  gap\n",
                                   "\n");
  ASSERT_EQ(eleventh.data.ns(), 1);
  EXPECT_EQ(eleventh.data.spans[0].count, 11);
  expect_warnings(eleventh, {"\n WARNING: Series EL01: line 1 holds the number 123 in columns 73-78, past its ten fields;\n"
                             "          the layout reads no eleventh value, so it is not read.\n"});
  // In a chronology the eleventh pair would stand in columns 81-87; the
  // fill there, or a label, is no value.
  std::string pairs;
  for (int k = 0; k < 10; ++k) pairs += " 900  3";
  const auto crn = load_text("CRN01 1950" + pairs + " 777  3\nCRN01 1960 900  39990  0" + fill(8) + "9990  0stdcrn\n",
                             "2\n");
  ASSERT_EQ(crn.data.ns(), 1);
  EXPECT_EQ(crn.data.spans[0].count, 11);
  expect_warnings(crn, {"\n WARNING: Series CRN01: line 1 holds the number 777 in columns 81-84, past its ten fields;\n"
                        "          the layout reads no eleventh value, so it is not read.\n"});

  // A series without its end mark ends where another identifier begins,
  // whatever that line's year; one that differs in case only goes on.
  const auto next = load_text("AA01    1950" + tens(100) + "\nBB01    1960   100   999\n"
                              "MV2-1c  1938   100   101\nMV2-1C  1940   102   999\n", "\n");
  ASSERT_EQ(next.data.ns(), 3);
  EXPECT_EQ(next.data.spans[0].count, 10);
  EXPECT_EQ(next.data.spans[2].first_year, 1938);
  EXPECT_EQ(next.data.spans[2].count, 3);
  expect_warnings(next, {"\n WARNING: Series AA01 ends without its end mark after line 1, where the next series begins;\n"
                         "          its values up to the year 1959 are kept, read in 0.01 mm,\n"
                         "          the unit that every end mark of the file gives (999).\n",
                         "\n WARNING: Series MV2-1c: line 4 writes the identifier MV2-1C;\n"
                         "          it differs in upper/lower case only and is read as the same series.\n"});
  // A column block ends the series before it, as does the line of the next
  // core at -1000 whose identifier differs in the column the year takes.
  const std::string block = "BLOCK1" + std::string(73, ' ') + "#\n" +
                            format_record("('n',1x,i8,2x,i8,2x,a)", 2, 1952, "(2f8.3)") + "   1.000   2.500\n";
  const auto ended = load_text("AA01    1950   100   101\n" + block +
                                   "022029A-1010" + tens(100) + "\n022029B-1000   100   101   999\n",
                               "\n");
  ASSERT_EQ(ended.status, LoadStatus::kLoaded);
  ASSERT_EQ(ended.data.ns(), 4);
  EXPECT_EQ(ended.data.ids[1], "BLOCK1  ");
  EXPECT_EQ(ended.data.x(1, 1), 2.5f);
  EXPECT_EQ(ended.data.spans[2].count, 10);
  EXPECT_EQ(ended.data.ids[3], "022029B ");
  EXPECT_EQ(ended.data.spans[3].first_year, -1000);
  EXPECT_EQ(ended.warnings.size(), 2u);
  // A file written in blank-separated numbers: each ring at its year, one
  // warning for the file.
  const auto spaced = load_text("SeriesA  1   10 30 50 70 999\nSeriesB  1   20 40 60 999\n", "\n");
  ASSERT_EQ(spaced.data.ns(), 2);
  EXPECT_EQ(spaced.data.spans[0].count, 4);
  EXPECT_EQ(spaced.data.x(1, 0), 30 * 0.01f);
  EXPECT_EQ(spaced.data.spans[1].count, 3);
  expect_warnings(spaced, {"\n WARNING: Series SeriesA: line 1 does not keep its fields in their columns (\" 10 30\");\n"
                           "          its blank-separated numbers are read as the years 1 to 4 in order,\n"
                           "          as are those of one later line.\n"});

  // A 999 with rings after it on its line is a ring; so is one that closes
  // a line of a series that goes on and ends with -9999. Runs of end marks
  // and a 999 before the next segment of a 0.01 mm series end as they did.
  const auto rings = load_text("AB01    1950   120   999   130   140   150   160   170   180   190   200\n"
                               "AB01    1960   100   110   120   130   140   150   160   170   180   999\n"
                               "AB01    1970   100 -9999\n"
                               "AC01    1950   100   101   102   103   104   105   106   107   108   999\n"
                               "AC01    1960   100   999   999   999\n",
                               "\n");
  ASSERT_EQ(rings.status, LoadStatus::kLoaded);
  ASSERT_EQ(rings.data.ns(), 3);
  EXPECT_EQ(rings.data.spans[0].count, 21);
  EXPECT_EQ(rings.data.x(1, 0), (999 * 0.01f) * 0.1f);
  EXPECT_EQ(rings.data.x(19, 0), (999 * 0.01f) * 0.1f);
  EXPECT_EQ(rings.data.x(20, 0), (100 * 0.01f) * 0.1f);
  EXPECT_EQ(rings.data.spans[1].last_year, 1958);
  EXPECT_EQ(rings.data.spans[2].first_year, 1960);
  expect_warnings(rings, {"\n WARNING: Series AB01: line 1 holds 999 for the year 1951 with rings after it;\n"
                          "          it is read as a ring, not as the end of the series.\n",
                          "\n WARNING: Series AB01: line 2 ends with 999 for the year 1969, but the series goes on\n"
                          "          and ends with -9999 (0.001 mm): the 999 is read as a ring.\n"});

  // A first line whose end mark stands just after its decade; a line
  // written twice; a series written twice.
  const auto doubled = load_text("AA01    1958   100   101 -9999\n"
                                 "BB01    1945   100   101   102   103   104\n"
                                 "BB01    1950" + tens(100) + "\nBB01    1950" + tens(100) + "\n"
                                 "BB01    1960   100   999\n"
                                 "CC01    1950   100   101   102   999\nCC01    1950   100   101   102   999\n",
                                 "\n");
  ASSERT_EQ(doubled.status, LoadStatus::kLoaded);
  ASSERT_EQ(doubled.data.ns(), 4);
  EXPECT_EQ(doubled.data.spans[0].count, 2);
  EXPECT_EQ(doubled.data.x(1, 0), (101 * 0.01f) * 0.1f);
  EXPECT_EQ(doubled.data.spans[1].first_year, 1945);
  EXPECT_EQ(doubled.data.spans[1].last_year, 1960);
  EXPECT_EQ(doubled.data.x(15, 1), 1.0f);
  expect_warnings(doubled, {"\n WARNING: Series AA01: line 1 holds its end mark after its decade, for the year 1960;\n"
                            "          the series is read as ending in the year 1959.\n",
                            "\n WARNING: Series BB01: line 4 repeats the line before it, the decade 1950;\n"
                            "          the repeat is passed over.\n",
                            "\n WARNING: Series CC01 number 4, the years 1950 to 1952, overlaps series number 3,\n"
                            "          the years 1950 to 1952, of the same identifier; both are kept.\n"
                            "          It is named on line 7 of the data file.\n"});
}

// Lines that cannot be read in one way that keeps every ring at its year
// refuse the data set, naming the line; the reason goes into the report.
TEST(LoaderDecadal, LinesThatCannotBeReadOneWayRefuseTheSet) {
  const auto refused = [](const std::string& text) {
    const auto r = load_text(text, "\n\n");
    EXPECT_EQ(r.status, LoadStatus::kNotLoaded) << text;
    EXPECT_EQ(r.output.find("read successfully"), std::string::npos);
    return r.warnings.empty() ? std::string() : r.warnings.back();
  };
  EXPECT_EQ(refused("moo07b  1800\t1300\t1890\t1200\n"),
            "\n Data set refused: line 1 of the data file, series moo07b,\n"
            " holds a TAB among its year and values, which runs its fields together.\n");
  EXPECT_EQ(refused("AA01    1950   100 -9999\nBB01    1950   100   101\tx   999\n"),
            "\n Data set refused: line 2 of the data file, series BB01,\n"
            " holds a TAB among its year and values, which runs its fields together.\n");
  EXPECT_EQ(refused("AA01    1950   100   101\n\tBB01    1950   100   999\n"),
            "\n Data set refused: line 2 of the data file, series BB01,\n"
            " has a TAB before its identifier, which moves its year and values out of their columns.\n");
  // A chronology's first line with values before its first year's slot.
  const auto early = load_text("CRN01 1375 900  3 900  3 900  3 900  3 900  3\n", "2\n\n");
  EXPECT_EQ(early.status, LoadStatus::kNotLoaded);
  EXPECT_EQ(early.warnings.back(),
            "\n Data set refused: line 1 of the data file, series CRN01, starts in the year 1375\n"
            " but holds 5 values in the slots of the years before it.\n");
  EXPECT_EQ(refused("HEAD   1 a site\nAA01    1953" + tens(100) + "\nAA01    1960   100   999\n"),
            "\n Data set refused: line 2 of the data file, series AA01, starts in the year 1953\n"
            " and holds 10 values where its decade holds 7.\n");
  // A series of one line whose field does not read is no title line.
  EXPECT_EQ(refused("AA01    1950   100   101 -9999\nBB01    1950   1O1   102 -9999\n"),
            "\n Data set refused: line 2 of the data file, series BB01, year 1950,\n"
            " holds the field \"   1O1\", which does not read as a number.\n");
  EXPECT_EQ(refused("AA01    1950   100 -9999   101\n"),
            "\n Data set refused: line 1 of the data file, series AA01,\n"
            " holds values after its end mark in the year 1951.\n");
  // A line of the series without its year.
  EXPECT_EQ(refused("AA01    1945   100   101   102   103   104\nAA01          100   101   999\n"),
            "\n Data set refused: line 2 of the data file, series AA01, year 1950,\n"
            " holds the field \"    \", which does not read as a number.\n");
  // Line numbers count the lines an editor shows.
  EXPECT_EQ(refused("HEAD   1 a site\r\r\nAA01    1953" + tens(100) + "\r\r\n"),
            "\n Data set refused: line 2 of the data file, series AA01, starts in the year 1953\n"
            " and holds 10 values where its decade holds 7.\n");
  // Column blocks whose values do not all read.
  const std::string block = "BLOCK1" + std::string(73, ' ') + "#\n" +
                            format_record("('n',1x,i8,2x,i8,2x,a)", 4, 1501, "(2f8.3)");
  EXPECT_EQ(refused(block + "   1.000     abc\n   3.000   4.000\n"),
            "\n Data set refused: line 3 of the data file, in the column block of series BLOCK1,\n"
            " holds a value that does not read with the block's format (2f8.3).\n");
  EXPECT_EQ(refused(block + "   1.000   2.000\n"),
            "\n Data set refused: the data file ends at line 3, inside the column block of series BLOCK1,\n"
            " before the last of its 4 values.\n");
  EXPECT_EQ(refused(block + "   1.000   2.000\n   3.000   4.000\n   5.000   6.000\nAA01    1950   100   999\n"),
            "\n Data set refused: line 5 of the data file holds values past the 4 values\n"
            " that the header of the column block of series BLOCK1 announces.\n");
  // A sign alone, digits split by blanks beyond the decade's count, a year
  // shifted into the values, a blank index.
  EXPECT_EQ(refused("AA01    1950   100     -   999\n"),
            "\n Data set refused: line 1 of the data file, series AA01, year 1951,\n"
            " holds the field \"     -\", which does not read as a number.\n");
  EXPECT_EQ(refused("AA01    1955   100   101   102   103   104\nAA01    1960   1 0" + tens(101).substr(6) + "\n"),
            "\n Data set refused: line 2 of the data file, series AA01, does not keep its fields in their columns (\"   1 0\"),\n"
            " and its 11 numbers are not the 10 values of its decade from the year 1960.\n");
  EXPECT_EQ(refused("AA01    1955   100   101   102   103   104\nAA01     1960   101   999\n"),
            "\n Data set refused: line 2 of the data file, series AA01, year 1960,\n"
            " holds the field \" 196\", whose number runs on into the values.\n");
  const auto blank_index = load_text("CRN01 1950 900  3" + std::string(7, ' ') + " 900  3" + fill(7) + "\n", "2\n\n");
  EXPECT_EQ(blank_index.status, LoadStatus::kNotLoaded);
  EXPECT_EQ(blank_index.warnings.back(),
            "\n Data set refused: line 1 of the data file, series CRN01, year 1951,\n"
            " holds a blank index; a chronology writes 9990 in the slots it leaves empty.\n");
}

TEST(LoaderDecadal, AFileInAnotherLayoutIsNotLoaded) {
  const auto r = load_file("co021.csv", "1\n\n");
  EXPECT_EQ(r.status, LoadStatus::kNotLoaded);
  EXPECT_NE(r.output.find("\n WARNING: Fatal error reading data from input file.\n"
                          "          Suggest checking file format and/or file type\n"
                          "          Unix/Dos/Mac?\n"
                          " Hit Return to Continue"),
            std::string::npos);
  EXPECT_EQ(r.output.find("read successfully"), std::string::npos);
  // A column block without its header is refused naming its mark, before
  // a series could be lost in its name; the reason goes into the report too.
  const std::string mark = "BLOCK" + std::string(74, ' ') + "#\n";
  const auto block = load_text("AA01    1950   104 -9999\n" + mark + "BB01    1950   104 -9999\n", "\n\n");
  EXPECT_EQ(block.status, LoadStatus::kNotLoaded);
  ASSERT_EQ(block.warnings.size(), 1u);
  EXPECT_EQ(block.warnings[0],
            "\n Data set refused: line 2 of the data file opens a column block (\"#\" in column 80),\n"
            " but line 3, a line of ring widths, comes before the block's header.\n");
  const auto ends = load_text(mark + "a name\n", "\n\n");
  EXPECT_EQ(ends.status, LoadStatus::kNotLoaded);
  ASSERT_EQ(ends.warnings.size(), 1u);
  EXPECT_EQ(ends.warnings[0],
            "\n Data set refused: line 1 of the data file opens a column block (\"#\" in column 80),\n"
            " but the file ends before the block's header.\n");
}

// ---------------------------------------------------------------------------
// Bounds of the system

struct SeriesShape {
  std::string id;
  int first_year;
  int count;
};

std::string decadal_file(const std::vector<SeriesShape>& series) {
  ScratchDirectory dir;
  auto out = TextOutput::create(dir.file("s.rwl"));
  for (const auto& s : series) {
    const std::vector<float> values(static_cast<std::size_t>(s.count), 1.0f);
    trrw(TrrwMode::kWriteWidths, *out, {s.id, s.first_year, values, {}, "t"});
  }
  out->close();
  return testing::read_file(dir.file("s.rwl"));
}

TEST(LoaderBounds, OversizedDataSetsAreRefusedNamingTheLimit) {
  std::vector<SeriesShape> shapes;
  for (int i = 0; i < kMaxSeriesInSet; ++i) shapes.push_back({"S" + std::to_string(i), 1950, 1});
  const auto fits = load_text(decadal_file(shapes), "\n");
  EXPECT_EQ(fits.status, LoadStatus::kLoaded);
  EXPECT_EQ(fits.data.ns(), kMaxSeriesInSet);
  shapes.push_back({"LAST", 1950, 1});
  const auto too_many = load_text(decadal_file(shapes), "\n");
  EXPECT_EQ(too_many.status, LoadStatus::kRefused);
  EXPECT_NE(too_many.output.find("more than 2999 series"), std::string::npos);
  EXPECT_NE(too_many.output.find("Series LAST, named on line 3000 of the data file, is one more."), std::string::npos);

  const auto longest = load_text(decadal_file({{"LONG", 1, kMaxYears}}), "\n");
  EXPECT_EQ(longest.status, LoadStatus::kLoaded);
  EXPECT_EQ(longest.data.x.rows(), kMaxYears);
  const auto too_long = load_text(decadal_file({{"LONG", 1, kMaxYears + 1}}), "\n");
  EXPECT_EQ(too_long.status, LoadStatus::kRefused);
  EXPECT_NE(too_long.output.find("series LONG holds more than 9000 values,\n the most this program can hold.\n"
                                 " Line 901 of the data file holds a value beyond them."),
            std::string::npos);

  const auto wide = load_text(decadal_file({{"OLD", -5000, 10}, {"NEW", 4000, 10}}), "\n");
  EXPECT_EQ(wide.status, LoadStatus::kRefused);
  EXPECT_NE(wide.output.find("span 9010 years, from -5000 to 4009"), std::string::npos);
  EXPECT_NE(wide.output.find("at most 9000 years"), std::string::npos);
  EXPECT_NE(wide.output.find("Series OLD begins in the year -5000, series NEW ends in the year 4009."),
            std::string::npos);
}

TEST(LoaderBounds, YearsBeyondTheDecadalYearFieldsAreRefused) {
  // The last year of a series that starts near the integer limit must not
  // wrap round and pass the span test.
  std::string big = "BIG\n2147483640\n";
  for (int i = 0; i < 10; ++i) big += "1.0\n";
  const auto r = load_text(big, "3\n0\n");
  EXPECT_EQ(r.status, LoadStatus::kRefused);
  const std::string refusal =
      "\n Data set refused: series BIG runs from the year 2147483640 to 2147483649;\n"
      " this program holds the years -9999 to 9999.\n"
      " It is named on line 1 of the data file.\n";
  EXPECT_NE(r.output.find(refusal), std::string::npos);
  // The reason reaches the report.
  EXPECT_EQ(r.warnings, std::vector<std::string>{refusal});
  EXPECT_EQ(load_text("FAR\n-10000\n1.0\n", "3\n0\n").status, LoadStatus::kRefused);
  EXPECT_EQ(load_text("LATE\n9999\n1.0\n1.0\n", "3\n0\n").status, LoadStatus::kRefused);
  const auto edge = load_text("FAR\n-9999\n1.0\nNEAR\n-9990\n1.0\n", "3\n0\n");
  expect_whole(edge.data, -9999, -9990);
  // Years the five-column variant of the year field would print as
  // asterisks are refused in the decadal layouts too.
  const auto old = load_text(decadal_file({{"OLD", -10005, 11}}), "\n");
  EXPECT_EQ(old.status, LoadStatus::kRefused);
  EXPECT_NE(old.output.find("series OLD runs from the year -10005 to -9995;"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Single column

TEST(LoaderSingleColumn, BlocksOfIdentifierYearAndValues) {
  const auto r = load_text(
      "header line to skip\n"
      "abscdefghij\n"
      "1771\n"
      "0.1\n"
      "\n"
      "0.2 9.9\n"
      "0.3\n"
      "bbscdef, more words\n"
      "  1772\n"
      "-0.5\n"
      "dangling\n",
      "3\n1\n");
  ASSERT_EQ(r.status, LoadStatus::kLoaded);
  ASSERT_EQ(r.data.ns(), 2);
  EXPECT_EQ(r.data.ids[0], "abscdefg");
  EXPECT_EQ(r.data.spans[0].first_year, 1771);
  EXPECT_EQ(r.data.spans[0].count, 3);
  EXPECT_EQ(r.data.spans[0].last_year, 1773);
  EXPECT_EQ(r.data.x(1, 0), 0.2f);  // the blank line is passed over
  // Only the first value of a line is read, and never without a word.
  // An identifier cut to eight columns could merge two trees, and an empty
  // line that stood for a ring would move the later ones: both are named.
  expect_warnings(r, {"\n WARNING: Line 2 of the data file, \"abscdefghij\", gives the identifier abscdefg;\n"
                      "          an identifier is one word of at most 8 columns.\n",
                      "\n WARNING: Line 8 of the data file, \"bbscdef, more words\", gives the identifier bbscdef;\n"
                      "          an identifier is one word of at most 8 columns.\n",
                      "\n WARNING: Series dangling holds no values; it is left out.\n"
                      "          It is named on line 11 of the data file.\n",
                      "\n WARNING: Line 6 of the data file holds more than one value;\n"
                      "          only the first value of a line is read (a decimal comma?).\n",
                      "\n WARNING: Line 5 of the data file is empty between two values of a series;\n"
                      "          it is passed over, and no year is given to it.\n"});
  EXPECT_EQ(r.data.ids[1], "bbscdef ");
  EXPECT_EQ(r.data.x(0, 1), -0.5f);  // values as they stand
  expect_whole(r.data, 1771, 1773);
  EXPECT_NE(r.output.find("\n Input data read successfully\n"), std::string::npos);
}

TEST(LoaderSingleColumn, BlocksWithoutValuesAndIdentifiersBeyondAscii) {
  const auto r = load_text("EMPTY\n1950\n\u00D1and\u00FA\n1960\n0.5\nTOOLONG\u00C4\u00C4\n1961\n0.7\nLAST\n", "3\n0\n");
  ASSERT_EQ(r.status, LoadStatus::kLoaded);
  ASSERT_EQ(r.data.ns(), 2);
  // Eight columns, however many bytes.
  EXPECT_EQ(r.data.ids[0], "\u00D1and\u00FA   ");
  EXPECT_EQ(r.data.ids[1], "TOOLONG\u00C4");
  expect_warnings(r, {"\n WARNING: Series EMPTY holds no values; it is left out.\n"
                      "          It is named on line 1 of the data file.\n",
                      "\n WARNING: Line 6 of the data file, \"TOOLONG\u00C4\u00C4\", gives the identifier TOOLONG\u00C4;\n"
                      "          an identifier is one word of at most 8 columns.\n",
                      "\n WARNING: Series LAST holds no values; it is left out.\n"
                      "          It is named on line 9 of the data file.\n"});
}

TEST(LoaderSingleColumn, AFirstYearThatIsNotANumberStopsLoading) {
  // A first value on the year's line would be lost: named.
  const auto joined = load_text("A\n1795 2.1\n1.73\n", "3\n0\n");
  ASSERT_EQ(joined.status, LoadStatus::kLoaded);
  EXPECT_EQ(joined.data.spans[0].count, 1);
  expect_warnings(joined, {"\n WARNING: Line 2 of the data file holds more than one value;\n"
                           "          only the first value of a line is read (a decimal comma?).\n"});

  const auto r = load_text("first\n1771\n0.1\nsecond\nyear\n0.2\n", "3\n0\n\n\n");
  EXPECT_EQ(r.status, LoadStatus::kNotLoaded);
  EXPECT_NE(r.output.find(" Rd1col: Error reading series IYR value\n"
                          "        Series: second   Number:     2\n"
                          " Line 5 of the data file: \"year\" does not read as a year.\n"
                          " Hit return to continue \n"
                          " Input data not read in successfully\n"
                          "             Hit RETURN to Continue"),
            std::string::npos);
  EXPECT_EQ(r.data.ns(), 1);

  // A missing value's mark is no identifier: the value after it would start
  // a series of its own.
  const auto marked = load_text("EGL101B\n1834\n120\n130\nNA\n118\n119\nEGL102A\n1834\n100\n", "3\n0\n");
  EXPECT_EQ(marked.status, LoadStatus::kRefused);
  EXPECT_EQ(marked.warnings, std::vector<std::string>{"\n Data set refused: line 5 of the data file holds \"NA\", the mark of a missing value,\n"
                                                      " after a value of series EGL101B. This program fills no gaps,\n"
                                                      " and the mark is no identifier of a series.\n"});
  for (const char* mark : {"nan", "N/A", "-", "."}) {
    const auto other = load_text(std::string(mark) + "\n1834\n120\n", "3\n0\n");
    EXPECT_EQ(other.status, LoadStatus::kRefused) << mark;
    EXPECT_NE(other.output.find("line 1 of the data file holds \"" + std::string(mark) + "\", the mark of a missing value,\n"
                                " where an identifier is due."),
              std::string::npos);
  }
  // A Ctrl-Z ending the file is no identifier, nor part of the last value.
  for (const char* end : {"0.2\n\x1A", "0.2\x1A\n", "0.2\n\x1A\n\n"}) {
    const auto z = load_text("A\n1900\n0.1\n" + std::string(end), "3\n0\n");
    EXPECT_EQ(z.status, LoadStatus::kLoaded);
    EXPECT_EQ(z.data.spans[0].count, 2);
    EXPECT_TRUE(z.warnings.empty());
  }
}

// ---------------------------------------------------------------------------
// Multiple columns

TEST(LoaderMultipleColumns, TheTableHoldsTheSameSeriesAsTheDecadalFile) {
  const auto csv = load_file("co021.csv", "4\n0\n36\nNA\n");
  const auto rwl = load_file("co021.rwl", "1\n");
  ASSERT_EQ(csv.status, LoadStatus::kLoaded);
  ASSERT_EQ(csv.data.ns(), 35);
  ASSERT_EQ(rwl.data.ns(), 35);
  EXPECT_EQ(csv.data.ids[0], "X641114 ");
  for (int s = 0; s < 35; ++s) {
    const auto i = static_cast<std::size_t>(s);
    EXPECT_EQ(csv.data.ids[i].substr(1), rwl.data.ids[i].substr(0, 7));
    EXPECT_EQ(csv.data.spans[i].first_year, rwl.data.spans[i].first_year);
    EXPECT_EQ(csv.data.spans[i].count, rwl.data.spans[i].count);
    for (int row = 0; row < csv.data.spans[i].count; ++row) {
      ASSERT_FLOAT_EQ(csv.data.x(row, s), rwl.data.x(row, s)) << s << " " << row;
    }
  }
  expect_whole(csv.data, 1176, 1963);
  const auto shown = lines_of(csv.output);
  EXPECT_NE(csv.output.find("\n Enter the total number of columns in your file\n"
                            " [Program assumes Col_1 contains the X values] : \n"
                            " Enter the sentinal value or character used to \n"
                            " pad the records [can not be spaces, if ******* enter *] : \n"
                            " Input data read successfully\n"),
            std::string::npos);
}

TEST(LoaderMultipleColumns, SentinelsAsterisksAndEmptyCells) {
  const auto r = load_text(
      "a header line\n"
      "YEAR A1 A2 A3\n"
      "1900 **** -9.9 *\n"
      "1901 ** -9.9 *\n"
      "\n"
      "1902 0.5 -9.9 1.5\n"
      "1903 0.7 -9.9 2.0\n"
      "1904 0.9 -9.9\n"
      "1905 1.1\n",
      "4\n1\n4\n*\n");
  // With "*" as the sentinel, -9.9 is a value; a short line's missing cells
  // are sentinels, so a series may end there.
  ASSERT_EQ(r.status, LoadStatus::kLoaded);
  ASSERT_EQ(r.data.ns(), 3);
  expect_warnings(r, {"\n WARNING: Line 8 of the data file holds 3 of the 4 cells of a record, as does one later line;\n"
                      "          the cells missing at the end of a line read as the sentinel.\n"});
  EXPECT_EQ(r.data.spans[0].first_year, 1902);  // asterisks match "*"
  EXPECT_EQ(r.data.spans[0].count, 4);
  EXPECT_EQ(r.data.spans[1].count, 5);
  EXPECT_EQ(r.data.spans[2].first_year, 1902);
  EXPECT_EQ(r.data.spans[2].count, 2);

  // A spreadsheet's empty cells are sentinels too, whatever the sentinel;
  // a record never runs on into the next line.
  const auto csv = load_text("Year,A,B\n1900,0.5,\n1901,0.6,1.0\n1902,,1.1\n", "4\n0\n3\nNA\n");
  ASSERT_EQ(csv.status, LoadStatus::kLoaded);
  EXPECT_TRUE(csv.warnings.empty());
  EXPECT_EQ(csv.data.spans[0].first_year, 1900);
  EXPECT_EQ(csv.data.spans[0].count, 2);
  EXPECT_EQ(csv.data.spans[1].first_year, 1901);
  EXPECT_EQ(csv.data.spans[1].count, 2);
  EXPECT_EQ(csv.data.x(1, 1), 1.1f);

  // Where a TAB, a comma or a semicolon separates the cells (as the names
  // line shows), each one ends one cell: two in a row hold an empty cell, and
  // every value stays in its column and year.
  for (const char separator : {'\t', ',', ';'}) {
    std::string table = "Year A B C\n1950 1.0  3.0\n1951 1.1 2.1 3.1\n1952  2.2 3.2\n1953  2.3 \n";
    for (std::size_t at = table.find(' '); at != std::string::npos; at = table.find(' ', at + 1)) {
      table[at] = separator;
    }
    const auto t = load_text(table, "4\n0\n4\nNA\n");
    ASSERT_EQ(t.status, LoadStatus::kLoaded) << separator;
    EXPECT_TRUE(t.warnings.empty());
    ASSERT_EQ(t.data.ns(), 3);
    EXPECT_EQ(t.data.spans[0].first_year, 1950);
    EXPECT_EQ(t.data.spans[0].count, 2);
    EXPECT_EQ(t.data.spans[1].first_year, 1951);
    EXPECT_EQ(t.data.spans[1].count, 3);
    EXPECT_EQ(t.data.x(2, 1), 2.3f);
    EXPECT_EQ(t.data.spans[2].first_year, 1950);
    EXPECT_EQ(t.data.spans[2].count, 3);
    EXPECT_EQ(t.data.x(0, 2), 3.0f);
  }
  // Blanks and quotes around a cell are no part of it; a separator inside
  // quotes is.
  const auto quoted = load_text("\"Year\", \"Tree 1\" ,\"Tree, 2\"\n1950 , \"5.1\",  5.2 \n", "4\n0\n3\nNA\n");
  ASSERT_EQ(quoted.data.ns(), 2);
  EXPECT_EQ(quoted.data.ids[1], "Tree, 2 ");
  EXPECT_EQ(quoted.data.x(0, 0), 5.1f);

  // A column of sentinels is no series.
  const auto s = load_text("YEAR A1 A2\n1900 -9.9 1.0\n1901 -9.9 1.2\n", "4\n0\n3\n-9.9\n");
  ASSERT_EQ(s.status, LoadStatus::kLoaded);
  ASSERT_EQ(s.data.ns(), 1);
  expect_warnings(s, {"\n WARNING: Series A1 holds no values; it is left out.\n"
                      "          It is named on line 1 of the data file.\n"});
  EXPECT_EQ(s.data.ids[0], "A2      ");
  expect_whole(s.data, 1900, 1901);

  // More header lines than the file holds: nothing to read, no series.
  const auto none = load_text("YEAR A1\n", "4\n5\n2\nNA\n");
  EXPECT_EQ(none.status, LoadStatus::kLoaded);
  EXPECT_EQ(none.data.ns(), 0);
  EXPECT_TRUE(none.warnings.empty());  // no nameless columns without values
  EXPECT_EQ(none.data.whole.count, -19997);
}

// A row deleted, doubled or swapped, a decimal comma, a gap inside a series
// or names that do not match the columns would move rings to other years or
// series: each refuses the set naming the line.
TEST(LoaderMultipleColumns, RecordsThatWouldMoveRingsRefuseTheSet) {
  const auto refusal = [](const std::string& text, const std::string& answers) {
    const auto r = load_text(text, "4\n0\n" + answers);
    EXPECT_EQ(r.status, LoadStatus::kRefused) << text;
    EXPECT_EQ(r.warnings.size(), 1u) << text;
    return r.warnings.empty() ? std::string() : r.warnings.back();
  };
  EXPECT_EQ(refusal("Y A B\n1900 1.0 2.0\n1902 1.0 2.0\n", "3\nNA\n"),
            "\n Data set refused: line 3 of the data file holds the year 1902 where the year 1901 is due;\n"
            " a record missing, written twice or out of order would move every later ring.\n");
  EXPECT_NE(refusal("Y A\n1900 1.0\n1901 1.0\n1901 1.0\n", "2\nNA\n").find("line 4 of the data file holds the year 1901 where the year 1902"),
            std::string::npos);
  EXPECT_EQ(refusal("Y,A\n1900,0,51\n", "2\nNA\n"),
            "\n Data set refused: line 2 of the data file holds 3 cells where the file has 2 columns\n"
            " (a decimal comma, or a column count that does not match the file).\n");
  EXPECT_EQ(refusal("Y A B\n1900 1.0 2.0\n1901 NA 2.0\n1902 NA 2.0\n1903 1.2 NA\n", "3\nNA\n"),
            "\n Data set refused: series A has no value for the year 1901 (line 3 of the data file)\n"
            " but one again for the year 1903 (line 5); this program fills no gaps.\n");
  EXPECT_EQ(refusal("Y A B\n1900 1.0 2.0 3.0 4.0\n", "5\nNA\n"),
            "\n Data set refused: line 1 of the data file, the names of the columns,\n"
            " holds 3 names where the file has 5 columns.\n");
  // One column too many is no table with row names when the records are as
  // long as the names line: each series would take its neighbour's name.
  EXPECT_NE(refusal("Y A B\n1900 1.0 2.0\n", "4\nNA\n").find("holds 3 names where the file has 4 columns."),
            std::string::npos);
  // An empty cell past the last column is a cell too: the value before it
  // may be its neighbour's.
  EXPECT_EQ(refusal("Year,RAG30A,RAG29A\n1951,5.5,5.6\n1952,5.86,5.86,\n", "3\nNA\n"),
            "\n Data set refused: line 3 of the data file holds 4 cells where the file has 3 columns\n"
            " (a record holds no more cells than the names line, empty ones included).\n");
  // Between names separated by blanks, a run of TABs is one separator, so a
  // short line written with TABs may have lost a cell anywhere.
  EXPECT_NE(refusal("Y A B\n1900\t1.0\t\t\n", "3\nNA\n").find("line 2 of the data file holds 2 of the 3 cells of a record, separated by TABs,"),
            std::string::npos);
  EXPECT_EQ(refusal("Y A\n9999 1.0\n10000 1.0\n", "2\nNA\n"),
            "\n Data set refused: line 3 of the data file holds the year 10000;\n"
            " this program holds the years -9999 to 9999.\n");
  // A names line that is the first record (the names line missing, or
  // counted among the header lines) would lose its year and name every
  // series after a value.
  EXPECT_EQ(refusal("1953 7.38 4.56\n1954 7.1 4.2\n", "3\nNA\n"),
            "\n Data set refused: line 1 of the data file, read as the names of the columns,\n"
            " reads as the record of the year 1953: the names line is missing,\n"
            " or was counted among the header lines to skip.\n");
  // So does one whose next record repeats it, or one record short.
  EXPECT_NE(refusal("1953,7.38,,4.56\n1953,7.38,,4.56\n1954,7.1,4.2,4.0\n", "4\nNA\n").find("record of the year 1953"),
            std::string::npos);
  EXPECT_NE(refusal("1953 7.38\n1954 7.1 4.2\n", "3\nNA\n").find("record of the year 1953"), std::string::npos);
  const auto counted = load_file("co021.csv", "4\n1\n36\nNA\n");
  EXPECT_EQ(counted.status, LoadStatus::kRefused);
  EXPECT_NE(counted.output.find("line 2 of the data file, read as the names of the columns,\n"
                                " reads as the record of the year 1176"),
            std::string::npos);

  // A table written with row names has no name over the year column.
  const auto named = load_text("A B\n1900 1.0 2.0\n", "4\n0\n3\nNA\n");
  ASSERT_EQ(named.status, LoadStatus::kLoaded);
  EXPECT_EQ(named.data.ids[0], "A       ");
  EXPECT_EQ(named.data.ids[1], "B       ");
  expect_warnings(named, {"\n WARNING: Line 1 of the data file, the names of the columns, holds one name\n"
                          "          fewer than the 3 columns: they are read as the names of the series.\n"});
}

// Sound tables with the quirks of their writers read as the same table
// without them, to every value: a separator ending every line, the names
// line included; a Ctrl-Z or lines of separators after the last record; CR
// CR LF line ends, with header lines counted as an editor shows them.
TEST(LoaderMultipleColumns, SoundTablesReadLikeTheTableWithoutTheirQuirk) {
  const std::string plain = "Year,A,B\n1950,5.1,\n1951,5.5,5.6\n1952,5.7,5.8\n";
  const auto expected = load_text(plain, "4\n0\n3\nNA\n");
  ASSERT_EQ(expected.status, LoadStatus::kLoaded);
  const auto crcrlf = [](std::string text) {
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 3)) text.insert(at, "\r\r");
    return text;
  };
  const struct {
    std::string text;
    std::string header_lines;
  } quirks[] = {
      {"Year,A,B,\n1950,5.1,,\n1951,5.5,5.6,\n1952,5.7,5.8,\n", "0"},
      {"Year\tA\tB\t\n1950\t5.1\t\t\n1951\t5.5\t5.6\t\n1952\t5.7\t5.8\t\n", "0"},
      {plain + "\x1A", "0"},
      {plain.substr(0, plain.size() - 1) + "\x1A\n", "0"},
      {plain + ",,\n , ,\n\n", "0"},
      {crcrlf("a site\nmeasured 2001\n" + plain), "2"},
  };
  for (const auto& quirk : quirks) {
    const auto r = load_text(quirk.text, "4\n" + quirk.header_lines + "\n3\nNA\n\n\n");
    EXPECT_EQ(r.status, LoadStatus::kLoaded) << quirk.text;
    EXPECT_TRUE(r.warnings.empty()) << quirk.text;
    EXPECT_EQ(r.data.ns(), 2) << quirk.text;
    if (r.data.ns() != 2) continue;
    for (int s = 0; s < 2; ++s) {
      const auto i = static_cast<std::size_t>(s);
      EXPECT_EQ(r.data.ids[i], expected.data.ids[i]);
      EXPECT_EQ(r.data.spans[i].first_year, expected.data.spans[i].first_year) << quirk.text;
      EXPECT_EQ(r.data.spans[i].count, expected.data.spans[i].count) << quirk.text;
      for (int row = 0; row < r.data.spans[i].count; ++row) EXPECT_EQ(r.data.x(row, s), expected.data.x(row, s));
    }
  }
}

TEST(LoaderMultipleColumns, CellsThatDoNotConvert) {
  const auto values = load_text("Y A B\n1900 1.0 NA\n1901 1.0 x\n", "4\n0\n3\nNA\n\n");
  EXPECT_EQ(values.status, LoadStatus::kNotLoaded);
  EXPECT_NE(values.output.find("\n Error reading y values check sentinel if ******* enter *\n"
                               " Line 3 of the data file, series B: \"x\" does not read as a number.\n"
                               "\n Input data not read in successfully\n"),
            std::string::npos);
  EXPECT_EQ(values.data.ns(), 1);  // the columns before the faulty one
  // Every year cell must read, in a series or not.
  const auto years = load_text("Y A B\n1900 1.0 NA\nyear NA NA\n", "4\n0\n3\nNA\n\n");
  EXPECT_EQ(years.status, LoadStatus::kNotLoaded);
  EXPECT_EQ(years.warnings, std::vector<std::string>{"\n Error reading time steps\n"
                                                     " Line 3 of the data file: the year \"year\" does not read as a whole number.\n"});
  // A cell is the sentinel only as a whole: a value that begins like it is
  // a value, and a long sentinel is compared whole.
  const auto wide = load_text("Y A\n1900 0.12345678\n1901 0.123456\n", "4\n0\n2\n0.123456\n");
  ASSERT_EQ(wide.data.ns(), 1);
  EXPECT_EQ(wide.data.spans[0].count, 1);
  EXPECT_EQ(wide.data.x(0, 0), 0.12345678f);
  const auto longer = load_text("Y A\n1900 0.5\n1901 -999.00000\n", "4\n0\n2\n-999.00000\n");
  EXPECT_EQ(longer.data.spans[0].count, 1);
}

TEST(LoaderMultipleColumns, ACountThatIsNotANumberEndsTheRun) {
  ScriptedConsole console("4\n0\nmany\n\n");
  TextInput input = TextInput::from_text("Y A\n");
  DataSet data;
  EXPECT_THROW(loaddat(FormatMenu::kListFile, input, data), ProgramStop);
  EXPECT_NE(console.output().find("The number of columns must be a whole number"), std::string::npos);
}

}  // namespace
}  // namespace qb
