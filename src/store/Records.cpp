#include "store/Records.h"

#include <stdexcept>

namespace ombrane {

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
