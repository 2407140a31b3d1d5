#include "common/OutputFile.h"

#include "common/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace ombrane {

namespace {

// The file a name refers to: the same bare name in another working directory is another file.
std::string FileKey(const std::string& name) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(name, error);
  return error ? name : path.lexically_normal().string();
}

}  // namespace

std::string AppendToFile(const std::string& name, std::string_view text) {
  // Unbuffered POSIX calls: every byte is either on the device or reported, and a failed write
  // can be cut off again before the file is closed.
  const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return SystemErrorText(errno);
  struct stat status {};
  const off_t before = ::fstat(fd, &status) == 0 ? status.st_size : -1;
  int error = 0;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    written += static_cast<size_t>(n);
  }
  // A write that failed partway (a full disk) leaves a torn record, onto which the next append
  // would join; cut the file back to its size before this write, so it holds whole blocks only.
  if (error != 0 && written > 0 && before >= 0 && S_ISREG(status.st_mode))
    static_cast<void>(::ftruncate(fd, before));
  if (::close(fd) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error == 0 ? std::string() : SystemErrorText(error);
}

std::optional<std::string> OutputFiles::Append(const std::string& name, std::string_view text) {
  const std::string reason = AppendToFile(name, text);
  const std::string key = FileKey(name);
  if (reason.empty()) {
    failing_.erase(key);
    return std::nullopt;
  }
  if (!failing_.insert(key).second) return std::nullopt;
  return "Could not write " + name + ": " + reason;
}

}  // namespace ombrane
