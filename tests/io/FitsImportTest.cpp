// FITS light curves written here with CFITSIO: times from the reference day, fluxes made
// magnitudes, flagged and undefined rows left out, and malformed files refused.
#include <fitsio.h>
#include <gmock/gmock.h>

#include <zlib.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

#include "ImportFixture.h"
#include "MemoryCeiling.h"
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
  // A fifth column PDCSAP_FLUX_ERR: 1 % of each flux (NaN where the flux is), or these values.
  bool fluxErrors = false;
  std::vector<double> fluxErrorValues = {};
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
  char* errorName[] = {const_cast<char*>("PDCSAP_FLUX_ERR")};
  char* errorForm[] = {const_cast<char*>("E")};
  fits_create_tbl(file, BINARY_TBL, 0, 4, names, forms, nullptr, layout.extension, &status);
  if (layout.fluxErrors) fits_insert_cols(file, 5, 1, errorName, errorForm, &status);
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
    if (layout.fluxErrors) {
      float error =
          static_cast<float>(layout.fluxErrorValues.empty() ? row.pdcsap * 0.01
                                                            : layout.fluxErrorValues[static_cast<size_t>(r)]);
      fits_write_col(file, TFLOAT, 5, r + 1, 1, 1, &error, &status);
    }
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
  // Kepler, K2 and TESS times are barycentric, in TDB; the user's word holds over it.
  EXPECT_EQ(result.timeScale, TimeScale::BjdTdb);
  EXPECT_EQ(io::InspectImport(path, "curve.fits").options.timeScale, TimeScale::BjdTdb);
  io::ImportOptions saidHjd;
  saidHjd.timeScale = TimeScale::Hjd;
  EXPECT_EQ(io::ReadImport(path, "curve.fits", saidHjd).timeScale, TimeScale::Hjd);
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

// The flux's error becomes the magnitude's: σ_m = 2.5/ln 10 · σ_F/F, here 1.0857362 % for
// every row, whatever the flux; one row whose error is missing (NaN) makes the file one without
// errors, every observation still loaded.
TEST_F(FitsImport, FluxErrorsBecomeMagnitudeErrors) {
  const std::string path = Path("errors.fits");
  WriteCurve(path, {.fluxErrors = true});
  const io::ImportResult result = io::ReadImport(path, "errors.fits", {});
  ASSERT_TRUE(result.errors);
  ASSERT_EQ(result.observations.size(), 3u);
  const double expected = 2.5 / std::log(10.0) * 0.01;  // 0.010857362...
  for (const Observation& o : result.observations) EXPECT_NEAR(static_cast<double>(o.error), expected, 1e-9);
  Load(result);
  EXPECT_THAT(data->magError, ::testing::Each(::testing::DoubleNear(expected, 1e-9)));
  EXPECT_EQ(data->magError.size(), 4u);  // with the repeat of the last

  const std::string gap = Path("gap.fits");
  WriteCurve(gap, {.fluxErrors = true, .fluxErrorValues = {1, 5, kNaN, 200, 100}});
  const io::ImportResult without = io::ReadImport(gap, "gap.fits", {});
  EXPECT_FALSE(without.errors);
  EXPECT_EQ(without.observations.size(), 3u);
  EXPECT_THAT(without.notes, ::testing::Contains(HasSubstr("1 row has no usable error")));
  Load(without);
  EXPECT_TRUE(data->magError.empty());
  EXPECT_TRUE(data->fileMagError.empty());
}

// A light curve of 50 000 rows, ten times what the store once held, loads whole without binning:
// every row a point, in order, and the repeat of the last.
TEST_F(FitsImport, FiftyThousandRowsLoadWithoutBinning) {
  constexpr long long kCount = 50'000;
  const std::string path = Path("long.fits");
  int status = 0;
  fitsfile* file = nullptr;
  fits_create_diskfile(&file, path.c_str(), &status);
  fits_create_img(file, 8, 0, nullptr, &status);
  char* names[] = {const_cast<char*>("TIME"), const_cast<char*>("PDCSAP_FLUX"), const_cast<char*>("QUALITY")};
  char* forms[] = {const_cast<char*>("D"), const_cast<char*>("E"), const_cast<char*>("J")};
  fits_create_tbl(file, BINARY_TBL, 0, 3, names, forms, nullptr, "LIGHTCURVE", &status);
  long whole = 2457000;
  double fraction = 0.5;
  fits_write_key(file, TLONG, "BJDREFI", &whole, nullptr, &status);
  fits_write_key(file, TDOUBLE, "BJDREFF", &fraction, nullptr, &status);
  std::vector<double> time(kCount);
  std::vector<float> flux(kCount, 1000.0F);  // one flux: the median, 10 mag for every row
  std::vector<int32_t> quality(kCount, 0);
  for (long long r = 0; r < kCount; ++r)
    time[static_cast<size_t>(r)] = 1000.0 + 0.002 * static_cast<double>(r);
  fits_write_col(file, TDOUBLE, 1, 1, 1, kCount, time.data(), &status);
  fits_write_col(file, TFLOAT, 2, 1, 1, kCount, flux.data(), &status);
  fits_write_col(file, TINT, 3, 1, 1, kCount, quality.data(), &status);
  fits_close_file(file, &status);
  ASSERT_EQ(status, 0);

  const io::ImportResult result = io::ReadImport(path, "long.fits", {});
  ASSERT_EQ(result.observations.size(), static_cast<size_t>(kCount));
  const PhotometryReadResult read = Load(result);
  EXPECT_TRUE(read.messages.empty());
  ASSERT_EQ(data->pointCount, kCount + 1);
  for (size_t r : {size_t{0}, size_t{1}, size_t{25'000}, size_t{kCount - 1}}) {
    EXPECT_EQ(data->fileJd[r], 2457000.5L + static_cast<long double>(time[r])) << r;
    EXPECT_NEAR(static_cast<double>(data->fileMag[r]), 10.0, 1e-12) << r;
  }
  EXPECT_EQ(data->fileJd[kCount], data->fileJd[kCount - 1]);
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

// A held input is read from its file once: with the file gone, it reads with one flux and then
// the other, as the import dialog reads it with each choice. PDCSAP keeps rows 0, 2 and 4
// (fluxes 100, 1000, 10000; median 1000 at 10 mag); SAP also row 3 (zero point 20 as above).
TEST_F(FitsImport, HeldCurveReadsAfterItsFileIsGone) {
  const std::string path = Path("curve.fits");
  WriteCurve(path);
  const io::Input input = io::ReadHeldInput(path, "curve.fits");
  std::filesystem::remove(path);
  const io::ImportResult pdcsap = io::ReadImport(input, "curve.fits", {});
  ASSERT_EQ(pdcsap.observations.size(), 3u);
  const double pdcsapMagnitudes[] = {12.5, 10, 7.5};
  for (size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(static_cast<double>(pdcsap.observations[i].magnitude), pdcsapMagnitudes[i], 1e-12) << i;
  io::ImportOptions sap;
  sap.flux = io::FluxColumn::Sap;
  sap.zeroPoint = 20;
  const io::ImportResult second = io::ReadImport(input, "curve.fits", sap);
  ASSERT_EQ(second.observations.size(), 4u);
  EXPECT_NEAR(static_cast<double>(second.observations[3].magnitude), 7.5, 1e-12);
  EXPECT_EQ(second.observations[3].time, 2457000.5L + static_cast<long double>(1235.60));
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

// FITS files written by hand, card by card, as a hostile or broken writer could: an empty
// primary header, perhaps another table, then the binary table whose cards the test gives, with
// two rows of TIME (D, 8 bytes) and PDCSAP_FLUX (E, 4 bytes) after it.
using Cards = std::vector<std::pair<std::string, std::string>>;  // keyword, value as written

std::string HeaderText(const Cards& cards, bool end = true) {
  std::string text;
  for (const auto& [keyword, value] : cards) {
    std::string card = keyword;
    card.resize(8, ' ');
    card += "= " + std::string(value.size() < 20 ? 20 - value.size() : 0, ' ') +
            value;  // values end in column 30
    card.resize(80, ' ');
    text += card;
  }
  if (end) text += "END" + std::string(77, ' ');
  text.resize((text.size() + 2879) / 2880 * 2880, ' ');
  return text;
}

std::string BigEndian(double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  std::string bytes(8, '\0');
  for (int i = 0; i < 8; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(bits >> (56 - 8 * i));
  return bytes;
}

std::string BigEndian(float value) {
  const auto bits = std::bit_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(bits >> (24 - 8 * i));
  return bytes;
}

Cards TableCards() {
  return {{"XTENSION", "'BINTABLE'"},
          {"BITPIX", "8"},
          {"NAXIS", "2"},
          {"NAXIS1", "12"},
          {"NAXIS2", "2"},
          {"PCOUNT", "0"},
          {"GCOUNT", "1"},
          {"TFIELDS", "2"},
          {"TTYPE1", "'TIME'"},
          {"TFORM1", "'D'"},
          {"TTYPE2", "'PDCSAP_FLUX'"},
          {"TFORM2", "'E'"},
          {"EXTNAME", "'LIGHTCURVE'"},
          {"BJDREFI", "2457000"},
          {"BJDREFF", "0.5"}};
}

// A table without rows before the light curve, announcing 5000 columns.
const Cards kOtherTable = {{"XTENSION", "'BINTABLE'"},
                           {"BITPIX", "8"},
                           {"NAXIS", "2"},
                           {"NAXIS1", "0"},
                           {"NAXIS2", "0"},
                           {"PCOUNT", "0"},
                           {"GCOUNT", "1"},
                           {"TFIELDS", "5000"},
                           {"EXTNAME", "'APERTURE'"}};

std::string HandWritten(const Cards& table, bool otherTableFirst = false, bool end = true) {
  std::string file = HeaderText({{"SIMPLE", "T"}, {"BITPIX", "8"}, {"NAXIS", "0"}});
  if (otherTableFirst) file += HeaderText(kOtherTable);
  file += HeaderText(table, end);
  if (!end) return file;
  std::string rows = BigEndian(1.5) + BigEndian(100.0F) + BigEndian(2.5) + BigEndian(1000.0F);
  rows.resize(2880, '\0');
  return file + rows;
}

void Set(Cards& cards, const std::string& keyword, const std::string& value) {
  for (auto& card : cards)
    if (card.first == keyword) card.second = value;
}

void Remove(Cards& cards, const std::string& keyword) {
  std::erase_if(cards, [&](const auto& card) { return card.first == keyword; });
}

std::string Refusal(const std::string& path) {
  try {
    io::ReadImport(path, "curve.fits", {});
  } catch (const InputError& error) {
    return error.what();
  }
  return "no error";
}

// The hand-written table read by CFITSIO: BJD = 2457000 + 0.5 + TIME, and fluxes 100 and 1000
// a factor 10 apart, so 2.5 magnitudes.
TEST_F(FitsImport, HandWrittenTableIsRead) {
  const std::string path = Write("curve.fits", HandWritten(TableCards()));
  const io::ImportResult result = io::ReadImport(path, "curve.fits", {});
  ASSERT_EQ(result.observations.size(), 2u);
  EXPECT_EQ(result.observations[0].time, 2457002.0L);
  EXPECT_EQ(result.observations[1].time, 2457003.0L);
  EXPECT_NEAR(static_cast<double>(result.observations[0].magnitude - result.observations[1].magnitude), 2.5,
              1e-12);
  // A file that ends right after its rows, without the padding to a whole block of 2880 bytes,
  // holds every row: it reads the same.
  const std::string unpadded = HandWritten(TableCards()).substr(0, 2 * 2880 + 24);
  const io::ImportResult cut = io::ReadImport(Write("unpadded.fits", unpadded), "unpadded.fits", {});
  ASSERT_EQ(cut.observations.size(), 2u);
  EXPECT_EQ(cut.observations[1].time, 2457003.0L);
  EXPECT_EQ(cut.observations[0].magnitude, result.observations[0].magnitude);
  // With another (sound) table before it, the light curve is found by its name.
  Cards other = kOtherTable;
  Set(other, "TFIELDS", "0");
  std::string file = HandWritten(TableCards());
  file.insert(2880, HeaderText(other));
  EXPECT_EQ(io::ReadImport(Write("second.fits", file), "second.fits", {}).observations.size(), 2u);
}

// Counts and sizes of a table's header that CFITSIO would trust are checked first: each file
// is refused as malformed, naming the keyword, before CFITSIO sets up a table.
TEST_F(FitsImport, BadTableKeywordsAreRefusedAsMalformed) {
  struct Case {
    const char* name;
    std::function<void(Cards&)> edit;
    std::string message;
    bool otherTableFirst = false;
    bool end = true;
  };
  const Case cases[] = {
      {"negative rows", [](Cards& c) { Set(c, "NAXIS2", "-2"); },
       "NAXIS2 = -2 in HDU 2 (LIGHTCURVE) is not a length from 0"},
      {"rows not whole", [](Cards& c) { Set(c, "NAXIS2", "2.0"); },
       "NAXIS2 = 2.0 in HDU 2 (LIGHTCURVE) is not a length from 0"},
      {"rows beyond 64 bits", [](Cards& c) { Set(c, "NAXIS2", "99999999999999999999"); },
       "NAXIS2 = 99999999999999999999 in HDU 2 (LIGHTCURVE) is not a length from 0"},
      {"rows as text", [](Cards& c) { Set(c, "NAXIS2", "'2'"); },
       "NAXIS2 = '2' in HDU 2 (LIGHTCURVE) is not a length from 0"},
      {"no NAXIS2", [](Cards& c) { Remove(c, "NAXIS2"); },
       "NAXIS2 is missing from the header of HDU 2 (LIGHTCURVE) (card 5 is PCOUNT)"},
      {"one axis", [](Cards& c) { Set(c, "NAXIS", "1"); },
       "PCOUNT is missing from the header of HDU 2 (LIGHTCURVE) (card 5 is NAXIS2)"},
      {"row wider than its columns", [](Cards& c) { Set(c, "NAXIS1", "16"); },
       "the columns TFORM1 to TFORM2 of HDU 2 (LIGHTCURVE) take 12 bytes a row, but NAXIS1 = 16"},
      {"row narrower than its columns", [](Cards& c) { Set(c, "NAXIS1", "8"); },
       "the columns of HDU 2 (LIGHTCURVE) up to TFORM2 are wider than NAXIS1 = 8 bytes"},
      {"row longer than the file",
       [](Cards& c) {
         Set(c, "NAXIS1", "100000");
         Set(c, "NAXIS2", "0");
       },
       "NAXIS1 = 100000 in HDU 2 (LIGHTCURVE) makes a row longer than the whole file"},
      {"a column without a form", [](Cards& c) { Set(c, "TFIELDS", "3"); },
       "TFORM3 is missing from HDU 2 (LIGHTCURVE), which has TFIELDS = 3"},
      {"a column beyond TFIELDS", [](Cards& c) { Set(c, "TFIELDS", "1"); },
       "TTYPE2 in HDU 2 (LIGHTCURVE) names a column beyond TFIELDS = 1"},
      {"too many columns", [](Cards& c) { Set(c, "TFIELDS", "1000"); },
       "TFIELDS = 1000 in HDU 2 (LIGHTCURVE) is not a number of columns from 0 to 999"},
      {"negative columns", [](Cards& c) { Set(c, "TFIELDS", "-1"); },
       "TFIELDS = -1 in HDU 2 (LIGHTCURVE) is not a number of columns from 0 to 999"},
      {"no TFIELDS", [](Cards& c) { Remove(c, "TFIELDS"); },
       "TFIELDS is missing from the header of HDU 2 (LIGHTCURVE) (card 8 is TTYPE1)"},
      {"an unknown form", [](Cards& c) { Set(c, "TFORM2", "'Z'"); },
       "TFORM2 = 'Z' in HDU 2 (LIGHTCURVE) is no binary column's form"},
      {"a form given twice",
       [](Cards& c) {
         c.insert(c.begin() + 10, {"TFORM1", "'D'"});
       },
       "TFORM1 is given twice in HDU 2 (LIGHTCURVE)"},
      {"a bad table before it", [](Cards&) {},
       "TFIELDS = 5000 in HDU 2 (APERTURE) is not a number of columns from 0 to 999", true},
      {"no END card", [](Cards&) {}, "the header of HDU 2 has no END card (the file is cut short)", false,
       false},
  };
  for (const Case& c : cases) {
    Cards cards = TableCards();
    c.edit(cards);
    const std::string path = Write("bad.fits", HandWritten(cards, c.otherTableFirst, c.end));
    EXPECT_EQ(Refusal(path), "curve.fits: the FITS file is malformed: " + c.message + ". Nothing loaded.")
        << c.name;
  }
  // A header claiming more rows than the file holds (12 bytes x 1000 > the 2880 bytes after it).
  Cards many = TableCards();
  Set(many, "NAXIS2", "1000");
  EXPECT_EQ(Refusal(Write("many.fits", HandWritten(many))),
            "curve.fits ends before its LIGHTCURVE table does (the file is cut short). Nothing loaded.");
}

// --- Gzipped light curves, and gzip bombs ---

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Gzip(const std::string& bytes) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string packed(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(packed.data());
  stream.avail_out = static_cast<uInt>(packed.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  return packed;
}

// A gzip member unpacking to `head` and then `megabytes` MiB of zeros. It is built from one
// packed MiB of zeros repeated (each MiB packed after a full flush, which makes the pieces
// independent), so a bomb of gigabytes costs the test a few milliseconds; the trailer holds the
// true CRC and the size modulo 2^32, as gzip writes them.
std::string GzipBomb(const std::string& head, uint64_t megabytes) {
  const std::string zeros(size_t{1} << 20, '\0');
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  auto pack = [&](const std::string& bytes, int flush) {
    std::string packed(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, flush);
    packed.resize(packed.size() - stream.avail_out);
    return packed;
  };
  std::string bomb = pack(head, Z_FULL_FLUSH);
  const std::string piece = pack(zeros, Z_FULL_FLUSH);
  std::string end = pack("", Z_FINISH);
  deflateEnd(&stream);
  end.resize(end.size() - 8);  // the trailer zlib wrote counts only what it was given
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
  const uLong zerosCrc =
      crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
  for (uint64_t i = 0; i < megabytes; ++i) {
    bomb += piece;
    crc = crc32_combine(crc, zerosCrc, static_cast<z_off_t>(zeros.size()));
  }
  bomb += end;
  const uint64_t size = head.size() + (megabytes << 20);
  for (int i = 0; i < 4; ++i) bomb += static_cast<char>(crc >> (8 * i));
  for (int i = 0; i < 4; ++i) bomb += static_cast<char>(size >> (8 * i));
  return bomb;
}

// A gzipped light curve is unpacked by the reader and reads as the plain file does, whatever
// its name.
TEST_F(FitsImport, GzippedCurveReadsAsThePlainOne) {
  const std::string plain = Path("curve.fits");
  WriteCurve(plain);
  const std::string packed = Gzip(Contents(plain));
  const std::string expected = io::ReadImport(plain, "curve.fits", {}).notes.front();
  for (const char* name : {"curve.fits.gz", "curve.fits"}) {
    const std::string path = Write(std::string("z-") + name, packed);
    const io::ImportResult result = io::ReadImport(path, "curve.fits", {});
    EXPECT_EQ(result.observations.size(), 3u) << name;
    EXPECT_EQ(result.notes.front(), expected) << name;
  }
  // Two members in a row (gzip -c a >> b) unpack to the bytes of both.
  const std::string bytes = Contents(plain);
  const std::string split = Gzip(bytes.substr(0, 3000)) + Gzip(bytes.substr(3000));
  EXPECT_EQ(io::ReadImport(Write("two.fits.gz", split), "curve.fits", {}).notes.front(), expected);
}

// Gzip bombs are refused within a memory ceiling the test sets, far below what they unpack to:
// one of 2 GiB, and one whose size in its trailer wraps modulo 2^32 (4 GiB + 1 MiB reads as 1 MiB);
// both at 256 MB. Broken gzip data and other packings are refused too.
TEST_F(FitsImport, CompressedBombsAndBrokenPackingsAreRefused) {
  const std::string plain = Path("curve.fits");
  WriteCurve(plain);
  const std::string head = Contents(plain).substr(0, 2880);
  const std::string packed = Gzip(Contents(plain));
  const std::string bomb =
      "curve.fits is too large for a light curve: it unpacks to more than 256 MB (at most 256 MB). Nothing "
      "loaded.";
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"2 GiB bomb", GzipBomb(head, 2048), bomb},
      {"4 GiB + 1 MiB bomb", GzipBomb(head, 4097), bomb},
      {"cut short", packed.substr(0, packed.size() / 2),
       "curve.fits could not be opened as FITS: its gzip data are broken (they end early). Nothing loaded."},
      {"corrupt", packed.substr(0, 10) + std::string(packed.size() - 10, '\xff'),
       "curve.fits could not be opened as FITS: its gzip data are broken (invalid block type). Nothing "
       "loaded."},
      {"compress", "\x1f\x9d\x90" + std::string(100, 'x'),
       "curve.fits could not be opened as FITS: it is packed with compress (.Z) (only gzip is unpacked "
       "here); "
       "unpack it first. Nothing loaded."},
  };
  for (const Case& c : cases) {
    const std::string path = Write("bomb.fits.gz", c.bytes);
    // 600 MB: the bound of 256 MB, a buffer growing to it, the packed file and the library.
    EXPECT_EQ(test::UnderMemoryCeiling(size_t{600} << 20,
                                       [&] {
                                         const std::string refusal = Refusal(path);
                                         return refusal == c.message ? std::string() : refusal;
                                       }),
              "")
        << c.name;
  }
}

}  // namespace
}  // namespace ombrane
