#include "Separators.h"

namespace ombrane {

NumberSeparators UserNumberSeparators(const QLocale& locale) {
  const QString point = locale.decimalPoint();
  if (point.size() != 1 || point[0].unicode() == 0 || point[0].unicode() > 0x7F) return {};
  NumberSeparators separators;
  separators.decimal = point[0].toLatin1();
  separators.group = locale.groupSeparator().toStdString();
  if (separators.group == std::string(1, separators.decimal)) separators.group.clear();
  return separators;
}

}  // namespace ombrane
