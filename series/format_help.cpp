#include "series/format_help.hpp"

#include <array>
#include <span>
#include <string_view>

#include "platform/console.hpp"
#include "platform/record_format.hpp"
#include "series/file_pager.hpp"

namespace qb {
namespace {

constexpr std::string_view kPageEnd = "und so veite, und so veite, ... ";
constexpr std::string_view kContinue = " <Hit Return to continue>";

// Two ring-width series in 0.001 mm, each closed by -9999.
constexpr std::string_view kRingWidthExample[] = {
    "rrw - decade format",
    "Example:",
    "HBM01A  1940   176   198   164   188   214   148   188    66   150    88",
    "HBM01A  1950   122    78   141   206    52    58   250   177    64   133",
    "HBM01A  1960   189    54   169    94    49    62   151   147    57   101",
    "HBM01A  1970    63   181   148    55   251   184    71    97   201   200",
    "HBM01A  1980   189    55   187   189   141    52    96    51   182   259",
    "HBM01A  1990    74   114   147    76   178    70   186   118   183   248",
    "HBM01A  2000   178    62   236 -9999",
    "HBM01B  1740   172   132   377   372   407   176   270   129   360   112",
    "HBM01B  1750   368   110   396   185   334   352   298   240   318   379",
    "HBM01B  1760   312   265   233   207   172   204   121   374   233   348",
    "HBM01B  1770   333   255   309   227   391   117   140   342   294   164",
    "HBM01B  1780   255   157   330   295   100   119   365   373   240   254",
    "HBM01B  1790   156 -9999",
};

// Two chronologies as the chronology files hold them: three title lines, then
// the index x 1000 and sample depth of each year, the last decade padded with fill.
constexpr std::string_view kChronologyExample[] = {
    "chronology - index format",
    "Example:",
    "tst1a.raw -- no data title --                             1st itrdb line missing  raw",
    "2nd itrdb line missing                                    2nd itrdb line missing  raw",
    "3rd itrdb line missing                                    3rd itrdb line missing  raw",
    "tst1a.1950 356 38 439 38 276 38 132 38 424 38 423 38 258 38 295 38 379 38 382 38  raw",
    "tst1a.19601523 38 817 381317 381117 381287 381732 381034 38 240 381820 38 291 38  raw",
    "tst1a.1970 652 381070 381527 381460 38 233 38 224 381597 381536 38 734 381425 38  raw",
    "tst1a.19801283 381495 381783 381012 38 682 381567 38 890 381469 38 810 38 146 38  raw",
    "tst1a.19901045 38 827 38 444 381351 38 339 381111 38 220 38 546 381673 38 688 38  raw",
    "tst1a.2000 364 381612 38 607 38 914 389990  09990  09990  09990  09990  09990  0  raw",
    "tst1a.std -- no data title --                             1st itrdb line missing  std",
    "2nd itrdb line missing                                    2nd itrdb line missing  std",
    "3rd itrdb line missing                                    3rd itrdb line missing  std",
    "tst1a.19501000 381108 38 682 38 770 381059 381011 381162 38 884 38 740 381040 38  std",
    "tst1a.19601163 38 885 381323 381025 38 967 381299 38 989 38 836 38 754 38 684 38  std",
    "tst1a.1970 780 38 754 38 837 381274 38 838 38 612 381096 381203 38 786 38 869 38  std",
    "tst1a.1980 888 38 604 38 749 381029 381147 38 978 381224 381179 38 926 38 728 38  std",
    "tst1a.19901307 381127 381232 381270 381292 381357 38 655 381067 381398 381296 38  std",
    "tst1a.20001172 381001 381007 381008 389990  09990  09990  09990  09990  09990  0  std",
};

constexpr std::string_view kSingleColumnExample[] = {
    "Single Column",
    "Example:",
    "abscdef", "1771", "0.1", "0.2", "0.3", "...", "..",
    "bbscdef", "1772", "0.1", "0.2", "0.3", "...", "..",
    "cbscdef", "1773", "0.1", "0.2", "0.3", "...", "..",
};

constexpr std::string_view kMultipleColumnsIntroduction[] = {
    "Multiple Columns",
    "Enter the total number of columns in your file (e.g., 6 in the examples below)",
    "and the sentinel: the value or character that fills every empty cell, so",
    "that each row holds one cell per column and the series stay aligned by year.",
    "The first column holds the years; the first record names the columns.",
};

constexpr std::string_view kAsteriskSentinelExample[] = {
    "Example 1:  Sentinel = ******* ",
    " YEAR   HKTC01A  HKTC01B  HKTC01C  HKTC01D  HKTC25A ",
    " 1944     1.067  *******    1.259  *******  *******",
    " 1945     1.081  *******    0.619  *******  *******",
    " 1946     2.366  *******    1.169  *******  *******",
    " 1947     0.442    1.522    0.425  *******  *******",
    " 1948     1.447    1.381    2.288  *******  *******",
    " 1949     1.550    0.355    0.657  *******    1.028",
    " 1950     1.596    2.302    1.525  *******    1.243",
    " 1951     0.454    1.274    2.351    1.257    0.886",
    " 1952     0.517    1.849    1.829    1.253    1.723",
    " 1953     1.336    0.651    2.294    0.996    1.718",
    " 1954     2.211    1.868    0.856    1.614    0.400",
    " 1955     2.060    1.340    2.198    0.983    0.690",
    " 1956     1.391    1.306    1.600    1.549    1.934",
    " 1957     1.868    0.629    0.727    1.082    1.967",
    " ....   .......  .......  .......  .......  .......",
};

constexpr std::string_view kNumberSentinelExample[] = {
    "Example 2:  Sentinel = -9.9 ",
    " YEAR   HKTC01A  HKTC01B  HKTC01C  HKTC01D  HKTC25A ",
    " 1941     0.640     -9.9     -9.9    1.284     -9.9",
    " 1942     1.808     -9.9     -9.9    2.377     -9.9",
    " 1943     1.938     -9.9    1.239    0.626     -9.9",
    " 1944     1.531     -9.9    0.957    1.979     -9.9",
    " 1945     1.791    0.969    2.344    0.377     -9.9",
    " 1946     0.425    1.234    0.943    1.262     -9.9",
    " 1947     2.368    1.543    0.204    2.200     -9.9",
    " 1948     0.957    1.615    2.036    0.464    1.055",
    " 1949     1.765    0.639    2.156    1.155    1.599",
    " 1950     0.391    2.282    1.788    1.219    1.835",
    " 1951     0.387    0.549    2.385    0.261    1.500",
    " 1952     1.224    1.643    1.545    1.511    1.244",
    " 1953     2.262    0.543    1.406    0.247    1.959",
    " ....   .......  .......  .......  .......  .......",
};

void show_lines(std::span<const std::string_view> lines) {
  for (std::string_view line : lines) console().write("(1x,a)", line);
}

// One example page: an empty line, its text, the closing line and the pause.
void show_page(std::span<const std::string_view> lines, std::string_view pause) {
  console().write("(a)", "");
  show_lines(lines);
  console().write("(1x,a)", kPageEnd);
  console().pause(pause);
}

void show_example(int page) {
  switch (page) {
    case 1: show_page(kRingWidthExample, kContinue); break;
    case 2: show_page(kChronologyExample, kContinue); break;
    case 3: show_page(kSingleColumnExample, kContinue); break;
    case 4:
      console().write("(a)", "");
      show_lines(kMultipleColumnsIntroduction);
      show_page(kAsteriskSentinelExample, "  <Hit Return to continue>");
      show_page(kNumberSentinelExample, kContinue);
      break;
    default: break;
  }
}

void show_menu() {
  console().write("(/1x,'_____   Input Format Help Menu    _____')");
  console().write("(1x,'Raw ring-widths (mm-decade)          [1] ')");
  console().write("(1x,'Chronologies (index-decade)          [2] ')");
  console().write("(1x,'Single Column                        [3]')");
  console().write("(1x,'Multiple Columns                     [4]')");
  console().write("(1x,'Enter zero when finished             [0]')");
  console().write("(1x,'Enter H for further help')");
  console().write("(1x,'________________________________________')");
  console().write("(1x,'Enter a value between  [0-4]       : ',$)");
}

}  // namespace

void dathlp(TextInput& input) {
  console().write("(/1x,'Select a file type to see an example.')");
  while (true) {
    show_menu();
    int choice = 0;
    // A single digit; anything else (H for one) opens the data file itself.
    if (read_fields("(i1)", console().read_line(), &choice) != ReadStatus::kOk) {
      snoop(input);
      continue;
    }
    if (choice == 0) return;
    if (choice >= 1 && choice <= 4) {
      show_example(choice);
    } else {
      console().write("(/1x,'You must enter a value between 0 and 4'/)");
    }
  }
}

}  // namespace qb
