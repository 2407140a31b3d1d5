// The text of a system error number, always in English (the "C" locale), whatever locale the
// window has switched the C library to.
#pragma once

#include <string>

namespace ombrane {

std::string SystemErrorText(int error);

}  // namespace ombrane
