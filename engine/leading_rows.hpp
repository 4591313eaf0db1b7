// The leading calendar rows of low sample depth, which the signal-free
// iteration treats apart: early years carried by one or a few trees.
#pragma once

#include <span>

#include "engine/engine_state.hpp"

namespace qb {

struct LeadingRows {
  int nss1 = 0;  // leading rows of depth exactly 1
  int nss2 = 0;  // leading rows of depth below 6 (nss1 when every row is)
};

LeadingRows count_leading_rows(std::span<const int> depth);

// The first-run values of a data set from its centred standard chronology:
// the row counts, the lengths after them and the mean after nss1. With fewer
// than 20 rows after nss2, nss2 falls back to nss1.
FirstRunValues first_run_values(std::span<const float> standard, LeadingRows rows);

}  // namespace qb
