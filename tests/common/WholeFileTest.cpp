// The writers of output files under the faults of a real disk: a full filesystem, a folder that
// allows no new file, a file-size limit. Whatever fails, the old content of the file survives
// and the failure is reported with its reason.
#include "common/WholeFile.h"

#include "common/OutputFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace ombrane {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Runs `write` in a child process, so that a file-size limit or a change of user stays there;
// returns what it returned (its reason, empty for success). `limit` > 0 sets RLIMIT_FSIZE with
// SIGXFSZ ignored as the programs do; `dropToNobody` makes a root test an ordinary user, for
// whom a folder's permissions hold.
std::string InChild(const std::function<std::string()>& write, rlim_t limit, bool dropToNobody) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (dropToNobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
    if (limit > 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit bound{limit, limit};
      if (::setrlimit(RLIMIT_FSIZE, &bound) != 0) _exit(4);
    }
    const std::string reason = write();
    const std::string message = reason.empty() ? "ok" : reason;
    if (::write(pipeEnds[1], message.data(), message.size()) < 0) _exit(5);
    _exit(0);
  }
  ::close(pipeEnds[1]);
  std::string message;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, static_cast<size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child ended with status " + std::to_string(status);
  return message == "ok" ? std::string() : message;
}

enum class Fault { FullDisk, ReadOnlyFolderFullDisk, SizeLimit, ReadOnlyFolderSizeLimit, ReadOnlyFolderAndFile };
enum class Writer { Whole, Append };

struct Row {
  const char* name;
  Writer writer;
  Fault fault;
  const char* reason;
};

const std::string kOld = "old content: 2459000.5 12.25\r\n";

// A fresh folder per test, open to every user (a root test drops to "nobody" for the
// read-only-folder rows); with `mountSmall` a 64 KiB tmpfs is mounted on it where the test may.
class WholeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ombrane-whole-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    ::chmod(folder_.c_str(), 0777);
  }
  void TearDown() override {
    if (mounted_) ::umount(folder_.c_str());
    fs::permissions(folder_, fs::perms::all);
    fs::remove_all(folder_);
  }
  bool MountSmall() {
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k,mode=0777") == 0;
    return mounted_;
  }
  // Fills the filesystem until a write fails with ENOSPC.
  void Fill() {
    const int fd = ::open((folder_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    ssize_t n = 0;
    while ((n = ::write(fd, block.data(), block.size())) > 0) {
    }
    const int error = errno;
    ::close(fd);
    ASSERT_EQ(error, ENOSPC);
  }

  void Check(const Row& row);

  fs::path folder_;
  bool mounted_ = false;
};


// Writes a 6000-byte content (smaller than a 16 KiB write buffer, larger than the page the old
// content leaves free) under the row's fault and checks that the old content survives, the
// reason is reported and no half-written file is left beside it.
void WholeFileTest::Check(const Row& row) {
  SCOPED_TRACE(row.name);
  TearDown();
  SetUp();
  const bool fullDisk = row.fault == Fault::FullDisk || row.fault == Fault::ReadOnlyFolderFullDisk;
  if (fullDisk) {
    ASSERT_TRUE(MountSmall());
  }
  const fs::path file = folder_ / "out.txt";
  Put(file, kOld);
  static_cast<void>(::chown(file.c_str(), 65534, 65534));
  if (fullDisk) Fill();
  const bool readOnlyFolder = row.fault == Fault::ReadOnlyFolderFullDisk ||
                              row.fault == Fault::ReadOnlyFolderSizeLimit ||
                              row.fault == Fault::ReadOnlyFolderAndFile;
  if (readOnlyFolder) ::chmod(folder_.c_str(), 0555);
  if (row.fault == Fault::ReadOnlyFolderAndFile) ::chmod(file.c_str(), 0444);
  const bool limited = row.fault == Fault::SizeLimit || row.fault == Fault::ReadOnlyFolderSizeLimit;
  const std::string fresh(6000, 'n');
  const std::string reason = InChild(
      [&] { return row.writer == Writer::Whole ? WriteWholeFile(file, fresh) : AppendToFile(file, fresh); },
      limited ? 4096 : 0, readOnlyFolder);
  EXPECT_EQ(reason, row.reason);
  EXPECT_EQ(Contents(file), kOld);
  ::chmod(folder_.c_str(), 0777);
  for (const auto& entry : fs::directory_iterator(folder_))
    EXPECT_TRUE(entry.path().filename() == "out.txt" || entry.path().filename() == "filler") << entry.path();
}

TEST_F(WholeFileTest, OnAFullDiskTheOldContentSurvives) {
  if (!MountSmall()) {
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root or CAP_SYS_ADMIN)";
  }
  const Row rows[] = {
      {"whole", Writer::Whole, Fault::FullDisk, "No space left on device"},
      {"whole, read-only folder", Writer::Whole, Fault::ReadOnlyFolderFullDisk, "No space left on device"},
      {"append", Writer::Append, Fault::FullDisk, "No space left on device"},
  };
  for (const Row& row : rows) Check(row);
}

TEST_F(WholeFileTest, UnderASizeLimitOrInAReadOnlyFolderTheOldContentSurvives) {
  const Row rows[] = {
      {"whole, size limit", Writer::Whole, Fault::SizeLimit, "File too large"},
      {"whole, read-only folder, size limit", Writer::Whole, Fault::ReadOnlyFolderSizeLimit, "File too large"},
      {"whole, read-only folder and file", Writer::Whole, Fault::ReadOnlyFolderAndFile, "Permission denied"},
      {"append, size limit", Writer::Append, Fault::SizeLimit, "File too large"},
      {"append, read-only folder and file", Writer::Append, Fault::ReadOnlyFolderAndFile, "Permission denied"},
  };
  for (const Row& row : rows) Check(row);
}

TEST_F(WholeFileTest, ReplacesTheFileWholeAndKeepsItsPermissions) {
  const fs::path file = folder_ / "notes.html";
  Put(file, std::string(50000, 'o'));
  ::chmod(file.c_str(), 0640);
  ASSERT_EQ(WriteWholeFile(file.string(), "short"), "");
  EXPECT_EQ(Contents(file), "short");
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A new file, and an empty content.
  ASSERT_EQ(WriteWholeFile((folder_ / "new.csv").string(), ""), "");
  EXPECT_TRUE(fs::exists(folder_ / "new.csv"));
  EXPECT_EQ(fs::file_size(folder_ / "new.csv"), 0u);
  // A symbolic link stays a link; its target gets the content.
  fs::create_symlink("notes.html", folder_ / "link.html");
  ASSERT_EQ(WriteWholeFile((folder_ / "link.html").string(), "through the link"), "");
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.html"));
  EXPECT_EQ(Contents(file), "through the link");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 3);
}

TEST_F(WholeFileTest, AReadOnlyFolderWithAWritableFileIsWrittenInPlace) {
  const fs::path file = folder_ / "chart.svg";
  for (const std::string& content : {std::string(9000, 'l'), std::string("shorter")}) {
    Put(file, kOld);
    ::chown(file.c_str(), 65534, 65534);
    ::chmod(folder_.c_str(), 0555);
    EXPECT_EQ(InChild([&] { return WriteWholeFile(file.string(), content); }, 0, true), "");
    ::chmod(folder_.c_str(), 0777);
    EXPECT_EQ(Contents(file), content);
  }
}

TEST_F(WholeFileTest, ReportsWhatCannotBeWritten) {
  fs::create_directory(folder_ / "folder");
  EXPECT_EQ(WriteWholeFile((folder_ / "folder").string(), "x"), "Is a directory");
  EXPECT_EQ(WriteWholeFile((folder_ / "missing" / "a.csv").string(), "x"), "No such file or directory");
  // A device is written as it is: /dev/full fails every write as a full disk does.
  if (fs::exists("/dev/full")) {
    EXPECT_EQ(WriteWholeFile("/dev/full", "x"), "No space left on device");
  }
}

}  // namespace
}  // namespace ombrane
