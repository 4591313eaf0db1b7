#include "detrend/robust_statistics.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "platform/bounds.hpp"
#include "platform/console.hpp"
#include "platform/thread_pool.hpp"

namespace qb {
namespace {

// x is 1-based in the formulas below; at(x, k) reads x(k).
inline float at(std::span<const float> x, std::ptrdiff_t k) { return x[static_cast<std::size_t>(k - 1)]; }

// Median of a sorted vector: the middle value, or the mean of the two middle
// values.
float sorted_median(std::span<const float> x) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(x.size());
  if (n == 0) return 0.0f;
  const std::ptrdiff_t h = n / 2;
  if (n % 2 == 1) return at(x, h + 1);
  return (at(x, h) + at(x, h + 1)) * 0.5f;
}

}  // namespace

namespace {

// The summary of a vector whose order statistics at the positions used are in
// place (1-based positions, as the fourths are defined).
FiveNumberSummary summary_of_ordered(std::span<const float> x) {
  FiveNumberSummary s;
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(x.size());
  const std::ptrdiff_t h = n / 2;
  const std::ptrdiff_t m = (n + 1) / 2;
  const std::ptrdiff_t k = m / 2;
  s.min = at(x, 1);
  s.max = at(x, n);
  s.median = (at(x, n - h) + at(x, h + 1)) / 2.0f;
  s.lower = (at(x, m - k) + at(x, k + 1)) / 2.0f;
  s.upper = (at(x, n - k) + at(x, n - m + k + 1)) / 2.0f;
  s.spread = s.upper - s.lower;
  return s;
}

// The m-th and (m + 1)-th smallest absolute deviations from the median of a
// sorted vector. x - median rises with x (rounding keeps the order), so the
// deviations fall to the median and rise after it: two sorted runs, merged
// from the median outwards. Equal values are equal deviations, so the order
// statistics are those of any sort of the deviations.
struct MiddleDeviations {
  float lower = 0.0f;
  float upper = 0.0f;
};
MiddleDeviations middle_deviations(std::span<const float> x, float median, std::ptrdiff_t m) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(x.size());
  // A NaN, or an infinite median, has no place in that order: select among
  // the deviations themselves.
  if (!std::isfinite(median) || std::any_of(x.begin(), x.end(), [](float v) { return std::isnan(v); })) {
    thread_local std::vector<float> deviations;
    deviations.resize(x.size());
    for (std::ptrdiff_t i = 0; i < n; ++i) deviations[i] = std::fabs(x[i] - median);
    const auto middle = deviations.begin() + (m - 1);
    std::nth_element(deviations.begin(), middle, deviations.end());
    return {*middle, m < n ? *std::min_element(middle + 1, deviations.end()) : *middle};
  }
  std::ptrdiff_t below = std::partition_point(x.begin(), x.end(), [&](float v) { return v - median < 0.0f; }) -
                         x.begin() - 1;
  std::ptrdiff_t above = below + 1;
  const auto next = [&] {
    if (below >= 0 && (above >= n || std::fabs(x[below] - median) <= std::fabs(x[above] - median))) {
      return std::fabs(x[below--] - median);
    }
    return std::fabs(x[above++] - median);
  };
  for (std::ptrdiff_t k = 1; k < m; ++k) next();
  MiddleDeviations middle;
  middle.lower = next();
  middle.upper = m < n ? next() : middle.lower;
  return middle;
}

}  // namespace

FiveNumberSummary mfs(std::span<float> x) {
  if (x.empty()) return {};
  qcksrt(x);
  return summary_of_ordered(x);
}

float mdian1(std::span<float> x) {
  qcksrt(x);
  return sorted_median(x);
}

float xmad(std::span<const float> x, float median) {
  std::vector<float> deviations(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) deviations[i] = std::fabs(x[i] - median);
  qcksrt(deviations);
  return sorted_median(deviations);
}

MeanSd mnsd(std::span<const float> x) {
  MeanSd r;
  const std::size_t n = x.size();
  if (n == 0) return r;
  float sum = 0.0f;
  for (float v : x) sum += v;
  r.mean = sum / static_cast<float>(n);
  if (n == 1) return r;
  float squares = 0.0f;
  for (float v : x) squares += (v - r.mean) * (v - r.mean);
  r.sd = std::sqrt(squares / static_cast<float>(n - 1));
  return r;
}

// Tukey's biweight (Mosteller and Tukey): location with the tuning constant 6
// and scale with 9, both in units of the MAD about the median, which stays
// fixed while the centre is refined.
BiweightEstimate xbiwt(std::span<float> x) {
  BiweightEstimate r;
  const std::size_t n = x.size();
  const float median = mdian1(x);
  const float mad = xmad(x, median);
  if (n <= 5 || mad <= 0.0001f) {
    r.location = r.one_step_location = median;
    r.scale = r.one_step_scale = mad * 3.0f * 0.5f;
    return r;
  }
  const float fn = static_cast<float>(n);
  float centre = median;
  for (int step = 1; step <= 11; ++step) {
    float a = 0.0f, b = 0.0f, c = 0.0f, d = 0.0f;
    for (float v : x) {
      const float dev = v - centre;
      const float u = dev / (9.0f * mad);
      if (std::fabs(u) < 1.0f) {
        const float q = 1.0f - u * u;
        a += dev * dev * (q * q * q * q);
        b += q * (1.0f - 5.0f * u * u);
      }
      const float vv = dev / (6.0f * mad);
      if (std::fabs(vv) < 1.0f) {
        const float q = 1.0f - vv * vv;
        const float w = q * q;
        c += w * dev;
        d += w;
      }
    }
    // The values within 6 MAD of the centre always include some; an empty
    // neighbourhood would only leave the centre where it is.
    const float location = d > 0.0f ? centre + c / d : centre;
    const float scale = fn / std::sqrt(fn - 1.0f) * std::sqrt(a) / std::fabs(b);
    if (step == 1) {
      r.one_step_location = location;
      r.one_step_scale = scale;
    }
    r.location = location;
    r.scale = scale;
    centre = location;
  }
  return r;
}

LocationScale biwgt(std::span<float> x, int option, std::span<float> weights) {
  LocationScale r;
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(x.size());
  const bool want_weights = !weights.empty();
  auto set_unit_weights = [&] {
    if (want_weights) std::fill_n(weights.begin(), n, 1.0f);
  };
  if (n <= 0) {
    r.location = kMissing;
    console().pause("fatal error in biwgt: n is zero or negative");
    console().stop("", kExitAbnormal);
  }
  if (n == 1) {
    r.location = x[0];
    r.scale = 0.0f;
    set_unit_weights();
    return r;
  }

  if (option == kSummaryArithmeticMean) {
    double sum = 0.0;
    for (float v : x) sum += v;
    const float mean = static_cast<float>(sum / static_cast<double>(n));
    double squares = 0.0;
    for (float v : x) {
      const double dev = static_cast<double>(v) - static_cast<double>(mean);
      squares += dev * dev;
    }
    const float variance = static_cast<float>(squares / static_cast<double>(n - 1));
    r.location = mean;
    r.scale = std::sqrt(variance);
    set_unit_weights();
    return r;
  }

  const FiveNumberSummary fourths = mfs(x);
  if (option < 0) {
    const int p = -option;
    r.scale = 0.0f;
    set_unit_weights();
    switch (p) {
      case 1: r.location = at(x, 1); return r;
      case 25: r.location = fourths.lower; return r;
      case 50: r.location = fourths.median; return r;
      case 75: r.location = fourths.upper; return r;
      case 100: r.location = at(x, n); return r;
      default: break;
    }
    const float q = static_cast<float>(p) * static_cast<float>(n) / 100.0f;
    // Percentiles beyond the ends of a short vector take the end value
    // instead of reading outside it.
    const std::ptrdiff_t i1 = std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(q), 1, n);
    const std::ptrdiff_t i2 = std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(q + 0.5f), 1, n);
    r.location = (at(x, i1) + at(x, i2)) * 0.5f;
    return r;
  }

  // Tukey's biweight mean: four steps from the median with the tuning
  // constant 7.5 MAD for both location and scale.
  const float median = fourths.median;
  const std::ptrdiff_t m = (n + 1) / 2;
  const MiddleDeviations middle = middle_deviations(x, median, m);
  const float lower_middle = middle.lower;
  const float upper_middle = (n - m + 1 == m) ? lower_middle : middle.upper;
  const float mad = (upper_middle + lower_middle) * 0.5f;

  if (mad < 0.0001f && n >= 6) {
    r.location = median;
    r.scale = mad;
    set_unit_weights();
    return r;
  }
  if (n <= 5) {
    r.scale = mad * 3.0f * 0.5f;
    r.location = median;
    set_unit_weights();
    return r;
  }

  const double dn = static_cast<double>(n);
  const double cutoff = 7.5 * static_cast<double>(mad);
  double centre = median;
  double location = centre;
  double scale = 0.0;
  for (int step = 1; step <= 4; ++step) {
    double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      const double dev = static_cast<double>(x[i]) - centre;
      const double u = dev / cutoff;
      float weight = 0.0f;
      if (std::fabs(u) < 1.0) {
        const double q = 1.0 - u * u;
        a += q * q * q * q * dev * dev;
        b += (1.0 - 5.0 * u * u) * q;
        const double w = q * q;
        c += w * dev;
        d += w;
        weight = static_cast<float>(w);
      }
      if (want_weights) weights[i] = weight;
    }
    location = d > 0.0 ? centre + c / d : centre;
    scale = dn / std::sqrt(dn - 1.0) * std::sqrt(a) / std::fabs(b);
    centre = location;
  }
  r.location = static_cast<float>(location);
  r.scale = static_cast<float>(scale);
  return r;
}

namespace {

// Rows are gathered a tile at a time, column by column into a row-major
// tile, so that each column is read sequentially instead of one cache line
// per value.
constexpr int kTileRows = 16;

// Summarises the rows of tiles [first_tile, last_tile).
void summarise_tiles(const Matrix& x, int nrow, int nser, int option, std::span<const RowRange> covered,
                     int first_tile, int last_tile, RowSummary& r) {
  std::vector<int> members;
  std::vector<float> tile;
  std::vector<float> row;
  std::vector<float> weights;
  for (int t = first_tile; t < last_tile; ++t) {
    const int i0 = t * kTileRows;
    const int i1 = std::min(nrow, i0 + kTileRows);
    members.clear();
    for (int j = 0; j < nser; ++j) {
      if (covered.empty() || (covered[j].first < i1 && covered[j].last > i0)) members.push_back(j);
    }
    const std::size_t m = members.size();
    tile.assign(static_cast<std::size_t>(i1 - i0) * m, kMissing);
    for (std::size_t k = 0; k < m; ++k) {
      const int j = members[k];
      const int from = covered.empty() ? i0 : std::max(i0, covered[j].first);
      const int to = covered.empty() ? i1 : std::min(i1, covered[j].last);
      const std::span<const float> column = x.column(j);
      for (int i = from; i < to; ++i) tile[static_cast<std::size_t>(i - i0) * m + k] = column[i];
    }
    if (row.size() < m) {
      row.resize(m);
      weights.resize(m);
    }
    for (int i = i0; i < i1; ++i) {
      const float* values = tile.data() + static_cast<std::size_t>(i - i0) * m;
      std::size_t count = 0;
      for (std::size_t k = 0; k < m; ++k) {
        const float v = values[k];
        if (!is_missing(v)) row[count++] = v;
      }
      r.count[i] = static_cast<int>(count);
      const LocationScale ls =
          biwgt(std::span<float>(row.data(), count), option, std::span<float>(weights.data(), count));
      r.location[i] = ls.location;
      r.scale[i] = ls.scale;
      if (count >= 6) {
        const FiveNumberSummary s = mfs(std::span<float>(weights.data(), count));
        r.weights(i, 0) = s.min;
        r.weights(i, 1) = s.lower;
        r.weights(i, 2) = s.median;
        r.weights(i, 3) = s.upper;
      }
    }
  }
}

}  // namespace

RowSummary robsum(const Matrix& x, int nrow, int nser, int option, std::span<const RowRange> covered, int threads) {
  if (nser > kMaxSeries) {
    console().write("(/1x,'Error in Sbr ROBSUM: Max number of series exceeded')");
    console().write("(1x,'Maximum allowed:',i6,5x,'Number sent:',i6)", kMaxSeries, nser);
    console().write("(1x,'*** Enlarge parameter MAXNUM in Sbr ROBSUM and try again! ***')");
    console().stop("", kExitAbnormal);
  }
  RowSummary r;
  r.location.assign(static_cast<std::size_t>(nrow), 0.0f);
  r.scale.assign(static_cast<std::size_t>(nrow), 0.0f);
  r.count.assign(static_cast<std::size_t>(nrow), 0);
  r.weights.resize(nrow, 4, 1.0f);
  if (!covered.empty()) {
    if (covered.size() < static_cast<std::size_t>(nser)) {
      throw std::invalid_argument("robsum: fewer ranges than series");
    }
    covered = covered.first(static_cast<std::size_t>(nser));
  }
  const int tiles = (nrow + kTileRows - 1) / kTileRows;
  parallel_for_runs(tiles, threads, [&](int first, int last) {
    summarise_tiles(x, nrow, nser, option, covered, first, last, r);
  });
  return r;
}

ConvergenceStatistics sftest(std::span<const float> change, std::span<const int> depth) {
  ConvergenceStatistics r;
  const std::size_t n = std::min(change.size(), depth.size());
  std::vector<float> work;
  work.reserve(n);
  float sum = 0.0f;
  int max_depth = 0;
  for (std::size_t y = 0; y < n; ++y) {
    max_depth = std::max(max_depth, depth[y]);
    if (depth[y] > 0) {
      work.push_back(change[y]);
      sum += change[y];
    }
  }
  if (work.empty()) return r;
  const float count = static_cast<float>(work.size());
  r.unweighted_mean = sum / count;
  r.unweighted_median = mfs(work).median;

  // A year's change counts in proportion to the square root of its share of
  // the largest sample depth, so thinly replicated years weigh less.
  work.clear();
  sum = 0.0f;
  const float root_max = std::sqrt(static_cast<float>(max_depth));
  for (std::size_t y = 0; y < n; ++y) {
    if (depth[y] > 0) {
      const float v = std::sqrt(static_cast<float>(depth[y])) / root_max * change[y];
      work.push_back(v);
      sum += v;
    }
  }
  r.weighted_mean = sum / count;
  r.weighted_median = mfs(work).median;
  return r;
}

int minimum(std::span<const int> values) {
  if (values.empty()) return 0;
  int m = values[0];
  for (std::size_t i = 1; i < values.size(); ++i)
    if (values[i] < m) m = values[i];
  return m;
}

int maximum(std::span<const int> values) {
  if (values.empty()) return 0;
  int m = values[0];
  for (std::size_t i = 1; i < values.size(); ++i)
    if (values[i] > m) m = values[i];
  return m;
}

}  // namespace qb
