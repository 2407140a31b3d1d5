#include "store/Loading.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "StoreValue.h"
#include "store/NightIndex.h"
#include "store/Photometry.h"

namespace ombrane {
namespace {

using test::FillWith;
using test::ValueAt;

template <typename Array>
bool AllZero(const Array& a) {
  return std::all_of(a.begin(), a.end(), [](auto v) { return v == 0; });
}

// Records with a distinct non-zero value in every field, so a reset and a leftover both show.
struct Records {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();

  Records() {
    Data& d = *data;
    d.Resize(120);
    d.AddSecondCycle();
    FillWith(d.fileJd, 1);
    FillWith(d.fileMag, 2);
    FillWith(d.jd, 3);
    FillWith(d.jdAverage, 4);
    FillWith(d.mag, 5);
    FillWith(d.entryPhase, 6);
    FillWith(d.fitMag, 7);
    FillWith(d.sortedPhase, 8);
    FillWith(d.sortIndex, 9);
    FillWith(d.night, 10);
    FillWith(d.markFlag, 1);
    d.aovBinMean.fill(11);
    d.aovBinTerm.fill(12);
    d.aovBinCount.fill(13);
    d.meanJd = 2450010.5L;
    d.fileName = "old.txt";
    d.markCount = 4;
    d.meanEpoch = 2450009;
    d.selectionEpoch = 2450008;
    d.minimumShift = 0.25L;
    d.nightShift = 0.05L;
    d.selectedNightDay = 2450007;

    Star& s = *star;
    s.period = 0.5L;
    s.bestPeriod = 0.51L;
    s.searchMin = 0.2L;
    s.searchMax = 0.9L;
    s.stringLength = 3.5L;
    s.increment = 1e-5L;
    s.magnitudeStep = 0.01L;
    s.epoch = 2451000.25L;
    s.raDecimalDegrees = 15;
    s.rightAscension.whole = 1;
    s.rightAscension.minutes = 2;
    s.rightAscension.seconds = 3;
    s.decDecimalDegrees = -20;
    s.declination.whole = -20;
    s.declination.minutes = 4;
    s.declination.seconds = 5;
    s.harmonicCount = 7;
    s.starName = "CM";
    s.constellation = "Dra";
    for (int32_t i = 0; i < kFourierResults; ++i) s.fourierResults.Slot(i) = 9;

    ViewState& v = *view;
    v.lastNight = 8;
    v.currentNight = 4;
    v.shownNightFirst = 30;
    v.minNightPoints = 6;
    v.nightsShown = 5;
    v.nightFirst.assign(9, 14);
    v.nightEnd.assign(9, 15);
    v.nightCount.assign(9, 16);
    v.phaseView = true;
    v.openPath = "old.txt";
    v.areaIndex1 = 3;
    v.areaIndex2 = 9;
    v.areaFirstDone = true;
    v.areaOnLightCurve = true;
    v.measureX1 = 1.5;
    v.measureY1 = 2.5;
    v.measureX2 = 3.5;
    v.measureY2 = 4.5;
    v.measureFirstDone = true;
  }
};

TEST(ClearStoreForLoad, EmptiesStoreAndKeepsTheRest) {
  Records r;
  ClearStoreForLoad(*r.data, *r.star, *r.view);
  const Data& d = *r.data;
  EXPECT_EQ(d.pointCount, 0);
  EXPECT_EQ(d.markCount, 0);
  EXPECT_TRUE(AllZero(d.fileJd));
  EXPECT_TRUE(AllZero(d.fileMag));
  EXPECT_TRUE(AllZero(d.jd));
  EXPECT_TRUE(AllZero(d.jdAverage));
  EXPECT_TRUE(AllZero(d.mag));
  EXPECT_TRUE(AllZero(d.entryPhase));
  EXPECT_TRUE(AllZero(d.fitMag));
  EXPECT_TRUE(AllZero(d.sortedPhase));
  EXPECT_TRUE(AllZero(d.sortIndex));
  EXPECT_TRUE(AllZero(d.night));
  EXPECT_TRUE(AllZero(d.markFlag));
  EXPECT_TRUE(AllZero(d.aovBinMean));
  EXPECT_TRUE(AllZero(d.aovBinTerm));
  EXPECT_TRUE(AllZero(d.aovBinCount));
  // Scalars not named by the load keep their values until they are next computed.
  EXPECT_EQ(d.meanJd, 2450010.5L);
  EXPECT_EQ(d.fileName, "old.txt");
  EXPECT_EQ(d.meanEpoch, 2450009);
  EXPECT_EQ(d.selectionEpoch, 2450008);
  EXPECT_EQ(d.minimumShift, 0.25L);
  EXPECT_EQ(d.nightShift, 0.05L);
  EXPECT_EQ(d.selectedNightDay, 2450007);

  const Star& s = *r.star;
  for (int i = 0; i < 20; ++i) EXPECT_EQ(s.fourierResults.Slot(i), 0) << i;
  for (int i = 20; i < kFourierResults; ++i) EXPECT_EQ(s.fourierResults.Slot(i), 9) << i;
  EXPECT_EQ(s.harmonicCount, 3);
  EXPECT_EQ(s.period, 0.5L);
  EXPECT_EQ(s.epoch, 2451000.25L);
  EXPECT_EQ(s.magnitudeStep, 0.01L);

  const ViewState& v = *r.view;
  EXPECT_TRUE(AllZero(v.nightFirst));
  EXPECT_TRUE(AllZero(v.nightEnd));
  EXPECT_TRUE(AllZero(v.nightCount));
  EXPECT_EQ(v.lastNight, 0);
  EXPECT_EQ(v.currentNight, -1);
  EXPECT_EQ(v.shownNightFirst, 0);
  EXPECT_EQ(v.minNightPoints, 6);
  EXPECT_EQ(v.nightsShown, 5);
  EXPECT_EQ(v.phaseView, true);
  EXPECT_EQ(v.openPath, "old.txt");
  EXPECT_EQ(v.areaIndex1, 3);
  EXPECT_EQ(v.areaFirstDone, true);
  EXPECT_EQ(v.measureX1, 1.5);
  EXPECT_EQ(v.measureFirstDone, true);
}

TEST(CopyLoadedToWorking, CopiesEntriesUpToN) {
  auto data = std::make_unique<Data>();
  data->Resize(4);
  data->AddSecondCycle();
  FillWith(data->jd, -1);
  FillWith(data->mag, -1);
  const long double days[] = {2450001.5L, 2450001.6L, 2450001.6L};
  const long double mags[] = {12.1L, 12.2L, 12.2L};
  for (int i = 0; i < 3; ++i) {
    data->fileJd[i] = days[i];
    data->fileMag[i] = mags[i];
  }
  data->fileJd[3] = 7;  // beyond N: not copied
  data->pointCount = 3;
  CopyLoadedToWorking(*data);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(data->jd[i], days[i]) << i;
    EXPECT_EQ(data->mag[i], mags[i]) << i;
  }
  for (size_t i = 3; i < data->jd.size(); ++i) {
    ASSERT_EQ(data->jd[i], -1) << i;
    ASSERT_EQ(data->mag[i], -1) << i;
  }
}

TEST(ApplyNewObjectDefaults, SetsDefaultsAndKeepsTheRest) {
  Records r;
  ApplyNewObjectDefaults(*r.star, *r.view);
  const Star& s = *r.star;
  EXPECT_EQ(s.period, 0);
  EXPECT_EQ(s.epoch, 2450000);
  EXPECT_EQ(s.magnitudeStep, 0.005L);
  EXPECT_EQ(s.raDecimalDegrees, 0);
  EXPECT_EQ(s.decDecimalDegrees, 0);
  // The boxes of the window set the sexagesimal parts; everything else stays.
  EXPECT_EQ(s.bestPeriod, 0.51L);
  EXPECT_EQ(s.searchMin, 0.2L);
  EXPECT_EQ(s.searchMax, 0.9L);
  EXPECT_EQ(s.stringLength, 3.5L);
  EXPECT_EQ(s.increment, 1e-5L);
  EXPECT_EQ(s.rightAscension.whole, 1);
  EXPECT_EQ(s.rightAscension.minutes, 2);
  EXPECT_EQ(s.rightAscension.seconds, 3);
  EXPECT_EQ(s.declination.whole, -20);
  EXPECT_EQ(s.declination.minutes, 4);
  EXPECT_EQ(s.declination.seconds, 5);
  EXPECT_EQ(s.harmonicCount, 7);
  EXPECT_EQ(s.starName, "CM");
  EXPECT_EQ(s.constellation, "Dra");
  EXPECT_EQ(s.fourierResults.Slot(0), 9);

  const ViewState& v = *r.view;
  EXPECT_EQ(v.measureFirstDone, false);
  EXPECT_EQ(v.measureX1, 0);
  EXPECT_EQ(v.measureY1, 0);
  EXPECT_EQ(v.measureX2, 0);
  EXPECT_EQ(v.measureY2, 0);
  EXPECT_EQ(v.phaseView, false);
  EXPECT_EQ(v.areaFirstDone, true);
  EXPECT_EQ(v.areaIndex1, 3);
  EXPECT_EQ(v.areaIndex2, 9);
  EXPECT_EQ(v.areaOnLightCurve, true);
  EXPECT_EQ(v.currentNight, 4);
  EXPECT_EQ(v.lastNight, 8);
}

TEST(ApplyLoadedNightState, FewerThanThreeNightsShowNightOne) {
  struct Case {
    int32_t lastNight;
    int32_t currentNight;
    int32_t minNightPoints;
  };
  const Case cases[] = {{0, 1, 1}, {1, 1, 1}, {2, -1, 6}, {40, -1, 6}};
  for (const Case& c : cases) {
    auto view = std::make_unique<ViewState>();
    view->lastNight = c.lastNight;
    view->currentNight = -1;
    view->minNightPoints = 6;
    ApplyLoadedNightState(*view);
    EXPECT_EQ(view->currentNight, c.currentNight) << c.lastNight;
    EXPECT_EQ(view->minNightPoints, c.minNightPoints) << c.lastNight;
    EXPECT_EQ(view->lastNight, c.lastNight);
  }
}

// The whole load of a two-line file over records left by an earlier one, through the one call
// the window and the batch program share.
TEST(Loading, TwoLineFileAfterEarlierLoad) {
  Records r;
  r.data->fileName = "earlier.txt";
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("ombrane-load-" + std::to_string(::getpid()) + ".txt");
  std::ofstream(path) << "2450001.5 12.1\n2450001.6 12.2\n";
  const PhotometryReadResult result = LoadPhotometry(
      {.path = path.string(), .fileName = "two.txt", .shownName = "shown"}, *r.data, *r.star, *r.view);
  std::filesystem::remove(path);
  ApplyLoadedNightState(*r.view);
  ApplyNewObjectDefaults(*r.star, *r.view);

  ASSERT_TRUE(result.opened);
  ASSERT_EQ(result.pointCount, 3);
  EXPECT_EQ(r.data->fileName, "two.txt");
  EXPECT_EQ(r.data->jd[2], 2450001.6L);
  EXPECT_EQ(r.data->mag[2], 12.2L);
  EXPECT_EQ(ValueAt(r.data->jd, 3), 0);  // the earlier load's values are gone
  EXPECT_EQ(ValueAt(r.data->mag, 3), 0);
  EXPECT_EQ(ValueAt(r.data->sortedPhase, 0), 0);
  EXPECT_EQ(r.data->night[2], 0);
  EXPECT_EQ(ValueAt(r.data->night, 3), 0);
  EXPECT_EQ(r.view->nightCount[0], 3);
  EXPECT_EQ(ValueAt(r.view->nightFirst, 1), 0);
  EXPECT_EQ(ValueAt(r.view->nightCount, 1), 0);
  EXPECT_EQ(r.view->lastNight, 0);
  EXPECT_EQ(r.view->currentNight, 1);
  EXPECT_EQ(r.view->minNightPoints, 1);
  EXPECT_EQ(r.star->harmonicCount, 3);
}

// A file that cannot be opened leaves an empty store and names the file as it was shown.
TEST(Loading, UnopenableFileLeavesAnEmptyStore) {
  Records r;
  const PhotometryReadResult result =
      LoadPhotometry({.path = "/nonexistent/dir/x.txt", .fileName = "x.txt", .shownName = "dir/x.txt"},
                     *r.data, *r.star, *r.view);
  EXPECT_FALSE(result.opened);
  EXPECT_EQ(r.data->pointCount, 0);
  EXPECT_EQ(ValueAt(r.data->jd, 0), 0);
  EXPECT_EQ(ValueAt(r.view->nightCount, 0), 0);
  ASSERT_EQ(result.messages.size(), 1u);
  EXPECT_EQ(result.messages[0], "dir/x.txt could not be opened: No such file or directory");
}

}  // namespace
}  // namespace ombrane
