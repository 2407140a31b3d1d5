// Throughput of the batch's result tables: light curves of 1 000 points, each searched by AoV
// over 2 000 trial periods, as files per second. The curves are generated once into a temporary
// folder (OMBRANE_BENCH_FILES of them, default 200): a pulsation of a random period between
// 0.3 and 2 days, 0.3 mag, with noise of 0.02 mag, at irregular times over 60 nights.
//   BM_BatchTable      one ombrane-batch run over the list (--files-from, --table csv)
//   BM_BatchPerFile    one ombrane-batch run per file: the sum of single-file runs
//   BM_TableRowOf      the rows made in-process, one file after the other (as the Python module)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/Table.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 1000;
// The search: periods from 0.2 d in steps of 0.001 d below 2.2 d, 2 000 trials.
const std::vector<std::string> kSearch = {"search", "--method", "aov",    "--min", "0.2",
                                          "--max",  "2.2",      "--step", "0.001"};

struct Curves {
  fs::path folder;
  std::vector<std::string> files;
  std::string list;
};

bool generated = false;

const Curves& GeneratedCurves() {
  static const Curves curves = [] {
    generated = true;
    Curves c;
    const char* count = std::getenv("OMBRANE_BENCH_FILES");
    const int files = count ? std::max(1, std::atoi(count)) : 200;
    c.folder = fs::temp_directory_path() / ("ombrane-bench-batch-" + std::to_string(getpid()));
    fs::create_directories(c.folder);
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::normal_distribution<double> noise(0, 0.02);
    std::string list;
    for (int f = 0; f < files; ++f) {
      const double period = 0.3 + 1.7 * uniform(random);
      std::string text;
      char buffer[64];
      for (int i = 0; i < kPoints; ++i) {
        // Sixty nights of about 17 observations, at random times within 6 hours of each night.
        const double t = 2459000.5 + (i / 17) + 0.25 * uniform(random);
        const double mag = 12 + 0.3 * std::sin(2 * M_PI * t / period) + noise(random);
        char* end = std::to_chars(buffer, buffer + sizeof buffer, t, std::chars_format::fixed, 5).ptr;
        *end++ = ' ';
        end = std::to_chars(end, buffer + sizeof buffer, mag, std::chars_format::fixed, 4).ptr;
        *end++ = '\n';
        text.append(buffer, end);
      }
      const fs::path path = c.folder / ("lc" + std::to_string(f) + ".txt");
      std::ofstream(path, std::ios::binary) << text;
      c.files.push_back(path.string());
      list.append(path.string()).append("\n");
    }
    c.list = (c.folder / "list.txt").string();
    std::ofstream(c.list, std::ios::binary) << list;
    return c;
  }();
  return curves;
}

std::string SearchWords() {
  std::string words;
  for (const std::string& w : kSearch) words.append(" ").append(w);
  return words;
}

void BM_BatchTable(benchmark::State& state) {
  const Curves& c = GeneratedCurves();
  const std::string command = std::string("'")
                                  .append(OMBRANE_BATCH)
                                  .append("'")
                                  .append(SearchWords())
                                  .append(" --files-from '")
                                  .append(c.list)
                                  .append("' --table csv > /dev/null");
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("the batch failed");
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(c.files.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BatchTable)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_BatchPerFile(benchmark::State& state) {
  const Curves& c = GeneratedCurves();
  for (auto _ : state)
    for (const std::string& file : c.files) {
      const std::string command = std::string("'")
                                      .append(OMBRANE_BATCH)
                                      .append("'")
                                      .append(SearchWords())
                                      .append(" '")
                                      .append(file)
                                      .append("' --table csv > /dev/null");
      if (std::system(command.c_str()) != 0) state.SkipWithError("the batch failed");
    }
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(c.files.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BatchPerFile)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_TableRowOf(benchmark::State& state) {
  const Curves& c = GeneratedCurves();
  for (auto _ : state)
    for (const std::string& file : c.files) {
      const ombrane::batch::TableRow row = ombrane::batch::TableRowOf(kSearch, file);
      if (row.failed) state.SkipWithError("a row failed");
      benchmark::DoNotOptimize(row);
    }
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(c.files.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TableRowOf)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (generated) fs::remove_all(GeneratedCurves().folder);
  return 0;
}
