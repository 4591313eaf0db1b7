// The time coverage of a set of series, reported on the console: the whole
// span and the optimum common interval, the period whose complete rectangle
// of data (series covering all of it times its years) holds the most rings.
#pragma once

#include <span>
#include <string>

namespace qb {

// Series i begins in first_years[i], has lengths[i] years and is named
// ids[i] (8 characters). Writes the report box; more than 3000 series end
// the program.
void comint(std::span<const int> first_years, std::span<const std::string> ids, std::span<const int> lengths);

}  // namespace qb
