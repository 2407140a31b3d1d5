// The one reading of an input: its bytes whole, its format found on them, the size limit, and
// what cannot be read.
#include <gmock/gmock.h>

#include <string>

#include "ImportFixture.h"
#include "common/InputError.h"

namespace ombrane {
namespace {

using test::ImportFixture;
using ::testing::HasSubstr;

class ReadInput : public ImportFixture {};

// Each file's bytes come back whole, under the format its name or its first bytes say. A FITS
// file on disk is read by its own reader from its path, so none of its bytes are held, unless
// the input is to be held.
TEST_F(ReadInput, BytesAndFormat) {
  const std::string longTable = std::string(5000, '#') + "\n2450000.5 10.1\n";
  const struct {
    const char* name;
    std::string text;
    const char* format;
    bool held;  // the bytes are held
  } cases[] = {
      {"pairs.txt", "2450000.5 10.1\n2450000.6 10.2\n", "Text columns", true},
      {"long.txt", longTable, "Text columns", true},
      {"empty.txt", "", "Text columns", true},
      {"export.csv", "JD,Magnitude,Uncertainty,Band\n2450000.5,10.1,0.01,V\n", "AAVSO export", true},
      {"curve.fits", "anything", "FITS light curve", false},
      {"curve.dat", "SIMPLE  =                    T" + std::string(6000, ' '), "FITS light curve", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, c.text);
    const io::Input input = io::ReadInput(path, c.name);
    EXPECT_EQ(input.path, path);
    EXPECT_EQ(input.format->Name(), c.format);
    EXPECT_EQ(input.fromPath, !c.held);
    EXPECT_EQ(input.bytes, c.held ? c.text : "");
    // Held, every format's bytes are read here, the FITS file's too.
    const io::Input held = io::ReadHeldInput(path, c.name);
    EXPECT_EQ(held.format->Name(), c.format);
    EXPECT_FALSE(held.fromPath);
    EXPECT_EQ(held.bytes, c.text);
  }
}

// An input of `limit` bytes is read; one byte more is refused, naming the file and the limit.
TEST_F(ReadInput, SizeLimit) {
  constexpr size_t kLimit = 3 << 20;  // 3 MB, above the 4096 bytes read first and several chunks
  const std::string exact = Write("exact.txt", std::string(kLimit, ' '));
  EXPECT_EQ(io::ReadInput(exact, "exact.txt", kLimit).bytes.size(), kLimit);
  const std::string over = Write("over.txt", std::string(kLimit + 1, ' '));
  try {
    io::ReadInput(over, "over.txt", kLimit);
    ADD_FAILURE() << "no error";
  } catch (const InputError& error) {
    EXPECT_STREQ(error.what(), "over.txt could not be read: it is larger than 3 MB. Nothing loaded.");
  }
  // A small limit below the first bytes read.
  const std::string small = Write("small.txt", "2450000.5 10.1\n");
  EXPECT_THROW(io::ReadInput(small, "small.txt", 10), InputError);
  EXPECT_EQ(io::ReadInput(small, "small.txt", 15).bytes, "2450000.5 10.1\n");
}

TEST_F(ReadInput, WhatCannotBeRead) {
  const struct {
    std::string path;
    const char* message;
  } cases[] = {
      {Path("absent.txt"), "absent.txt could not be opened: No such file or directory"},
      {dir_.string(), "folder could not be read: Is a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string shown =
        c.path == dir_.string() ? "folder" : std::filesystem::path(c.path).filename().string();
    try {
      io::ReadInput(c.path, shown);
      ADD_FAILURE() << "no error";
    } catch (const InputError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message));
    }
  }
}

}  // namespace
}  // namespace ombrane
