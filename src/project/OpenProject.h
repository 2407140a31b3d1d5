// Project files on disk and their replay: the one sequence behind the window's Open project and
// the batch's project files. A project is replayed by loading its source file as it was loaded
// (services/LoadFile, with the stored import options), after checking that the file is the same
// one (its size and CRC-32), then applying the data operations in order and setting the object's
// settings. The replay fills records of its own, so a failure at any step leaves the caller's
// records as they were.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/InputError.h"
#include "project/Project.h"
#include "services/LoadFile.h"
#include "store/Operations.h"
#include "store/Records.h"

namespace ombrane {

// The size and CRC-32 (zlib's) of a file's bytes.
struct SourceFingerprint {
  uint64_t size = 0;
  uint32_t crc32 = 0;
};

// The fingerprint of the file at `path`, read in pieces; nothing when the file cannot be opened
// or read (it is missing, or a folder).
std::optional<SourceFingerprint> FingerprintOf(const std::string& path);

// The fingerprint of bytes held in memory.
SourceFingerprint FingerprintOfBytes(std::string_view bytes);

// Whether the file at `path` is the source the project was saved from.
enum class SourceState { Same, Missing, Changed };
SourceState CheckSource(const ProjectSource& source, const std::string& path);

// A source file that is missing or not the one the project was made on: the replay does not
// apply the project's operations to it. `state` tells which (Missing or Changed).
class SourceMismatch : public InputError {
 public:
  SourceMismatch(SourceState state, const std::string& message) : InputError(message), state_(state) {}
  SourceState state() const { return state_; }

 private:
  SourceState state_;
};

// The message of a source file that is missing or changed, naming it and the project.
std::string SourceMismatchMessage(SourceState state, const std::string& sourcePath,
                                  std::string_view projectName);

// Where the source is: its path as saved, or, for a relative path (a project written by hand or
// moved with its data), that path from the project file's folder.
std::string SourcePathOf(const ProjectSource& source, const std::string& projectPath);

// Reads and checks a project file (at most kProjectFileLimit bytes). InputError, naming the file
// as `shownName`, when it cannot be read or is not a project this version reads.
Project ReadProjectFile(const std::string& path, std::string_view shownName);

// Writes a project file whole or not at all (the temporary-file-then-replace path of
// common/WholeFile): an existing file keeps its old content on failure. InputError naming the
// file and the reason.
void WriteProjectFile(const std::string& path, std::string_view shownName, const Project& project);

// What a replay produced: the records as the analysis had them, the load's report, the
// project's operations as read and the log of those applied (what Undo walks).
struct ReplayOutcome {
  Data data;
  Star star;
  ViewState view;
  LoadReport load;
  std::vector<Operation> operations;
  OperationLog log;
};

// Every operation of the project (ReplayProject's `applied`).
inline constexpr size_t kAllOperations = SIZE_MAX;

// Replays the project's first source from `sourcePath` (the stored path, or the file the user
// located in its place): checks it against the stored fingerprint (SourceMismatch otherwise),
// loads it with the stored import options, checks every operation against the store as loaded
// (store/OperationsJson.h), applies the first `applied` of them in order (all by default: a
// caller that redraws a fit made part way applies the rest itself) and sets the stored object
// (Star). `decimalSeparator` is the notes' separator. InputError when the source cannot be
// loaded as it was or an operation does not fit the loaded entries.
ReplayOutcome ReplayProject(const Project& project, const std::string& sourcePath, char decimalSeparator,
                            size_t applied = kAllOperations);

}  // namespace ombrane
