#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "FuzzInput.h"

namespace ombrane::fuzz {
namespace {

std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(Folder(), ignored);
}

}  // namespace

std::string ScratchFile(std::string_view name, std::string_view bytes) {
  if (Folder().empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ombrane-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no scratch folder");
    Folder() = pattern;
    std::atexit(RemoveFolder);
  }
  const std::string path = (Folder() / name).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
  return path;
}

}  // namespace ombrane::fuzz
