// Loading a large data set: 1000 series of 7000 years each.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "series/data_set_loader.hpp"
#include "series/decadal_format.hpp"

namespace qb {
namespace {

constexpr int kSeries = 1000;
constexpr int kYears = 7000;

// The generated files are large, so they are removed when the program ends.
struct ScratchFiles {
  std::vector<std::string> paths;
  ~ScratchFiles() {
    std::error_code ec;
    for (const auto& path : paths) std::filesystem::remove(path, ec);
  }
};

std::string scratch_file(const char* name) {
  static ScratchFiles files;
  files.paths.push_back((std::filesystem::temp_directory_path() / name).string());
  return files.paths.back();
}

// A ring-width file in 0.001 mm with every value distinct enough to be read.
const std::string& decadal_file() {
  static const std::string path = [] {
    const std::string p = scratch_file("qb_benchmark_large.rwl");
    auto out = TextOutput::create(p);
    std::vector<float> values(kYears);
    for (int s = 0; s < kSeries; ++s) {
      for (int y = 0; y < kYears; ++y) values[static_cast<std::size_t>(y)] = 0.001f * static_cast<float>((s * 7 + y * 13) % 3000 + 1);
      trrw(TrrwMode::kWriteWidths, *out, {"S" + std::to_string(s), -3000 + s, values, {}, "bench"});
    }
    out->close();
    return p;
  }();
  return path;
}

// The same values as a table: year, then one column per series.
const std::string& table_file() {
  static const std::string path = [] {
    const std::string p = scratch_file("qb_benchmark_large.csv");
    auto out = TextOutput::create(p);
    std::string line = "YEAR";
    for (int s = 0; s < kSeries; ++s) line += " S" + std::to_string(s);
    out->put(line + "\n");
    for (int row = 0; row < kYears + kSeries; ++row) {
      line = std::to_string(-3000 + row);
      for (int s = 0; s < kSeries; ++s) {
        const int y = row - s;
        line += (y < 0 || y >= kYears) ? std::string(" NA") : " " + std::to_string(((s * 7 + y * 13) % 3000 + 1) * 0.001);
      }
      out->put(line + "\n");
    }
    out->close();
    return p;
  }();
  return path;
}

void load(benchmark::State& state, const std::string& path, const std::string& answers) {
  for (auto _ : state) {
    state.PauseTiming();
    std::istringstream in(answers);
    std::ostringstream shown;
    Console console(in, shown);
    ConsoleScope scope(console);
    state.ResumeTiming();
    auto input = TextInput::open(path);
    DataSet data;
    const LoadStatus status = loaddat(FormatMenu::kListFile, *input, data);
    if (status != LoadStatus::kLoaded || data.ns() != kSeries) state.SkipWithError("not loaded");
    benchmark::DoNotOptimize(data.x.column(0).data());
  }
}

void BM_LoadDecadalRingWidths(benchmark::State& state) { load(state, decadal_file(), "1\n"); }
BENCHMARK(BM_LoadDecadalRingWidths)->Unit(benchmark::kMillisecond);

void BM_LoadMultipleColumns(benchmark::State& state) { load(state, table_file(), "4\n0\n1001\nNA\n"); }
BENCHMARK(BM_LoadMultipleColumns)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qb
