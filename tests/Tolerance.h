// The one tolerance helper of the tests: relative closeness in units of machine epsilon.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace ombrane::test {

// True when a and b agree to within `ulps` units of the type's machine epsilon, relative to the
// larger magnitude (absolute near zero).
template <typename T>
bool Close(T a, T b, T ulps = T(8)) {
  if (a == b) return true;
  if (std::isnan(a) || std::isnan(b)) return false;
  const T scale = std::max<T>({T(1), std::fabs(a), std::fabs(b)});
  return std::fabs(a - b) <= ulps * std::numeric_limits<T>::epsilon() * scale;
}

}  // namespace ombrane::test
