// ombrane-batch on imported files: text columns with the import options, AAVSO exports and FITS
// light curves, each giving the lines the same observations give as plain pairs.
#include <fitsio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

using Result = BatchResult;

// The twenty observations of the fold test in BatchTest.cpp: at P = 1 about 2450000 they give
// SL 7.329870 and AoV 1.14224E9 (worked out there by hand).
constexpr double kTwenty[][2] = {
    {2450000.03, 9.75},  {2450000.07, 10.25}, {2450001.13, 10.00}, {2450001.17, 10.50}, {2450002.23, 10.25},
    {2450002.27, 10.75}, {2450003.33, 10.50}, {2450003.37, 11.00}, {2450004.43, 10.75}, {2450004.47, 11.25},
    {2450005.53, 11.00}, {2450005.57, 11.50}, {2450006.63, 11.25}, {2450006.67, 11.75}, {2450007.73, 11.50},
    {2450007.77, 12.00}, {2450008.83, 11.75}, {2450008.87, 12.25}, {2450009.93, 12.00}, {2450009.97, 12.50}};
constexpr char kTwentyFold[] = "SL: 7.329870\nAoV: 1.14224E9\n";

class ImportCommand : public BatchRun {};

// A header, a comment, semicolons and decimal commas, and the magnitude in the third column:
// with --columns 2,3 the fold is that of the plain pairs.
TEST_F(ImportCommand, TextColumnsChosenOnTheCommandLine) {
  std::string text = "% exported\nerr;JD;mag\n";
  for (const auto& [jd, mag] : kTwenty) {
    std::string day = std::to_string(jd);
    std::string magnitude = std::to_string(mag);
    for (std::string* field : {&day, &magnitude}) std::replace(field->begin(), field->end(), '.', ',');
    text += "0,01;" + day + ";" + magnitude + "\n";
  }
  Write("twenty.csv", text);
  const Result run = Exec("fold twenty.csv --period 1 --columns 2,3");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, kTwentyFold);
  EXPECT_EQ(run.err, "");
  // The header names the columns, so the guesses are right too; --separator and --skip agree.
  EXPECT_EQ(Exec("fold twenty.csv --period 1 --separator semicolons --skip 2").out, kTwentyFold);
}

// An AAVSO export is imported by itself; with two bands, --band chooses, and the fainter-than
// estimate is told on standard error.
TEST_F(ImportCommand, AavsoExportOneBand) {
  std::string text = "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code\n";
  for (const auto& [jd, mag] : kTwenty) {
    text += std::to_string(jd) + "," + std::to_string(mag) + ",0.01,,V,ABC\n";
    text += std::to_string(jd + 0.001) + "," + std::to_string(mag - 1) + ",,,Vis.,XYZ\n";
  }
  text += "2450010.5,<13.5,,,V,ABC\n";
  Write("aavso.csv", text);
  const Result several = Exec("fold aavso.csv --period 1");
  EXPECT_EQ(several.exit, 2);
  EXPECT_NE(several.err.find("holds the bands V, Vis.; choose one"), std::string::npos) << several.err;
  const Result run = Exec("fold aavso.csv --period 1 --band V");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, kTwentyFold);
  EXPECT_EQ(
      run.err,
      "aavso.csv: band V, 20 observations; 20 in other bands left out; 1 fainter-than estimate left out.\n");
}

// Writes the twenty observations as a TESS-like light curve: TIME from BJD 2457000.5, fluxes
// 10^(-0.4 (mag - 20)), and two more rows, one flagged and one with a NaN flux.
void WriteCurve(const fs::path& path) {
  int status = 0;
  fitsfile* file = nullptr;
  fits_create_diskfile(&file, path.c_str(), &status);
  fits_create_img(file, 8, 0, nullptr, &status);
  char* names[] = {const_cast<char*>("TIME"), const_cast<char*>("PDCSAP_FLUX"), const_cast<char*>("QUALITY")};
  char* forms[] = {const_cast<char*>("D"), const_cast<char*>("D"), const_cast<char*>("J")};
  fits_create_tbl(file, BINARY_TBL, 0, 3, names, forms, nullptr, "LIGHTCURVE", &status);
  long whole = 2457000;
  double fraction = 0.5;
  fits_write_key(file, TLONG, "BJDREFI", &whole, nullptr, &status);
  fits_write_key(file, TDOUBLE, "BJDREFF", &fraction, nullptr, &status);
  long long row = 1;
  auto add = [&](double bjd, double flux, int32_t quality) {
    double time = bjd - 2457000.5;
    fits_write_col(file, TDOUBLE, 1, row, 1, 1, &time, &status);
    fits_write_col(file, TDOUBLE, 2, row, 1, 1, &flux, &status);
    fits_write_col(file, TINT, 3, row, 1, 1, &quality, &status);
    ++row;
  };
  for (const auto& [jd, mag] : kTwenty) {
    add(jd, std::pow(10.0, -0.4 * (mag - 20)), 0);
    if (row == 5) add(jd + 0.001, 1000, 128);
    if (row == 9) add(jd + 0.001, std::numeric_limits<double>::quiet_NaN(), 0);
  }
  fits_close_file(file, &status);
  ASSERT_EQ(status, 0);
}

TEST_F(ImportCommand, FitsLightCurveByItsExtension) {
  WriteCurve(dir_ / "curve.fits");
  const Result run = Exec("fold curve.fits --period 1 --zero-point 20");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, kTwentyFold);
  EXPECT_EQ(run.err,
            "curve.fits: PDCSAP_FLUX, 20 of 22 rows; 1 with a QUALITY flag left out; 1 with a NaN left out.\n"
            "curve.fits: magnitude = -2.5 log10(flux) + 20.\n");
  // Binned by five cadences: the median step is 0.04 d, so the bins are 0.2 d wide from half a
  // step before the first time; night k's times lie 1.1 k + 0.02 and 1.1 k + 0.06 d after that
  // edge, in one bin (0.02 and 0.06, or 0.12 and 0.16 d into it), so each night becomes one point.
  const Result binned = Exec("fold curve.fits --period 1 --zero-point 20 --bin 5");
  EXPECT_EQ(binned.exit, 0) << binned.err;
  EXPECT_NE(binned.err.find("20 rows give 10 points"), std::string::npos) << binned.err;
}

TEST_F(ImportCommand, WhatCannotBeImportedSaysWhy) {
  Write("ragged.csv", "JD,Mag,Err\n2459000.5,12.3,0.01\n2459000.6,12.4\n");
  Write("truncated.fits", "SIMPLE  =                    T");
  Write("plain.txt", "2450000.1 10\n2450000.35 11\n");
  const std::pair<std::string, std::string> cases[] = {
      {"fold ragged.csv --period 1 --skip 1", "ragged.csv, line 3: 2 fields where line 2 has 3"},
      {"fold truncated.fits --period 1", "truncated.fits could not be opened as FITS"},
      {"fold plain.txt --period 1 --columns 0,2", "--columns: '0' is not a whole number from 1 on"},
      {"fold plain.txt --period 1 --columns 2", "--columns needs T,M"},
      {"fold plain.txt --period 1 --bin often", "--bin: 'often' is not a whole number from 1 on"},
      {"fold plain.txt --period 1 --separator pipes", "--separator: 'pipes' is not one of"},
      {"fold plain.txt --period 1 --flux raw", "--flux: 'raw' is not sap or pdcsap"},
      {"helio 2450000 --ra 1 2 3 --dec 4 5 6 --columns 1,2", "unknown option '--columns' for helio"}};
  for (const auto& [args, message] : cases) {
    const Result run = Exec(args);
    EXPECT_EQ(run.exit, 2) << args;
    EXPECT_NE(run.err.find(message), std::string::npos) << args << "\n" << run.err;
  }
}

// Reduced times and a flux column through the batch: the fold of times written less 2450000,
// with the offset given, and of a flux column, is the fold of the same observations written
// whole (flux 10^(-0.4 (m - 10)) is magnitude m with the median at 10 mag).
TEST_F(ImportCommand, TimeOffsetAndFluxColumn) {
  Write("whole.txt", "2450000.1 10\n2450000.35 10.5\n2450001.3 9.5\n2450001.6 10.25\n");
  Write("reduced.txt", "0.1 10\n0.35 10.5\n1.3 9.5\n1.6 10.25\n");
  std::string fluxes = "BJD,flux\n";
  for (const auto& [t, m] : std::vector<std::pair<const char*, double>>{
           {"2450000.1", 10}, {"2450000.35", 10.5}, {"2450001.3", 9.5}, {"2450001.6", 10.25}, {"2450002.1", 10}})
    fluxes += std::string(t) + "," + std::to_string(std::pow(10.0, -0.4 * (m - 10))) + "\n";
  Write("flux.csv", fluxes);
  Write("whole5.txt", "2450000.1 10\n2450000.35 10.5\n2450001.3 9.5\n2450001.6 10.25\n2450002.1 10\n");
  const Result whole = Exec("fold whole.txt --period 0.7");
  ASSERT_EQ(whole.exit, 0) << whole.err;
  const Result reduced = Exec("fold reduced.txt --period 0.7 --time-offset 2450000");
  EXPECT_EQ(reduced.exit, 0) << reduced.err;
  EXPECT_EQ(reduced.out, whole.out);
  const Result flux = Exec("fold flux.csv --period 0.7 --values flux");
  const Result whole5 = Exec("fold whole5.txt --period 0.7");
  EXPECT_EQ(flux.exit, 0) << flux.err;
  // Fluxes written with six decimals: the string lengths agree to about 1e-5.
  ASSERT_EQ(flux.out.rfind("SL: ", 0), 0u) << flux.out;
  ASSERT_EQ(whole5.out.rfind("SL: ", 0), 0u) << whole5.out;
  EXPECT_NEAR(std::stod(flux.out.substr(4)), std::stod(whole5.out.substr(4)), 1e-4);
  EXPECT_NE(Exec("fold flux.csv --period 0.7 --values kelvin").err.find("--values: 'kelvin' is not flux or magnitudes"),
            std::string::npos);
}

// A plain file whose every line holds three or more numbers is refused (exit 3, nothing
// computed) with the hint to --columns, unless --pairs says the numbers are pairs across the
// lines: then it folds exactly as the same pairs written one to a line.
TEST_F(ImportCommand, PlainFileOfThreeOrMoreColumnsNeedsColumnsOrPairs) {
  Write("three.txt", "2450000.1 10 0.01\n2450000.35 11 0.01\n2450001.3 12 0.01\n");
  Write("across.txt", "2450000.1 10 2450000.35 11\n2450001.3 12 2450001.6 11.5\n");
  Write("pairs.txt", "2450000.1 10\n2450000.35 11\n2450001.3 12\n2450001.6 11.5\n");
  const std::string hint =
      ": every line holds three or more numbers, so it is not read as pairs; --columns T,M reads the two "
      "columns you choose, --pairs reads the numbers two at a time.\n";
  for (const char* file : {"three.txt", "across.txt"}) {
    const Result run = Exec(std::string("fold ") + file + " --period 1");
    EXPECT_EQ(run.exit, 3) << file;
    EXPECT_EQ(run.out, "") << file;
    EXPECT_NE(run.err.find(file + hint), std::string::npos) << run.err;
  }
  const Result pairs = Exec("fold pairs.txt --period 0.7");
  ASSERT_EQ(pairs.exit, 0) << pairs.err;
  const Result across = Exec("fold across.txt --period 0.7 --pairs");
  EXPECT_EQ(across.exit, 0) << across.err;
  EXPECT_EQ(across.out, pairs.out);
  EXPECT_EQ(across.err, "");
  const Result columns = Exec("fold three.txt --period 1 --columns 1,2");
  EXPECT_EQ(columns.exit, 0) << columns.err;
}

}  // namespace
}  // namespace ombrane
