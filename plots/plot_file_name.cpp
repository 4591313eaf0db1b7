#include "plots/plot_file_name.hpp"

#include <set>
#include <string>

#include "platform/text_file.hpp"
#include "series/text_utilities.hpp"

namespace qb {

std::string title_plot_file(std::string_view title) {
  constexpr std::size_t kTitleLength = 60;
  constexpr std::size_t kExtension = 3;
  // One blank beyond the title keeps stringclean's passes within the buffer,
  // so a title that fills all 60 columns is squeezed like any other.
  std::string name = fixed_width(title, kTitleLength) + ' ';
  stringclean(name);
  name.resize(std::min(name.find(' '), kTitleLength - kExtension));
  return name + ".ps";
}

namespace {

std::set<std::string, std::less<>>& written_plot_files() {
  static std::set<std::string, std::less<>> names;
  return names;
}

}  // namespace

std::string unwritten_plot_file(std::string_view name) {
  const auto& written = written_plot_files();
  if (!written.contains(name)) return std::string(name);
  constexpr std::string_view kExtension = ".ps";
  const bool extended = name.ends_with(kExtension);
  const std::string_view stem = extended ? name.substr(0, name.size() - kExtension.size()) : name;
  const std::string_view extension = extended ? kExtension : std::string_view();
  for (int number = 2;; ++number) {
    std::string numbered = std::string(stem) + "_" + std::to_string(number) + std::string(extension);
    if (!written.contains(numbered)) return numbered;
  }
}

void note_written_plot_file(std::string_view name) { written_plot_files().emplace(name); }

void forget_written_plot_files() { written_plot_files().clear(); }

}  // namespace qb
