// ombrane-batch: the analyses of the window without the window, for scripts. The commands, the
// command line and the result tables are the library ombrane_batch_lib (CommandLine.h); this is
// only the program's entry.
#include <csignal>
#include <string_view>
#include <vector>

#include "CommandLine.h"

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) would otherwise kill the program mid-write without a word;
  // ignored, the write fails with "File too large", the partial record is cut back and the
  // failure reported like any other.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return ombrane::batch::RunBatch(args);
}
