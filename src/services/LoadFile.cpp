#include "services/LoadFile.h"

#include <new>

#include "common/InputError.h"
#include "store/Loading.h"

namespace ombrane {
namespace {

// What every load ends with: the defaults of a new object and the night state of the new file.
LoadReport& FinishNewObject(LoadReport& report, Star& star, ViewState& view) {
  ApplyNewObjectDefaults(star, view);
  report.navigation = NightStateAfterLoad(view);
  return report;
}

}  // namespace

std::vector<std::string> LoadReport::Notes() const {
  std::vector<std::string> notes = importNotes;
  notes.insert(notes.end(), read.messages.begin(), read.messages.end());
  return notes;
}

LoadReport EmptyStore(Data& data, Star& star, ViewState& view) {
  ClearStoreForLoad(data, star, view);
  LoadReport report;
  return FinishNewObject(report, star, view);
}

LoadReport LoadImported(const io::ImportResult& imported, const std::string& fileName,
                        const std::string& shownName, Data& data, Star& star, ViewState& view) {
  LoadReport report;
  report.imported = true;
  report.format = imported.format;
  report.importNotes = imported.notes;
  report.observationsImported = static_cast<int64_t>(imported.observations.size());
  report.autoBinCadences = imported.autoBinCadences;
  report.read = LoadObservations(imported.observations, fileName, shownName, data, star, view);
  return FinishNewObject(report, star, view);
}

LoadReport LoadFile(const LoadRequest& request, Data& data, Star& star, ViewState& view) {
  const bool import = request.importOptions.has_value() || io::FormatOf(request.path).Name() != "Text columns";
  if (import) {
    io::ImportOptions options = request.importOptions.value_or(io::ImportOptions{});
    if (!request.importOptions) options.decimalSeparator = request.decimalSeparator;
    io::ImportResult imported;
    try {
      imported = io::ReadImport(request.path, request.shownName, options);
    } catch (const std::bad_alloc&) {
      throw InputError(request.shownName + " is too large to import.");
    }
    return LoadImported(imported, request.fileName, request.shownName, data, star, view);
  }
  LoadReport report;
  report.read = LoadPhotometry({.path = request.path, .fileName = request.fileName, .shownName = request.shownName},
                               data, star, view);
  return FinishNewObject(report, star, view);
}

}  // namespace ombrane
