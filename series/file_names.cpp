#include "series/file_names.hpp"

#include <algorithm>

#include "series/text_utilities.hpp"

namespace qb {

std::string dataset_base_name(std::string_view file_name) {
  const auto last = file_name.find_last_not_of(' ');
  if (last == std::string_view::npos) return " ";
  const std::string_view used = file_name.substr(0, last + 1);
  const auto dot = used.find('.');
  return std::string(dot == std::string_view::npos ? used : used.substr(0, dot));
}

std::string report_file_name(std::string_view file_name, std::string_view version) {
  std::string name = dataset_base_name(file_name) + "_out_v" + std::string(version) + ".txt";
  // The name is built in a blank-padded buffer, so the squeeze always ends
  // on a blank.
  name.resize(std::max<std::size_t>(80, name.size() + 1), ' ');
  stringclean(name);
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

}  // namespace qb
