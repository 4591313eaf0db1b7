// Loading one data set from its data file: the input-format menu, then the
// reader of the chosen layout (decadal ring widths, decadal chronologies,
// single column, multiple columns).
#pragma once

#include "platform/text_file.hpp"
#include "series/data_set.hpp"

namespace qb {

// Whose input-format menu the loader shows.
enum class FormatMenu {
  kListFile,     // a blank answer chooses ring widths; a non-digit ends the run
  kInteractive,  // a number is awaited; a non-number returns without loading
};

enum class LoadStatus {
  // The whole file was read.
  kLoaded,
  // The file could not be read in the chosen layout (or a data line of a
  // decadal file holds a field that does not convert); the reader's message
  // has been shown and the data set holds only what was read before the
  // failure.
  kNotLoaded,
  // The interactive menu's answer was not a number: nothing was read.
  kNothingLoaded,
  // The data set exceeds a bound of the system (series, values per series or
  // years spanned); the message naming the limit has been shown.
  kRefused,
};

// Shows the input-format menu and reads the data file on `input` in the chosen
// layout into `data`: the matrix sized to the data set (rows = the longest
// series, one column per series, row 0 = each series' own first year), spans,
// whole-set span, identifiers and, for the decadal layouts, the title lines.
// Series without values are left out, and a decadal series that the end of
// the file cuts short keeps the values read; both with a warning on the
// console, which is also kept in `warnings` when given.
LoadStatus loaddat(FormatMenu menu, TextInput& input, DataSet& data, LoadWarnings* warnings = nullptr);

// The single-column layout: blocks of identifier, first year and one value a
// line. kLoaded, kNotLoaded after its message, or kRefused.
LoadStatus rd1col(TextInput& input, DataSet& data, LoadWarnings* warnings = nullptr);

// The multi-column layout: a name record, then records of the year and one
// cell per series, empty cells holding a sentinel the user names. kLoaded,
// kNotLoaded after its message, or kRefused.
LoadStatus rdmcol(TextInput& input, DataSet& data, LoadWarnings* warnings = nullptr);

}  // namespace qb
