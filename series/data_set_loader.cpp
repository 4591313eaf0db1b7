#include "series/data_set_loader.hpp"

#include <cctype>
#include <optional>
#include <string>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "series/data_set_builder.hpp"
#include "series/decadal_format.hpp"
#include "series/decadal_messages.hpp"
#include "series/format_help.hpp"

namespace qb {
namespace {

enum Choice { kHelp = 0, kRingWidths = 1, kChronologies = 2, kSingleColumn = 3, kMultipleColumns = 4 };

void show_menu(FormatMenu menu) {
  Console& c = console();
  c.write("(/t19,'__ Input Data Format Menu __')");
  c.write("(t19,'_____________________________'/)");
  if (menu == FormatMenu::kListFile) {
    c.write("(t19,'Raw ring-widths (Decade) <[1]>')");
  } else {
    c.write("(t19,'Raw ring-widths (Decade)  [1]')");
  }
  c.write("(t19,'Chronologies (Index)      [2]')");
  c.write("(t19,'Single Column             [3]')");
  c.write("(t19,'Multiple Columns          [4]')");
  c.write("(t19,'Enter zer0 for HELP       [0]')");
  if (menu == FormatMenu::kListFile) {
    c.write("(t19,'                             ')");
    c.write("(t19,'<RET> selects Raw ring-widths')");
  }
  c.write("(t19,'_____________________________')");
  c.write("(a)", "");
}

// The menu's answer; std::nullopt when the interactive menu got no number.
// The list-file menu takes the first character: blank chooses ring widths,
// and anything but a digit ends the run.
std::optional<int> read_choice(FormatMenu menu) {
  if (menu == FormatMenu::kListFile) {
    char c = first_char(console().ask("Enter a value [0-4], <RET> for [1], or [Q]uit"));
    if (c == ' ') c = '1';
    if (!std::isdigit(static_cast<unsigned char>(c))) console().abnormal_termination();
    return c - '0';
  }
  console().write("(1x,'Enter a value between [0-4] or [Q]uit',t50,'==> ',$)");
  return console().read_free_integer();
}

void skip_header_lines(TextInput& input) {
  console().write("(/1x,'Enter number of file header lines to skip')");
  console().write("(1x,'before reading data or columns. If none then')");
  console().write("(1x,'enter a zer[0] for none',t50,'==> ',$)");
  const auto lines = console().read_free_integer();
  if (!lines) {
    console().write("(/1x,'The number of header lines must be a whole number.')");
    console().abnormal_termination();
  }
  // Counted as an editor shows them: CR CR LF line ends make an empty record
  // between two lines, which is no line of its own.
  for (int skipped = 0; skipped < *lines && input.next_record();) {
    if (input.is_line(input.position() - 1)) ++skipped;
  }
}

std::string data_file_named(const TextInput& input) {
  return input.name().empty() ? std::string("the data file") : "the data file " + input.name();
}

// A file that no reader can take as text: refused before any layout reads
// it, since every layout would read it wrong or in part.
std::optional<std::string> unreadable_file(const TextInput& input) {
  if (input.read_error()) {
    return format_record("(/1x,'Data set refused: ',a,' could not be read to its end:'/1x,a,'.')",
                         data_file_named(input), *input.read_error());
  }
  const char* sign = nullptr;
  switch (input.utf16_sign()) {
    case TextInput::Utf16Sign::kNone: return std::nullopt;
    case TextInput::Utf16Sign::kByteOrderMark: sign = "it begins with the byte order mark of UTF-16"; break;
    case TextInput::Utf16Sign::kNulBytes: sign = "it holds NUL bytes, as UTF-16 text does"; break;
  }
  return format_record("(/1x,'Data set refused: ',a,' is saved as UTF-16 text'/1x,'(',a,').'/1x,'Save it as UTF-8 or ASCII text and load it again.')",
                       data_file_named(input), sign);
}

// Title lines the file did not have are marked, so that the files written
// from this data set still carry three of them.
void mark_missing_titles(std::array<std::string, 3>& titles) {
  static constexpr const char* kMissing[] = {"1st itrdb line missing", "2nd itrdb line missing",
                                             "3rd itrdb line missing"};
  constexpr std::size_t kMarkLength = 22;
  constexpr std::size_t kSecondMarkColumn = 58;
  for (std::size_t l = 0; l < titles.size(); ++l) {
    std::string& title = titles[l];
    if (title.compare(0, 6, "      ") != 0) continue;
    replace_columns(title, 0, kMarkLength, kMissing[l]);
    replace_columns(title, kSecondMarkColumn, kMarkLength, kMissing[l]);
  }
}

LoadStatus read_decadal(TrrwMode mode, TextInput& input, DataSet& data, LoadWarnings* warnings) {
  const bool widths = mode == TrrwMode::kReadWidths;
  DataSetBuilder builder(warnings);
  DecadalReadState state;
  DecadalReadOptions options;
  options.store_depths = false;
  while (true) {
    DecadalSeries series = trrw(mode, input, state, options);
    if (widths) mark_missing_titles(state.titles);
    data.titles = state.titles;
    if (state.series_counter == kEndOfFile) break;
    if (series.end == SeriesEnd::kRefused) {
      if (const auto w = out_of_columns_warning(state.file, input); !w.empty()) builder.warn(w);
      builder.refuse(message(series.id, series.reason, input));
      builder.fill(data);
      return LoadStatus::kNotLoaded;
    }
    // A call that met only title lines read no series: in a ring-width file
    // that is a file of another layout, in a chronology file a long header.
    if (series.end == SeriesEnd::kTitleLines && series.count < 1) {
      if (!widths) continue;
      builder.refuse(format_record("(/1x,'WARNING: Fatal error reading data from input file.'/1x,'         Suggest checking file format and/or file type'/1x,'         Unix/Dos/Mac?')"));
      console().pause(" Hit Return to Continue");
      builder.fill(data);
      return LoadStatus::kNotLoaded;
    }
    if (series.overflow) {
      std::optional<std::size_t> beyond;
      if (series.overflow_record) beyond = input.line_number(*series.overflow_record);
      builder.refuse(long_series_refusal(series.id, beyond));
      return LoadStatus::kRefused;
    }
    if (!builder.add(series.id, series.first_year, std::move(series.values), input.line_number(series.first_record))) {
      return LoadStatus::kRefused;
    }
    for (const LineNote& note : series.notes) builder.warn(message(series.id, note, input));
  }
  if (const auto w = out_of_columns_warning(state.file, input); !w.empty()) builder.warn(w);
  builder.fill(data);
  if (!within_year_bound(data, warnings)) return LoadStatus::kRefused;
  console().write("(/1x,'Input data read successfully')");
  return LoadStatus::kLoaded;
}

LoadStatus read_columns(Choice choice, TextInput& input, DataSet& data, LoadWarnings* warnings) {
  const LoadStatus status = choice == kSingleColumn ? rd1col(input, data, warnings) : rdmcol(input, data, warnings);
  if (status == LoadStatus::kLoaded) {
    console().write("(/1x,'Input data read successfully')");
  } else if (status == LoadStatus::kNotLoaded) {
    console().write("(/1x,'Input data not read in successfully')");
    console().pause("             Hit RETURN to Continue");
  }
  return status;
}

}  // namespace

LoadStatus loaddat(FormatMenu menu, TextInput& input, DataSet& data, LoadWarnings* warnings) {
  data = DataSet{};
  while (true) {
    show_menu(menu);
    const auto choice = read_choice(menu);
    if (!choice) return LoadStatus::kNothingLoaded;
    if (*choice >= kRingWidths && *choice <= kMultipleColumns) {
      if (const auto refusal = unreadable_file(input)) {
        DataSetBuilder(warnings).refuse(*refusal);
        return LoadStatus::kNotLoaded;
      }
    }
    if (*choice == kSingleColumn || *choice == kMultipleColumns) skip_header_lines(input);
    switch (*choice) {
      case kHelp: dathlp(input); break;
      case kRingWidths: return read_decadal(TrrwMode::kReadWidths, input, data, warnings);
      case kChronologies: return read_decadal(TrrwMode::kReadIndices, input, data, warnings);
      case kSingleColumn:
      case kMultipleColumns: return read_columns(static_cast<Choice>(*choice), input, data, warnings);
      default:
        console().write("(/1x,'WARNING: You must enter a value between 0 and 4')");
        console().pause("             Hit RETURN to Continue");
        break;
    }
  }
}

}  // namespace qb
