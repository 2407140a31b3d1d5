// An input the program refuses with a clear message, before it changes anything.
#pragma once

#include <stdexcept>
#include <string>

namespace ombrane {

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ombrane
