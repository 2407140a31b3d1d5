// Text tables: the layout found in the first lines, the columns chosen and the values that reach
// the store through the one load.
#include <gmock/gmock.h>

#include <cmath>

#include "ImportFixture.h"
#include "MemoryCeiling.h"
#include "common/InputError.h"
#include "io/TextTable.h"

namespace ombrane {
namespace {

using io::FieldSeparator;
using test::ImportFixture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct LayoutCase {
  std::string name;
  std::string text;
  FieldSeparator separator;
  int32_t skipLines;
  int32_t timeColumn;  // 0-based
  int32_t magColumn;
  // The observations the guessed columns give (JD, magnitude).
  std::vector<std::pair<long double, long double>> observations;
  std::vector<std::string> notes = {};
};

const LayoutCase kLayoutCases[] = {
    {"ThreeColumnsOfBlanks",
     "2459000.5 12.30 0.01\n2459000.6 12.40 0.02\n2459000.7 12.50 0.01\n",
     FieldSeparator::Blanks,
     0,
     0,
     1,
     {{2459000.5L, 12.30L}, {2459000.6L, 12.40L}, {2459000.7L, 12.50L}}},
    {"HeaderAndCommentsEverywhere",
     "# star X, night of 2020-06-01\n% observer ABC\nJD MAG ERR\n2459000.5 12.3 0.01\n; a cloud\n\n"
     "2459000.6\t12.4 0.02\n",
     FieldSeparator::Blanks,
     3,
     0,
     1,
     {{2459000.5L, 12.3L}, {2459000.6L, 12.4L}}},
    // The header names the time in the third column: it wins over the order.
    {"HeaderNamesWinOverOrder",
     "err;Magnitude;HJD\n0.01;12.3;2459000.5\n0.02;12.4;2459000.6\n",
     FieldSeparator::Semicolons,
     1,
     2,
     1,
     {{2459000.5L, 12.3L}, {2459000.6L, 12.4L}}},
    {"SemicolonsWithDecimalPoints",
     "BJD_TDB;V mag;e_mag\n2459000.51;12.301;0.004\n2459000.52;12.302;0.004\n",
     FieldSeparator::Semicolons,
     1,
     0,
     1,
     {{2459000.51L, 12.301L}, {2459000.52L, 12.302L}}},
    {"SemicolonsWithDecimalCommas",
     "2459000,51;12,301\r\n2459000,52;12,302\r\n",
     FieldSeparator::Semicolons,
     0,
     0,
     1,
     {{2459000.51L, 12.301L}, {2459000.52L, 12.302L}}},
    {"CommasQuotedFieldsAndAnErrorColumnFirst",
     "\xEF\xBB\xBF\"mag_err\",\"time\",\"mag\"\n0.01,\"2459000.5\",12.3\n0.02,2459000.6,12.4\n",
     FieldSeparator::Commas,
     1,
     1,
     2,
     {{2459000.5L, 12.3L}, {2459000.6L, 12.4L}}},
    // No header: the column of Julian Days is the time, the next column of numbers the magnitude.
    {"JulianDaysFoundWithoutHeader",
     "1\t2459000.5\t12.3\n2\t2459000.6\t12.4\n",
     FieldSeparator::Tabs,
     0,
     1,
     2,
     {{2459000.5L, 12.3L}, {2459000.6L, 12.4L}}},
    // Julian Days of every era the range 2400000 < JD < 2500000 takes (1858 to 2132), old
    // photographic plates of the 1960s and 1990s among them, are found after a magnitude column.
    {"JulianDaysOfEveryEraAfterTheMagnitude",
     "12.3\t2400000.5\n12.4\t2440000.25\n12.5\t2449000.75\n12.6\t2499999.5\n",
     FieldSeparator::Tabs,
     0,
     1,
     0,
     {{2400000.5L, 12.3L}, {2440000.25L, 12.4L}, {2449000.75L, 12.5L}, {2499999.5L, 12.6L}}},
    // Just outside the range a column is no Julian Day: the first column of numbers is the time.
    {"NumbersOutsideTheJulianDayRangeAreNoJulianDays",
     "12.3\t2399999.5\n12.4\t2500000.5\n12.5\t2500001\n",
     FieldSeparator::Tabs,
     0,
     0,
     1,
     {{12.3L, 2399999.5L}, {12.4L, 2500000.5L}, {12.5L, 2500001}}},
    // A comment line just above the table names its columns; "BJD-2450000" says what was taken
    // off the times, and it is added back.
    {"CommentAboveNamesColumns",
     "# BJD-2450000   mag   e_mag\n  7064.068193   -0.0019   0.00097\n  7064.088626   +0.0056   0.00097\n",
     FieldSeparator::Blanks,
     1,
     0,
     1,
     {{2450000 + 7064.068193L, -0.0019L}, {2450000 + 7064.088626L, 0.0056L}},
     {"table.txt: 2450000 added to every time."}},
};

class Layouts : public ImportFixture, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layouts, FoundAndRead) {
  const LayoutCase& c = GetParam();
  const std::string path = Write("table.txt", c.text);
  const io::ImportPreview preview = io::InspectImport(path, "table.txt");
  EXPECT_EQ(preview.format, "Text columns");
  EXPECT_EQ(preview.options.separator, c.separator);
  EXPECT_EQ(preview.options.skipLines, c.skipLines);
  EXPECT_EQ(preview.options.timeColumn, c.timeColumn);
  EXPECT_EQ(preview.options.magColumn, c.magColumn);

  const io::ImportResult result = io::ReadImport(path, "table.txt", preview.options);
  ASSERT_EQ(result.observations.size(), c.observations.size());
  for (size_t i = 0; i < c.observations.size(); ++i) {
    EXPECT_EQ(result.observations[i].time, c.observations[i].first) << i;
    EXPECT_EQ(result.observations[i].magnitude, c.observations[i].second) << i;
  }
  EXPECT_EQ(result.notes, c.notes);
  // Unset choices are guessed the same way by the reading itself.
  EXPECT_EQ(io::ReadImport(path, "table.txt", {}).observations.size(), c.observations.size());
}

INSTANTIATE_TEST_SUITE_P(TextImport, Layouts, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& param) { return param.param.name; });

using TextImport = ImportFixture;

// The chosen columns reach the store through the one load: entries with the repeat of the last,
// values to the last digit of a long double.
TEST_F(TextImport, ChosenColumnsReachTheStore) {
  const std::string path =
      Write("three.txt", "2459000.123456789 12.30 0.01\n2459000.2 12.40 0.02\n2459001.3 12.50 0.03\n");
  io::ImportOptions options;
  options.timeColumn = 0;
  options.magColumn = 2;  // the error column, chosen on purpose
  const PhotometryReadResult read = Load(io::ReadImport(path, "three.txt", options));
  EXPECT_TRUE(read.messages.empty());
  ASSERT_EQ(data->pointCount, 4);
  const long double jd[] = {2459000.123456789L, 2459000.2L, 2459001.3L, 2459001.3L};
  const long double mag[] = {0.01L, 0.02L, 0.03L, 0.03L};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(data->fileJd[i], jd[i]) << i;
    EXPECT_EQ(data->jd[i], jd[i]) << i;
    EXPECT_EQ(data->mag[i], mag[i]) << i;
  }
  EXPECT_EQ(view->lastNight, 1);  // two nights: 2459000 and 2459001
}

// Rows whose chosen fields are not numbers are skipped and counted in one note; the rest load.
TEST_F(TextImport, RowsThatAreNotNumbersAreCounted) {
  const std::string path =
      Write("gaps.csv", "JD,Mag\n2459000.5,12.3\n2459000.6,n/a\n2459000.7,\n2459000.8,12.6\nTOTAL,3\n");
  const io::ImportResult result = io::ReadImport(path, "gaps.csv", {});
  ASSERT_EQ(result.observations.size(), 2u);
  EXPECT_EQ(result.observations[1].magnitude, 12.6L);
  EXPECT_THAT(
      result.notes,
      ElementsAre("gaps.csv: 3 rows whose time or magnitude is not a number were skipped (the first on "
                  "line 3)."));
}

struct BadCase {
  std::string name;
  std::string text;
  io::ImportOptions options;
  std::string message;  // part of the error
};

class BadTables : public ImportFixture, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadTables, SayWhatIsWrongAndLoadNothing) {
  const BadCase& c = GetParam();
  const std::string path = Write("bad.csv", c.text);
  try {
    io::ReadImport(path, "bad.csv", c.options);
    FAIL() << "no error";
  } catch (const InputError& error) {
    EXPECT_THAT(error.what(), HasSubstr(c.message));
  }
}

io::ImportOptions Columns(int32_t time, int32_t magnitude) {
  io::ImportOptions options;
  options.timeColumn = time;
  options.magColumn = magnitude;
  return options;
}

const BadCase kBadCases[] = {
    {"RaggedRow",
     "JD,Mag,Err\n2459000.5,12.3,0.01\n2459000.6,12.4\n2459000.7,12.5,0.01\n",
     {},
     "bad.csv, line 3: 2 fields where line 2 has 3"},
    {"ColumnBeyondTheRow", "2459000.5 12.3\n2459000.6 12.4\n", Columns(0, 4),
     "bad.csv, line 1: 2 fields, but column 5 was chosen"},
    {"NoNumbersAtAll", "JD MAG\nnone yet\n", {}, "bad.csv: no observations to load"},
    {"EmptyFile", "", {}, "bad.csv: no observations to load"},
    {"BinaryFile",
     std::string("\x7f"
                 "ELF\0\0\0",
                 7),
     {},
     "bad.csv is not a text file"},
};

INSTANTIATE_TEST_SUITE_P(TextImport, BadTables, ::testing::ValuesIn(kBadCases),
                         [](const auto& param) { return param.param.name; });

TEST(TimeOffsetOfName, TheOffsetAColumnNameSays) {
  const struct {
    const char* name;
    std::optional<long double> offset;
  } cases[] = {{"BJD-2450000", 2450000}, {"HJD - 2400000", 2400000}, {"jd-2457000", 2457000},
               {"MJD", 2400000.5L},      {"BTJD", 2457000},          {"BJD_TDB", std::nullopt},
               {"time", std::nullopt},   {"JD-5", std::nullopt},     {"BJD-2400000.5", 2400000.5L}};
  for (const auto& c : cases) EXPECT_EQ(io::TimeOffsetOfName(c.name), c.offset) << c.name;
}

// Reduced times get their offset back: from the header, or as chosen, which wins; times below
// 100 000 with no offset are told in the preview.
TEST_F(TextImport, TimeOffsetFromTheHeaderOrChosen) {
  const std::string named = Write("named.txt", "HJD-2400000 V\n59000.25 12.5\n59000.5 12.75\n");
  io::ImportPreview preview = io::InspectImport(named, "named.txt");
  EXPECT_EQ(preview.options.timeOffset, 2400000);
  io::ImportResult result = io::ReadImport(named, "named.txt", preview.options);
  ASSERT_EQ(result.observations.size(), 2u);
  EXPECT_EQ(result.observations[0].time, 2459000.25L);
  EXPECT_EQ(result.observations[1].time, 2459000.5L);

  const std::string bare = Write("bare.txt", "9000.25 12.5\n9000.5 12.75\n");
  preview = io::InspectImport(bare, "bare.txt");
  EXPECT_EQ(preview.options.timeOffset, 0);
  EXPECT_THAT(preview.layout, ::testing::Contains(HasSubstr("Times below 100 000")));
  io::ImportOptions chosen = preview.options;
  chosen.timeOffset = 2450000;
  result = io::ReadImport(bare, "bare.txt", chosen);
  ASSERT_EQ(result.observations.size(), 2u);
  EXPECT_EQ(result.observations[0].time, 2459000.25L);
  EXPECT_THAT(result.notes, ::testing::Contains("bare.txt: 2450000 added to every time."));
}

// A column of (normalised) flux becomes magnitudes as the FITS flux does: -2.5 log10(flux) plus
// the zero point that puts the median flux at 10 mag. Fluxes 1, 0.5 and 2 (median 1) give 10,
// 10 + 2.5 log10 2 = 10.7526 and 10 - 0.7526; a flux of 0 has no magnitude and is counted.
TEST_F(TextImport, FluxColumnBecomesMagnitudes) {
  const std::string path =
      Write("flux.csv", "BJD,norm_flux\n2459000.1,1\n2459000.2,0.5\n2459000.3,0\n2459000.4,2\n");
  const io::ImportPreview preview = io::InspectImport(path, "flux.csv");
  EXPECT_EQ(preview.options.valuesAreFlux, true);
  const io::ImportResult result = io::ReadImport(path, "flux.csv", preview.options);
  ASSERT_EQ(result.observations.size(), 3u);
  const long double twice = 2.5L * std::log10(2.0L);
  EXPECT_NEAR(static_cast<double>(result.observations[0].magnitude), 10.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(result.observations[1].magnitude), static_cast<double>(10 + twice), 1e-12);
  EXPECT_NEAR(static_cast<double>(result.observations[2].magnitude), static_cast<double>(10 - twice), 1e-12);
  EXPECT_THAT(result.notes, ::testing::Contains("flux.csv: 1 row whose flux is not above 0 was left out."));

  // Chosen as magnitudes, the same column is taken as it stands.
  io::ImportOptions asMagnitudes = preview.options;
  asMagnitudes.valuesAreFlux = false;
  EXPECT_EQ(io::ReadImport(path, "flux.csv", asMagnitudes).observations.size(), 4u);
}

// The error column: guessed from its header name or chosen, kept with every observation, turned
// from flux into magnitudes, binned as the error of the mean, and left out as a whole when a row
// has none that can be used.
struct ErrorCase {
  std::string name;
  std::string text;
  std::optional<int32_t> errorColumn;  // chosen; unset: guessed
  io::Binning binning;
  int32_t guessedColumn;            // what the preview guesses (-1: none)
  std::vector<long double> errors;  // per observation (empty: the file reads without errors)
};

const ErrorCase kErrorCases[] = {
    {"NamedColumn",
     "JD mag err\n2459000.50 12.0 0.03\n2459000.51 12.2 0.04\n2459000.60 12.4 0.05\n",
     {},
     io::Binning::None,
     2,
     {0.03L, 0.04L, 0.05L}},
    // Cadence: the median step 0.05 d; bins of two cadences from 2459000.475 hold the first
    // two rows and the third: sqrt(0.03² + 0.04²)/2 = 0.025, and 0.05.
    {"BinnedAsTheErrorOfTheMean",
     "JD mag err\n2459000.50 12.0 0.03\n2459000.51 12.2 0.04\n2459000.60 12.4 0.05\n",
     {},
     io::Binning::Cadences,
     2,
     {0.025L, 0.05L}},
    {"ChosenColumnWithoutAName",
     "2459000.50 12.0 0.03 7\n2459000.51 12.2 0.04 8\n",
     2,
     io::Binning::None,
     -1,
     {0.03L, 0.04L}},
    {"NoneChosen",
     "JD,mag,e_mag\n2459000.50,12.0,0.03\n2459000.51,12.2,0.04\n",
     -1,
     io::Binning::None,
     2,
     {}},
    // σ_F/F = 0.01 gives 2.5/ln 10 · 0.01 mag; 0.5 % gives half that.
    {"FluxErrorsInMagnitudes",
     "BJD,flux,flux_err\n2459000.5,2,0.02\n2459000.6,4,0.02\n",
     {},
     io::Binning::None,
     2,
     {2.5L / std::log(10.0L) * 0.01L, 2.5L / std::log(10.0L) * 0.005L}},
    {"AnErrorOfZeroLeavesThemOut",
     "JD mag sigma\n2459000.50 12.0 0.03\n2459000.51 12.2 0\n",
     {},
     io::Binning::None,
     2,
     {}},
    {"AMissingErrorLeavesThemOut",
     "JD;mag;uncertainty\n2459000,50;12,0;0,03\n2459000,51;12,2;\n",
     {},
     io::Binning::None,
     2,
     {}},
};

class Errors : public ImportFixture, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(Errors, KeptWithTheirObservations) {
  const ErrorCase& c = GetParam();
  const std::string path = Write("table.txt", c.text);
  io::ImportOptions options;
  options.errorColumn = c.errorColumn;
  options.binning = c.binning;
  options.binCadences = 2;
  EXPECT_EQ(io::InspectImport(path, "table.txt").options.errorColumn, c.guessedColumn);
  const io::ImportResult result = io::ReadImport(path, "table.txt", options);
  EXPECT_EQ(result.errors, !c.errors.empty());
  Load(result);
  if (c.errors.empty()) {
    EXPECT_TRUE(data->magError.empty());
    EXPECT_TRUE(data->fileMagError.empty());
    // Every observation is loaded all the same.
    EXPECT_EQ(data->pointCount, static_cast<int32_t>(result.observations.size()) + 1);
    if (!c.errorColumn) {
      EXPECT_THAT(result.notes, ::testing::Contains(HasSubstr("1 row has no usable error")));
    }
    return;
  }
  ASSERT_EQ(result.observations.size(), c.errors.size());
  ASSERT_EQ(data->magError.size(), c.errors.size() + 1);  // with the repeat of the last
  for (size_t i = 0; i < c.errors.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(result.observations[i].error), static_cast<double>(c.errors[i]), 1e-15)
        << i;
    EXPECT_NEAR(data->magError[i], static_cast<double>(c.errors[i]), 1e-15) << i;
    EXPECT_EQ(data->fileMagError[i], data->magError[i]) << i;
  }
  EXPECT_EQ(data->magError.back(), data->magError[c.errors.size() - 1]);
}

INSTANTIATE_TEST_SUITE_P(TextImport, Errors, ::testing::ValuesIn(kErrorCases),
                         [](const auto& param) { return param.param.name; });

TEST_F(TextImport, MissingFileSaysWhy) {
  EXPECT_THROW(io::InspectImport(Path("absent.txt"), "absent.txt"), InputError);
  EXPECT_THROW(io::ReadImport(Path("absent.txt"), "absent.txt", {}), InputError);
}

// More rows than the store holds: handed to the load as they are, it keeps the first 5999 and
// says how many were left out; binning by the shortest bin that fits keeps them all in means.
TEST_F(TextImport, MoreRowsThanTheOldStoreHeldLoadWhole) {
  std::string text = "time,mag\n";
  // 6001 rows a thousandth of a day apart from 2459000.5, magnitudes 10 + row/10000.
  auto digits = [](int value, size_t width) {
    const std::string number = std::to_string(value);
    return std::string(width - number.size(), '0') + number;
  };
  for (int i = 0; i < 6001; ++i) {
    const int thousandths = 500 + i;
    text += std::to_string(2459000 + thousandths / 1000) + "." + digits(thousandths % 1000, 3) + ",10." +
            digits(i, 4) + "\n";
  }
  const std::string path = Write("long.csv", text);
  io::ImportResult plain = io::ReadImport(path, "long.csv", {});
  EXPECT_EQ(plain.rowsRemaining, 6001);
  EXPECT_EQ(plain.autoBinCadences, 1);  // every row fits
  const PhotometryReadResult read = Load(plain);
  EXPECT_EQ(data->pointCount, 6002);  // every row and the repeat
  EXPECT_TRUE(read.messages.empty());
  EXPECT_EQ(data->fileMag[6000], 10.6L);

  io::ImportOptions options;
  options.binning = io::Binning::Cadences;
  options.binCadences = 2;
  const io::ImportResult binned = io::ReadImport(path, "long.csv", options);
  // Bins of two rows from the first on: 3000 pairs and the last row alone.
  ASSERT_EQ(binned.observations.size(), 3001u);
  EXPECT_NEAR(static_cast<double>(binned.observations[0].magnitude), 10.00005, 1e-9);
  EXPECT_NEAR(static_cast<double>(binned.observations[0].time - 2459000.5L), 0.0005, 1e-12);
  EXPECT_NEAR(static_cast<double>(binned.observations[3000].magnitude), 10.6, 1e-9);
  EXPECT_THAT(binned.notes.back(), HasSubstr("6001 rows give 3001 points"));
}

// The column names come from a header line, or from a comment just above the table that fits
// its columns; a title line of many words names nothing.
TEST_F(TextImport, ColumnNamesFromTheHeader) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"JD MAG ERR\n2459000.5 12.3 0.01\n", {"JD", "MAG", "ERR"}},
      {"# JD MAG\n2459000.5 12.3\n", {"JD", "MAG"}},
      {"Observations of RR Lyr by ABC\n2459000.5 12.3\n", {"", ""}},
      {"# observed with a 20 cm telescope\n2459000.5 12.3\n", {"", ""}},
      {"2459000.5 12.3\n", {"", ""}}};
  for (const auto& [text, names] : cases) {
    const std::string path = Write("names.txt", text);
    const io::ImportPreview preview = io::InspectImport(path, "names.txt");
    EXPECT_EQ(preview.columnNames, names) << text;
    EXPECT_EQ(preview.options.timeColumn, 0) << text;
    EXPECT_EQ(preview.options.magColumn, 1) << text;
  }
}

// What the dialog's column names come from and what they say.
TEST(ColumnNames, Roles) {
  using io::ColumnRole;
  const std::pair<const char*, ColumnRole> cases[] = {{"JD", ColumnRole::Time},
                                                      {"hjd", ColumnRole::Time},
                                                      {"BJD-2450000", ColumnRole::Time},
                                                      {"BJD_TDB", ColumnRole::Time},
                                                      {"Time (BTJD)", ColumnRole::Time},
                                                      {"MAG", ColumnRole::Magnitude},
                                                      {"Magnitude", ColumnRole::Magnitude},
                                                      {"V mag", ColumnRole::Magnitude},
                                                      {"Vmag", ColumnRole::Magnitude},
                                                      {"e_mag", ColumnRole::Other},
                                                      {"mag_err", ColumnRole::Other},
                                                      {"Uncertainty", ColumnRole::Other},
                                                      {"flux", ColumnRole::Other},
                                                      {"", ColumnRole::Other}};
  for (const auto& [name, role] : cases) EXPECT_EQ(io::RoleOfName(name), role) << name;
}

TEST(Fields, SplitAndNumbers) {
  std::vector<std::string_view> fields;
  io::SplitFields(" a , \"b,c\" ,,d", FieldSeparator::Commas, fields);
  EXPECT_THAT(fields, ElementsAre("a", "b,c", "", "d"));
  io::SplitFields("  1\t 2  3 ", FieldSeparator::Blanks, fields);
  EXPECT_THAT(fields, ElementsAre("1", "2", "3"));
  long double value = 0;
  EXPECT_TRUE(io::FieldNumber("+1.5e2", value, false));
  EXPECT_EQ(value, 150.0L);
  EXPECT_TRUE(io::FieldNumber("12,5", value, true));
  EXPECT_EQ(value, 12.5L);
  EXPECT_FALSE(io::FieldNumber("12,5", value, false));
  for (const char* notNumber : {"", "nan", "inf", "0x10", "1.2.3", "1e", "<12.3", "1e99999"})
    EXPECT_FALSE(io::FieldNumber(notNumber, value, true)) << notNumber;
  EXPECT_TRUE(io::FieldNumber("1e-99999", value, false));
  EXPECT_EQ(value, 0.0L);
}

// Lines are found on demand: the same lines whichever order they are asked for in (forward,
// backward, a jump from the end to the start and back), for every kind of line end.
TEST(TextLines, EveryLineEndInAnyOrder) {
  struct Case {
    std::string text;
    std::vector<std::string_view> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\rc", {"a", "b", "c"}},
      {"\n\n\n", {"", "", ""}},
      {"\r\r\n\n\r", {"", "", "", ""}},  // CR, CR LF, LF, CR
      {"\n\r", {"", ""}},                // LF then CR: two line ends
      {"x\r\n\r\ny \n", {"x", "", "y "}},
      {"\xEF\xBB\xBFJD MAG\n1 2", {"JD MAG", "1 2"}},  // the byte-order mark is not text
      {"a\xEF\xBB\xBF\nb", {"a\xEF\xBB\xBF", "b"}},    // only at the start
  };
  for (const Case& c : cases) {
    const io::TextLines lines(c.text);
    ASSERT_EQ(lines.size(), c.lines.size()) << c.text;
    const size_t n = c.lines.size();
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(lines[i], c.lines[i]) << c.text << " forward " << i;
    for (size_t i = n; i-- > 0;) EXPECT_EQ(lines[i], c.lines[i]) << c.text << " backward " << i;
    if (n > 1) {
      EXPECT_EQ(lines[n - 1], c.lines[n - 1]) << c.text;
      EXPECT_EQ(lines[0], c.lines[0]) << c.text;
      EXPECT_EQ(lines[n - 1], c.lines[n - 1]) << c.text;
      EXPECT_EQ(lines[n / 2], c.lines[n / 2]) << c.text;
    }
  }
}

// 64 MB of line ends with rows after them are read within a memory ceiling of the text and
// 300 MB: the lines are not kept (at 16 bytes a line they took 1 GB; the bound of 256 MB of
// text allowed 4 GB), and the rows keep their line numbers.
TEST_F(TextImport, TextOfLineEndsStaysWithinMemory) {
  constexpr size_t kLineEnds = size_t{64} << 20;
  const std::string path =
      Write("ends.txt", std::string(kLineEnds, '\n') + "2459000.5 12.3\n2459000.6 12.4\n2459000.7 12.5 7\n");
  EXPECT_EQ(
      test::UnderMemoryCeiling(kLineEnds + (size_t{300} << 20),
                               [&]() -> std::string {
                                 try {
                                   io::ReadImport(path, "ends.txt", {});
                                 } catch (const InputError& error) {
                                   // Lines 67108865 and 67108866 hold the first rows.
                                   const std::string expected =
                                       "ends.txt, line 67108867: 3 fields where line 67108865 has 2";
                                   return std::string(error.what()).starts_with(expected) ? "" : error.what();
                                 }
                                 return "the ragged row was taken";
                               }),
      "");
}

// A time some 5e22 bin widths past the first (a typo in the file) stays a bin of its own, after
// the others in time: the bin number is range-checked rather than converted out of range.
TEST(Binning, FarTimeKeepsItsOwnBinInTimeOrder) {
  std::vector<long double> time = {5e22L, 100.0L, 100.5L, 101.0L};
  std::vector<long double> value = {9.0L, 1.0L, 3.0L, 5.0L};
  // Cadence 0.5 d, bins of two cadences (1 d), edges from 99.75: {100, 100.5}, {101}, {5e22}.
  io::BinRows(time, value, 0.5L, 2);
  EXPECT_THAT(time, ElementsAre(100.25L, 101.0L, 5e22L));
  EXPECT_THAT(value, ElementsAre(2.0L, 5.0L, 9.0L));
  // Three bins hold rows at two cadences, four at one: room for three takes two cadences.
  EXPECT_EQ(io::ShortestBinning({100.0L, 100.5L, 101.0L, 5e22L}, 0.5L, 3), 2);
}

}  // namespace
}  // namespace ombrane
