#include "detrend/running_rbar.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/console.hpp"
#include "platform/record_format.hpp"
#include "platform/thread_pool.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QB_HAVE_X86_VECTORS 1
// Built for plain x86-64 and again for AVX2; the loader picks the one the
// processor runs. Both give the same bits (no fused multiply-add).
// ThreadSanitizer builds keep the plain one: the loader's choice runs
// before the sanitizer is set up.
#if defined(__SANITIZE_THREAD__)
#define QB_VECTOR_CLONES
#else
#define QB_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#else
#define QB_VECTOR_CLONES
#endif

namespace qb {
namespace {

#if defined(QB_HAVE_X86_VECTORS)
// Each kernel below exists for the widest vectors the processor has; all of
// them give the same bits.
bool has_avx2() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}
bool has_avx512() {
  static const bool avx512 = __builtin_cpu_supports("avx512f");
  return avx512;
}
#endif

// Correlations of all pairs in a window are computed as one blocked product of
// the centred window matrix with itself. Every pair still gets exactly the
// single-precision operations of pearsn in the same order (means and sums of
// squares per series, the cross products summed over years in year order),
// so each correlation is bit-identical to pearsn on the two columns; only
// the work shared between pairs is done once.
using Lane8 = float __attribute__((vector_size(32)));
constexpr int kLaneWidth = 8;
constexpr int kColumnBlock = 2 * kLaneWidth;
// Rows of the blocked product handled together; the AVX2 kernel takes half
// of them at a time.
constexpr int kRowBlock = 8;
constexpr int kHalfRowBlock = kRowBlock / 2;

// Windows summed side by side: the sums over pairs run in pair order, so
// each window's sum is one long chain of dependent additions; windows with
// the same members go through their pairs together and their chains overlap.
constexpr int kWindowGroup = 4;

// One window's centred matrix and the products and correlations of the rows
// at hand.
struct WindowWork {
  std::vector<float> centred;   // panels of kColumnBlock members (panel_offset)
  std::vector<float> squares;   // sum of squared deviations of each member
  std::vector<float> products;  // cross products of a block of rows
  std::vector<float> correlations;  // of one row with the later members
};

// The sums of one window's positive correlations, in pair order.
struct PairSums {
  int positive = 0;
  double sum = 0.0;
  double sum_squares = 0.0;
};

inline void load8(Lane8& v, const float* p) { std::memcpy(&v, p, sizeof v); }
inline void store8(float* p, const Lane8& v) { std::memcpy(p, &v, sizeof v); }

// The centred window is kept in panels of kColumnBlock members: the window's
// years of one panel lie together, year t of member k of the panel at
// t * kColumnBlock + k, so the products read memory in order.
inline std::size_t panel_offset(int member, int length) {
  return static_cast<std::size_t>(member / kColumnBlock) * length * kColumnBlock + member % kColumnBlock;
}

// Cross products of members row0 .. row0 + 3 with every member from
// column_begin on (column_begin a multiple of kColumnBlock), one row after
// the other `stride` apart in products.
QB_VECTOR_CLONES void block_cross_products(const float* centred, int stride, int length, int row0,
                                           int column_begin, float* products) {
  const float* rows = centred + panel_offset(row0, length);
  for (int jb = column_begin; jb < stride; jb += kColumnBlock) {
    const float* panel = centred + panel_offset(jb, length);
    Lane8 a0{}, a1{}, b0{}, b1{}, c0{}, c1{}, d0{}, d1{};
    for (int t = 0; t < length; ++t) {
      const float* year = panel + static_cast<std::size_t>(t) * kColumnBlock;
      const float* row_year = rows + static_cast<std::size_t>(t) * kColumnBlock;
      Lane8 lo;
      Lane8 hi;
      load8(lo, year);
      load8(hi, year + kLaneWidth);
      const float s0 = row_year[0];
      const float s1 = row_year[1];
      const float s2 = row_year[2];
      const float s3 = row_year[3];
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

#if defined(QB_HAVE_X86_VECTORS)
using Lane16 = float __attribute__((vector_size(64)));

// The same for members row0 .. row0 + 7 with sixteen members at a time:
// twice the work per instruction where the processor has 512-bit vectors.
__attribute__((target("avx512f"))) void block_cross_products_avx512(const float* centred, int stride, int length,
                                                                    int row0, int column_begin, float* products) {
  const float* rows = centred + panel_offset(row0, length);
  for (int jb = column_begin; jb < stride; jb += kColumnBlock) {
    const float* panel = centred + panel_offset(jb, length);
    Lane16 a0{}, a1{}, a2{}, a3{}, a4{}, a5{}, a6{}, a7{};
    for (int t = 0; t < length; ++t) {
      const float* row_year = rows + static_cast<std::size_t>(t) * kColumnBlock;
      Lane16 v;
      std::memcpy(&v, panel + static_cast<std::size_t>(t) * kColumnBlock, sizeof v);
      a0 += row_year[0] * v;
      a1 += row_year[1] * v;
      a2 += row_year[2] * v;
      a3 += row_year[3] * v;
      a4 += row_year[4] * v;
      a5 += row_year[5] * v;
      a6 += row_year[6] * v;
      a7 += row_year[7] * v;
    }
    const Lane16* sums[kRowBlock] = {&a0, &a1, &a2, &a3, &a4, &a5, &a6, &a7};
    for (int b = 0; b < kRowBlock; ++b) std::memcpy(products + b * stride + jb, sums[b], sizeof(Lane16));
  }
}
#endif

// Cross products of members row0 .. row0 + kRowBlock - 1 (row0 a multiple
// of kRowBlock, so the rows lie in one panel) with every member from
// column_begin on.
void row_block_products(const float* centred, int stride, int length, int row0, int column_begin,
                        float* products) {
#if defined(QB_HAVE_X86_VECTORS)
  if (has_avx512()) {
    block_cross_products_avx512(centred, stride, length, row0, column_begin, products);
    return;
  }
#endif
  block_cross_products(centred, stride, length, row0, column_begin, products);
  block_cross_products(centred, stride, length, row0 + kHalfRowBlock, column_begin,
                       products + static_cast<std::size_t>(kHalfRowBlock) * stride);
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

#if defined(QB_HAVE_X86_VECTORS)
// And sixteen at a time.
__attribute__((target("avx512f"))) void correlations_of_row_avx512(const float* cross, const float* squares,
                                                                   float si, int begin, int end, float* r) {
  const __m512 zero = _mm512_setzero_ps();
  const __m512 left = _mm512_set1_ps(si);
  int j = begin;
  if (si > 0.0f) {
    for (; j + 16 <= end; j += 16) {
      const __m512 sxy = _mm512_loadu_ps(cross + j);
      const __m512 sj = _mm512_loadu_ps(squares + j);
      const __m512 spread = _mm512_maskz_sqrt_ps(0xFFFF, _mm512_mul_ps(left, sj));
      const __m512 value = _mm512_div_ps(sxy, spread);
      __mmask16 keep = _mm512_cmp_ps_mask(sxy, zero, _CMP_GT_OQ);
      keep &= _mm512_cmp_ps_mask(sj, zero, _CMP_GT_OQ);
      keep &= _mm512_cmp_ps_mask(spread, zero, _CMP_GT_OQ);
      keep &= _mm512_cmp_ps_mask(value, zero, _CMP_GT_OQ);
      _mm512_storeu_ps(r + j, _mm512_maskz_mov_ps(keep, value));
    }
  }
  correlations_of_row_scalar(cross, squares, si, j, end, r);
}
#endif

void correlations_of_row(const float* cross, const float* squares, float si, int begin, int end, float* r) {
#if defined(QB_HAVE_X86_VECTORS)
  if (has_avx512()) {
    correlations_of_row_avx512(cross, squares, si, begin, end, r);
    return;
  }
  if (has_avx2()) {
    correlations_of_row_avx2(cross, squares, si, begin, end, r);
    return;
  }
#endif
  correlations_of_row_scalar(cross, squares, si, begin, end, r);
}

// The series that cover the whole window, in series order.
void window_members(std::span<const SeriesSpan> spans, int window_start, int window_length, std::vector<int>& members) {
  const int window_end = window_start + window_length - 1;
  members.clear();
  for (int j = 0; j < static_cast<int>(spans.size()); ++j) {
    if (spans[j].first_year <= window_start && spans[j].last_year >= window_end) members.push_back(j);
  }
}

// Centres the window's values of every member on their window mean, in
// single precision and year order as pearsn does.
void centre_window(const Matrix& x, std::span<const int> members, int first_row, int window_length, int stride,
                   WindowWork& work) {
  const int m = static_cast<int>(members.size());
  // Every value read is written first, but for the members that pad the
  // last panel: they are 0, so their products are numbers nobody reads.
  work.centred.resize(static_cast<std::size_t>(window_length) * stride);
  work.squares.resize(stride);
  work.products.resize(static_cast<std::size_t>(kRowBlock) * stride);
  work.correlations.resize(stride);
  if (m < stride) {
    float* last_panel = work.centred.data() + panel_offset(m - m % kColumnBlock, window_length);
    for (int t = 0; t < window_length; ++t) {
      std::fill_n(last_panel + static_cast<std::size_t>(t) * kColumnBlock + m % kColumnBlock,
                  kColumnBlock - m % kColumnBlock, 0.0f);
    }
  }
  const float count = static_cast<float>(window_length);
  // Members a few at a time: their sums are separate chains of additions,
  // which the processor runs side by side.
  constexpr int kTogether = 8;
  for (int k0 = 0; k0 < m; k0 += kTogether) {
    const int together = std::min(kTogether, m - k0);
    const float* values[kTogether];
    float sums[kTogether] = {};
    float means[kTogether] = {};
    float squares[kTogether] = {};
    for (int u = 0; u < together; ++u) values[u] = x.column(members[k0 + u]).data() + first_row;
    for (int t = 0; t < window_length; ++t) {
      for (int u = 0; u < together; ++u) sums[u] += values[u][t];
    }
    for (int u = 0; u < together; ++u) means[u] = sums[u] / count;
    float* panel = work.centred.data() + panel_offset(k0, window_length);
    for (int t = 0; t < window_length; ++t) {
      float* year = panel + static_cast<std::size_t>(t) * kColumnBlock;
      for (int u = 0; u < together; ++u) {
        const float d = values[u][t] - means[u];
        year[u] = d;
        squares[u] += d * d;
      }
    }
    for (int u = 0; u < together; ++u) work.squares[k0 + u] = squares[u];
  }
}

// One window's sums in registers.
struct PairChain {
  int positive;
  double sum;
  double sum_squares;
  explicit PairChain(const PairSums& sums) : positive(sums.positive), sum(sums.sum), sum_squares(sums.sum_squares) {}
  // A dropped pair adds +0.0, which leaves a sum of non-negative terms bit
  // for bit unchanged, so the sums need no branch.
  void add(float correlation) {
    const double value = correlation;
    positive += value > 0.0;
    sum += value;
    sum_squares += value * value;
  }
  PairSums sums() const { return {positive, sum, sum_squares}; }
};

// Adds the correlations of one row with members begin..end-1 to the sums of
// each window of the group, pair after pair.
template <int Windows>
void add_pairs(const std::array<const float*, kWindowGroup>& r, int begin, int end,
               std::array<PairSums, kWindowGroup>& sums) {
  PairChain a(sums[0]);
  PairChain b(sums[Windows > 1 ? 1 : 0]);
  PairChain c(sums[Windows > 2 ? 2 : 0]);
  PairChain d(sums[Windows > 3 ? 3 : 0]);
  for (int j = begin; j < end; ++j) {
    a.add(r[0][j]);
    if constexpr (Windows > 1) b.add(r[1][j]);
    if constexpr (Windows > 2) c.add(r[2][j]);
    if constexpr (Windows > 3) d.add(r[3][j]);
  }
  sums[0] = a.sums();
  if constexpr (Windows > 1) sums[1] = b.sums();
  if constexpr (Windows > 2) sums[2] = c.sums();
  if constexpr (Windows > 3) sums[3] = d.sums();
}

#if defined(QB_HAVE_X86_VECTORS)
// Four windows in the four lanes of a vector of doubles: each lane adds its
// own window's pairs in pair order, as the scalar chains do.
__attribute__((target("avx2"))) void add_pairs_avx2(const std::array<const float*, kWindowGroup>& r, int begin,
                                                    int end, std::array<PairSums, kWindowGroup>& sums) {
  static_assert(kWindowGroup == 4);
  __m256d sum = _mm256_setr_pd(sums[0].sum, sums[1].sum, sums[2].sum, sums[3].sum);
  __m256d sum_squares = _mm256_setr_pd(sums[0].sum_squares, sums[1].sum_squares, sums[2].sum_squares,
                                       sums[3].sum_squares);
  __m256i positive = _mm256_setzero_si256();
  const __m256d zero = _mm256_setzero_pd();
  int j = begin;
  for (; j + 4 <= end; j += 4) {
    __m128 w0 = _mm_loadu_ps(r[0] + j);
    __m128 w1 = _mm_loadu_ps(r[1] + j);
    __m128 w2 = _mm_loadu_ps(r[2] + j);
    __m128 w3 = _mm_loadu_ps(r[3] + j);
    _MM_TRANSPOSE4_PS(w0, w1, w2, w3);
    for (const __m128 pair : {w0, w1, w2, w3}) {
      const __m256d value = _mm256_cvtps_pd(pair);
      positive = _mm256_sub_epi64(positive, _mm256_castpd_si256(_mm256_cmp_pd(value, zero, _CMP_GT_OQ)));
      sum = _mm256_add_pd(sum, value);
      sum_squares = _mm256_add_pd(sum_squares, _mm256_mul_pd(value, value));
    }
  }
  alignas(32) double sum_lanes[4];
  alignas(32) double square_lanes[4];
  alignas(32) long long positive_lanes[4];
  _mm256_store_pd(sum_lanes, sum);
  _mm256_store_pd(square_lanes, sum_squares);
  _mm256_store_si256(reinterpret_cast<__m256i*>(positive_lanes), positive);
  for (int g = 0; g < 4; ++g) {
    PairChain chain(PairSums{sums[g].positive + static_cast<int>(positive_lanes[g]), sum_lanes[g], square_lanes[g]});
    for (int k = j; k < end; ++k) chain.add(r[g][k]);
    sums[g] = chain.sums();
  }
}
#endif

void add_pairs(int windows, const std::array<const float*, kWindowGroup>& correlations, int begin, int end,
               std::array<PairSums, kWindowGroup>& sums) {
  static_assert(kWindowGroup == 4);
#if defined(QB_HAVE_X86_VECTORS)
  if (has_avx2() && windows == 4) {
    add_pairs_avx2(correlations, begin, end, sums);
    return;
  }
#endif
  switch (windows) {
    case 1: add_pairs<1>(correlations, begin, end, sums); return;
    case 2: add_pairs<2>(correlations, begin, end, sums); return;
    case 3: add_pairs<3>(correlations, begin, end, sums); return;
    default: add_pairs<4>(correlations, begin, end, sums); return;
  }
}

WindowRbar rbar_of(const PairSums& sums) {
  WindowRbar result;
  if (sums.positive < 3) return result;
  result.correlations = sums.positive;
  result.rbar = static_cast<float>(sums.sum / sums.positive);
  const double rbar = result.rbar;
  // Rounding can leave the sum of squares a hair below n * rbar^2 when all
  // correlations are equal; the spread is then 0, not the root of a negative.
  const double variance = std::max(0.0, (sums.sum_squares - sums.positive * rbar * rbar) / (sums.positive - 1));
  result.sd = static_cast<float>(std::sqrt(variance));
  result.se = result.sd / std::sqrt(static_cast<float>(sums.positive));
  return result;
}

// Windows of the same members and length, side by side.
struct WindowGroup {
  std::span<const int> members;
  std::array<int, kWindowGroup> first_rows{};
  int windows = 0;
};

// Rbar of every window of the group. Every pair still gets exactly the
// single-precision operations of pearsn in the same order (means and sums
// of squares per series, the cross products summed over years in year
// order), and each window's sums take its pairs in the order i < j, i
// ascending then j ascending, so every window's value is that of a window
// computed alone.
void group_rbars(const Matrix& x, const WindowGroup& group, int window_length,
                 std::array<WindowWork, kWindowGroup>& work, std::span<WindowRbar> results) {
  const int m = static_cast<int>(group.members.size());
  const int stride = (m + kColumnBlock - 1) / kColumnBlock * kColumnBlock;
  for (int g = 0; g < group.windows; ++g) {
    centre_window(x, group.members, group.first_rows[g], window_length, stride, work[g]);
  }
  std::array<PairSums, kWindowGroup> sums{};
  std::array<const float*, kWindowGroup> correlations{};
  for (int row0 = 0; row0 < m - 1; row0 += kRowBlock) {
    const int column_begin = (row0 + 1) / kColumnBlock * kColumnBlock;
    for (int g = 0; g < group.windows; ++g) {
      row_block_products(work[g].centred.data(), stride, window_length, row0, column_begin, work[g].products.data());
    }
    for (int b = 0; b < kRowBlock && row0 + b < m - 1; ++b) {
      const int i = row0 + b;
      for (int g = 0; g < group.windows; ++g) {
        const float* cross = work[g].products.data() + static_cast<std::size_t>(b) * stride;
        correlations_of_row(cross, work[g].squares.data(), work[g].squares[i], i + 1, m, work[g].correlations.data());
        correlations[g] = work[g].correlations.data();
      }
      add_pairs(group.windows, correlations, i + 1, m, sums);
    }
  }
  for (int g = 0; g < group.windows; ++g) results[g] = rbar_of(sums[g]);
}

WindowRbar window_rbar(const Matrix& x, std::span<const SeriesSpan> spans, int first_year, int window_start,
                       int window_length) {
  if (window_length < 1) return {};
  const int first_row = window_start - first_year;
  if (first_row < 0 || first_row + window_length > x.rows()) return {};
  std::vector<int> members;
  window_members(spans, window_start, window_length, members);
  if (members.size() < 3) return {};  // at most one pair
  WindowGroup group{members, {first_row}, 1};
  std::array<WindowWork, kWindowGroup> work;
  WindowRbar result;
  group_rbars(x, group, window_length, work, std::span<WindowRbar>(&result, 1));
  return result;
}

struct PlannedWindow {
  int start = 0;
  int centre = 0;
};

std::vector<WindowRbar> all_window_rbars(const Matrix& x, std::span<const SeriesSpan> spans, int first_year,
                                         const std::vector<PlannedWindow>& plan, int window_length, int threads) {
  // Windows that share their members (a series enters or leaves the window
  // only now and then) are grouped; a group is never split over threads.
  const int windows = static_cast<int>(plan.size());
  std::vector<int> group_starts;
  std::vector<int> first_members, members;
  std::size_t most_members = 0;
  for (int w = 0; w < windows; ++w) {
    window_members(spans, plan[w].start, window_length, members);
    most_members = std::max(most_members, members.size());
    if (group_starts.empty() || w - group_starts.back() >= kWindowGroup || members != first_members) {
      group_starts.push_back(w);
      std::swap(first_members, members);
    }
  }
  const int groups = static_cast<int>(group_starts.size());
  group_starts.push_back(windows);

  // A group's work storage grows with the members of its windows; the
  // threads are limited so that all of them together stay within a fixed
  // budget, however many the machine has.
  constexpr std::size_t kWorkBudget = std::size_t{32} << 20;
  const std::size_t stride = (most_members + kColumnBlock - 1) / kColumnBlock * kColumnBlock;
  const std::size_t group_bytes =
      kWindowGroup * (static_cast<std::size_t>(window_length) + kRowBlock + 2) * stride * sizeof(float);
  const int affordable = static_cast<int>(std::max<std::size_t>(1, kWorkBudget / std::max<std::size_t>(group_bytes, 1)));
  threads = std::min(threads > 0 ? threads : hardware_threads(), affordable);

  std::vector<WindowRbar> results(plan.size());
  parallel_for_runs(groups, threads, [&](int first, int last) {
    std::array<WindowWork, kWindowGroup> work;
    std::vector<int> group_members;
    for (int k = first; k < last; ++k) {
      const int w0 = group_starts[k];
      window_members(spans, plan[w0].start, window_length, group_members);
      WindowGroup group;
      group.members = group_members;
      group.windows = group_starts[k + 1] - w0;
      if (group.members.size() < 3) continue;  // at most one pair
      for (int g = 0; g < group.windows; ++g) group.first_rows[g] = plan[w0 + g].start - first_year;
      group_rbars(x, group, window_length, work, std::span<WindowRbar>(results).subspan(w0, group.windows));
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
  return window_rbar(x, spans, whole.first_year, window_start, window_length);
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

  // Values per calendar row, for the window series count: only the rows
  // of each series' span are visited.
  std::vector<long long> values_in_row(years, 0);
  for (int j = 0; j < static_cast<int>(spans.size()); ++j) {
    const auto column = x.column(j);
    const int from = std::max(spans[j].first_year - first_year, 0);
    const int to = std::min(spans[j].last_year - first_year + 1, years);
    for (int r = from; r < to; ++r) {
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
  out.put(render_in_parallel(years, options.threads, [&](int r) {
    const float n = static_cast<float>(depth[r]);
    const float eps1 = any_window ? expressed_population_signal(n, result.rbar1[r]) : kNoRbar;
    const float eps2 = any_window ? expressed_population_signal(n, result.rbar2[r]) : kNoRbar;
    return format_record("(i5,i7,6f8.3)", first_year + r, depth[r], result.rbar1[r], eps1, result.neff1[r],
                         result.rbar2[r], eps2, result.neff2[r]);
  }));
  return result;
}

}  // namespace qb
