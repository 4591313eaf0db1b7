// Censoring of a loaded series set: only the series that meet a condition are
// kept, in their order, and the whole-set span row is recomputed from them.
//
// Every routine works in place on the measurement matrix (series-relative
// rows), the spans and the identifiers, and shows the new NS, IFY, ILY and
// NYR on the console. The matrix keeps one column per kept series.
#pragma once

#include "series/data_set.hpp"

namespace qb {

// Keeps the series of at least `min_length` years. A set where none
// qualifies is left without series (whole-set row 9999, -9999, -19997).
void cenbyseg(int min_length, DataSet& data);

// Keeps the series that start before `year`. False, with nothing changed
// and nothing shown, when no series does.
bool cenbyify(int year, DataSet& data);

// Keeps the series that start in `year` or later. False, with nothing
// changed and nothing shown, when no series does.
bool cenayify(int year, DataSet& data);

// Keeps the series that cover the whole period first_year..last_year and
// trims each of them to it. A set where none qualifies is left without
// series (whole-set row first_year, last_year and the period's length).
void cenbycom(int first_year, int last_year, DataSet& data);

}  // namespace qb
