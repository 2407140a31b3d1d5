// What the batch program's tests share: a fresh folder per test, files written into it, and the
// built ombrane-batch run there with its standard output, its errors and its exit status kept.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ombrane::test {

namespace fs = std::filesystem;

struct BatchResult {
  int exit = -1;
  std::string out;
  std::string err;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ombrane-batch-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }

  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  // Runs the program in the test folder with `args` (split by the shell), after the shell
  // commands `before` (such as "ulimit -f 8 && ").
  BatchResult Exec(const std::string& args, const std::string& before = "") {
    const std::string command =
        "cd '" + dir_.string() + "' && " + before + "'" + OMBRANE_BATCH + "' " + args + " > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    BatchResult run;
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(dir_ / "out.txt");
    run.err = ReadFile(dir_ / "err.txt");
    return run;
  }

  fs::path dir_;
};

}  // namespace ombrane::test
