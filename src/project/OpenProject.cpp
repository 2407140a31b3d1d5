#include "project/OpenProject.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/WholeFile.h"
#include "store/OperationsJson.h"

namespace ombrane {

namespace {

// zlib's crc32 takes a length of type uInt: the bytes go in pieces that fit it.
uint32_t Crc32(uint32_t crc, std::string_view bytes) {
  uLong value = crc;
  while (!bytes.empty()) {
    const size_t piece = std::min<size_t>(bytes.size(), size_t{1} << 30);
    value = crc32(value, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(piece));
    bytes.remove_prefix(piece);
  }
  return static_cast<uint32_t>(value);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

SourceFingerprint FingerprintOfBytes(std::string_view bytes) {
  return {.size = bytes.size(), .crc32 = Crc32(0, bytes)};
}

std::optional<SourceFingerprint> FingerprintOf(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  SourceFingerprint fingerprint;
  std::vector<char> buffer(size_t{1} << 20);
  for (;;) {
    const size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    fingerprint.crc32 = Crc32(fingerprint.crc32, std::string_view(buffer.data(), n));
    fingerprint.size += n;
    if (n < buffer.size()) break;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return fingerprint;
}

SourceState CheckSource(const ProjectSource& source, const std::string& path) {
  const std::optional<SourceFingerprint> fingerprint = FingerprintOf(path);
  if (!fingerprint) return SourceState::Missing;
  if (fingerprint->size != source.size || fingerprint->crc32 != source.crc32) return SourceState::Changed;
  return SourceState::Same;
}

std::string SourceMismatchMessage(SourceState state, const std::string& sourcePath,
                                  std::string_view projectName) {
  std::string message(projectName);
  if (state == SourceState::Missing) {
    message.append(": its data file ").append(sourcePath).append(" cannot be found or read.");
  } else {
    message.append(": its data file ")
        .append(sourcePath)
        .append(
            " is not the file the project was saved with (its size or checksum differs); the "
            "project's operations are not applied to a different file.");
  }
  return message;
}

std::string SourcePathOf(const ProjectSource& source, const std::string& projectPath) {
  const std::filesystem::path path(source.path);
  if (path.is_absolute()) return source.path;
  return (std::filesystem::path(projectPath).parent_path() / path).string();
}

Project ReadProjectFile(const std::string& path, std::string_view shownName) {
  const WholeFileRead read = ReadWholeFile(path, kProjectFileLimit);
  if (!read.ok) {
    std::string message(shownName);
    message.append(" cannot be read: ").append(read.why).append(".");
    throw InputError(message);
  }
  return ReadProjectJson(read.bytes, shownName);
}

void WriteProjectFile(const std::string& path, std::string_view shownName, const Project& project) {
  const std::string failure = WriteWholeFile(path, WriteProjectJson(project));
  if (!failure.empty()) {
    std::string message(shownName);
    message.append(" could not be saved: ").append(failure).append(".");
    throw InputError(message);
  }
}

ReplayOutcome ReplayProject(const Project& project, const std::string& sourcePath, char decimalSeparator,
                            size_t applied) {
  const ProjectSource& source = project.sources.at(0);
  const std::string shown = FileNameOf(sourcePath);
  // 1. The very file the analysis was made on, or nothing is replayed.
  const SourceState state = CheckSource(source, sourcePath);
  if (state != SourceState::Same)
    throw SourceMismatch(state, SourceMismatchMessage(state, sourcePath, "The project"));

  // 2. The load as it was done: the same reading, the same import options.
  ReplayOutcome outcome;
  outcome.load = LoadFile({.path = sourcePath,
                           .fileName = source.fileName.empty() ? shown : source.fileName,
                           .shownName = source.fileName.empty() ? shown : source.fileName,
                           .importOptions = source.importOptions,
                           .decimalSeparator = decimalSeparator,
                           .timeScale = source.timeScale},
                          outcome.data, outcome.star, outcome.view);
  if (!outcome.load.read.opened) {
    std::string message = shown + " cannot be loaded:";
    for (const std::string& line : outcome.load.read.messages) message.append(" ").append(line);
    throw InputError(message);
  }

  // 3. The data operations, every one checked against the store as loaded before any is
  // applied, then applied in the order they were done.
  try {
    outcome.operations = OperationsFromJson(nlohmann::json::parse(project.operations.dump()), outcome.data);
  } catch (const InputError& error) {
    throw InputError("The project's data operations do not fit " + shown + ": " + error.what());
  }
  outcome.log.Reset();
  for (size_t i = 0; i < outcome.operations.size() && i < applied; ++i)
    outcome.log.Apply(outcome.operations[i], outcome.data, outcome.view);

  // 4. The object's settings and results.
  outcome.star = project.star;
  return outcome;
}

}  // namespace ombrane
