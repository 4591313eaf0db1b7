#include "detrend/running_rbar.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "platform/console.hpp"
#include "platform/thread_pool.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QB_HAVE_X86_VECTORS 1
// Built for plain x86-64 and again for AVX2; the loader picks the one the
// processor runs. Both give the same bits (no fused multiply-add).
#define QB_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QB_VECTOR_CLONES
#endif

namespace qb {
namespace {

// Correlations of all pairs in a window are computed as one blocked product of
// the centred window matrix with itself. Every pair still gets exactly the
// single-precision operations of pearsn in the same order (means and sums of
// squares per series, the cross products summed over years in year order),
// so each correlation is bit-identical to pearsn on the two columns; only
// the work shared between pairs is done once.
using Lane8 = float __attribute__((vector_size(32)));
constexpr int kLaneWidth = 8;
constexpr int kRowBlock = 4;
constexpr int kColumnBlock = 2 * kLaneWidth;

struct WindowWork {
  std::vector<int> members;     // series covering the window, in series order
  std::vector<float> centred;   // year t of member k at t * stride + k
  std::vector<float> squares;   // sum of squared deviations of each member
  std::vector<float> products;  // cross products of a block of rows
  std::vector<float> correlations;  // of one row with the later members
  int stride = 0;
};

inline void load8(Lane8& v, const float* p) { std::memcpy(&v, p, sizeof v); }
inline void store8(float* p, const Lane8& v) { std::memcpy(p, &v, sizeof v); }

// Cross products of members row0 .. row0 + 3 with every member from
// column_begin on (column_begin a multiple of kColumnBlock).
QB_VECTOR_CLONES void block_cross_products(const float* centred, int stride, int length, int row0,
                                           int column_begin, float* products) {
  for (int jb = column_begin; jb < stride; jb += kColumnBlock) {
    Lane8 a0{}, a1{}, b0{}, b1{}, c0{}, c1{}, d0{}, d1{};
    for (int t = 0; t < length; ++t) {
      const float* year = centred + static_cast<std::size_t>(t) * stride;
      Lane8 lo;
      Lane8 hi;
      load8(lo, year + jb);
      load8(hi, year + jb + kLaneWidth);
      const float s0 = year[row0];
      const float s1 = year[row0 + 1];
      const float s2 = year[row0 + 2];
      const float s3 = year[row0 + 3];
      a0 += s0 * lo;
      a1 += s0 * hi;
      b0 += s1 * lo;
      b1 += s1 * hi;
      c0 += s2 * lo;
      c1 += s2 * hi;
      d0 += s3 * lo;
      d1 += s3 * hi;
    }
    store8(products + jb, a0);
    store8(products + jb + kLaneWidth, a1);
    store8(products + stride + jb, b0);
    store8(products + stride + jb + kLaneWidth, b1);
    store8(products + 2 * stride + jb, c0);
    store8(products + 2 * stride + jb + kLaneWidth, c1);
    store8(products + 3 * stride + jb, d0);
    store8(products + 3 * stride + jb + kLaneWidth, d1);
  }
}

// Correlation sxy / sqrt(sxx * syy) of one member with members begin..end-1,
// or +0.0 where pearsn would give no positive correlation (no spread, or a
// correlation of zero or less).
void correlations_of_row_scalar(const float* cross, const float* squares, float si, int begin, int end,
                                float* r) {
  for (int j = begin; j < end; ++j) {
    const float sxy = cross[j];
    const float sj = squares[j];
    const float spread = std::sqrt(si * sj);
    const float value = sxy / spread;
    r[j] = (sxy > 0.0f && si > 0.0f && sj > 0.0f && spread > 0.0f && value > 0.0f) ? value : 0.0f;
  }
}

#if defined(QB_HAVE_X86_VECTORS)
// The same with eight pairs at a time: vector square root and division are
// correctly rounded like their scalar forms, so every value is identical.
__attribute__((target("avx2"))) void correlations_of_row_avx2(const float* cross, const float* squares, float si,
                                                              int begin, int end, float* r) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 left = _mm256_set1_ps(si);
  const bool left_spread = si > 0.0f;
  int j = begin;
  if (left_spread) {
    for (; j + 8 <= end; j += 8) {
      const __m256 sxy = _mm256_loadu_ps(cross + j);
      const __m256 sj = _mm256_loadu_ps(squares + j);
      const __m256 spread = _mm256_sqrt_ps(_mm256_mul_ps(left, sj));
      const __m256 value = _mm256_div_ps(sxy, spread);
      __m256 keep = _mm256_cmp_ps(sxy, zero, _CMP_GT_OQ);
      keep = _mm256_and_ps(keep, _mm256_cmp_ps(sj, zero, _CMP_GT_OQ));
      keep = _mm256_and_ps(keep, _mm256_cmp_ps(spread, zero, _CMP_GT_OQ));
      keep = _mm256_and_ps(keep, _mm256_cmp_ps(value, zero, _CMP_GT_OQ));
      _mm256_storeu_ps(r + j, _mm256_and_ps(keep, value));
    }
  }
  correlations_of_row_scalar(cross, squares, si, j, end, r);
}
#endif

void correlations_of_row(const float* cross, const float* squares, float si, int begin, int end, float* r) {
#if defined(QB_HAVE_X86_VECTORS)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    correlations_of_row_avx2(cross, squares, si, begin, end, r);
    return;
  }
#endif
  correlations_of_row_scalar(cross, squares, si, begin, end, r);
}

WindowRbar window_rbar(const Matrix& x, std::span<const SeriesSpan> spans, int first_year, int window_start,
                       int window_length, WindowWork& work) {
  WindowRbar result;
  if (window_length < 1) return result;
  const int window_end = window_start + window_length - 1;
  const int first_row = window_start - first_year;
  if (first_row < 0 || first_row + window_length > x.rows()) return result;

  // Pairs that do not cover the window cost nothing: select the series first.
  work.members.clear();
  for (int j = 0; j < static_cast<int>(spans.size()); ++j) {
    if (spans[j].first_year <= window_start && spans[j].last_year >= window_end) work.members.push_back(j);
  }
  const int m = static_cast<int>(work.members.size());
  if (m < 3) return result;  // at most one pair

  const int stride = (m + kColumnBlock - 1) / kColumnBlock * kColumnBlock;
  work.stride = stride;
  work.centred.assign(static_cast<std::size_t>(window_length) * stride, 0.0f);
  work.squares.assign(stride, 0.0f);
  work.products.assign(static_cast<std::size_t>(kRowBlock) * stride, 0.0f);
  work.correlations.assign(stride, 0.0f);
  const float count = static_cast<float>(window_length);
  for (int k = 0; k < m; ++k) {
    const float* values = x.column(work.members[k]).data() + first_row;
    float sum = 0.0f;
    for (int t = 0; t < window_length; ++t) sum += values[t];
    const float mean = sum / count;
    float squares = 0.0f;
    for (int t = 0; t < window_length; ++t) {
      const float d = values[t] - mean;
      work.centred[static_cast<std::size_t>(t) * stride + k] = d;
      squares += d * d;
    }
    work.squares[k] = squares;
  }

  // Pairs in the order i < j, i ascending then j ascending, so that the
  // double-precision sums add the correlations in one fixed order.
  int positive = 0;
  double sum = 0.0;
  double sum_squares = 0.0;
  for (int row0 = 0; row0 < m - 1; row0 += kRowBlock) {
    const int column_begin = (row0 + 1) / kColumnBlock * kColumnBlock;
    block_cross_products(work.centred.data(), stride, window_length, row0, column_begin, work.products.data());
    for (int b = 0; b < kRowBlock && row0 + b < m - 1; ++b) {
      const int i = row0 + b;
      const float si = work.squares[i];
      const float* cross = work.products.data() + static_cast<std::size_t>(b) * stride;
      // Correlations first (independent per pair), then the sums in pair
      // order. A dropped pair adds +0.0, which leaves a sum of non-negative
      // terms bit for bit unchanged, so the sums need no branch.
      float* r = work.correlations.data();
      correlations_of_row(cross, work.squares.data(), si, i + 1, m, r);
      for (int j = i + 1; j < m; ++j) {
        const double value = r[j];
        positive += value > 0.0;
        sum += value;
        sum_squares += value * value;
      }
    }
  }
  if (positive < 3) return result;
  result.correlations = positive;
  result.rbar = static_cast<float>(sum / positive);
  const double rbar = result.rbar;
  // Rounding can leave the sum of squares a hair below n * rbar^2 when all
  // correlations are equal; the spread is then 0, not the root of a negative.
  const double variance = std::max(0.0, (sum_squares - positive * rbar * rbar) / (positive - 1));
  result.sd = static_cast<float>(std::sqrt(variance));
  result.se = result.sd / std::sqrt(static_cast<float>(positive));
  return result;
}

struct PlannedWindow {
  int start = 0;
  int centre = 0;
};

std::vector<WindowRbar> all_window_rbars(const Matrix& x, std::span<const SeriesSpan> spans, int first_year,
                                         const std::vector<PlannedWindow>& plan, int window_length, int threads) {
  std::vector<WindowRbar> results(plan.size());
  parallel_for_runs(static_cast<int>(plan.size()), threads, [&](int first, int last) {
    WindowWork work;
    for (int w = first; w < last; ++w) {
      results[w] = window_rbar(x, spans, first_year, plan[w].start, window_length, work);
    }
  });
  return results;
}

float effective_number(float n, float rbar) {
  if (n == 0.0f) return 0.0f;
  return n / ((n - 1.0f) * rbar + 1.0f);
}

}  // namespace

float expressed_population_signal(float n, float rbar) {
  if (n == 0.0f) return 0.0f;
  return rbar * n / ((1.0f - rbar) + rbar * n);
}

WindowRbar rrbar(const Matrix& x, std::span<const SeriesSpan> spans, const SeriesSpan& whole, int window_start,
                 int window_length) {
  if (spans.size() > static_cast<std::size_t>(x.cols())) throw std::invalid_argument("rrbar: more spans than columns");
  WindowWork work;
  return window_rbar(x, spans, whole.first_year, window_start, window_length, work);
}

RunningRbar runbar(const Matrix& x, std::span<const SeriesSpan> spans, const SeriesSpan& whole,
                   std::span<const int> depth, std::span<const float> chronology, const RunningRbarOptions& options,
                   TextOutput& out) {
  const int first_year = whole.first_year;
  const int last_year = whole.last_year;
  const int years = last_year - first_year + 1;
  if (years < 1 || x.rows() < years || static_cast<int>(depth.size()) < years ||
      static_cast<int>(chronology.size()) < years || spans.size() > static_cast<std::size_t>(x.cols())) {
    throw std::invalid_argument("runbar: tables shorter than the span of the set");
  }

  RunningRbar result;
  int length = options.window_length;
  int overlap = options.window_overlap;
  if (length % 2 == 0) {
    overlap = length;
    length += 1;
  }
  // A step of zero or less would never leave the first window.
  if (overlap >= length) overlap = length - 1;
  result.window_length = length;
  result.window_overlap = overlap;

  if (!options.quiet) {
    console().write("(/1x,'Running RBAR window length: ',t37,i5)", length);
    console().write("(1x,'Running RBAR window overlap: ',t37,i5)", overlap);
  }

  const int step = length - overlap;
  std::vector<PlannedWindow> plan;
  if (length >= 1) {
    const int windows = (last_year - first_year + step) / step;
    for (int k = 0; k < windows; ++k) {
      const int start = first_year + step * k;
      if (static_cast<long long>(start) + length - 1 > last_year) continue;
      plan.push_back({start, start + length / 2});
    }
  }
  const std::vector<WindowRbar> rbars =
      all_window_rbars(x, spans, first_year, plan, length, options.threads);

  // Values per calendar row, for the window series count.
  std::vector<long long> values_in_row(years, 0);
  for (int j = 0; j < static_cast<int>(spans.size()); ++j) {
    const auto column = x.column(j);
    for (int r = 0; r < years; ++r) {
      if (!is_missing(column[r])) ++values_in_row[r];
    }
  }

  result.rbar1.assign(years, kNoRbar);
  std::vector<bool> has_centre(years, false);
  for (std::size_t w = 0; w < plan.size(); ++w) {
    const WindowRbar& window = rbars[w];
    if (!has_rbar(window.rbar)) continue;
    const int first_row = plan[w].start - first_year;
    long long cells = 0;
    for (int r = first_row; r < first_row + length; ++r) cells += values_in_row[r];
    RbarWindow row;
    row.centre_year = plan[w].centre;
    row.correlations = window.correlations;
    row.rbar = window.rbar;
    row.sd = window.sd;
    row.se = window.se;
    row.series_count = static_cast<float>(cells) / static_cast<float>(length);
    row.eps = window.rbar / ((1.0f - window.rbar) / row.series_count + window.rbar);
    result.windows.push_back(row);
    const int centre_row = plan[w].centre - first_year;
    result.rbar1[centre_row] = window.rbar;
    has_centre[centre_row] = true;
  }

  if (!options.quiet) {
    console().write("(1x,'Running RBAR segments calculated: ',t37,i5)", static_cast<int>(result.windows.size()));
  }

  const bool any_window = !result.windows.empty();
  result.neff1.assign(years, kNoRbar);
  result.rbar2.assign(years, kNoRbar);
  result.neff2.assign(years, kNoRbar);
  result.adjusted1.assign(chronology.begin(), chronology.begin() + years);
  result.adjusted2 = result.adjusted1;

  if (any_window) {
    // Each Rbar sits at its own centre year; the years before the first
    // centre take the first window's value, every later year without a
    // centre of its own the value of the last yielding window before it
    // (with a one-year step and no gap this is the tail fill).
    const int off = result.windows.front().centre_year - first_year;
    for (int r = 0; r < off; ++r) result.rbar1[r] = result.rbar1[off];
    for (int r = off + 1; r < years; ++r) {
      if (!has_centre[r]) result.rbar1[r] = result.rbar1[r - 1];
    }

    // RBAR2: RBAR1 averaged over each run of years with the same depth.
    int run_start = 0;
    for (int r = 1; r <= years; ++r) {
      if (r < years && depth[r] == depth[r - 1]) continue;
      float sum = 0.0f;
      for (int k = run_start; k < r; ++k) sum += result.rbar1[k];
      const float mean = sum / static_cast<float>(r - run_start);
      for (int k = run_start; k < r; ++k) result.rbar2[k] = mean;
      run_start = r;
    }

    float sum = 0.0f;
    for (int r = 0; r < years; ++r) sum += chronology[r];
    const float mean = sum / static_cast<float>(years);
    for (int r = 0; r < years; ++r) {
      const float n = static_cast<float>(depth[r]);
      result.neff1[r] = effective_number(n, result.rbar1[r]);
      result.neff2[r] = effective_number(n, result.rbar2[r]);
      result.adjusted1[r] = std::sqrt(result.rbar1[r] * result.neff1[r]) * (chronology[r] - mean) + mean;
      result.adjusted2[r] = std::sqrt(result.rbar2[r] * result.neff2[r]) * (chronology[r] - mean) + mean;
    }
  }

  out.write("(' YEAR     NC   RBAR1    EPS1   NEFF1   RBAR2    EPS2   NEFF2')");
  for (int r = 0; r < years; ++r) {
    const float n = static_cast<float>(depth[r]);
    const float eps1 = any_window ? expressed_population_signal(n, result.rbar1[r]) : kNoRbar;
    const float eps2 = any_window ? expressed_population_signal(n, result.rbar2[r]) : kNoRbar;
    out.write("(i5,i7,6f8.3)", first_year + r, depth[r], result.rbar1[r], eps1, result.neff1[r], result.rbar2[r],
              eps2, result.neff2[r]);
  }
  return result;
}

}  // namespace qb
