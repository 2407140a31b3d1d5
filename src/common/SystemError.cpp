#include "common/SystemError.h"

#include <locale.h>
#include <clocale>
#include <cstring>

namespace ombrane {

std::string SystemErrorText(int error) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale != static_cast<locale_t>(nullptr)) return strerror_l(error, cLocale);
  return std::strerror(error);
}

}  // namespace ombrane
