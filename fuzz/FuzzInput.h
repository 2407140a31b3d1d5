// What the fuzz harnesses share: the entry point libFuzzer calls, the seeds each harness
// offers, and a scratch file to hand a reader that takes a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The harness: reads one input; returns 0. A reader's refusal of a bad input (its own error
// type, with a message) is the expected outcome and is caught; anything else escaping, a crash
// or a sanitizer report is a finding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace ombrane::fuzz {

// A few small inputs the reader takes, to start a corpus from (written by the standalone
// driver's --write-seeds) and to run the harness over in the tests.
std::vector<std::string> Seeds();

// Writes `bytes` to a file named `name` in a scratch folder of this process (made once, removed
// at exit) and returns its path.
std::string ScratchFile(std::string_view name, std::string_view bytes);

}  // namespace ombrane::fuzz
