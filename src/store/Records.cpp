#include "store/Records.h"

#include <algorithm>
#include <stdexcept>

namespace ombrane {
namespace {

template <typename T>
void SizeTo(std::vector<T>& values, size_t size) {
  values.resize(size);
  // A load sizes the arrays once: the room of an earlier, larger load is given back.
  if (values.capacity() > size + size / 4) values.shrink_to_fit();
}

}  // namespace

void Data::Resize(int32_t n) {
  const size_t size = static_cast<size_t>(std::max<int32_t>(n, 0));
  pointCount = static_cast<int32_t>(size);
  for (auto* values : {&fileJd, &fileMag, &jd, &jdAverage, &mag, &entryPhase, &fitMag, &sortedPhase})
    SizeTo(*values, size);
  SizeTo(sortIndex, size);
  SizeTo(night, size);
  SizeTo(markFlag, size);
  // The errors only when the store has them.
  if (!fileMagError.empty()) SizeTo(fileMagError, size);
  if (!magError.empty()) SizeTo(magError, size);
}

void Data::AddSecondCycle() {
  const size_t size = 2 * static_cast<size_t>(std::max<int32_t>(pointCount, 0));
  for (auto* values : {&jdAverage, &sortedPhase})
    if (values->size() < size) values->resize(size);
  if (sortIndex.size() < size) sortIndex.resize(size);
}

void Data::Release() {
  pointCount = 0;
  for (auto* values : {&fileJd, &fileMag, &jd, &jdAverage, &mag, &entryPhase, &fitMag, &sortedPhase})
    std::vector<long double>().swap(*values);
  std::vector<int32_t>().swap(sortIndex);
  std::vector<int32_t>().swap(night);
  std::vector<uint8_t>().swap(markFlag);
  std::vector<double>().swap(fileMagError);
  std::vector<double>().swap(magError);
}

long double& FourierResults::Slot(int32_t i) {
  // The order of the FourierOut line: log P, A0, then the four amplitudes, the four phases, the
  // three amplitude ratios and the three phase differences, each followed by its error.
  if (i == 0) return log10Period;
  if (i == 1) return a0.value;
  if (i == 2) return a0.error;
  auto pick = [](auto& values, int32_t j) -> long double& {
    ValueAndError& v = values[static_cast<size_t>(j / 2)];
    return j % 2 == 0 ? v.value : v.error;
  };
  if (i >= 3 && i < 11) return pick(amplitude, i - 3);
  if (i >= 11 && i < 19) return pick(phase, i - 11);
  if (i >= 19 && i < 25) return pick(amplitudeRatio, i - 19);
  if (i >= 25 && i < 31) return pick(phaseDifference, i - 25);
  if (i == 31) return spare;
  throw std::out_of_range("Fourier result slot " + std::to_string(i));
}

}  // namespace ombrane
