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
  data.timeScale = imported.timeScale;
  return FinishNewObject(report, star, view);
}

LoadReport LoadFile(const LoadRequest& request, Data& data, Star& star, ViewState& view) {
  // The file is read once, and every reading below takes those bytes: a pipe, a FIFO or
  // standard input cannot be read a second time.
  io::Input input;
  try {
    input = io::ReadInput(request.path, request.shownName);
  } catch (const std::bad_alloc&) {
    throw InputError(request.shownName + " is too large to read.");
  } catch (const InputError& error) {
    if (request.importOptions) throw;
    // Read as plain pairs, a file that cannot be read leaves an empty store and says why.
    ClearStoreForLoad(data, star, view);
    data.fileName = request.fileName;
    LoadReport report;
    report.read.opened = false;
    report.read.messages.emplace_back(error.what());
    return FinishNewObject(report, star, view);
  }
  const bool import = request.importOptions.has_value() || input.format->Name() != "Text columns";
  if (import) {
    io::ImportOptions options = request.importOptions.value_or(io::ImportOptions{});
    if (!request.importOptions) options.decimalSeparator = request.decimalSeparator;
    if (request.timeScale) options.timeScale = request.timeScale;
    io::ImportResult imported;
    try {
      imported = io::ReadImport(input, request.shownName, options);
    } catch (const std::bad_alloc&) {
      throw InputError(request.shownName + " is too large to import.");
    }
    input = io::Input{};  // what is kept of it is in `imported`
    return LoadImported(imported, request.fileName, request.shownName, data, star, view);
  }
  LoadReport report;
  report.read = LoadPhotometry({.path = request.path,
                                .fileName = request.fileName,
                                .shownName = request.shownName,
                                .text = input.bytes},
                               data, star, view);
  data.timeScale = request.timeScale.value_or(TimeScale::Jd);
  return FinishNewObject(report, star, view);
}

}  // namespace ombrane
