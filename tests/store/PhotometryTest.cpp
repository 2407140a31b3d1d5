#include "store/Photometry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/NumberFormat.h"

namespace ombrane {
namespace {

using Entries = std::vector<std::pair<long double, long double>>;

constexpr char kOddNote[] =
    "obs.txt: odd count of numbers; the last number was read with the magnitude before it.";

struct ReadCase {
  std::string name;
  std::string text;
  Entries entries;  // expected fileJd / fileMag of entries 0 .. N-1
  std::vector<std::string> messages;
};

const ReadCase kReadCases[] = {
    {"TwoLinesGetTheRepeat",
     "2450001.5 12.1\n2450001.6 12.2\n",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.2L}, {2450001.6L, 12.2L}},
     {}},
    {"NoFinalLineEnd",
     "2450001.5 12.1\n2450001.6 12.2",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.2L}, {2450001.6L, 12.2L}},
     {}},
    {"LastPairZeroMagnitudeNoRepeat", "2450001.5 12.1\n2450001.6 0\n", {{2450001.5L, 12.1L}}, {}},
    {"LastPairZeroDayNoRepeat", "2450001.5 12.1\n0.0 12.2\n", {{2450001.5L, 12.1L}}, {}},
    {"ZeroPairInMiddleSkipped",
     "2450001.5 12.1\n0 12.5\n2450001.7 12.3\n",
     {{2450001.5L, 12.1L}, {2450001.7L, 12.3L}, {2450001.7L, 12.3L}},
     {}},
    {"ThreeColumnsRunOutOfStep",
     "2450001.5 12.1 0.01\n2450001.6 12.2 0.02\n",
     {{2450001.5L, 12.1L}, {0.01L, 2450001.6L}, {12.2L, 0.02L}, {12.2L, 0.02L}},
     {}},
    {"OddCountPairsWithMagnitudeBefore",
     "2450001.5 12.1\n2450001.6\n",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.1L}},
     {kOddNote}},
    // Nothing to pair a single number with: nothing is stored and nothing was paired.
    {"SingleNumberStoresNothing", "2450001.5\n", {}, {}},
    {"ZeroPairThenOddNumberPairsWithItsMagnitude", "0 12.5\n2450001.7\n", {{2450001.7L, 12.5L}}, {kOddNote}},
    {"Empty", "", {}, {}},
    {"BlanksOnly", "  \t\n \r\n\n", {}, {}},
    {"TabsAndCrLf",
     "2450001.5\t12.1\r\n2450001.6\t\t12.2\r\n",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.2L}, {2450001.6L, 12.2L}},
     {}},
    {"Exponents",
     "2.4500015e6 1.21E1\n24500016e-1 1.22e+01\n",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.2L}, {2450001.6L, 12.2L}},
     {}},
    {"Signs",
     "+2450001.5 +12.1\n-3.25 -1e-3\n",
     {{2450001.5L, 12.1L}, {-3.25L, -0.001L}, {-3.25L, -0.001L}},
     {}},
    {"BarePoints", "2450001. .5\n", {{2450001.0L, 0.5L}, {2450001.0L, 0.5L}}, {}},
    {"NegativeZeroIsZero",
     "2450001.5 12.1\n-0.0 12.2\n2450001.7 12.3\n",
     {{2450001.5L, 12.1L}, {2450001.7L, 12.3L}, {2450001.7L, 12.3L}},
     {}},
    {"BadTokenInDayPosition",
     "2450001.5 12.1\nabc 12.2\n2450001.7 12.3\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: 'abc' is not a number; reading stopped there."}},
    {"BadTokenInMagnitudePositionDropsHalfPair",
     "2450001.5 12.1\n2450001.6 12,2\n2450001.7 12.3\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: '12,2' is not a number; reading stopped there."}},
    {"HeaderLineStopsAtOnce",
     "JD MAG\n2450001.5 12.1\n",
     {},
     {"obs.txt, line 1: 'JD' is not a number; reading stopped there."}},
    {"BadTokenAfterSkippedPairRepeatsLastStored",
     "2450001.5 12.1\n0 12.2\n#\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 3: '#' is not a number; reading stopped there."}},
    // Lines: 1 "..12.1\r", 2 "\r", 3 "\r", 4 "   2450001.6", 5 "", 6 " x".
    {"BadTokenLineCountsBlankLines",
     "2450001.5 12.1\r\n\r\n\r\n   2450001.6\n\n x",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 6: 'x' is not a number; reading stopped there."}},
    {"OutOfRange",
     "2450001.5 12.1\n1e5000 12.2\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: '1e5000' is out of range; reading stopped there."}},
    // Too small for an extended value: read as zero, so the pair is skipped like any zero pair.
    {"TooSmallReadsAsZero",
     "2450001.5 12.1\n2450001.6 1e-5000\n2450001.7 12.3\n",
     {{2450001.5L, 12.1L}, {2450001.7L, 12.3L}, {2450001.7L, 12.3L}},
     {}},
    // A UTF-8 byte-order mark at the start is not data; anywhere else it is part of a token.
    {"ByteOrderMarkAtTheStart",
     "\xEF\xBB\xBF"
     "2450001.5 12.1\n2450001.6 12.2\n",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.2L}, {2450001.6L, 12.2L}},
     {}},
    {"ByteOrderMarkLaterIsShown",
     "2450001.5 12.1\n\xEF\xBB\xBF"
     "2450001.6 12.2\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: '\\uFEFF2450001.6' is not a number; reading stopped there."}},
    // Invisible characters of a bad token are shown as escapes.
    {"NoBreakSpaceIsShown",
     "2450001.5 12.1\n2450001.6\xC2\xA0"
     "12.2\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: '2450001.6\\u00A012.2' is not a number; reading stopped there."}},
    {"ControlCharactersAreShown",
     "2450001.5 12.1\n\x1B[2J\x07\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: '\\x1B[2J\\x07' is not a number; reading stopped there."}},
    // Old Macintosh files end their lines with a CR alone; each one counts.
    {"CrOnlyLineEnds",
     "2450001.5 12.1\r2450001.6 12.2\r\r2450001.7 x\r",
     {{2450001.5L, 12.1L}, {2450001.6L, 12.2L}, {2450001.6L, 12.2L}},
     {"obs.txt, line 4: 'x' is not a number; reading stopped there."}},
    {"MixedLineEnds",
     "2450001.5 12.1\r\n\n\r\r\n x",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 5: 'x' is not a number; reading stopped there."}},
    {"LongTokenQuotedShort",
     "2450001.5 12.1\n" + std::string(50, 'x') + "\n",
     {{2450001.5L, 12.1L}, {2450001.5L, 12.1L}},
     {"obs.txt, line 2: '" + std::string(40, 'x') + "...' is not a number; reading stopped there."}},
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadPhotometryTextTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadPhotometryTextTest, StoresEntries) {
  const ReadCase& c = GetParam();
  auto data = std::make_unique<Data>();
  const PhotometryReadResult result = ReadPhotometryText(c.text, "obs.txt", *data);
  const auto n = static_cast<int32_t>(c.entries.size());
  EXPECT_TRUE(result.opened);
  EXPECT_EQ(result.pointCount, n);
  EXPECT_EQ(data->pointCount, n);
  for (int32_t i = 0; i < n && i < result.pointCount; ++i) {
    EXPECT_EQ(data->fileJd[i], c.entries[i].first) << "entry " << i;
    EXPECT_EQ(data->fileMag[i], c.entries[i].second) << "entry " << i;
  }
  // The store is sized for what was read.
  EXPECT_EQ(data->fileJd.size(), c.entries.size());
  EXPECT_EQ(data->fileMag.size(), c.entries.size());
  EXPECT_EQ(result.messages, c.messages);
  // Read only in part exactly when reading stopped at a bad token.
  const bool stopped = !c.messages.empty() && c.messages.back().ends_with("reading stopped there.");
  EXPECT_EQ(result.partial, stopped);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadPhotometryTextTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& param) { return param.param.name; });

// Tokens outside the C notation; each stops reading in the magnitude position of pair 2.
TEST(ReadPhotometryText, RejectsWhatIsNotCNotation) {
  const char* const tokens[] = {"12,2", "abc",  "1e",  "e5",   ".",   "+",     "-",       "--1",   "+-1",
                                "1e+",  "0x1A", "inf", "-inf", "nan", "1.2.3", "12.5abc", "1e5.0", "1..2"};
  for (const char* token : tokens) {
    auto data = std::make_unique<Data>();
    const std::string text = "2450001.5 12.1\n2450001.6 " + std::string(token) + " 12.3\n";
    const PhotometryReadResult result = ReadPhotometryText(text, "obs.txt", *data);
    EXPECT_EQ(result.pointCount, 2) << token;
    EXPECT_EQ(data->fileJd[1], 2450001.5L) << token;
    ASSERT_EQ(result.messages.size(), 1u) << token;
    EXPECT_EQ(result.messages[0],
              "obs.txt, line 2: '" + std::string(token) + "' is not a number; reading stopped there.");
  }
}

// Pair i of a generated file: day 2450000.5 + i, magnitude 10 + i % 7 (both exact).
std::string GeneratedPairs(int32_t count) {
  std::string text;
  for (int32_t i = 0; i < count; ++i)
    text += std::to_string(2450000 + i) + ".5 " + std::to_string(10 + i % 7) + "\n";
  return text;
}

long double DayOf(int32_t i) {
  return 2450000.5L + i;
}
long double MagnitudeOf(int32_t i) {
  return 10.0L + i % 7;
}

struct CapacityCase {
  std::string name;
  std::string text;
  int32_t storedPairs;                            // pairs 0 .. storedPairs-1 stored in order
  std::pair<long double, long double> lastEntry;  // entry N - 1
  std::vector<std::string> messages;
};

// The ceiling the capacity cases read under: small, so that going past it costs little. The
// store's own ceiling (kMaxObservations) follows the same rules.
constexpr int32_t kTestCeiling = 5999;

std::vector<CapacityCase> CapacityCases() {
  const std::string full = "obs.txt: the store holds 5999 observations; ";
  return {
      {"Exactly5999PairsFit", GeneratedPairs(5999), 5999, {DayOf(5998), MagnitudeOf(5998)}, {}},
      {"6000PairsLeaveOneOut",
       GeneratedPairs(6000),
       5999,
       {DayOf(5998), MagnitudeOf(5998)},
       {full + "1 pair was left out."}},
      {"7000PairsLeave1001Out",
       GeneratedPairs(7000),
       5999,
       {DayOf(5998), MagnitudeOf(5998)},
       {full + "1001 pairs were left out."}},
      // The odd pair takes the last entry in place of the repeat.
      {"5999PairsAndOddNumber",
       GeneratedPairs(5999) + "2460000.5\n",
       5999,
       {2460000.5L, MagnitudeOf(5998)},
       {kOddNote}},
      {"6000PairsAndOddNumber",
       GeneratedPairs(6000) + "2460000.5\n",
       5999,
       {DayOf(5998), MagnitudeOf(5998)},
       {kOddNote, full + "2 pairs were left out."}},
      // Zero pairs past the capacity are skipped, not counted; the repeat stays.
      {"ZeroPairsPastCapacityNotCounted",
       GeneratedPairs(6005) + "2460000.5 0\n0 12.0\n",
       5999,
       {DayOf(5998), MagnitudeOf(5998)},
       {full + "6 pairs were left out."}},
      {"BadTokenPastCapacity",
       GeneratedPairs(6100) + "end\n",
       5999,
       {DayOf(5998), MagnitudeOf(5998)},
       {"obs.txt, line 6101: 'end' is not a number; reading stopped there.",
        full + "101 pairs were left out."}},
  };
}

void PrintTo(const CapacityCase& c, std::ostream* os) {
  *os << c.name;
}

class CapacityTest : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(CapacityTest, StopsAtTheCeiling) {
  const CapacityCase& c = GetParam();
  auto data = std::make_unique<Data>();
  const PhotometryReadResult result = ReadPhotometryText(c.text, "obs.txt", *data, kTestCeiling);
  constexpr int32_t kEntries = kTestCeiling + 1;  // the repeat on top
  ASSERT_EQ(result.pointCount, kEntries);
  ASSERT_EQ(data->pointCount, kEntries);
  for (int32_t i = 0; i < c.storedPairs; ++i) {
    ASSERT_EQ(data->fileJd[i], DayOf(i)) << "entry " << i;
    ASSERT_EQ(data->fileMag[i], MagnitudeOf(i)) << "entry " << i;
  }
  EXPECT_EQ(data->fileJd[kEntries - 1], c.lastEntry.first);
  EXPECT_EQ(data->fileMag[kEntries - 1], c.lastEntry.second);
  EXPECT_EQ(result.messages, c.messages);
  // Pairs left out or a bad token: the file was read only in part.
  EXPECT_EQ(result.partial, c.messages.size() > 1 || (c.messages.size() == 1 && c.messages[0] != kOddNote));
}

INSTANTIATE_TEST_SUITE_P(Cases, CapacityTest, ::testing::ValuesIn(CapacityCases()),
                         [](const auto& param) { return param.param.name; });

// Under a locale with a decimal comma the file is still read with ".".
TEST(ReadPhotometryText, IgnoresProcessLocale) {
  const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
  std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : locales)
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";
  auto data = std::make_unique<Data>();
  const PhotometryReadResult result =
      ReadPhotometryText("2450001.5 12.1\n2450001.6 12,2\n", "obs.txt", *data);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(result.pointCount, 2);
  EXPECT_EQ(data->fileJd[0], 2450001.5L);
  EXPECT_EQ(data->fileMag[0], 12.1L);
  EXPECT_EQ(result.messages.size(), 1u);
}

class TempFile {
 public:
  // ctest runs every test in its own process at the same time, so each one gets its own file.
  explicit TempFile(const std::string& content)
      : path_(::testing::TempDir() + "ombrane_store_read_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt") {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(ReadPhotometryFile, ReadsFileFromDisk) {
  const TempFile file("2452153.3452   12.345\r\n2452153.3501   12.351\r\n2452154.4012\t12.298\r\n");
  auto data = std::make_unique<Data>();
  const PhotometryReadResult result = ReadPhotometryFile(file.path(), "star.txt", *data);
  EXPECT_TRUE(result.opened);
  EXPECT_TRUE(result.messages.empty());
  ASSERT_EQ(result.pointCount, 4);
  const Entries expected = {
      {2452153.3452L, 12.345L}, {2452153.3501L, 12.351L}, {2452154.4012L, 12.298L}, {2452154.4012L, 12.298L}};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(data->fileJd[i], expected[i].first) << "entry " << i;
    EXPECT_EQ(data->fileMag[i], expected[i].second) << "entry " << i;
  }
}

// A file is read in chunks of 64 KiB: tokens and line ends that straddle a chunk boundary, a
// bad token far into the file and a token too long to be a number read as they do in memory.
TEST(ReadPhotometryFile, ChunksReadAsTheWholeText) {
  std::string pairs;
  for (int i = 0; i < 4000; ++i) {
    // Lines of varying length move the token ends across the 65536-byte boundaries.
    pairs += "2452153." + std::to_string(1000 + i) + std::string(static_cast<size_t>(1 + i % 7), ' ') + "1" +
             std::to_string(i % 10) + "." + std::to_string(100 + i % 900) + (i % 3 == 0 ? "\r\n" : "\n");
  }
  const std::string longToken(5000, '7');
  const std::string texts[] = {pairs, pairs + "2452160.5 bad@token 2452160.6 12.0\n",
                               pairs + longToken + " 12.0\n", "1 " + longToken + "\n"};
  for (const std::string& text : texts) {
    const TempFile file(text);
    auto fromFile = std::make_unique<Data>();
    auto fromText = std::make_unique<Data>();
    const PhotometryReadResult read = ReadPhotometryFile(file.path(), "star.txt", *fromFile);
    const PhotometryReadResult expected = ReadPhotometryText(text, "star.txt", *fromText);
    EXPECT_TRUE(read.opened);
    EXPECT_EQ(read.messages, expected.messages);
    ASSERT_EQ(read.pointCount, expected.pointCount);
    for (int32_t i = 0; i < read.pointCount; ++i) {
      ASSERT_EQ(fromFile->fileJd[i], fromText->fileJd[i]) << "entry " << i;
      ASSERT_EQ(fromFile->fileMag[i], fromText->fileMag[i]) << "entry " << i;
    }
  }
  // The independent expectations: 4000 pairs and the repeat; the bad token on line 4001.
  auto data = std::make_unique<Data>();
  EXPECT_EQ(ReadPhotometryText(pairs, "star.txt", *data).pointCount, 4001);
  EXPECT_EQ(data->fileJd[3999], 2452153.4999L);
  EXPECT_EQ(data->fileMag[3999], 19.499L);  // 3999 % 900 = 399
  const auto bad = ReadPhotometryText(texts[1], "star.txt", *data);
  EXPECT_EQ(bad.messages, std::vector<std::string>{
                              "star.txt, line 4001: 'bad@token' is not a number; reading stopped there."});
  const auto tooLong = ReadPhotometryText(texts[3], "star.txt", *data);
  ASSERT_EQ(tooLong.messages.size(), 1u);
  EXPECT_NE(tooLong.messages[0].find("is not a number"), std::string::npos);
}

// At the start of a file, the byte-order mark is skipped as in a text; CR line ends that fall
// on a chunk boundary count once.
TEST(ReadPhotometryFile, ByteOrderMarkAndLineEndsOfAFile) {
  const TempFile file(
      "\xEF\xBB\xBF"
      "2450001.5 12.1\r2450001.6 12.2\r?\r");
  auto data = std::make_unique<Data>();
  const PhotometryReadResult result = ReadPhotometryFile(file.path(), "star.txt", *data);
  EXPECT_EQ(result.pointCount, 3);
  EXPECT_EQ(data->fileJd[0], 2450001.5L);
  EXPECT_EQ(result.messages,
            std::vector<std::string>{"star.txt, line 3: '?' is not a number; reading stopped there."});
  // 65535 bytes then CR LF across the boundary, then a bad token: line 2.
  std::string text = "2450001.5 12.1" + std::string(65535 - 14, ' ') + "\r\nx";
  const TempFile straddling(text);
  const PhotometryReadResult across = ReadPhotometryFile(straddling.path(), "star.txt", *data);
  EXPECT_EQ(across.messages,
            std::vector<std::string>{"star.txt, line 2: 'x' is not a number; reading stopped there."});
}

// A token refused for its length ends the reading at once: a file of zero bytes without end
// (/dev/zero) is not read to its end.
TEST(ReadPhotometryFile, AnEndlessTokenStopsTheReading) {
  if (access("/dev/zero", R_OK) != 0) GTEST_SKIP() << "no /dev/zero";
  auto data = std::make_unique<Data>();
  const PhotometryReadResult result = ReadPhotometryFile("/dev/zero", "zero", *data);
  EXPECT_TRUE(result.opened);
  EXPECT_TRUE(result.partial);
  EXPECT_EQ(result.pointCount, 0);
  std::string zeros;
  for (int i = 0; i < 40; ++i) zeros += "\\x00";
  EXPECT_EQ(result.messages, std::vector<std::string>{"zero, line 1: '" + zeros +
                                                      "...' is not a number; reading stopped there."});
}

TEST(ReadPhotometryFile, FileThatCannotBeOpened) {
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {"/nonexistent-ombrane-folder/star.txt", "star.txt could not be opened: No such file or directory"},
      {::testing::TempDir(), "star.txt could not be read: Is a directory"},
  };
  for (const Case& c : cases) {
    auto data = std::make_unique<Data>();
    data->pointCount = 5;
    const PhotometryReadResult result = ReadPhotometryFile(c.path, "star.txt", *data);
    EXPECT_FALSE(result.opened) << c.path;
    EXPECT_EQ(result.pointCount, 0) << c.path;
    EXPECT_EQ(data->pointCount, 0) << c.path;
    EXPECT_EQ(result.messages, std::vector<std::string>{c.message}) << c.path;
  }
}

}  // namespace
}  // namespace ombrane

namespace ombrane {
namespace {

// The note on files of three or more columns: only when every line holding numbers has three or
// more, and reading met no bad token.
TEST(ReadPhotometryText, TellsWhenEveryLineHoldsThreeNumbersOrMore) {
  const std::pair<const char*, bool> cases[] = {{"2450001.5 12.1 0.01\n2450001.6 12.2 0.02\n", true},
                                                {"\n2450001.5 12.1 0.01 7\n\n2450001.6 12.2 0.02\n", true},
                                                {"2450001.5 12.1 0.01\n2450001.6 12.2\n", false},
                                                {"2450001.5 12.1\n2450001.6 12.2\n", false},
                                                {"2450001.5 12.1 0.01 2450001.6 12.2 0.02", true},
                                                {"2450001.5 12.1 0.01\nJD 12.2 0.02\n", false},
                                                {"", false}};
  for (const auto& [text, mixed] : cases) {
    auto data = std::make_unique<Data>();
    EXPECT_EQ(ReadPhotometryText(text, "obs.txt", *data).columnsMixed, mixed) << text;
  }
  auto data = std::make_unique<Data>();
  EXPECT_EQ(ReadPhotometryText("# V star\n2450001.5 12.1\n", "obs.txt", *data).stoppedAtLine, 1);
  EXPECT_EQ(ReadPhotometryText("2450001.5 12.1\n\n2450001.6 x\n", "obs.txt", *data).stoppedAtLine, 3);
  EXPECT_EQ(ReadPhotometryText("2450001.5 12.1\n", "obs.txt", *data).stoppedAtLine, 0);
}

// Observations handed over by an importer are stored as the same pairs in a file would be.
TEST(StorePairs, StoresAsTheReadingOfTheSamePairs) {
  const std::vector<std::vector<Observation>> cases = {{{2450001.5L, 12.1L}, {2450001.6L, 12.2L}}, {}, [] {
                                                         std::vector<Observation> many;
                                                         for (int32_t i = 0; i < 6002; ++i)
                                                           many.push_back({DayOf(i), MagnitudeOf(i)});
                                                         return many;
                                                       }()};
  for (const std::vector<Observation>& observations : cases) {
    std::string text;
    for (const Observation& o : observations)
      text += FormatFileExact(o.time) + " " + FormatFileExact(o.magnitude) + "\n";
    auto fromText = std::make_unique<Data>();
    auto fromPairs = std::make_unique<Data>();
    // Under a ceiling the third case goes past, so both leave the same pairs out.
    const PhotometryReadResult expected = ReadPhotometryText(text, "obs.txt", *fromText, kTestCeiling);
    const PhotometryReadResult stored = StorePairs(observations, "obs.txt", *fromPairs, kTestCeiling);
    EXPECT_EQ(stored.pointCount, expected.pointCount) << observations.size();
    EXPECT_EQ(stored.messages, expected.messages);
    EXPECT_EQ(stored.partial, expected.partial);
    EXPECT_EQ(fromPairs->fileJd, fromText->fileJd);
    EXPECT_EQ(fromPairs->fileMag, fromText->fileMag);
  }
}

// An imported zero is a value (a relative magnitude of 0.0000, a time counted from 0): it is
// stored, unlike a zero of the plain pair format, and counts like any other observation.
TEST(StorePairs, KeepsZeroValues) {
  struct Case {
    std::vector<Observation> observations;
    std::vector<std::pair<long double, long double>> entries;  // N entries, the repeat included
  };
  const Case cases[] = {
      {{{2450001.5L, 12.1L}, {0, 12.5L}, {2450001.7L, 12.3L}},
       {{2450001.5L, 12.1L}, {0, 12.5L}, {2450001.7L, 12.3L}, {2450001.7L, 12.3L}}},
      {{{2450001.5L, 12.1L}, {2450001.6L, 0}}, {{2450001.5L, 12.1L}, {2450001.6L, 0}, {2450001.6L, 0}}},
      {{{2450001.5L, -0.0L}, {2450001.6L, 0.0L}}, {{2450001.5L, 0}, {2450001.6L, 0}, {2450001.6L, 0}}},
  };
  for (const Case& c : cases) {
    auto data = std::make_unique<Data>();
    const PhotometryReadResult stored = StorePairs(c.observations, "obs.txt", *data);
    ASSERT_EQ(stored.pointCount, static_cast<int32_t>(c.entries.size()));
    EXPECT_TRUE(stored.messages.empty());
    for (size_t i = 0; i < c.entries.size(); ++i) {
      EXPECT_EQ(data->fileJd[i], c.entries[i].first) << i;
      EXPECT_EQ(data->fileMag[i], c.entries[i].second) << i;
    }
  }
}

}  // namespace
}  // namespace ombrane
