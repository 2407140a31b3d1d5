// The load service: which reading a file gets, what the store and the new object's defaults
// look like after it, and what a file that cannot be read leaves.
#include <gmock/gmock.h>

#include "StoreValue.h"
#include "common/InputError.h"
#include "io/ImportFixture.h"
#include "services/LoadFile.h"

#include <optional>

namespace ombrane {
namespace {

using ::testing::HasSubstr;

using LoadFileTest = test::ImportFixture;

// The request of a file named `name`, read by its format.
LoadRequest Request(const std::string& path, const std::string& name) {
  return {.path = path,
          .fileName = name,
          .shownName = name,
          .importOptions = {},
          .decimalSeparator = '.',
          .timeScale = {}};
}

// Two V estimates and a visual one a night apart: an AAVSO export of two bands.
constexpr char kTwoBands[] =
    "JD,Magnitude,Uncertainty,Band,Observer Code\n"
    "2459000.61234,12.345,0.012,V,ABC\n"
    "2459001.61234,12.401,0.011,V,ABC\n"
    "2459002.70000,11.9,,Vis.,XYZ\n";

struct ReadingCase {
  const char* name;
  const char* text;
  // Import options given: the time and magnitude columns (0-based, -1 not given), the band.
  int32_t timeColumn;
  int32_t magColumn;
  const char* band;
  bool imported;
  const char* format;
  int32_t pointCount;  // the observations and the repeat of the last one
  long double firstMagnitude;
};

class LoadFileReading : public test::ImportFixture, public ::testing::WithParamInterface<ReadingCase> {};

TEST_P(LoadFileReading, PicksTheReadingByFormatUnlessOptionsAreGiven) {
  const ReadingCase& c = GetParam();
  LoadRequest request = Request(Write("in.txt", c.text), "in.txt");
  if (c.timeColumn >= 0 || c.band) {
    request.importOptions = io::ImportOptions{};
    if (c.timeColumn >= 0) request.importOptions->timeColumn = c.timeColumn;
    if (c.magColumn >= 0) request.importOptions->magColumn = c.magColumn;
    if (c.band) request.importOptions->band = c.band;
  }
  const LoadReport report = LoadFile(request, *data, *star, *view);
  EXPECT_EQ(report.imported, c.imported);
  EXPECT_EQ(report.format, c.format);
  EXPECT_EQ(data->pointCount, c.pointCount);
  EXPECT_EQ(data->mag[0], c.firstMagnitude);
  EXPECT_EQ(data->fileName, "in.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFileReading,
    ::testing::Values(
        ReadingCase{"PlainPairs", "2450000.1 10.0\n2450000.2 10.5\n", -1, -1, nullptr, false, "", 3, 10.0L},
        // Without options a three-column file is still read as pairs, across its columns.
        ReadingCase{"ThreeColumnsAsPairs", "2450000.1 10.0 0.01\n2450000.2 10.5 0.02\n", -1, -1, nullptr,
                    false, "", 4, 10.0L},
        ReadingCase{"ThreeColumnsWithOptions", "2450000.1 0.01 10.0\n2450000.2 0.02 10.5\n", 0, 2, nullptr,
                    true, "Text columns", 3, 10.0L},
        ReadingCase{"AavsoExportOneBandChosen", kTwoBands, -1, -1, "V", true, "AAVSO export", 3, 12.345L}),
    [](const auto& param) { return std::string(param.param.name); });

// The scale of the loaded times: what the file says (a time column's name, the AAVSO's JD), the
// user's word over it, and JD for plain pairs; each load starts from JD again.
struct ScaleCase {
  const char* name;
  const char* text;
  bool import;                         // read with import options (the file's own layout)
  std::optional<TimeScale> userScale;  // LoadRequest::timeScale (the batch's --time-scale)
  TimeScale expected;
  long double firstTime;
};

class LoadFileScale : public test::ImportFixture, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(LoadFileScale, FromTheFileUnlessTheUserSays) {
  const ScaleCase& c = GetParam();
  // A file of another scale first: the next load must not keep it.
  LoadRequest before = Request(Write("before.txt", "HJD V\n2450000.1 10\n2450000.2 11\n"), "before.txt");
  before.importOptions = io::ImportOptions{};
  LoadFile(before, *data, *star, *view);
  ASSERT_EQ(data->timeScale, TimeScale::Hjd);

  LoadRequest request = Request(Write("in.txt", c.text), "in.txt");
  if (c.import) request.importOptions = io::ImportOptions{};
  request.timeScale = c.userScale;
  LoadFile(request, *data, *star, *view);
  EXPECT_EQ(data->timeScale, c.expected);
  EXPECT_EQ(data->fileJd[0], c.firstTime);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFileScale,
    ::testing::Values(ScaleCase{"PlainPairs", "2450000.1 10.0\n2450000.2 10.5\n", false, std::nullopt,
                                TimeScale::Jd, 2450000.1L},
                      ScaleCase{"PlainPairsTheUserSaysHjd", "2450000.1 10.0\n2450000.2 10.5\n", false,
                                TimeScale::Hjd, TimeScale::Hjd, 2450000.1L},
                      ScaleCase{"HeaderHjd", "HJD V\n2450000.1 10\n2450000.2 11\n", true, std::nullopt,
                                TimeScale::Hjd, 2450000.1L},
                      // A reduced barycentric column: the offset added back, the scale kept.
                      ScaleCase{"HeaderReducedBjd", "BJD-2450000 V\n8000.25 10\n8000.5 11\n", true,
                                std::nullopt, TimeScale::BjdTdb, 2458000.25L},
                      ScaleCase{"HeaderTessTime", "BTJD,flux\n1500.25,1.0\n1500.5,0.9\n", true, std::nullopt,
                                TimeScale::BjdTdb, 2458500.25L},
                      ScaleCase{"HeaderMjdSaysNoScale", "MJD V\n58000.25 10\n58000.5 11\n", true,
                                std::nullopt, TimeScale::Jd, 2458000.75L},
                      // The user's word holds over the header's, for an import without options too.
                      ScaleCase{"HeaderHjdTheUserSaysJd", "HJD V\n2450000.1 10\n2450000.2 11\n", true,
                                TimeScale::Jd, TimeScale::Jd, 2450000.1L},
                      ScaleCase{"AavsoExport",
                                "JD,Magnitude,Band\n2459000.61234,12.345,V\n2459001.61234,12.401,V\n", false,
                                std::nullopt, TimeScale::Jd, 2459000.61234L}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(LoadFileTest, AnAavsoExportIsImportedWithoutOptions) {
  const std::string path = Write("one-band.csv",
                                 "JD,Magnitude,Band\n"
                                 "2459000.5,12.5,V\n"
                                 "2459000.6,12.7,V\n");
  const LoadReport report = LoadFile(Request(path, "one-band.csv"), *data, *star, *view);
  EXPECT_TRUE(report.imported);
  EXPECT_EQ(report.format, "AAVSO export");
  EXPECT_EQ(report.observationsImported, 2);
  ASSERT_EQ(report.importNotes.size(), 1u);
  EXPECT_THAT(report.importNotes[0], HasSubstr("band V, 2 observations"));
  EXPECT_EQ(data->pointCount, 3);
  EXPECT_EQ(data->jd[1], 2459000.6L);
  EXPECT_EQ(data->mag[1], 12.7L);
}

TEST_F(LoadFileTest, SetsTheDefaultsOfANewObjectAndTheNightButtons) {
  star->period = 1.5L;
  star->epoch = 2459000;
  star->magnitudeStep = 0.1L;
  star->coordinatesGiven = true;
  star->raDecimalDegrees = 12;
  view->measureFirstDone = true;
  // Three nights (gaps of a day): the all-nights view with First and Last.
  const std::string three = Write("three.txt", "2450000.1 10\n2450001.1 11\n2450002.1 12\n");
  LoadReport report = LoadFile(Request(three, "three.txt"), *data, *star, *view);
  EXPECT_EQ(star->period, 0);
  EXPECT_EQ(star->epoch, 2450000);
  EXPECT_EQ(star->magnitudeStep, 0.005L);
  EXPECT_FALSE(star->coordinatesGiven);
  EXPECT_EQ(star->raDecimalDegrees, 0);
  EXPECT_EQ(view->measureFirstDone, false);
  EXPECT_EQ(report.navigation.buttons.first, true);
  EXPECT_EQ(report.navigation.buttons.last, true);

  // One night: night 1 is the current one and First and Last are off.
  const std::string one = Write("one.txt", "2450000.1 10\n2450000.2 11\n");
  report = LoadFile(Request(one, "one.txt"), *data, *star, *view);
  EXPECT_EQ(view->currentNight, 1);
  EXPECT_EQ(report.navigation.buttons.first, false);
  EXPECT_EQ(report.navigation.buttons.last, false);
  EXPECT_EQ(report.navigation.buttons.all, true);
}

TEST_F(LoadFileTest, AnImportThatFailsLeavesTheStoreAsItWas) {
  const std::string good = Write("good.txt", "2450000.1 10\n2450000.2 11\n");
  LoadFile(Request(good, "good.txt"), *data, *star, *view);
  ASSERT_EQ(data->pointCount, 3);
  // Two bands and no choice between them: the importer refuses.
  const std::string bands = Write("bands.csv", kTwoBands);
  EXPECT_THROW(LoadFile(Request(bands, "bands.csv"), *data, *star, *view), InputError);
  EXPECT_EQ(data->pointCount, 3);
  EXPECT_EQ(data->fileName, "good.txt");
}

TEST_F(LoadFileTest, AMissingFileLeavesAnEmptyStoreAndSaysWhy) {
  const std::string good = Write("good.txt", "2450000.1 10\n2450000.2 11\n");
  LoadFile(Request(good, "good.txt"), *data, *star, *view);
  const LoadReport report = LoadFile(Request(Path("absent.txt"), "absent.txt"), *data, *star, *view);
  EXPECT_FALSE(report.read.opened);
  EXPECT_EQ(data->pointCount, 0);
  ASSERT_FALSE(report.Notes().empty());
  EXPECT_THAT(report.Notes()[0], HasSubstr("absent.txt"));
}

TEST_F(LoadFileTest, EmptyStoreForgetsTheLastFile) {
  const std::string good = Write("good.txt", "2450000.1 10\n2450001.1 11\n2450002.1 12\n");
  LoadFile(Request(good, "good.txt"), *data, *star, *view);
  star->period = 2;
  const LoadReport report = EmptyStore(*data, *star, *view);
  EXPECT_EQ(data->pointCount, 0);
  EXPECT_EQ(test::ValueAt(data->jd, 0), 0);
  EXPECT_EQ(star->period, 0);
  EXPECT_EQ(view->currentNight, 1);
  EXPECT_TRUE(report.Notes().empty());
}

}  // namespace
}  // namespace ombrane
