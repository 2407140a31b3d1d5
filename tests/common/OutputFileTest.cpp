#include "common/OutputFile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

namespace ombrane {
namespace {

namespace fs = std::filesystem;

// Each test works in a fresh temporary folder as its working directory.
class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    folder_ = fs::temp_directory_path() / ("ombrane-output-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }
  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path previous_;
  fs::path folder_;
};

TEST_F(OutputFileTest, AppendsBytesAsGivenAndNeverTruncates) {
  EXPECT_EQ(AppendToFile("DataPhase.txt", "0.25 12.5\r\n"), "");
  EXPECT_EQ(AppendToFile("DataPhase.txt", "0.5 12.75\r\n\r\n"), "");
  EXPECT_EQ(Contents(folder_ / "DataPhase.txt"), "0.25 12.5\r\n0.5 12.75\r\n\r\n");

  { std::ofstream(folder_ / "FourierOut.txt", std::ios::binary) << "earlier\r\n"; }
  EXPECT_EQ(AppendToFile("FourierOut.txt", "later\r\n"), "");
  EXPECT_EQ(Contents(folder_ / "FourierOut.txt"), "earlier\r\nlater\r\n");
  EXPECT_EQ(kLineEnd, "\r\n");
}

TEST_F(OutputFileTest, ReturnsTheReasonOfAFailure) {
  fs::create_directory(folder_ / "DataOut.txt");
  const struct {
    std::string name;
    const char* reason;
  } cases[] = {
      {"DataOut.txt", "Is a directory"},
      {"missing/SinCosOut.txt", "No such file or directory"},
      {"", "No such file or directory"},
      {"/dev/full", "No space left on device"},  // opens, but the write fails
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name == "/dev/full" && !fs::exists("/dev/full")) continue;
    EXPECT_EQ(AppendToFile(c.name, "1 2\r\n"), c.reason);
  }
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

// A write that fails partway, as on a full disk (here a file-size limit stops it after 12 bytes),
// is cut back, so that the next append does not join onto a torn record.
TEST_F(OutputFileTest, AWriteThatFailsPartwayLeavesWholeBlocks) {
  ASSERT_EQ(AppendToFile("DataPhase.txt", "0.25  12.5\r\n"), "");
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit saved = limit;
  limit.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const std::string reason = AppendToFile("DataPhase.txt", "0.4  9.7382  2450000.07\r\n\r\n");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(reason, "File too large");
  EXPECT_EQ(Contents(folder_ / "DataPhase.txt"), "0.25  12.5\r\n");
  EXPECT_EQ(AppendToFile("DataPhase.txt", "0.5  11\r\n"), "");
  EXPECT_EQ(Contents(folder_ / "DataPhase.txt"), "0.25  12.5\r\n0.5  11\r\n");
}

TEST_F(OutputFileTest, ReportsAFailingFileOnceUntilAWriteSucceeds) {
  OutputFiles files;
  const std::string failure = "Could not write FourierOut.txt: Is a directory";
  const auto blockFile = [&] {
    fs::remove_all(folder_ / "FourierOut.txt");
    fs::create_directory(folder_ / "FourierOut.txt");
  };
  const auto freeFile = [&] { fs::remove_all(folder_ / "FourierOut.txt"); };
  fs::create_directory(folder_ / "other");

  const struct {
    const char* step;
    std::function<void()> before;
    const char* name;
    std::optional<std::string> report;
  } steps[] = {
      {"first failure is reported", blockFile, "FourierOut.txt", failure},
      {"second failure is quiet", nullptr, "FourierOut.txt", std::nullopt},
      {"third failure is quiet", nullptr, "FourierOut.txt", std::nullopt},
      {"another file reports its own failure", [&] { fs::create_directory(folder_ / "DataOut.txt"); },
       "DataOut.txt", "Could not write DataOut.txt: Is a directory"},
      {"success reports nothing", freeFile, "FourierOut.txt", std::nullopt},
      {"failure after a success is reported again", blockFile, "FourierOut.txt", failure},
      {"still quiet", nullptr, "FourierOut.txt", std::nullopt},
      {"the same name in another folder is another file",
       [&] {
         fs::current_path(folder_ / "other");
         fs::create_directory("FourierOut.txt");
       },
       "FourierOut.txt", failure},
      {"and is quiet from then on", nullptr, "FourierOut.txt", std::nullopt},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    if (s.before) s.before();
    EXPECT_EQ(files.Append(s.name, "x\r\n"), s.report);
  }
}

}  // namespace
}  // namespace ombrane
