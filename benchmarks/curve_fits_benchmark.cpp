// Time of every per-series curve code on a 500-year ring-width-like series,
// and of the splines and the super smoother at 500 and 5000 years (their
// cost must grow linearly with the length).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "detrend/curve_fits.hpp"
#include "detrend/smoothing_spline.hpp"
#include "detrend/super_smoother.hpp"
#include "platform/console.hpp"

namespace {

std::vector<float> ring_widths(int n) {
  std::vector<float> x(n);
  for (int t = 1; t <= n; ++t) {
    x[t - 1] = static_cast<float>(1.2 * std::exp(-0.01 * t) + 0.3 + 0.15 * std::sin(0.37 * t) +
                                  0.1 * std::sin(1.9 * t * t));
  }
  return x;
}

void BM_CurveCode(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const std::vector<float> x = ring_widths(500);
  std::vector<float> y(500);
  for (auto _ : state) {
    int option = code;
    qb::curvefits(x, y, option, 7.0f, 20);
    benchmark::DoNotOptimize(y.data());
  }
}
BENCHMARK(BM_CurveCode)->ArgName("code")->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(6)->Arg(-5)->Arg(8)->Arg(32)->Arg(-67);

void BM_Spline(benchmark::State& state) {
  const std::vector<float> x = ring_widths(static_cast<int>(state.range(0)));
  std::vector<float> y(x.size());
  for (auto _ : state) {
    qb::spline(x, y, 32);
    benchmark::DoNotOptimize(y.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Spline)->Arg(500)->Arg(5000)->Complexity(benchmark::oN);

void BM_Spline1GrowingPeriod(benchmark::State& state) {
  const std::vector<float> x = ring_widths(static_cast<int>(state.range(0)));
  std::vector<float> y(x.size());
  for (auto _ : state) {
    qb::spline1(x, y, 9);
    benchmark::DoNotOptimize(y.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Spline1GrowingPeriod)->Arg(500)->Arg(5000)->Complexity(benchmark::oN);

void BM_Spline2AgeDependent(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<float> x = ring_widths(n);
  std::vector<float> y(x.size());
  std::vector<int> periods(n);
  qb::lsmake(n, 20, periods);
  for (auto _ : state) {
    qb::spline2(x, y, periods);
    benchmark::DoNotOptimize(y.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Spline2AgeDependent)->Arg(500)->Arg(5000)->Complexity(benchmark::oN);

void BM_SuperSmoother(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<float> y = ring_widths(n);
  std::vector<float> x(n), w(n, 1.0f), smo(n);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i + 1);
  for (auto _ : state) {
    qb::supsmu(x, y, w, qb::kNotPeriodic, 0.0f, 7.0f, smo);
    benchmark::DoNotOptimize(smo.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SuperSmoother)->Arg(500)->Arg(5000)->Complexity(benchmark::oN);

}  // namespace
