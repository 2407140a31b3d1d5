// Loading a photometry file: the one sequence behind the window's Open data and Import, the
// batch's commands and every later front end. It picks the reading (plain pairs or an import of
// the file's format), fills the store, splits the nights and sets the defaults of a new object,
// and hands back what happened as a report; how the report is shown is the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "io/Import.h"
#include "store/Photometry.h"
#include "store/Records.h"
#include "view/Navigation.h"

namespace ombrane {

// How a file is read. ByFormat: an AAVSO export or a FITS light curve is imported with its
// detected layout, any other file is read as plain pairs of numbers. Given import options always
// import, whatever the format.
struct LoadRequest {
  std::string path;       // opened as given
  std::string fileName;   // the name without its folder: data.fileName, the chart's title
  std::string shownName;  // names the file in the notes
  std::optional<io::ImportOptions> importOptions;
  char decimalSeparator = '.';  // of the numbers in the notes
  // The scale of the file's times when the user says it (the batch's --time-scale): it holds over
  // what the file says. Unset: the file's own (import), else JD.
  std::optional<TimeScale> timeScale = std::nullopt;
};

struct LoadReport {
  bool imported = false;                 // read by an importer (ReadImport), not as plain pairs
  std::string format;                    // the importer's format name; empty for plain pairs
  std::vector<std::string> importNotes;  // what the importer left out or assumed
  int64_t observationsImported = 0;      // observations the importer handed over (after binning)
  int32_t autoBinCadences = 1;           // the shortest bin (cadences) that fits the store
  PhotometryReadResult read;             // what the store took, with its own messages
  NavigationOutcome navigation;          // the night buttons and label after the load

  // Every note of the load, in order: the importer's, then the store's.
  std::vector<std::string> Notes() const;
};

// Empties the store and sets the defaults of a new object, as before a data-file dialog opens
// (the store stays so when it is cancelled).
LoadReport EmptyStore(Data& data, Star& star, ViewState& view);

// Loads a file, or standard input for the path "-", reading it once (io::ReadInput). A file the
// importer cannot read as asked raises InputError (also when it is too large to hold in memory)
// before the store changes; a file that cannot be read as plain pairs (it cannot be opened, or
// is larger than io::kInputByteLimit) leaves an empty store and says why in read.messages
// (read.opened false).
LoadReport LoadFile(const LoadRequest& request, Data& data, Star& star, ViewState& view);

// Loads observations an import already read (the window's import dialog).
LoadReport LoadImported(const io::ImportResult& imported, const std::string& fileName,
                        const std::string& shownName, Data& data, Star& star, ViewState& view);

}  // namespace ombrane
