// Files written whole or not at all (a saved notes file, a picture, a periodogram CSV): an
// existing file is replaced only once the new content is complete on the device, so a full
// disk, a file-size limit or a folder that allows no new file never leaves a torn or empty file
// in its place, and every failure is reported.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrane {

// Writes `bytes` to the file `path`. Returns an empty string on success, else the reason in
// English ("No space left on device"); on failure an existing file keeps its old content.
//
// The content goes to a new file in the same folder, is flushed to the device (fsync) and
// then renamed over the old one, which keeps its permissions. When the folder allows no new
// file but the file itself is writable, the file is written in place: its space is reserved
// first (posix_fallocate), so that a full disk or a size limit refuses before a byte changes,
// and should a write fail all the same the old bytes are put back. A symbolic link is followed
// and its target replaced.
std::string WriteWholeFile(const std::string& path, std::string_view bytes);

// What ReadWholeFile read: the bytes, or why it could not (`opened` false when the file could
// not be opened at all).
struct WholeFileRead {
  bool ok = false;
  bool opened = false;
  std::string bytes;
  std::string why;  // the system's reason ("Is a directory"), or "it is larger than N MB"
};

// Reads the whole file `path` when it holds at most `limit` bytes. A regular file larger than
// that is refused before it is read; a device or a pipe that tells no size is read one chunk
// past the bound at most, so an input without end never fills the memory.
WholeFileRead ReadWholeFile(const std::string& path, size_t limit);

}  // namespace ombrane
