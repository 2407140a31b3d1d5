// ombrane-batch reading a file through a pipe, a FIFO and standard input ("-"): each is read
// once, so it gives the lines the file itself gives. The files are longer than the first bytes
// the format is recognised by, with observations all through them, so that bytes lost at the
// head of a pipe change the result.
#include <fcntl.h>
#include <fitsio.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

// The twenty observations of the fold test in BatchTest.cpp: at P = 1 about 2450000 they give
// SL 7.329870 and AoV 1.14224E9 (worked out there by hand).
constexpr const char* kTwenty[][2] = {
    {"2450000.03", "9.75"},  {"2450000.07", "10.25"}, {"2450001.13", "10.00"}, {"2450001.17", "10.50"},
    {"2450002.23", "10.25"}, {"2450002.27", "10.75"}, {"2450003.33", "10.50"}, {"2450003.37", "11.00"},
    {"2450004.43", "10.75"}, {"2450004.47", "11.25"}, {"2450005.53", "11.00"}, {"2450005.57", "11.50"},
    {"2450006.63", "11.25"}, {"2450006.67", "11.75"}, {"2450007.73", "11.50"}, {"2450007.77", "12.00"},
    {"2450008.83", "11.75"}, {"2450008.87", "12.25"}, {"2450009.93", "12.00"}, {"2450009.97", "12.50"}};
constexpr char kTwentyFold[] = "SL: 7.329870\nAoV: 1.14224E9\n";

// Each observation takes some 620 bytes: the twenty take 12 KB, six of them in the first 4 KB.
const std::string kPadding(600, ' ');

std::string PlainPairs() {
  std::string text;
  for (const auto& [jd, mag] : kTwenty) text += std::string(jd) + " " + mag + kPadding + "\n";
  return text;
}

std::string AavsoExport() {
  std::string text = "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code,Comments\n";
  for (const auto& [jd, mag] : kTwenty)
    text += std::string(jd) + "," + mag + ",0.01,,V,ABC," + std::string(600, 'c') + "\n";
  return text;
}

std::string TextColumns() {
  std::string text = "# JD mag remark\n";
  for (const auto& [jd, mag] : kTwenty) text += std::string(jd) + "\t" + mag + "\t" + std::string(600, 'r') + "\n";
  return text;
}

class PipeInput : public BatchRun {
 protected:
  // Runs the program on `file` given as `how` says: "file" (its name), "cat" (piped into
  // /dev/stdin), "stdin" (piped into "-"), "redirect" ("-" with the file as standard input)
  // or "fifo" (written into a FIFO by another process).
  BatchResult Through(const std::string& how, const std::string& file, const std::string& options) {
    if (how == "file") return Exec("fold " + file + " " + options);
    if (how == "cat") return Exec("fold /dev/stdin " + options, "cat " + file + " | ");
    if (how == "stdin") return Exec("fold - " + options, "cat " + file + " | ");
    if (how == "redirect") return Exec("fold - " + options + " < " + file);
    const fs::path fifo = dir_ / "fifo";
    // A reading that opened the FIFO a second time would wait for a writer for ever: the time
    // limit makes it a failure instead.
    const BatchResult run =
        Exec("fold fifo " + options, "mkfifo fifo && (cat " + file + " > fifo &) && timeout 20 ");
    // A writer still waiting for a reader (the program did not open the FIFO) is let go.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) ::close(reader);
    fs::remove(fifo);
    return run;
  }
};

TEST_F(PipeInput, APipeOrAFifoGivesWhatTheFileGives) {
  Write("pairs.txt", PlainPairs());
  Write("aavso.csv", AavsoExport());
  Write("table.txt", TextColumns());
  ASSERT_GT(PlainPairs().size(), 3u * 4096);
  const struct {
    const char* file;
    const char* options;
    const char* note;  // after the name the input is shown by; "" for none
  } files[] = {
      {"pairs.txt", "--period 1", ""},
      {"aavso.csv", "--period 1", ": band V, 20 observations.\n"},
      {"table.txt", "--period 1 --columns 1,2", ""},
  };
  const struct {
    const char* how;
    const char* shown;  // the input's name in the notes; nullptr: the file's
  } ways[] = {{"file", nullptr}, {"cat", "/dev/stdin"}, {"stdin", "standard input"},
              {"redirect", "standard input"}, {"fifo", "fifo"}};
  for (const auto& f : files) {
    for (const auto& way : ways) {
      SCOPED_TRACE(std::string(f.file) + " through " + way.how);
      const BatchResult run = Through(way.how, f.file, f.options);
      EXPECT_EQ(run.exit, 0) << run.err;
      EXPECT_EQ(run.out, kTwentyFold);
      const std::string note(f.note);
      EXPECT_EQ(run.err, note.empty() ? "" : (way.shown ? way.shown : f.file) + note);
    }
  }
}

// The twenty observations as a FITS light curve: TIME in days from BJD 2457000.5 and fluxes
// 10^(-0.4 (mag - 20)), so that the zero point 20 gives the magnitudes back. Two headers and the
// table take 8640 bytes.
void WriteCurve(const fs::path& path) {
  int status = 0;
  fitsfile* file = nullptr;
  fits_create_diskfile(&file, path.c_str(), &status);
  fits_create_img(file, 8, 0, nullptr, &status);
  char* names[] = {const_cast<char*>("TIME"), const_cast<char*>("PDCSAP_FLUX")};
  char* forms[] = {const_cast<char*>("D"), const_cast<char*>("D")};
  fits_create_tbl(file, BINARY_TBL, 0, 2, names, forms, nullptr, "LIGHTCURVE", &status);
  long whole = 2457000;
  double fraction = 0.5;
  fits_write_key(file, TLONG, "BJDREFI", &whole, nullptr, &status);
  fits_write_key(file, TDOUBLE, "BJDREFF", &fraction, nullptr, &status);
  long long row = 1;
  for (const auto& [jd, mag] : kTwenty) {
    double time = std::stod(jd) - 2457000.5;
    double flux = std::pow(10.0, -0.4 * (std::stod(mag) - 20));
    fits_write_col(file, TDOUBLE, 1, row, 1, 1, &time, &status);
    fits_write_col(file, TDOUBLE, 2, row, 1, 1, &flux, &status);
    ++row;
  }
  fits_close_file(file, &status);
  ASSERT_EQ(status, 0);
}

// A FITS light curve through a pipe or a FIFO is read from the bytes the pipe gave, as the file
// is; named as FITS, a FIFO is read like any other.
TEST_F(PipeInput, AFitsLightCurveThroughAPipe) {
  WriteCurve(dir_ / "curve.fits");
  ASSERT_GT(fs::file_size(dir_ / "curve.fits"), 2u * 4096);
  const struct {
    const char* how;
    const char* shown;
  } ways[] = {{"file", "curve.fits"}, {"cat", "/dev/stdin"}, {"stdin", "standard input"}, {"fifo", "fifo"}};
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    const BatchResult run = Through(way.how, "curve.fits", "--period 1 --zero-point 20");
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, kTwentyFold);
    const std::string shown(way.shown);
    EXPECT_EQ(run.err, shown + ": PDCSAP_FLUX, 20 of 20 rows; no QUALITY column.\n" + shown +
                           ": magnitude = -2.5 log10(flux) + 20.\n");
  }
  ASSERT_EQ(::mkfifo((dir_ / "named.fits").c_str(), 0600), 0);
  const BatchResult named =
      Exec("fold named.fits --period 1 --zero-point 20", "(cat curve.fits > named.fits &) && timeout 20 ");
  const int reader = ::open((dir_ / "named.fits").c_str(), O_RDONLY | O_NONBLOCK);  // lets a waiting writer go
  if (reader >= 0) ::close(reader);
  EXPECT_EQ(named.exit, 0) << named.err;
  EXPECT_EQ(named.out, kTwentyFold);
}

}  // namespace
}  // namespace ombrane
