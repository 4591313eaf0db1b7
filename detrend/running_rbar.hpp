// Running inter-series correlation (Rbar), expressed population signal (EPS)
// and effective number of series over a moving window of years, after Wigley,
// Briffa and Jones (1984), with the variance adjustment of a mean chronology
// by Osborn, Briffa and Jones (1997).
#pragma once

#include <span>
#include <vector>

#include "platform/text_file.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

// Rbar, its standard deviation and standard error of a window that has fewer
// than three positive correlations; also what the running RBAR file shows
// for every statistic when no window yields a value.
inline constexpr float kNoRbar = -99.9f;
inline bool has_rbar(float rbar) { return rbar != kNoRbar; }

struct WindowRbar {
  int correlations = 0;  // positive correlations averaged
  float rbar = kNoRbar;
  float sd = kNoRbar;
  float se = kNoRbar;
};

// Mean of the positive Pearson correlations between every pair of series
// that both cover the whole window ws .. ws + window_length - 1. `x` holds
// index values in calendar rows (row 0 = whole.first_year), one column per
// series; `spans` the first and last year of each series. Zero and negative
// correlations are dropped; fewer than three positive ones give no value.
WindowRbar rrbar(const Matrix& x, std::span<const SeriesSpan> spans, const SeriesSpan& whole, int window_start,
                 int window_length);

// Expressed population signal of a year with n series whose mean
// inter-series correlation is rbar: n rbar / ((1 - rbar) + n rbar); 0 for a
// year without series.
float expressed_population_signal(float n, float rbar);

// One row of the window table: a window that yielded a value.
struct RbarWindow {
  int centre_year = 0;
  int correlations = 0;
  float rbar = 0.0f;
  float sd = 0.0f;
  float se = 0.0f;
  float eps = 0.0f;           // EPS with the window's series count
  float series_count = 0.0f;  // values in the window / window length
};

struct RunningRbarOptions {
  // An even length is raised by one and the overlap is then set to the old
  // length (a one-year step). An overlap of the length or more is taken as
  // length - 1.
  int window_length = 51;
  int window_overlap = 50;
  bool quiet = false;  // no console lines; the file rows are written either way
  // Windows are independent, so they may run on several threads; the results
  // are bit-identical to one thread. 0: one thread per hardware thread.
  int threads = 0;
};

struct RunningRbar {
  int window_length = 0;   // as used
  int window_overlap = 0;  // as used
  std::vector<RbarWindow> windows;  // the windows that yielded a value, in order
  // Per calendar year, element 0 = whole.first_year. RBAR1 is the Rbar of the
  // window centred on the year (ends and gaps: see runbar); RBAR2 the mean of
  // RBAR1 over each run of years with the same sample depth. All four hold
  // kNoRbar when no window yields a value.
  std::vector<float> rbar1;
  std::vector<float> neff1;
  std::vector<float> rbar2;
  std::vector<float> neff2;
  // The chronology with its variance adjusted by sqrt(RBAR * NEFF) about its
  // mean; equal to the chronology when no window yields a value.
  std::vector<float> adjusted1;
  std::vector<float> adjusted2;
};

// Slides the window along the whole set; each yielding window's Rbar is kept
// at its centre year, years before the first centre take the first window's
// value and every later year without a centre of its own (a gap, or the
// tail) the value of the last yielding window before it. Writes the header
// and one row per year to `out` and, unless quiet, the window length, overlap
// and number of yielding windows to the console.
// `depth` is the number of series with a value in each year and `chronology`
// the mean chronology, both per calendar year from whole.first_year. Only the
// rows of each series' span are read.
RunningRbar runbar(const Matrix& x, std::span<const SeriesSpan> spans, const SeriesSpan& whole,
                   std::span<const int> depth, std::span<const float> chronology, const RunningRbarOptions& options,
                   TextOutput& out);

}  // namespace qb
