// Append-only text output files ("DataPhase.txt", "FourierOut.txt", ...): opened by bare name in
// the current working directory for appending, created when missing, never truncated. Lines end
// in CR LF. Failures are returned to the caller, never lost silently.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace ombrane {

// Line end of the output files.
inline constexpr std::string_view kLineEnd = "\r\n";

// Appends `text` (whose lines already end in kLineEnd) to the file `name`. Returns an empty
// string on success, else the reason (for example "Permission denied").
std::string AppendToFile(const std::string& name, std::string_view text);

// Appends and decides what to report: a failure is reported the first time, and again only
// after a write to the same file has succeeded in between, so repeated failures of one file
// (typing into the period box) do not flood the notes pane.
class OutputFiles {
 public:
  // Returns the message to show ("Could not write FILE: REASON"), or nothing.
  std::optional<std::string> Append(const std::string& name, std::string_view text);

 private:
  std::set<std::string> failing_;
};

}  // namespace ombrane
