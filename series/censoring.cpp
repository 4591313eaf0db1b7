#include "series/censoring.hpp"

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

#include "platform/console.hpp"

namespace qb {
namespace {

long long whole_span(const DataSet& data) {
  return static_cast<long long>(data.whole.last_year) - data.whole.first_year + 1;
}

// Moves the kept series to the front in their order and drops the others;
// the whole-set span row becomes that of the kept series.
void keep_series(DataSet& data, const std::vector<bool>& keep) {
  Matrix kept_values(data.x.rows(), static_cast<int>(std::count(keep.begin(), keep.end(), true)));
  std::vector<SeriesSpan> spans;
  std::vector<std::string> ids;
  for (int s = 0; s < data.ns(); ++s) {
    if (!keep[static_cast<std::size_t>(s)]) continue;
    const auto from = data.x.column(s);
    std::copy(from.begin(), from.end(), kept_values.column(static_cast<int>(spans.size())).begin());
    spans.push_back(data.spans[static_cast<std::size_t>(s)]);
    ids.push_back(data.ids[static_cast<std::size_t>(s)]);
  }
  data.x = std::move(kept_values);
  data.spans = std::move(spans);
  data.ids = std::move(ids);
  data.whole = span_of_set(data.spans);
}

void show_shortening(long long years) {
  console().write("(/1x,'Total chronology length shortened: ',i6,'  years')", years);
}

void show_new_span(std::string_view label, const DataSet& data) {
  console().write("(/t30,'    NS   IFY   ILY   NYR')");
  console().write("(1x,a,t30,4i6,'  Years total time span')", label, data.ns(), data.whole.first_year,
                  data.whole.last_year, data.whole.count);
}

// The common steps after the selection: shortening (when the span shrank)
// and the new span.
void censor(DataSet& data, const std::vector<bool>& keep, std::string_view label) {
  const long long old_span = whole_span(data);
  keep_series(data, keep);
  if (data.whole.count < old_span) show_shortening(old_span - data.whole.count);
  show_new_span(label, data);
}

template <class Keep>
std::vector<bool> select(const DataSet& data, Keep keep_series_span) {
  std::vector<bool> keep;
  keep.reserve(data.spans.size());
  for (const auto& span : data.spans) keep.push_back(keep_series_span(span));
  return keep;
}

bool any(const std::vector<bool>& keep) { return std::find(keep.begin(), keep.end(), true) != keep.end(); }

}  // namespace

void cenbyseg(int min_length, DataSet& data) {
  const auto keep = select(data, [&](const SeriesSpan& s) { return s.count >= min_length; });
  censor(data, keep, "Min segment length series:");
}

bool cenbyify(int year, DataSet& data) {
  const auto keep = select(data, [&](const SeriesSpan& s) { return s.first_year < year; });
  if (!any(keep)) return false;
  censor(data, keep, "Max starting year series:");
  return true;
}

bool cenayify(int year, DataSet& data) {
  const auto keep = select(data, [&](const SeriesSpan& s) { return s.first_year >= year; });
  if (!any(keep)) return false;
  const long long old_span = whole_span(data);
  keep_series(data, keep);
  console().put(list_directed(data.whole.last_year, data.whole.first_year, data.whole.count));
  if (data.whole.count < old_span) show_shortening(old_span - data.whole.count);
  show_new_span("Min starting year series:", data);
  return true;
}

void cenbycom(int first_year, int last_year, DataSet& data) {
  const auto keep =
      select(data, [&](const SeriesSpan& s) { return s.first_year <= first_year && s.last_year >= last_year; });
  const long long old_span = whole_span(data);
  keep_series(data, keep);
  // Every kept series covers the period, so a non-empty set has a period no
  // longer than its series; an absurd period only arises with no series left.
  const long long period = std::clamp(static_cast<long long>(last_year) - first_year + 1,
                                      static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX));
  const int length = static_cast<int>(period);
  for (int s = 0; s < data.ns(); ++s) {
    SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    const long long offset = static_cast<long long>(first_year) - span.first_year;
    auto column = data.x.column(s);
    const long long rows = static_cast<long long>(column.size());
    for (long long row = 0; row < rows; ++row) {
      column[static_cast<std::size_t>(row)] =
          row < length && offset + row < rows ? column[static_cast<std::size_t>(offset + row)] : kMissing;
    }
    span = {first_year, last_year, length};
  }
  data.whole = {first_year, last_year, length};
  show_shortening(old_span - period);
  show_new_span("Max starting year series:", data);
}

}  // namespace qb
