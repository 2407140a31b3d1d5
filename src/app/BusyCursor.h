// The hourglass while a piece of work runs (a search, a fit, a print), taken back however the
// work ends.
#pragma once

#include <QApplication>

namespace ombrane {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace ombrane
