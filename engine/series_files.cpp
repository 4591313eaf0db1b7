#include "engine/series_files.hpp"

#include "platform/text_file.hpp"
#include "series/decadal_format.hpp"

namespace qb {

namespace {

TextOutput create_titled(const std::string& name, std::string_view title) {
  TextOutput file = TextOutput::create_or_throw(name);
  file.write("(a)", title);
  return file;
}

void write_store(TextOutput& file, const DataSet& data, const Matrix& values, std::string_view tag) {
  for (int j = 0; j < data.ns(); ++j) {
    const SeriesSpan& span = data.spans[j];
    const int n = span.last_year - span.first_year + 1;
    DecadalSeriesOut series;
    series.id = data.ids[j];
    series.first_year = span.first_year;
    series.values = values.column(j).first(n);
    series.tag = tag;
    trrw(TrrwMode::kWriteWidths, file, series);
  }
}

}  // namespace

std::array<std::string, 3> series_file_names(std::string_view base_name, SeriesPass pass, IndexType index_type,
                                             bool power_transformed) {
  const std::string base(base_name);
  const std::string prefix = base + (pass == SeriesPass::kStandard ? "_STD_" : "_SSF_");
  const bool ratios = index_type == IndexType::kRatios;
  const std::string data = (!ratios && power_transformed) ? "PTR_" : "RAW_";
  return {prefix + data + "Data.txt", prefix + data + "Curves.txt",
          prefix + data + (ratios ? "Ratios.txt" : "Resids.txt")};
}

void create_series_files(const std::array<std::string, 3>& names, std::string_view title) {
  for (const std::string& name : names) create_titled(name, title).close();
}

void write_series_files(const std::array<std::string, 3>& names, const DataSet& data, const SeriesStore& store,
                        SeriesPass pass, bool with_indices) {
  const bool standard = pass == SeriesPass::kStandard;
  TextOutput values = create_titled(names[0], data.titles[0]);
  write_store(values, data, store.data, standard ? "stdraw" : "ssfraw");
  values.close();
  TextOutput curves = create_titled(names[1], data.titles[0]);
  write_store(curves, data, store.curves, standard ? "stdcrv" : "ssfcrv");
  curves.close();
  TextOutput indices = create_titled(names[2], data.titles[0]);
  if (with_indices) write_store(indices, data, store.indices, standard ? "stdind" : "ssfind");
  indices.close();
}

}  // namespace qb
