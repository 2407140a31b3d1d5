// Reading and filling the growable records in tests. A place past the end of an array reads as
// 0, the value a cleared place or one never written holds, so a test can say "nothing is left
// beyond N" without knowing how far the array reaches.
#pragma once

#include <algorithm>
#include <cstddef>

namespace ombrane::test {

template <typename Values>
typename Values::value_type ValueAt(const Values& values, size_t i) {
  return i < values.size() ? values[i] : typename Values::value_type{};
}

template <typename Values, typename T>
void FillWith(Values& values, T value) {
  std::fill(values.begin(), values.end(), static_cast<typename Values::value_type>(value));
}

}  // namespace ombrane::test
