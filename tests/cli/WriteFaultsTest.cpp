// The batch program's files under the faults of a real disk: a full filesystem and a file-size
// limit (ulimit -f). The results are printed, the failure is told with exit 1, and the old
// content of the file survives whole.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

class WriteFaults : public BatchRun {
 protected:
  void SetUp() override {
    BatchRun::SetUp();
    // Twenty observations over ten nights, a period near 1 day.
    std::string text;
    for (int k = 0; k < 10; ++k)
      text += "245000" + std::to_string(k) + "." + std::to_string(k) + "3  1" + std::to_string(k) + ".25\n" +
              "245000" + std::to_string(k) + "." + std::to_string(k) + "7  1" + std::to_string(k) + ".5\n";
    Write("twenty.txt", text);
  }
  void TearDown() override {
    if (mounted_) ::umount((dir_ / "disk").c_str());
    BatchRun::TearDown();
  }
  // A 64 KiB tmpfs on "disk", filled up to the last byte; false where it cannot be mounted.
  bool FullDisk(const std::string& oldFile, const std::string& oldContent) {
    fs::create_directory(dir_ / "disk");
    mounted_ = ::mount("tmpfs", (dir_ / "disk").c_str(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted_) return false;
    Write("disk/" + oldFile, oldContent);
    const int fd = ::open((dir_ / "disk" / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    const int error = errno;
    ::close(fd);
    return error == ENOSPC;
  }

  bool mounted_ = false;
};

const std::string kOldCsv = "period,frequency,string_length\n0.5,2,9.25\n";

TEST_F(WriteFaults, APeriodogramOnAFullDiskKeepsTheOldCsv) {
  if (!FullDisk("pg.csv", kOldCsv)) GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root or CAP_SYS_ADMIN)";
  const BatchResult run = Exec("search twenty.txt --min 0.9 --max 1.1 --step 0.001 --periodogram disk/pg.csv");
  EXPECT_EQ(run.exit, 1);
  EXPECT_EQ(run.out.substr(0, 27), "Mesurment String - Length: ");
  EXPECT_EQ(run.err, "Could not write 'disk/pg.csv': No space left on device\n");
  EXPECT_EQ(ReadFile(dir_ / "disk" / "pg.csv"), kOldCsv);
}

// Under `ulimit -f 8` (blocks of 512 bytes: 4096 bytes). Without SIGXFSZ ignored the program
// would be killed (exit 153) with nothing said and the phase file ending mid-record.
TEST_F(WriteFaults, AFileSizeLimitIsReportedAndTearsNothing) {
  // A phase file of whole blocks just under the limit: the next block does not fit.
  const std::string oldPhase = std::string(4000, '1') + "\r\n\r\n";
  Write("DataPhase.txt", oldPhase);
  const BatchResult fold = Exec("fold twenty.txt --period 1 --phase-file", "ulimit -f 8 && ");
  EXPECT_EQ(fold.exit, 1);
  EXPECT_EQ(fold.out.substr(0, 4), "SL: ");
  EXPECT_EQ(fold.err, "Could not write DataPhase.txt: File too large\n");
  EXPECT_EQ(ReadFile(dir_ / "DataPhase.txt"), oldPhase);

  // 2001 trials make a CSV of about 60 KB.
  Write("pg.csv", kOldCsv);
  const BatchResult search =
      Exec("search twenty.txt --min 0.9 --max 1.1 --step 0.0001 --periodogram pg.csv", "ulimit -f 8 && ");
  EXPECT_EQ(search.exit, 1);
  EXPECT_EQ(search.out.substr(0, 27), "Mesurment String - Length: ");
  EXPECT_EQ(search.err, "Could not write 'pg.csv': File too large\n");
  EXPECT_EQ(ReadFile(dir_ / "pg.csv"), kOldCsv);
}

}  // namespace
}  // namespace ombrane
