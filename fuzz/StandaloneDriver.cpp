// The harness's main where libFuzzer is not linked (GCC builds): runs it over the files named on
// the command line (every file of a folder), so that a corpus or a crash file found elsewhere
// can be replayed, and without any over its seeds and a fixed set of mutations of them (cut
// short at many lengths, single bytes overwritten), which the tests run. --write-seeds FOLDER
// writes the seeds as files, to start a corpus.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzInput.h"

namespace {

namespace fs = std::filesystem;

int Run(const std::string& input) {
  return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The seed, then for each of 16 cut points the seed cut there, then 64 copies with one byte
// overwritten at a position and with a value from a fixed pseudo-random sequence (Knuth's
// MMIX linear congruential generator), so that every run tries the same inputs.
size_t RunMutations(const std::string& seed) {
  static const char kBytes[] = {'\0', '\xff', '\n', '\r', ' ', '-', '9', '\'', '=', ',', '\x80'};
  size_t runs = 0;
  Run(seed);
  ++runs;
  for (size_t cut = 1; cut <= 16 && !seed.empty(); ++cut) {
    Run(seed.substr(0, seed.size() * cut / 17));
    ++runs;
  }
  uint64_t state = 0x2545F4914F6CDD1DULL ^ seed.size();
  for (int i = 0; i < 64 && !seed.empty(); ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    std::string mutated = seed;
    mutated[static_cast<size_t>(state >> 33) % mutated.size()] = kBytes[(state >> 20) % sizeof kBytes];
    Run(mutated);
    ++runs;
  }
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 2 && arguments[0] == "--write-seeds") {
      fs::create_directories(arguments[1]);
      const std::vector<std::string> seeds = ombrane::fuzz::Seeds();
      for (size_t i = 0; i < seeds.size(); ++i)
        std::ofstream(fs::path(arguments[1]) / ("seed-" + std::to_string(i + 1)), std::ios::binary) << seeds[i];
      std::printf("%zu seeds written to %s\n", seeds.size(), arguments[1].c_str());
      return 0;
    }
    size_t runs = 0;
    if (arguments.empty()) {
      for (const std::string& seed : ombrane::fuzz::Seeds()) runs += RunMutations(seed);
    }
    for (const std::string& argument : arguments) {
      if (fs::is_directory(argument)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(argument))
          if (entry.is_regular_file()) Run(Contents(entry.path())), ++runs;
      } else {
        Run(Contents(argument));
        ++runs;
      }
    }
    std::printf("%s: %zu inputs read\n", argc > 0 ? argv[0] : "fuzz", runs);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argc > 0 ? argv[0] : "fuzz", error.what());
    return 1;
  }
}
