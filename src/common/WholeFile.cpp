#include "common/WholeFile.h"

#include "common/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

namespace ombrane {

namespace {

// Writes all of `bytes` at `offset`; 0, or the error number.
int WriteAllAt(int fd, std::string_view bytes, off_t offset) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + written, bytes.size() - written, offset + static_cast<off_t>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno != 0 ? errno : EIO;
    if (n == 0) return EIO;
    written += static_cast<size_t>(n);
  }
  return 0;
}

// Writes all of `bytes` at the current position; 0, or the error number.
int WriteAll(int fd, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno != 0 ? errno : EIO;
    if (n == 0) return EIO;
    written += static_cast<size_t>(n);
  }
  return 0;
}

// Reads the whole regular file open on `fd`; 0, or the error number.
int ReadAll(int fd, off_t size, std::string& out) {
  out.resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno != 0 ? errno : EIO;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  out.resize(done);
  return 0;
}

int CloseKeepingFirst(int fd, int error) {
  if (::close(fd) != 0 && error == 0 && errno != EINTR) return errno != 0 ? errno : EIO;
  return error;
}

// The folder of `path` ("." for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& path) {
  const std::filesystem::path parent = path.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

// Creates a new file beside `target` with a name no other file has; the descriptor, or -1 with
// errno set. The mode 0666 is narrowed by the umask as for any new file.
int CreateBeside(const std::filesystem::path& target, std::string& name) {
  static std::mt19937_64 generator(
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      static_cast<uint64_t>(::getpid()));
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + std::string.
  std::string hidden(".");
  hidden.append(target.filename().string());
  const std::string stem = (FolderOf(target) / hidden).string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + "." + std::to_string(generator() % 100000000) + ".part";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// In place, for a folder that allows no new file: reserve the space, write over, cut to length;
// on a failure after the first byte changed, put the old bytes back.
int WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat status {};
  if (::fstat(fd, &status) != 0) return CloseKeepingFirst(fd, errno);
  if (!S_ISREG(status.st_mode)) return CloseKeepingFirst(fd, EINVAL);
  std::string old;
  if (const int error = ReadAll(fd, status.st_size, old); error != 0) return CloseKeepingFirst(fd, error);
  const off_t needed = static_cast<off_t>(bytes.size());
  if (needed > status.st_size) {
    // A full disk or a size limit refuses here, before the old content is touched.
    const int error = ::posix_fallocate(fd, 0, needed);
    if (error != 0) {
      static_cast<void>(::ftruncate(fd, status.st_size));
      return CloseKeepingFirst(fd, error);
    }
  }
  int error = WriteAllAt(fd, bytes, 0);
  if (error == 0 && ::ftruncate(fd, needed) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
  if (error != 0) {
    // Best effort: the old bytes fit in the space they held.
    if (WriteAllAt(fd, old, 0) == 0) static_cast<void>(::ftruncate(fd, static_cast<off_t>(old.size())));
  }
  return CloseKeepingFirst(fd, error);
}

}  // namespace

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::filesystem::path target(path);
  std::error_code ignored;
  // A symbolic link stays a link: its target is what is replaced.
  if (std::filesystem::is_symlink(target, ignored)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ignored);
    if (!ignored) target = resolved;
  }
  const std::string targetName = target.string();
  struct stat old {};
  const bool exists = ::stat(targetName.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return SystemErrorText(EISDIR);
  if (exists && !S_ISREG(old.st_mode)) {
    // A device or a pipe cannot be replaced; it is written as it is.
    const int fd = ::open(targetName.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return SystemErrorText(errno);
    const int error = CloseKeepingFirst(fd, WriteAll(fd, bytes));
    return error == 0 ? std::string() : SystemErrorText(error);
  }

  std::string partName;
  const int fd = CreateBeside(target, partName);
  if (fd < 0) {
    const int error = errno;
    // A folder that allows no new file may still hold a writable file.
    if (exists && (error == EACCES || error == EPERM) && ::access(targetName.c_str(), W_OK) == 0) {
      const int inPlace = WriteInPlace(targetName, bytes);
      return inPlace == 0 ? std::string() : SystemErrorText(inPlace);
    }
    return SystemErrorText(error);
  }
  int error = WriteAll(fd, bytes);
  if (error == 0 && exists) {
    // The new file takes the old one's permissions (and owner, where that is allowed).
    static_cast<void>(::fchown(fd, old.st_uid, old.st_gid));
    if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  }
  if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
  error = CloseKeepingFirst(fd, error);
  if (error == 0 && ::rename(partName.c_str(), targetName.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(partName.c_str());
    return SystemErrorText(error);
  }
  // The rename itself reaches the device with the folder.
  const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    static_cast<void>(::fsync(folder));
    ::close(folder);
  }
  return std::string();
}

WholeFileRead ReadWholeFile(const std::string& path, size_t limit) {
  WholeFileRead read;
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    read.why = SystemErrorText(errno);
    return read;
  }
  read.opened = true;
  const std::string tooLarge = "it is larger than " + std::to_string(limit >> 20) + " MB";
  struct stat status {};
  if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode)) {
    if (static_cast<uint64_t>(status.st_size) > limit) {
      read.why = tooLarge;
      return read;
    }
    read.bytes.reserve(static_cast<size_t>(status.st_size));
  }
  std::vector<char> chunk(size_t{1} << 16);
  errno = 0;
  while (true) {
    const size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (got == 0) {
      if (std::ferror(file.get())) {
        read.why = SystemErrorText(errno != 0 ? errno : EIO);
        read.bytes.clear();
        return read;
      }
      break;
    }
    if (read.bytes.size() + got > limit) {
      read.why = tooLarge;
      read.bytes.clear();
      return read;
    }
    read.bytes.append(chunk.data(), got);
  }
  read.ok = true;
  return read;
}

}  // namespace ombrane
