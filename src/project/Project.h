// A project file: an analysis saved to be taken up again. It holds what the analysis started
// from (the source file, how it was imported, and a checksum that tells whether it is still the
// same file), the data operations done on the loaded entries (replayed in order), and the
// settings and results of the window: the ephemeris and every box, the search settings and the
// last periodogram's peaks, the fit, the table of minima with its O−C fit, the chart's view and
// the notes. The file is JSON, indented, versioned ("format": "ombrane-project", "version": 1);
// docs/project-format.md describes every field.
//
// The reader checks every field (its type, its range, the size of every list) and refuses a
// file of a newer version, or one that is damaged, with InputError naming the file and the
// field: nothing is half-read.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "io/Import.h"
#include "search/MethodSearch.h"
#include "store/Records.h"
#include "timing/OcDiagram.h"

namespace ombrane {

inline constexpr std::string_view kProjectFormat = "ombrane-project";
inline constexpr int kProjectVersion = 1;
// The extension of a project file; the batch tells a project from a data file by it.
inline constexpr std::string_view kProjectExtension = ".ombrane";
// The largest project file that is read (a project of the largest store with a long list of
// operations and notes stays far below it).
inline constexpr size_t kProjectFileLimit = size_t{64} << 20;
// Bounds of the lists a project holds; a larger count is a damaged or hostile file.
inline constexpr size_t kMaxProjectOperations = 1'000'000;
inline constexpr size_t kMaxProjectPeaks = 1000;
inline constexpr size_t kMaxProjectMinima = 100'000;
inline constexpr size_t kMaxProjectText = size_t{32} << 20;  // the notes
inline constexpr size_t kMaxProjectBoxText = 1024;

// Whether `path` names a project file (by its extension, any case).
bool IsProjectPath(std::string_view path);

// The file the analysis was loaded from.
struct ProjectSource {
  std::string path;      // absolute, as it was when saved
  std::string fileName;  // without its folder: the chart's title, the notes
  uint64_t size = 0;     // bytes
  uint32_t crc32 = 0;    // zlib's CRC-32 of the whole file
  // Given when the file was imported with chosen options (File ▸ Import…); otherwise the file
  // was read as Open data reads it.
  std::optional<io::ImportOptions> importOptions;
  // The scale of the times as loaded (the file's, or the user's word); nothing in a project that
  // does not say it, whose file then gives its own again.
  std::optional<TimeScale> timeScale = std::nullopt;
};

// What the picture on the chart was when the project was saved, so that reopening draws it again.
enum class ProjectPicture {
  LoadedCurve,    // the whole light curve as a load draws it
  DeletedCurve,   // the whole light curve of what a deletion left
  Night,          // one night, or every night (night -1), as the navigation shows it
  PhaseDiagram,   // the fold at the period
  Fit,            // the fold with a fitted curve
  MagnitudeStep,  // the picture a magnitude step of a night draws
};

// The fit whose curve the picture shows, and the last results.
enum class ProjectFitKind { None, Automatic, Fixed };

struct ProjectView {
  ProjectPicture picture = ProjectPicture::LoadedCurve;
  int32_t night = -1;             // ProjectPicture::Night: the night shown, -1 for all
  bool jdAverageAxis = false;     // the phase diagram against averaged time, not phase
  bool leftAxisInverted = false;  // the chart's magnitude axis turned over
  // The zoomed axis ranges (bottom, left); none when the whole picture is shown.
  struct Zoom {
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
  };
  std::optional<Zoom> zoom;
  int32_t minNightPoints = 1;  // the scroll bar: least points of a night visited
  // The entries were folded at the period since the load (the string length and AoV labels,
  // and the phases a later picture draws from, come from that fold), after the first
  // `foldOperations` data operations (-1: after all of them).
  bool folded = false;
  int64_t foldOperations = -1;
};

// The search settings and the peaks of the last periodogram.
struct ProjectSearch {
  SearchMethod method = SearchMethod::StringLength;
  MethodSettings settings;  // settings.step: the grid steps in period or in frequency
  double oversampling = 5;
  struct Peak {
    long double period = 0;
    long double score = 0;
  };
  std::vector<Peak> peaks;  // best first; empty when no search was run
};

struct ProjectFit {
  ProjectFitKind kind = ProjectFitKind::None;
  int32_t harmonics = 0;  // the fixed fit's harmonics
  bool weighted = false;  // weighed by 1/σ² (the data carry errors)
  // The fit was made after the first `operations` data operations (-1: after all of them), and
  // the next `ownOperations` are its own (the outliers the automatic fit marked).
  int64_t operations = -1;
  int32_t ownOperations = 0;
};

// Where a minimum of the table came from: the points and coverage of its timing, and its flag
// (points 0 and empty texts for a minimum read from a table).
struct ProjectMinimumOrigin {
  int32_t points = 0;
  std::string coverage;
  std::string flag;
};

struct Project {
  std::vector<ProjectSource> sources;  // the file(s) loaded; today one
  // The data operations on the loaded entries, in the order they were done (their own JSON).
  nlohmann::ordered_json operations = nlohmann::ordered_json::array();
  // The object: ephemeris, search range, step, coordinates, the last results (fit, string length).
  Star star;
  // The boxes of the window as typed, by meaning (kProjectBoxes), and its switches
  // (kProjectSwitches) and choices (kProjectChoices).
  std::map<std::string, std::string> boxes;
  std::map<std::string, bool> switches;
  std::map<std::string, int32_t> choices;
  ProjectSearch search;
  ProjectFit fit;
  std::optional<OcTable> minima;                    // the table of minima and its fit, where one exists
  std::vector<ProjectMinimumOrigin> minimaOrigins;  // one a minimum of the table
  ProjectView view;
  std::string notes;  // the notes pane, as HTML when notesRich
  bool notesRich = true;
};

// The names a project gives the window's boxes, switches and choices, with the range of each
// choice. The reader refuses any other name.
extern const std::vector<std::string_view> kProjectBoxes;
extern const std::vector<std::string_view> kProjectSwitches;
struct ProjectChoice {
  std::string_view name;
  int32_t min = 0;
  int32_t max = 0;
};
extern const std::vector<ProjectChoice> kProjectChoices;

// The project as indented JSON text (UTF-8, "\n" line ends, a line end at the end).
std::string WriteProjectJson(const Project& project);

// Reads a project from its JSON text; `shownName` names the file in messages. InputError for
// text that is not JSON, not a project, of a newer version, or with a field of the wrong type,
// out of its range or too long.
Project ReadProjectJson(std::string_view text, std::string_view shownName);

}  // namespace ombrane
