#include "store/Deletion.h"

#include <algorithm>

#include "common/NumberFormat.h"
#include "store/Loading.h"
#include "store/NightIndex.h"

namespace ombrane {

void DeleteEntries(Data& data, ViewState& view, int32_t a, int32_t b) {
  const int32_t lo = std::min(a, b);
  const int32_t hi = std::max(a, b);
  const int32_t n = std::clamp<int32_t>(data.pointCount, 0, static_cast<int32_t>(data.fileJd.size()));
  // The kept copies are compacted in place in one pass; the arrays keep their size, so an index
  // kept by the fold or the fit from before the deletion still reaches a (cleared) value.
  const bool errors = data.fileMagError.size() >= static_cast<size_t>(n) && !data.fileMagError.empty();
  int32_t k = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (i >= lo && i <= hi) continue;
    data.fileJd[static_cast<size_t>(k)] = data.fileJd[static_cast<size_t>(i)];
    data.fileMag[static_cast<size_t>(k)] = data.fileMag[static_cast<size_t>(i)];
    if (errors) data.fileMagError[static_cast<size_t>(k)] = data.fileMagError[static_cast<size_t>(i)];
    ++k;
  }
  // The working arrays are cleared, both cycles, and rebuilt from the kept copies.
  std::fill(data.jd.begin(), data.jd.end(), 0.0L);
  std::fill(data.mag.begin(), data.mag.end(), 0.0L);
  std::copy_n(data.fileJd.begin(), k, data.jd.begin());
  std::copy_n(data.fileMag.begin(), k, data.mag.begin());
  // The errors go with their entries; the working copy is rebuilt like mag.
  if (errors) {
    std::fill(data.magError.begin(), data.magError.end(), 0.0);
    data.magError.resize(std::max(data.magError.size(), static_cast<size_t>(k)));
    std::copy_n(data.fileMagError.begin(), k, data.magError.begin());
  }
  ClearNightsAndMarks(data, view);
  data.pointCount = k;
  SplitNights(data.jd, data, view);
  ApplyLoadedNightState(view);
}

std::string DeletionNote(const Data& data, int32_t a, int32_t b, char separator) {
  const int32_t last = std::clamp<int32_t>(data.pointCount, 0, static_cast<int32_t>(data.jd.size())) - 1;
  const int32_t lo = std::clamp(std::min(a, b), 0, std::max(last, 0));
  const int32_t hi = std::clamp(std::max(a, b), 0, std::max(last, 0));
  if (last < 0) return "Deleted no entry: the store is empty";
  const std::string firstDay = FormatGeneral(data.jd[static_cast<size_t>(lo)], separator);
  if (lo == hi) return "Deleted entry " + std::to_string(lo) + ": JD " + firstDay;
  std::string line = "Deleted entries " + std::to_string(lo) + " .. " + std::to_string(hi) + " (";
  line.append(std::to_string(hi - lo + 1)).append(" entries): JD ").append(firstDay).append(" .. ");
  line.append(FormatGeneral(data.jd[static_cast<size_t>(hi)], separator));
  return line;
}

}  // namespace ombrane
