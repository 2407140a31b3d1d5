// The records of the program: Data (the observations and everything derived from them), Star
// (the object's parameters, the analysis settings and results) and the shared view state.
// Plain structs; the arrays of Data and the night tables of ViewState grow with the load (a
// load sizes them for its entries, Data::Resize). The window owns one instance of each and the
// core operations take them by reference.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/SkyAngle.h"
#include "store/TimeScale.h"

namespace ombrane {

// The most observations a load stores (the repeat of the last one comes on top). Counts and
// indexes of entries and of second-cycle positions (at most twice the entries) are int32_t:
// the ceiling keeps them far inside its range.
inline constexpr int32_t kMaxObservations = 10'000'000;
static_assert(2 * (int64_t{kMaxObservations} + 1) < int64_t{INT32_MAX}, "positions must fit int32_t");
inline constexpr int32_t kAovBins = 10;         // phase bins of the AoV statistic
inline constexpr int32_t kFourierResults = 32;  // slots of the last Fourier fit's results

// Colours are 24-bit RGB values written 0x00BBGGRR; this value means "the series' own colour".
inline constexpr uint32_t kSeriesColour = 0x20000000;

// A value and its standard error.
struct ValueAndError {
  long double value = 0;
  long double error = 0;
};

// The results of the last Fourier fit, by meaning; the first four harmonics are kept. Slot(i)
// reaches them in the order of the FourierOut line (log P, A0, sigma A0, A1, sigma A1 .. A4,
// sigma A4, phi1, sigma phi1 .. phi4, sigma phi4, R21, sigma R21 .. R41, sigma R41, phi21,
// sigma phi21 .. phi41, sigma phi41), with slot 31 a spare that no fit writes.
struct FourierResults {
  long double log10Period = 0;
  ValueAndError a0;                                // the mean magnitude A0
  std::array<ValueAndError, 4> amplitude{};        // A_1 .. A_4
  std::array<ValueAndError, 4> phase{};            // phi_1 .. phi_4
  std::array<ValueAndError, 3> amplitudeRatio{};   // R_21, R_31, R_41
  std::array<ValueAndError, 3> phaseDifference{};  // phi_21, phi_31, phi_41
  long double spare = 0;

  long double& Slot(int32_t i);
  long double Slot(int32_t i) const { return const_cast<FourierResults&>(*this).Slot(i); }
};

// The observations and what is derived from them. Every per-entry array holds N = pointCount
// entries (Resize). The arrays marked "two cycles" grow to 2N when the phase diagram draws its
// second cycle (AddSecondCycle): position N + w then holds position w's entry (sortIndex) and its
// abscissa one cycle on (sortedPhase, jdAverage), which the selection and the minimum timing on
// the diagram read. The
// per-entry arrays (the magnitudes, the marks) stay at N: a second-cycle position names its
// entry through sortIndex. Entry N - 1 is the loader's repeat of the last observation
// (RepeatIndex).
struct Data {
  std::vector<long double> fileJd;       // Julian Days as loaded (kept copy)
  std::vector<long double> fileMag;      // magnitudes as loaded (kept copy)
  std::vector<long double> jd;           // working Julian Days
  std::vector<long double> jdAverage;    // abscissa of the "JD average" view (two cycles)
  std::vector<long double> mag;          // working magnitudes
  std::vector<long double> entryPhase;   // phase of each entry
  std::vector<long double> fitMag;       // fitted magnitude of the last fit
  std::vector<long double> sortedPhase;  // phases in ascending order (two cycles)
  std::vector<int32_t> sortIndex;        // entry index of each sorted position (two cycles)
  std::vector<int32_t> night;            // night index of each entry
  std::vector<uint8_t> markFlag;         // 1 when the entry is marked
  // The magnitudes' errors σ, one per entry: the kept copy as loaded and the working copy beside
  // mag. Both EMPTY when the file gives no errors (HasErrors).
  std::vector<double> fileMagError;
  std::vector<double> magError;
  int32_t pointCount = 0;  // N, the entries (the repeat included)
  long double meanJd = 0;  // mean Julian Day of the last fold
  std::string fileName;    // loaded file's name without folder
  TimeScale timeScale = TimeScale::Jd;  // the scale of jd and fileJd, set by the load
  std::array<long double, kAovBins> aovBinMean{};
  std::array<long double, kAovBins> aovBinTerm{};
  std::array<int32_t, kAovBins> aovBinCount{};
  int32_t markCount = 0;
  long double meanEpoch = 0;       // origin of the "JD average" axis
  long double selectionEpoch = 0;  // kept by the time-of-minimum computation
  long double minimumShift = 0;
  long double nightShift = 0;    // magnitude shift of the night picked last
  int32_t selectedNightDay = 0;  // integer Julian Day of the night picked last

  // Sets N = n and sizes every per-entry array for n entries: the values of entries below both
  // the old and the new size stay, new entries are zero, and a second cycle is dropped.
  void Resize(int32_t n);
  // Grows the two-cycle arrays to 2N (zero where new); the first N positions stay.
  void AddSecondCycle();
  // Empties every array and sets N = 0, giving their memory back.
  void Release();
};

// The loader stores the last observation twice: entry N - 1 repeats entry N - 2. The real
// observations are entries 0 .. RealCount - 1, and RepeatIndex is the repeat's entry (-1 for
// an empty store).
inline int32_t RepeatIndex(const Data& data) {
  return data.pointCount - 1;
}
inline int32_t RealCount(const Data& data) {
  return data.pointCount > 0 ? data.pointCount - 1 : 0;
}

// Whether the entries carry their magnitudes' errors.
inline bool HasErrors(const Data& data) {
  return !data.magError.empty();
}

// Whether entry e has a place in the per-entry arrays. They hold N entries, or after a deletion
// the entries before it, cleared past the new N (an index kept from before still reaches them).
inline bool HoldsEntry(const Data& data, int64_t e) {
  return e >= 0 && e < static_cast<int64_t>(data.night.size());
}
// Whether sorted position p has a place in the two-cycle arrays (2N once the second cycle is
// drawn, else N).
inline bool HoldsPosition(const Data& data, int64_t p) {
  return p >= 0 && p < static_cast<int64_t>(data.sortIndex.size());
}

struct Star {
  long double period = 0;
  long double bestPeriod = 0;
  long double searchMin = 0;
  long double searchMax = 0;
  long double stringLength = 0;
  long double increment = 0;
  long double magnitudeStep = 0;
  long double epoch = 0;
  long double raDecimalDegrees = 0;   // the last correction's right ascension in degrees
  long double decDecimalDegrees = 0;  // and declination in degrees
  SexagesimalAngle rightAscension;    // hours, minutes, seconds as typed or looked up
  SexagesimalAngle declination;       // degrees, minutes, seconds as typed or looked up
  int32_t harmonicCount = 0;
  std::string starName;
  std::string constellation;
  // The coordinates were typed or looked up since the last load: until then a heliocentric or
  // barycentric correction would be computed for coordinates nobody gave for this star.
  bool coordinatesGiven = false;
  FourierResults fourierResults;
};

// The shared view state: night index tables, the night shown, selection and measurement state.
struct ViewState {
  int32_t lastNight = 0;        // night index of the last real entry = number of nights - 1
  int32_t currentNight = 0;     // night shown; -1 = all nights
  int32_t shownNightFirst = 0;  // entry index of the first point of kLightCurveSeries
  int32_t minNightPoints = 0;   // minimum entries of a night visited by Next / Previous
  int32_t nightsShown = 0;      // number shown by the scroll bar's label
  // Per night index, one row a night (the split sizes them): first entry, one past the last
  // entry, and the count of entries.
  std::vector<int32_t> nightFirst;
  std::vector<int32_t> nightEnd;
  std::vector<int32_t> nightCount;
  bool phaseView = false;  // true after a phase diagram or a minimum was drawn
  // Sorted position of point 0 of kSecondCycleSeries, the second cycle drawn apart: 0 in the magnitude
  // steps' redraw (positions 0 .. N-2), 1 in a fit's picture (positions 1 .. N-2).
  int32_t secondCycleFirst = 0;
  std::string openPath;  // data file name without folder, kept when a load is cancelled
  int32_t areaIndex1 = 0;
  int32_t areaIndex2 = 0;
  bool areaFirstDone = false;
  bool areaOnLightCurve = false;
  double measureX1 = 0;
  double measureY1 = 0;
  double measureX2 = 0;
  double measureY2 = 0;
  bool measureFirstDone = false;
};

}  // namespace ombrane
