// FITS light curves written here with CFITSIO: times from the reference day, fluxes made
// magnitudes, flagged and undefined rows left out, and malformed files refused.
#include <fitsio.h>
#include <gmock/gmock.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "ImportFixture.h"
#include "common/InputError.h"

namespace ombrane {
namespace {

using test::ImportFixture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct CurveRow {
  double time;
  double sap;
  double pdcsap;
  int32_t quality;
};

// Five rows: row 1 flagged, row 3 without a PDCSAP flux; the others have PDCSAP fluxes 100, 1000
// and 10000 (median 1000) and SAP fluxes 10 times larger.
const CurveRow kRows[] = {{1234.56789012345, 1000, 100, 0},
                          {1234.57, 5000, 500, 1024},
                          {1234.58, 10000, 1000, 0},
                          {1234.59, 20000, kNaN, 0},
                          {1235.60, 100000, 10000, 0}};

struct CurveLayout {
  const char* extension = "LIGHTCURVE";
  const char* timeForm = "D";  // "8A" makes TIME a text column
  bool reference = true;
};

// Writes a minimal light curve: an empty primary header and a binary table.
void WriteCurve(const std::string& path, const CurveLayout& layout = {}) {
  int status = 0;
  fitsfile* file = nullptr;
  fits_create_diskfile(&file, path.c_str(), &status);
  fits_create_img(file, 8, 0, nullptr, &status);
  char* names[] = {const_cast<char*>("TIME"), const_cast<char*>("SAP_FLUX"), const_cast<char*>("PDCSAP_FLUX"),
                   const_cast<char*>("QUALITY")};
  char* forms[] = {const_cast<char*>(layout.timeForm), const_cast<char*>("E"), const_cast<char*>("E"),
                   const_cast<char*>("J")};
  fits_create_tbl(file, BINARY_TBL, 0, 4, names, forms, nullptr, layout.extension, &status);
  if (layout.reference) {
    long whole = 2457000;
    double fraction = 0.5;
    fits_write_key(file, TLONG, "BJDREFI", &whole, "integer part of the reference day", &status);
    fits_write_key(file, TDOUBLE, "BJDREFF", &fraction, "fraction of the reference day", &status);
  }
  double cadence = 0.01;
  fits_write_key(file, TDOUBLE, "TIMEDEL", &cadence, "cadence (d)", &status);
  for (long long r = 0; r < 5; ++r) {
    const CurveRow& row = kRows[r];
    double time = row.time;
    float sap = static_cast<float>(row.sap);
    float pdcsap = static_cast<float>(row.pdcsap);
    int32_t quality = row.quality;
    if (std::string(layout.timeForm) == "D") {
      fits_write_col(file, TDOUBLE, 1, r + 1, 1, 1, &time, &status);
    } else {
      char text[] = "12.5";
      char* cell = text;
      fits_write_col(file, TSTRING, 1, r + 1, 1, 1, &cell, &status);
    }
    fits_write_col(file, TFLOAT, 2, r + 1, 1, 1, &sap, &status);
    fits_write_col(file, TFLOAT, 3, r + 1, 1, 1, &pdcsap, &status);
    fits_write_col(file, TINT, 4, r + 1, 1, 1, &quality, &status);
  }
  fits_close_file(file, &status);
  ASSERT_EQ(status, 0);
}

using FitsImport = ImportFixture;

TEST_F(FitsImport, RecognisedWithItsFluxColumns) {
  const std::string path = Path("curve.fits");
  WriteCurve(path);
  const io::ImportPreview preview = io::InspectImport(path, "curve.fits");
  EXPECT_EQ(preview.format, "FITS light curve");
  EXPECT_THAT(preview.fluxColumns, ElementsAre(io::FluxColumn::Sap, io::FluxColumn::Pdcsap));
  EXPECT_EQ(preview.options.flux, io::FluxColumn::Pdcsap);
  ASSERT_EQ(preview.rows.size(), 5u);
  EXPECT_EQ(preview.rows[3][2], "NaN");
  EXPECT_THAT(preview.layout[1], HasSubstr("2457000.5"));
}

// PDCSAP fluxes 100, 1000, 10000 kept, median 1000 at 10 mag: zero point 10 + 2.5 log10(1000)
// = 17.5, magnitudes 12.5, 10 and 7.5; BJD = 2457000 + 0.5 + TIME.
TEST_F(FitsImport, TimesMagnitudesAndWhatWasLeftOut) {
  const std::string path = Path("curve.fits");
  WriteCurve(path);
  const io::ImportResult result = io::ReadImport(path, "curve.fits", {});
  EXPECT_THAT(result.notes,
              ElementsAre("curve.fits: PDCSAP_FLUX, 3 of 5 rows; 1 with a QUALITY flag left out; 1 "
                          "with a NaN left out.",
                          "curve.fits: magnitude = -2.5 log10(flux) + 17.5 (the median flux at 10 mag)."));
  Load(result);
  ASSERT_EQ(data->pointCount, 4);
  // The reference day and the double TIME add without loss in extended precision.
  EXPECT_EQ(data->fileJd[0], 2457000.5L + static_cast<long double>(1234.56789012345));
  EXPECT_NEAR(static_cast<double>(data->fileJd[0] - 2458235.06789012345L), 0, 1e-10);
  EXPECT_EQ(data->fileJd[1], 2457000.5L + static_cast<long double>(1234.58));
  EXPECT_EQ(data->fileJd[2], 2457000.5L + static_cast<long double>(1235.60));
  const double magnitudes[] = {12.5, 10, 7.5, 7.5};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<double>(data->fileMag[i]), magnitudes[i], 1e-12) << i;
  EXPECT_NE(view->lastNight, 0);  // BJD 2458235.07 and 2458236.1: two nights

  // Numbers in the notes take the separator the window asks for.
  io::ImportOptions comma;
  comma.decimalSeparator = ',';
  EXPECT_EQ(io::ReadImport(path, "curve.fits", comma).notes.back(),
            "curve.fits: magnitude = -2.5 log10(flux) + 17,5 (the median flux at 10 mag).");
}

// SAP on request, with a zero point of the user's: 20 - 2.5 log10(10000) = 10.
TEST_F(FitsImport, SapFluxAndAChosenZeroPoint) {
  const std::string path = Path("curve.fits");
  WriteCurve(path);
  io::ImportOptions options;
  options.flux = io::FluxColumn::Sap;
  options.zeroPoint = 20;
  const io::ImportResult result = io::ReadImport(path, "curve.fits", options);
  // Row 3 has a SAP flux: only the flagged row is left out.
  ASSERT_EQ(result.observations.size(), 4u);
  const double magnitudes[] = {12.5, 10, 9.247425010840047, 7.5};
  for (size_t i = 0; i < 4; ++i)
    EXPECT_NEAR(static_cast<double>(result.observations[i].magnitude), magnitudes[i], 1e-12) << i;
  EXPECT_EQ(result.notes.back(), "curve.fits: magnitude = -2.5 log10(flux) + 20.");
}

// Bins of two cadences (0.02 d), edges half a cadence before the first time: {1234.5679,
// 1234.58} and {1235.60}. Mean flux (100 + 1000) / 2 = 550 at a zero point of 17.5.
TEST_F(FitsImport, BinnedMeansOfTimeAndFlux) {
  const std::string path = Path("curve.fits");
  WriteCurve(path);
  io::ImportOptions options;
  options.binning = io::Binning::Cadences;
  options.binCadences = 2;
  const io::ImportResult result = io::ReadImport(path, "curve.fits", options);
  ASSERT_EQ(result.observations.size(), 2u);
  EXPECT_NEAR(static_cast<double>(result.observations[0].time - 2458235L), (0.06789012345 + 0.08) / 2, 1e-10);
  EXPECT_NEAR(static_cast<double>(result.observations[0].magnitude), 17.5 - 2.5 * std::log10(550.0), 1e-12);
  EXPECT_NEAR(static_cast<double>(result.observations[1].magnitude), 7.5, 1e-12);
}

TEST_F(FitsImport, MalformedFilesSayWhatIsWrong) {
  const std::string good = Path("good.fits");
  WriteCurve(good);
  // Truncated: the table (5 rows of 20 bytes after two header blocks) cut in its third row.
  const std::string truncated = Path("truncated.fits");
  std::filesystem::copy_file(good, truncated);
  std::filesystem::resize_file(truncated, 2880 * 2 + 50);
  // A header claiming 900 million rows: refused before any memory is taken for them.
  const std::string huge = Path("huge.fits");
  {
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string card = "NAXIS2  =                    5";
    ASSERT_NE(bytes.find(card), std::string::npos);
    bytes.replace(bytes.find(card), card.size(), "NAXIS2  =            900000000");
    std::ofstream(huge, std::ios::binary) << bytes;
  }
  const std::string textTime = Path("texttime.fits");
  WriteCurve(textTime, {.timeForm = "8A"});
  const std::string otherTable = Path("other.fits");
  WriteCurve(otherTable, {.extension = "SPECTRUM"});
  const std::string noReference = Path("noref.fits");
  WriteCurve(noReference, {.reference = false});
  const std::string notFits = Write("text.fits", "2459000.5 12.3\n");
  const std::pair<std::string, std::string> cases[] = {
      {truncated, "ends before its LIGHTCURVE table does"},
      {huge, "ends before its LIGHTCURVE table does"},
      {textTime, "the column TIME does not hold one number a row"},
      {otherTable, "has no binary table LIGHTCURVE"},
      {noReference, "names no reference day"},
      {notFits, "could not be opened as FITS"},
      {Path("absent.fits"), "could not be opened as FITS"}};
  for (const auto& [path, message] : cases) {
    try {
      io::ReadImport(path, "file", {});
      ADD_FAILURE() << path << ": no error";
    } catch (const InputError& error) {
      EXPECT_THAT(error.what(), HasSubstr(message)) << path;
    }
  }
}

}  // namespace
}  // namespace ombrane
