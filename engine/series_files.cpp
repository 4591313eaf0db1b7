#include "engine/series_files.hpp"

#include "platform/console.hpp"
#include "series/decadal_format.hpp"

namespace qb {

std::string data_set_base_name(std::string_view file_name) {
  const auto last = file_name.find_last_not_of(' ');
  if (last == std::string_view::npos) return {};
  const std::string_view text = file_name.substr(0, last + 1);
  return std::string(text.substr(0, text.find('.')));
}

std::array<std::string, 3> series_file_names(std::string_view base_name, SeriesPass pass, IndexType index_type,
                                             bool power_transformed) {
  const std::string base(base_name);
  const std::string prefix = base + (pass == SeriesPass::kStandard ? "_STD_" : "_SSF_");
  const bool ratios = index_type == IndexType::kRatios;
  const std::string data = (!ratios && power_transformed) ? "PTR_" : "RAW_";
  return {prefix + data + "Data.txt", prefix + data + "Curves.txt",
          prefix + data + (ratios ? "Ratios.txt" : "Resids.txt")};
}

SeriesFiles SeriesFiles::create(const std::array<std::string, 3>& names, std::string_view title) {
  SeriesFiles files;
  for (std::size_t k = 0; k < names.size(); ++k) {
    auto file = TextOutput::create(names[k]);
    if (!file) {
      console().write("(/1x,'Cannot create the series file ',a)", names[k]);
      console().stop({}, kExitAbnormal);
    }
    files.files_[k] = std::move(*file);
    files.files_[k].write("(a)", title);
  }
  return files;
}

void SeriesFiles::write(SeriesFileKind kind, std::string_view id, int first_year, std::span<const float> values,
                        std::string_view tag) {
  DecadalSeriesOut series;
  series.id = id;
  series.first_year = first_year;
  series.values = values;
  series.tag = tag;
  trrw(TrrwMode::kWriteWidths, files_[static_cast<std::size_t>(kind)], series);
}

void SeriesFiles::close(SeriesFileKind kind) { files_[static_cast<std::size_t>(kind)].close(); }

void SeriesFiles::close_all() {
  for (auto& file : files_) file.close();
}

}  // namespace qb
