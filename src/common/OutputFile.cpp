#include "common/OutputFile.h"

#include "common/SystemError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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
  // Binary mode: the text already carries its CR LF line ends.
  std::FILE* file = std::fopen(name.c_str(), "ab");
  if (file == nullptr) return SystemErrorText(errno);
  // The first failure names the reason; a failure that leaves errno unset counts as EIO.
  int error = 0;
  const auto fail = [&error] {
    if (error == 0) error = errno != 0 ? errno : EIO;
  };
  errno = 0;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) fail();
  // Buffered bytes reach the device only here; a full disk shows up at the flush.
  if (std::fflush(file) != 0) fail();
  if (std::fclose(file) != 0) fail();
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
