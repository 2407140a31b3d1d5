// Ephemeris arithmetic of the period buttons.
#pragma once

#include "store/Records.h"

namespace ombrane {

// Period step about the mean Julian Day ("+" with sign = +1, "-" with sign = -1):
// c = (meanJd - epoch) / period rounded to double; epoch -= sign * increment * c;
// period += sign * increment. Raises FloatingPointError (period 0) before changing anything.
void StepPeriodAboutMeanJd(Star& star, const Data& data, int sign);

}  // namespace ombrane
