#include "phase/Ephemeris.h"

#include "common/FloatingPoint.h"

namespace ombrane {

void StepPeriodAboutMeanJd(Star& star, const Data& data, int sign) {
  // c counts the cycles, with their fraction, from the epoch to the mean Julian Day. Moving the
  // epoch by increment * c along with the period keeps the phase of the mean Julian Day, so the
  // folded curve turns about the middle of the data instead of about a distant epoch. The
  // division comes first: a zero period faults before anything is changed.
  const double c = ToDouble(Divide(data.meanJd - star.epoch, star.period));
  const long double step = static_cast<long double>(sign) * star.increment;
  star.epoch = star.epoch - step * c;
  star.period = star.period + step;
}

}  // namespace ombrane
