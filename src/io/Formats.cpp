// The table of import formats, and the one reading of an input. A new format is a file defining
// one ImportFormat and a row here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "common/InputError.h"
#include "common/SystemError.h"
#include "io/Import.h"
#include "io/TextColumnsFormat.h"
#include "io/TextTable.h"

namespace ombrane::io {

const ImportFormat& FitsLightCurve();
const ImportFormat& AavsoExport();

namespace {

// Bytes the formats are recognised by.
constexpr size_t kHeadBytes = 4096;

const ImportFormat& TextColumns() {
  static const TextColumnsFormat format;
  return format;
}

// Most particular first: the first format that recognises the file reads it; text columns take
// any file.
std::array<const ImportFormat*, 3> Formats() {
  return {&FitsLightCurve(), &AavsoExport(), &TextColumns()};
}

// A descriptor closed when it goes (standard input is left open).
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ > STDIN_FILENO) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

const ImportFormat& FormatOf(std::string_view path, std::string_view head) {
  for (const ImportFormat* format : Formats())
    if (format->Recognises(path, head)) return *format;
  return TextColumns();
}

namespace {

// ReadInput, and with `hold` ReadHeldInput.
Input Read(const std::string& path, std::string_view shownName, size_t limit, bool hold) {
  const bool standardInput = path == "-";
  Input input{.path = path};
  // A regular file (or none) of a format that reads its file itself is known by the name alone:
  // nothing is read here, and a file that cannot be opened is left for that reader to name. A
  // pipe or a FIFO so named is read here like any input.
  if (!standardInput && !hold) {
    for (const ImportFormat* format : Formats()) {
      if (!format->ReadsPath() || !format->Recognises(path, {})) continue;
      struct stat status {};
      if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) break;
      input.format = format;
      input.fromPath = true;
      return input;
    }
  }

  auto fail = [&](const char* what, int error) {
    throw InputError(std::string(shownName) + " could not be " + what + ": " + SystemErrorText(error));
  };
  int fd = STDIN_FILENO;
  if (!standardInput) {
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail("opened", errno);
  }
  const Descriptor file(fd);
  struct stat status {};
  const bool regular = ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode);
  if (regular && status.st_size > 0 && static_cast<size_t>(status.st_size) <= limit)
    input.bytes.reserve(static_cast<size_t>(status.st_size));

  // Reads until `until` bytes are held or the input ends.
  auto readUpTo = [&](size_t until) {
    constexpr size_t kChunk = size_t{1} << 16;
    while (input.bytes.size() < until) {
      const size_t old = input.bytes.size();
      const size_t want = std::min(kChunk, until - old);
      input.bytes.resize(old + want);
      const ssize_t got = ::read(file.get(), input.bytes.data() + old, want);
      if (got < 0) {
        const int error = errno;
        input.bytes.resize(old);
        if (error == EINTR) continue;
        fail("read", error);
      }
      input.bytes.resize(old + static_cast<size_t>(got));
      if (got == 0) return false;
    }
    return true;
  };

  // The format is found on the first bytes; a regular file of a format that reads its file
  // itself (a FITS file by its content) is not read further.
  const bool more = readUpTo(kHeadBytes);
  input.format = &FormatOf(standardInput ? std::string_view() : std::string_view(path),
                           std::string_view(input.bytes).substr(0, kHeadBytes));
  if (input.format->ReadsPath() && regular && !hold) {
    input.bytes.clear();
    input.fromPath = true;
    return input;
  }
  // One byte past the limit tells a file of exactly `limit` bytes from a larger one.
  if (more) readUpTo(limit + 1);
  if (input.bytes.size() > limit) {
    throw InputError(std::string(shownName) + " could not be read: it is larger than " +
                     std::to_string(limit >> 20) + " MB. Nothing loaded.");
  }
  return input;
}

}  // namespace

Input ReadInput(const std::string& path, std::string_view shownName, size_t limit) {
  return Read(path, shownName, limit, false);
}

Input ReadHeldInput(const std::string& path, std::string_view shownName, size_t limit) {
  return Read(path, shownName, limit, true);
}

}  // namespace ombrane::io
