// The separators of the numbers the window shows and reads: boxes and their initial texts, the
// value labels, the notes pane, the chart's axis labels and the cursor readout all take them
// from here, so that a number the window writes is one it reads back.
#pragma once

#include <QLocale>
#include <string>

namespace ombrane {

struct NumberSeparators {
  char decimal = '.';
  std::string group = ",";  // UTF-8; may be several bytes (a narrow no-break space)
};

// The user's separators (QLocale(), the system's unless a default was set): the locale's decimal
// separator when it is one ASCII character, with the locale's group separator. A locale whose
// decimal separator is outside ASCII (Persian and Arabic write U+066B) gets "." and ",", the
// separators the conversion of typed numbers then accepts.
NumberSeparators UserNumberSeparators(const QLocale& locale = QLocale());

}  // namespace ombrane
