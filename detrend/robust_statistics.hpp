// Robust and summary statistics over single-precision vectors: the in-place
// quicksort they share, medians and fourths, the median absolute deviation,
// Tukey's biweight, the per-year robust summary across series, and the
// convergence statistics of one signal-free iteration.
//
// Sums are single precision like the data; biwgt alone accumulates its mean,
// variance and biweight sums in double precision and returns single values.
#pragma once

#include <span>
#include <vector>

#include "series/matrix.hpp"

namespace qb {

// Summary options of biwgt and robsum (the engine passes its mean type).
inline constexpr int kSummaryArithmeticMean = 1;
inline constexpr int kSummaryBiweightMean = 2;
// A negative option -p asks for the p-th percentile instead.

// Ascending sort in place (Hoare partitioning with a pseudo-random pivot and
// straight insertion for short runs). The pivot generator restarts on every
// call, so equal inputs give equal outputs.
void qcksrt(std::span<float> values);

// Tukey's five-number summary with fourths.
struct FiveNumberSummary {
  float median = 0.0f;
  float upper = 0.0f;   // upper fourth
  float lower = 0.0f;   // lower fourth
  float spread = 0.0f;  // fourth-spread, upper - lower
  float min = 0.0f;
  float max = 0.0f;
};
// Sorts x in place. An empty x gives all zeros.
FiveNumberSummary mfs(std::span<float> x);

// Median; sorts x in place. An empty x gives 0.
float mdian1(std::span<float> x);

// Median absolute deviation about `median`, unscaled. x is left unchanged.
float xmad(std::span<const float> x, float median);

struct MeanSd {
  float mean = 0.0f;
  float sd = 0.0f;  // sample standard deviation (n - 1)
};
// One value gives sd 0; no value gives mean and sd 0.
MeanSd mnsd(std::span<const float> x);

// Tukey's biweight location and scale of a vector (sorts x in place): the
// estimates after 11 steps and after the first one. At most 5 values, or a
// MAD of at most 0.0001, give the median and 1.5 MAD.
struct BiweightEstimate {
  float location = 0.0f;           // after the last step
  float scale = 0.0f;
  float one_step_location = 0.0f;  // after the first step
  float one_step_scale = 0.0f;
};
BiweightEstimate xbiwt(std::span<float> x);

struct LocationScale {
  float location = 0.0f;
  float scale = 0.0f;
};
// Location and scale of x by the summary option: kSummaryArithmeticMean
// (mean and sample standard deviation; x untouched), -p (p-th percentile,
// scale 0), any other value Tukey's biweight mean (four steps about the
// median). The percentile and biweight options sort x in place.
// `weights`, when not empty (at least x.size() values), receives the biweight
// weight of every value in sorted order: 0 for a value the last step rejects,
// 1.0 for every value when the estimate is the median or under the other
// options.
// An empty x is fatal: the message is shown with a pause and the program
// stops.
LocationScale biwgt(std::span<float> x, int option, std::span<float> weights = {});

// Per-row summary across series: count, location, scale, and the smallest,
// lower fourth, median and upper fourth of the row's biweight weights.
struct RowSummary {
  std::vector<float> location;
  std::vector<float> scale;
  std::vector<int> count;  // values other than the missing value
  Matrix weights;          // rows x 4; all 1.0 for rows of fewer than 6 values
};
// Rows first .. last - 1 of a column: where it may hold values.
struct RowRange {
  int first = 0;
  int last = 0;
};
// Rows 0..nrow-1 and columns 0..nser-1 of x, skipping kMissing. More than
// kMaxSeries series, or a row with no value, stops the program with its
// message. With `covered` (one range per column) a row is gathered from the
// columns whose range holds it only, in column order: the cost follows the
// values present, not rows x columns, and the result is that of the whole
// matrix when every cell outside the ranges is kMissing. Rows are summarised
// on up to `threads` threads (0: one per hardware thread); each row's values
// do not depend on them.
RowSummary robsum(const Matrix& x, int nrow, int nser, int option, std::span<const RowRange> covered = {},
                  int threads = 1);

// The four convergence statistics of one signal-free iteration: mean and
// median of the absolute change over the years of positive sample depth,
// unweighted and weighted by sqrt(depth / largest depth).
struct ConvergenceStatistics {
  float unweighted_mean = 0.0f;    // "UW MN ABSD"
  float unweighted_median = 0.0f;  // "UW MD ABSD"
  float weighted_mean = 0.0f;      // "WT MN ABSD"
  float weighted_median = 0.0f;    // "WT MD ABSD"
};
// change and depth have one value per year (same length). No year of
// positive depth gives all zeros.
ConvergenceStatistics sftest(std::span<const float> change, std::span<const int> depth);

// Smallest and largest value; 0 for an empty vector.
int minimum(std::span<const int> values);
int maximum(std::span<const int> values);

}  // namespace qb
