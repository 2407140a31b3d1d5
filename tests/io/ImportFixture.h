// A fresh folder per test (process id and test name, since ctest runs tests in parallel) and
// helpers that write fixture files into it and load what an import reads.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "io/Import.h"
#include "store/Loading.h"

namespace ombrane::test {

class ImportFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '-';
    dir_ = std::filesystem::temp_directory_path() / ("ombrane-io-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Loads the observations of an import into fresh records, as the window does.
  PhotometryReadResult Load(const io::ImportResult& result) {
    return LoadObservations(result.observations, "file", "file", *data, *star, *view);
  }

  std::filesystem::path dir_;
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
};

}  // namespace ombrane::test
