#include "plots/plot_file_name.hpp"

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

}  // namespace qb
