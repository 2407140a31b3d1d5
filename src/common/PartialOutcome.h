// Work that fills its outcome step by step, so that what it did before a fault can still be
// shown: KeepingPartial runs the work and, when it throws, first lets `keep` show the partial
// outcome and then lets the error go on to the caller's error reporting.
#pragma once

#include <utility>

namespace ombrane {

template <class Work, class Keep>
void KeepingPartial(Work&& work, Keep&& keep) {
  try {
    std::forward<Work>(work)();
  } catch (...) {
    std::forward<Keep>(keep)();
    throw;
  }
}

}  // namespace ombrane
