#include "engine/series_files.hpp"

#include "platform/text_file.hpp"
#include "platform/thread_pool.hpp"
#include "series/decadal_format.hpp"

namespace qb {

namespace {

TextOutput create_titled(const std::string& name, std::string_view title) {
  TextOutput file = TextOutput::create_or_throw(name);
  file.write("(a)", title);
  return file;
}

// Rings rendered at a time: enough for every thread to have work, few
// enough that the text waiting to be written stays small.
constexpr long long kRingsPerBatch = 1 << 16;

void write_file(TextOutput& file, const DataSet& data, SeriesFile which, std::string_view tag,
                const SeriesFileValues& values, int threads) {
  const int ns = data.ns();
  int first = 0;
  while (first < ns) {
    int last = first;
    long long rings = 0;
    while (last < ns && (last == first || rings < kRingsPerBatch)) rings += data.spans[last++].count;
    file.put(render_in_parallel(last - first, threads, [&](int k) {
      thread_local std::vector<float> column;
      const int j = first + k;
      values(j, which, column);
      std::string text;
      trrw(TrrwMode::kWriteWidths, text, {data.ids[j], data.spans[j].first_year, column, {}, tag});
      return text;
    }));
    first = last;
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

void write_series_files(const std::array<std::string, 3>& names, const DataSet& data, SeriesPass pass,
                        bool with_indices, const SeriesFileValues& values, int threads) {
  const bool standard = pass == SeriesPass::kStandard;
  TextOutput measurements = create_titled(names[0], data.titles[0]);
  write_file(measurements, data, SeriesFile::kData, standard ? "stdraw" : "ssfraw", values, threads);
  measurements.close();
  TextOutput curves = create_titled(names[1], data.titles[0]);
  write_file(curves, data, SeriesFile::kCurves, standard ? "stdcrv" : "ssfcrv", values, threads);
  curves.close();
  TextOutput indices = create_titled(names[2], data.titles[0]);
  if (with_indices) write_file(indices, data, SeriesFile::kIndices, standard ? "stdind" : "ssfind", values, threads);
  indices.close();
}

}  // namespace qb
