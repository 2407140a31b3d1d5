// Speed of an import: a 20 000-row CSV with a header (read, binned to the shortest cadence that
// fits, loaded) and a 20 000-row FITS light curve (the same with CFITSIO), each from a file
// the benchmark writes once. The target for either is 100 ms.
#include <benchmark/benchmark.h>
#include <fitsio.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "io/Import.h"
#include "store/Loading.h"

namespace {

using namespace ombrane;

constexpr int kRows = 20000;

// A 2-minute cadence (a TESS sector's) with a gap of a day in the middle, and a sine of 0.1 mag.
double Day(int i, int rows = kRows) {
  return 2459000.5 + i * (2.0 / 1440) + (i >= rows / 2 ? 1.0 : 0.0);
}
double Magnitude(int i) {
  return 10 + 0.1 * std::sin(i * 0.01);
}

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / ("ombrane-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

std::string WriteCsv(int rows = kRows) {
  const std::string path = TempPath("rows.csv");
  std::string text = "# bench\nBJD,mag,err\n";
  char buffer[96];
  for (int i = 0; i < rows; ++i) {
    char* end = std::to_chars(buffer, buffer + sizeof buffer, Day(i, rows), std::chars_format::fixed, 6).ptr;
    *end++ = ',';
    end = std::to_chars(end, buffer + sizeof buffer, Magnitude(i), std::chars_format::fixed, 4).ptr;
    const char tail[] = ",0.002\n";
    end = std::copy(tail, tail + sizeof tail - 1, end);
    text.append(buffer, end);
  }
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string WriteFits(int rows = kRows) {
  const std::string path = TempPath("curve.fits");
  std::filesystem::remove(path);
  int status = 0;
  fitsfile* file = nullptr;
  fits_create_diskfile(&file, path.c_str(), &status);
  fits_create_img(file, 8, 0, nullptr, &status);
  char* names[] = {const_cast<char*>("TIME"), const_cast<char*>("SAP_FLUX"), const_cast<char*>("PDCSAP_FLUX"),
                   const_cast<char*>("QUALITY")};
  char* forms[] = {const_cast<char*>("D"), const_cast<char*>("E"), const_cast<char*>("E"),
                   const_cast<char*>("J")};
  fits_create_tbl(file, BINARY_TBL, 0, 4, names, forms, nullptr, "LIGHTCURVE", &status);
  long whole = 2457000;
  double fraction = 0;
  fits_write_key(file, TLONG, "BJDREFI", &whole, nullptr, &status);
  fits_write_key(file, TDOUBLE, "BJDREFF", &fraction, nullptr, &status);
  std::vector<double> time(static_cast<size_t>(rows));
  std::vector<float> flux(static_cast<size_t>(rows));
  std::vector<int32_t> quality(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    time[static_cast<size_t>(i)] = Day(i, rows) - 2457000;
    flux[static_cast<size_t>(i)] = static_cast<float>(1e4 * std::pow(10.0, -0.4 * (Magnitude(i) - 10)));
    quality[static_cast<size_t>(i)] = i % 50 == 0 ? 1 : 0;
  }
  fits_write_col(file, TDOUBLE, 1, 1, 1, rows, time.data(), &status);
  fits_write_col(file, TFLOAT, 2, 1, 1, rows, flux.data(), &status);
  fits_write_col(file, TFLOAT, 3, 1, 1, rows, flux.data(), &status);
  fits_write_col(file, TINT, 4, 1, 1, rows, quality.data(), &status);
  fits_close_file(file, &status);
  return path;
}

// Read with binning to the shortest cadence that fits, and loaded into the store.
void ImportAndLoad(benchmark::State& state, const std::string& path) {
  auto data = std::make_unique<Data>();
  auto star = std::make_unique<Star>();
  auto view = std::make_unique<ViewState>();
  io::ImportOptions options;
  options.binning = io::Binning::Auto;
  for (auto _ : state) {
    const io::ImportResult result = io::ReadImport(path, "bench", options);
    const PhotometryReadResult read =
        LoadObservations(result.observations, "bench", "bench", *data, *star, *view);
    benchmark::DoNotOptimize(read.pointCount);
  }
  std::filesystem::remove(path);
}

void BM_ImportCsvBinned(benchmark::State& state) {
  ImportAndLoad(state, WriteCsv());
}
BENCHMARK(BM_ImportCsvBinned)->Unit(benchmark::kMillisecond);

void BM_ImportFitsBinned(benchmark::State& state) {
  ImportAndLoad(state, WriteFits());
}
BENCHMARK(BM_ImportFitsBinned)->Unit(benchmark::kMillisecond);

// Every row (the shortest bin that fits the store is one cadence): a 1 000 000-row CSV and a
// 200 000-row FITS light curve into the store.
void BM_ImportCsvWhole(benchmark::State& state) {
  ImportAndLoad(state, WriteCsv(static_cast<int>(state.range(0))));
}
// 200 000 rows: the file bench/csv_vs_numpy.py writes too, for numpy's loadtxt on the same rows.
BENCHMARK(BM_ImportCsvWhole)->Arg(200'000)->Arg(1'000'000)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_ImportFitsWhole(benchmark::State& state) {
  ImportAndLoad(state, WriteFits(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ImportFitsWhole)->Arg(200'000)->Iterations(3)->Unit(benchmark::kMillisecond);

// What the dialog does first: the layout of the CSV from its first lines.
void BM_InspectCsv(benchmark::State& state) {
  const std::string path = WriteCsv();
  for (auto _ : state) {
    const io::ImportPreview preview = io::InspectImport(path, "bench");
    benchmark::DoNotOptimize(preview.rows.size());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_InspectCsv)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
