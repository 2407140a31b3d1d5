#include "store/Loading.h"

#include <algorithm>

#include "store/NightIndex.h"

namespace ombrane {
namespace {

// Number of leading entries of the Fourier result vector that a load clears.
constexpr int32_t kClearedFourierResults = 20;

}  // namespace

void ClearNightsAndMarks(Data& data, ViewState& view) {
  std::fill(data.night.begin(), data.night.end(), 0);
  std::fill(data.markFlag.begin(), data.markFlag.end(), uint8_t{0});
  data.markCount = 0;
  view.nightFirst.clear();
  view.nightEnd.clear();
  view.nightCount.clear();
  view.currentNight = -1;
  view.shownNightFirst = 0;
}

void ClearStoreForLoad(Data& data, Star& star, ViewState& view) {
  data.Release();
  data.timeScale = TimeScale::Jd;
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
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  const size_t size = static_cast<size_t>(n);
  if (data.fileJd.size() < size || data.fileMag.size() < size || data.jd.size() < size ||
      data.mag.size() < size)
    data.Resize(n);
  std::copy_n(data.fileJd.begin(), n, data.jd.begin());
  std::copy_n(data.fileMag.begin(), n, data.mag.begin());
  if (data.fileMagError.size() >= size && n > 0)
    data.magError.assign(data.fileMagError.begin(), data.fileMagError.begin() + n);
  else
    data.magError.clear();
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
  view.measureFirstDone = false;
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

  view.phaseView = false;
}

void ApplyLoadedNightState(ViewState& view) {
  // At least three nights keep the all-nights view; fewer show night 1 with no minimum size.
  if (view.lastNight <= 1) {
    view.currentNight = 1;
    view.minNightPoints = 1;
  }
}

}  // namespace ombrane
