#include "series/censored_file.hpp"

#include <algorithm>
#include <stdexcept>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/text_file.hpp"
#include "series/decadal_format.hpp"
#include "series/file_names.hpp"

namespace qb {
namespace {

constexpr std::size_t kNameBufferLength = 80;
constexpr std::size_t kStampColumn = 84;  // 0-based: columns 85-88

struct Kind {
  const char* suffix;
  const char* stamp;
  const char* tag;
};

Kind kind_of(char kind) {
  switch (kind) {
    case kCensorMinimumLength: return {"_mnsl=", "MNSL", "mnsl"};
    case kCensorMaximumStart: return {"_mxsy=", "MXSY", "mxsy"};
    case kCensorMinimumStart: return {"_mnsy=", "MNSY", "mnsy"};
    case kTruncateBefore: return {"_trunb=", "TRNB", "trnb"};
    case kTruncateAfter: return {"_truna=", "TRNA", "trna"};
    case kCensorCommonPeriod: return {"_comm=", "COMM", "comm"};
    default: throw std::invalid_argument("censored file: unknown kind of selection");
  }
}

// Lengths and truncation years get a field just wide enough for values
// below 100, below 1000, or else four digits; start years always four.
// Digits are right-aligned, so a one-digit length leaves a blank before it.
std::string value_field(char kind, int value) {
  if (kind == kCensorMaximumStart || kind == kCensorMinimumStart || kind == kCensorCommonPeriod) {
    return format_record("(i4,$)", value);
  }
  if (value < 100) return format_record("(i2,$)", value);
  if (value < 1000) return format_record("(i3,$)", value);
  return format_record("(i4,$)", value);
}

}  // namespace

std::string censored_file_name(char kind, int value, int end_value, std::string_view data_set_name) {
  std::string name = dataset_base_name(data_set_name) + kind_of(kind).suffix + value_field(kind, value);
  if (kind == kCensorCommonPeriod) name += "-" + value_field(kind, end_value);
  return name + ".txt";
}

void savcen(char kind, int value, int end_value, DataSet& data, std::string_view data_set_name) {
  const Kind k = kind_of(kind);
  const std::string name = censored_file_name(kind, value, end_value, data_set_name);
  auto file = TextOutput::create_or_throw(name);
  console().write("(/1x,'File for censored data created: ',a)", fixed_width(name, kNameBufferLength));
  for (std::string& title : data.titles) {
    title = fixed_columns(title, kTitleLength);
    replace_columns(title, kStampColumn, 4, k.stamp);
    file.write("(a)", title);
  }
  for (int s = 0; s < data.ns(); ++s) {
    const SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    const auto column = data.x.column(s);
    const auto count = static_cast<std::size_t>(std::clamp(span.count, 0, static_cast<int>(column.size())));
    trrw(TrrwMode::kWriteWidths, file,
         {data.ids[static_cast<std::size_t>(s)], span.first_year, column.first(count), {}, k.tag});
  }
  file.close();
}

}  // namespace qb
