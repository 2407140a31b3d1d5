#include "store/Loading.h"

#include <algorithm>

#include "store/NightIndex.h"

namespace ombrane {
namespace {

// Number of leading entries of the Fourier result vector that a load clears.
constexpr int32_t kClearedFourierResults = 20;

}  // namespace

void ClearNightsAndMarks(Data& data, ViewState& view) {
  data.night.fill(0);
  data.markFlag.fill(0);
  data.markCount = 0;
  view.nightFirst.fill(0);
  view.nightEnd.fill(0);
  view.nightCount.fill(0);
  view.currentNight = -1;
  view.shownNightFirst = 0;
}

void ClearStoreForLoad(Data& data, Star& star, ViewState& view) {
  data.pointCount = 0;
  data.fileJd.fill(0);
  data.fileMag.fill(0);
  data.jd.fill(0);
  data.jdAverage.fill(0);
  data.mag.fill(0);
  data.entryPhase.fill(0);
  data.fitMag.fill(0);
  data.sortedPhase.fill(0);
  data.sortIndex.fill(0);
  data.aovBinMean.fill(0);
  data.aovBinTerm.fill(0);
  data.aovBinCount.fill(0);
  ClearNightsAndMarks(data, view);
  // An empty store has one night index, 0; a cancelled load leaves it so.
  view.lastNight = 0;

  for (int32_t i = 0; i < kClearedFourierResults; ++i) star.fourierResults.Slot(i) = 0;
  star.harmonicCount = 3;
}

void CopyLoadedToWorking(Data& data) {
  const int32_t n = std::clamp<int32_t>(data.pointCount, 0, kMaxEntries);
  std::copy_n(data.fileJd.begin(), n, data.jd.begin());
  std::copy_n(data.fileMag.begin(), n, data.mag.begin());
}

PhotometryReadResult LoadPhotometry(const PhotometrySource& source, Data& data, Star& star, ViewState& view) {
  ClearStoreForLoad(data, star, view);
  data.fileName = source.fileName;
  PhotometryReadResult read = source.text ? ReadPhotometryText(*source.text, source.shownName, data)
                                          : ReadPhotometryFile(source.path, source.shownName, data);
  SplitNights(data.fileJd, data, view);
  CopyLoadedToWorking(data);
  return read;
}

PhotometryReadResult LoadObservations(std::span<const Observation> observations, const std::string& fileName,
                                      std::string_view shownName, Data& data, Star& star, ViewState& view) {
  ClearStoreForLoad(data, star, view);
  data.fileName = fileName;
  PhotometryReadResult read = StorePairs(observations, shownName, data);
  SplitNights(data.fileJd, data, view);
  CopyLoadedToWorking(data);
  return read;
}

void ApplyNewObjectDefaults(Star& star, ViewState& view) {
  view.measureFirstDone = 0;
  view.measureX1 = 0;
  view.measureY1 = 0;
  view.measureX2 = 0;
  view.measureY2 = 0;

  star.period = 0;
  star.epoch = 2450000;
  star.magnitudeStep = 0.005L;
  star.raDecimalDegrees = 0;
  star.decDecimalDegrees = 0;
  star.coordinatesGiven = false;

  view.phaseView = 0;
}

void ApplyLoadedNightState(ViewState& view) {
  // At least three nights keep the all-nights view; fewer show night 1 with no minimum size.
  if (view.lastNight <= 1) {
    view.currentNight = 1;
    view.minNightPoints = 1;
  }
}

}  // namespace ombrane
