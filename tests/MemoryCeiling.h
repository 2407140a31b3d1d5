// Runs a piece of a test in a child process whose address space is bounded (RLIMIT_AS), so that a
// reader that would take gigabytes for a small hostile file fails there instead of passing on a
// machine with memory to spare. The child reports through its exit status.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <new>
#include <string>

namespace ombrane::test {

// AddressSanitizer reserves terabytes of address space as it goes: under it the bound cannot be
// set, and the child runs unbounded (the check of what it returns still holds).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSpaceBoundable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSpaceBoundable = false;
#else
inline constexpr bool kAddressSpaceBoundable = true;
#endif
#else
inline constexpr bool kAddressSpaceBoundable = true;
#endif

// The address space the process has mapped now, in bytes (from /proc/self/statm).
inline size_t MappedBytes() {
  std::FILE* file = std::fopen("/proc/self/statm", "r");
  unsigned long pages = 0;
  if (file != nullptr) {
    if (std::fscanf(file, "%lu", &pages) != 1) pages = 0;
    std::fclose(file);
  }
  return static_cast<size_t>(pages) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

// Runs `check` in a child allowed `allowance` bytes of address space beyond what it has mapped
// when it starts. "" when `check` returned "" there; otherwise what it returned, or how the child
// ended: out of memory (std::bad_alloc) or killed by a signal.
inline std::string UnderMemoryCeiling(size_t allowance, const std::function<std::string()>& check) {
  int ends[2];
  if (::pipe(ends) != 0) return "pipe failed";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    ::close(ends[0]);
    std::string message;
    const rlim_t ceiling = MappedBytes() + allowance;
    const rlimit bound{ceiling, ceiling};
    if (kAddressSpaceBoundable && ::setrlimit(RLIMIT_AS, &bound) != 0) {
      message = "setrlimit failed";
    } else {
      try {
        message = check();
      } catch (const std::bad_alloc&) {
        message = "out of memory under the ceiling";
      }
    }
    if (!message.empty() && ::write(ends[1], message.data(), message.size()) < 0) _exit(3);
    _exit(message.empty() ? 0 : 1);
  }
  ::close(ends[1]);
  std::string message;
  char buffer[512];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) message.append(buffer, static_cast<size_t>(n));
  ::close(ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return "the child was killed by signal " + std::to_string(WTERMSIG(status)) + " " + message;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return message.empty() ? "the child failed" : message;
  return {};
}

}  // namespace ombrane::test
