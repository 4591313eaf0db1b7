#include "series/file_names.hpp"

#include <algorithm>

#include "series/text_utilities.hpp"

namespace qb {

std::size_t folder_length(std::string_view file_name) {
  const auto slash = file_name.find_last_of('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string dataset_base_name(std::string_view file_name) {
  const auto last = file_name.find_last_not_of(' ');
  if (last == std::string_view::npos) return " ";
  const std::string_view used = file_name.substr(0, last + 1);
  // A "." in a folder's name ("../a", "data.v2/") belongs to the folder.
  const auto dot = used.find('.', folder_length(used));
  return std::string(dot == std::string_view::npos ? used : used.substr(0, dot));
}

std::string report_file_name(std::string_view file_name, std::string_view version) {
  const std::string base = dataset_base_name(file_name);
  const std::size_t folder = folder_length(base);
  std::string name = base.substr(folder) + "_out_v" + std::string(version) + ".txt";
  // The name is built in a blank-padded buffer, so the squeeze always ends
  // on a blank.
  name.resize(std::max<std::size_t>(80, name.size() + 1), ' ');
  stringclean(name);
  return base.substr(0, folder) + name.substr(0, name.find_last_not_of(' ') + 1);
}

}  // namespace qb
