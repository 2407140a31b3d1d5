#include "timing/Catalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MemoryCeiling.h"

namespace ombrane {
namespace {

// A step as text: "epoch=2451234.5678" for a value, the message itself otherwise.
std::vector<std::string> Steps(std::string_view text, std::string_view name, std::string_view con) {
  std::vector<std::string> out;
  for (const CatalogueStep& s : LookupStar(text, name, con)) {
    if (s.field) {
      char value[64];
      std::snprintf(value, sizeof value, "%.10g", s.value);
      out.push_back(std::string(CatalogueFieldName(*s.field)) + "=" + value);
    } else {
      out.push_back(s.message);
    }
  }
  return out;
}

// A data line with the fields at their positions: 12 34 56.7 +45 12 34 in columns 0-19, blanks
// up to 38, (0.8372) at 38 and 2451234.5678 at 48.
const std::string kData = "12 34 56.7 +45 12 34" + std::string(18, ' ') + "(0.8372)  2451234.5678";

TEST(CatalogueNumber, ReadsAtFixedPositions) {
  ASSERT_EQ(kData.substr(38, 8), "(0.8372)");
  ASSERT_EQ(kData.substr(48), "2451234.5678");
  struct Case {
    std::string line;
    size_t position;
    std::optional<double> value;
  };
  const std::vector<Case> cases = {
      {kData, 0, 12},
      {kData, 3, 34},
      {kData, 6, 56.7},
      {kData, 11, 45},
      {kData, 15, 12},
      {kData, 18, 34},
      {kData, 38, 0.8372},
      {kData, 48, 2451234.5678},
      {"((( -1.5e2)", 0, -150},
      {"  7", 0, 7},
      {"abc", 0, std::nullopt},
      {"1", 1, std::nullopt},
      {"1", 5, std::nullopt},
      {"   \r", 0, std::nullopt},
      {"(", 0, std::nullopt},
      {".5x", 0, 0.5},
      {"1e", 0, 1},
      {"-", 0, std::nullopt},
      {"inf", 0, std::nullopt},
      {"5 (2", 1, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CatalogueNumber(c.line, c.position), c.value) << c.line << " @" << c.position;
  // Within a field: a number must begin before the next field does.
  EXPECT_EQ(CatalogueNumber(kData, 38, 48), 0.8372);
  EXPECT_EQ(CatalogueNumber("      5", 3, 6), std::nullopt);
  EXPECT_EQ(CatalogueNumber("     5", 3, 6), 5);
  EXPECT_EQ(CatalogueNumber("   123456", 3, 6), 123456);  // begun inside, read to its end
}

TEST(CatalogueValueText, KeepsTheSignOfAZero) {
  EXPECT_EQ(CatalogueValueText(-0.0, '.'), "-0");
  EXPECT_EQ(CatalogueValueText(0.0, '.'), "0");
  EXPECT_EQ(CatalogueValueText(-5.25, ','), "-5,25");
  EXPECT_EQ(CatalogueValueText(2451234.5678, '.'), "2451234.5678");
}

TEST(CatalogueLines, SplitsAtLineFeedsAndStopsAtNul) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(CatalogueLines("a\r\nb"), (Lines{"a\r", "b"}));
  EXPECT_EQ(CatalogueLines("a\nb\n"), (Lines{"a", "b", ""}));
  EXPECT_EQ(CatalogueLines(std::string("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
  const std::string longLine = std::string(300, 'x') + "\nnext";
  const Lines lines = CatalogueLines(longLine);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), kCatalogueLineLength);
  EXPECT_EQ(lines[1], "next");
}

TEST(LookupStar, AppliesTheDataLineOfTheMatchingNameLine) {
  const std::string text = "AB Cde\n" + kData + "\nXX Abc extra words\n" + kData + "\n";
  const std::vector<std::string> expected = {"epoch=2451234.568", "period=0.8372",    "ra_hours=12",
                                             "ra_minutes=34",     "ra_seconds=56.7",  "dec_degrees=45",
                                             "dec_arcminutes=12", "dec_arcseconds=34"};
  EXPECT_EQ(Steps(text, "XX", "Abc"), expected);
  EXPECT_EQ(Steps(text, "xx", "Abc"), std::vector<std::string>{"no star"});  // case-sensitive
  EXPECT_EQ(Steps(text, "", ""), std::vector<std::string>{"no star"});       // before any edit
}

TEST(LookupStar, MissingFieldsAndShiftedAlternation) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> expected;
  };
  const std::string noPeriod = "12 34 56.7 +45 12 34" + std::string(28, ' ') + "2451234.5";
  const std::vector<Case> cases = {
      {"a blank period field leaves the period box and says so",
       "V1 Her\n" + noPeriod,
       {"epoch=2451234.5", "no period (the field is blank)", "ra_hours=12", "ra_minutes=34",
        "ra_seconds=56.7", "dec_degrees=45", "dec_arcminutes=12", "dec_arcseconds=34"}},
      {"blank minutes and seconds fields read nothing of their neighbours",
       "V1 Her\n12" + std::string(9, ' ') + "+45" + std::string(24, ' ') + "(0.8372)  2451234.5678",
       {"epoch=2451234.568", "period=0.8372", "ra_hours=12", "no RA minutes (the field is blank)",
        "no RA seconds (the field is blank)", "dec_degrees=45", "no DEC minutes (the field is blank)",
        "no DEC seconds (the field is blank)"}},
      {"a minus-zero declination keeps its sign",
       "V1 Her\n05 35 08.3 -00 17 57" + std::string(18, ' ') + "(5.7325)  2445000.123",
       {"epoch=2445000.123", "period=5.7325", "ra_hours=5", "ra_minutes=35", "ra_seconds=8.3",
        "dec_degrees=-0", "dec_arcminutes=17", "dec_arcseconds=57"}},
      {"short line: no M0, no period",
       "V1 Her\n01 02 03.0 +04 05 06",
       {"no M0", "no period", "ra_hours=1", "ra_minutes=2", "ra_seconds=3", "dec_degrees=4",
        "dec_arcminutes=5", "dec_arcseconds=6"}},
      {"matching name line then a final line end: the empty data line",
       "V1 Her\n",
       {"no M0", "no period", "no REC", "no DEC"}},
      {"matching name line at the very end", "V1 Her", {"no star"}},
      {"an empty line shifts the alternation", "\nV1 Her\n" + kData, {"no star"}},
      {"one word matches nothing", "V1\n" + kData, {"no star"}},
      {"a longer first word is another star", "V1Herculis Her\n" + kData, {"no star"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Steps(c.text, "V1", "Her"), c.expected) << c.what;
}

TEST(LookupStar, WordsLongerThanElevenCharactersAreComparedWhole) {
  const std::string text = "HerculisStarOne Her\n1\nHerculisStarTwo Her\n2";
  EXPECT_EQ(Steps(text, "HerculisStarTwo", "Her"),
            (std::vector<std::string>{"no M0", "no period", "ra_hours=2", "no DEC"}));
}

TEST(LookupStar, LaterRecordsOfTheSameStarApplyAgain) {
  const std::string text = "V1 Her\n1\nV2 Her\n2\nV1 Her\n3";
  EXPECT_EQ(Steps(text, "V1", "Her"),
            (std::vector<std::string>{"no M0", "no period", "ra_hours=1", "no DEC", "no M0", "no period",
                                      "ra_hours=3", "no DEC"}));
}

TEST(CatalogueFile, MissingFileIsToldWithItsFolder) {
  EXPECT_FALSE(ReadCatalogueFile("/nonexistent-folder/allstars.txt"));
  EXPECT_EQ(CatalogueMissingMessage("/data/stars"), "Cannot open or find file allstars.txt in /data/stars");
}

// What cannot be read says why (nothing for a file that cannot be opened, which keeps its own
// message), and a file or a device larger than the bound is refused, within a memory ceiling of
// the bound and 200 MB; a file of exactly the bound is read.
TEST(CatalogueFile, WhatCannotBeReadSaysWhy) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("ombrane-catalogue-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string atBound = (folder / "bound.txt").string();
  const std::string beyond = (folder / "beyond.txt").string();
  std::ofstream(atBound, std::ios::binary).close();
  std::filesystem::resize_file(atBound, kCatalogueFileLimit);
  std::ofstream(beyond, std::ios::binary).close();
  std::filesystem::resize_file(beyond, kCatalogueFileLimit + 1);
  struct Case {
    std::string path;
    std::optional<std::string> why;  // nothing: read
  };
  const Case cases[] = {
      {"/nonexistent-folder/allstars.txt", ""},
      {folder.string(), "Is a directory"},
      {"/dev/zero", "it is larger than 64 MB"},
      {beyond, "it is larger than 64 MB"},
      {atBound, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(test::UnderMemoryCeiling(kCatalogueFileLimit + (size_t{200} << 20),
                                       [&]() -> std::string {
                                         std::string why = "unset";
                                         const std::optional<std::string> text =
                                             ReadCatalogueFile(c.path, &why);
                                         if (!c.why)
                                           return text && text->size() == kCatalogueFileLimit ? "" : why;
                                         if (text) return "read";
                                         return why == *c.why ? "" : why;
                                       }),
              "")
        << c.path;
  }
  std::filesystem::remove_all(folder);
}

// 32 MB of line ends before a record are walked within a memory ceiling of the text and 200 MB
// (a string a line took 1 GB); the record after them is found, its name line being line
// 33554433, a name line as every odd one.
TEST(LookupStar, TextOfLineEndsStaysWithinMemory) {
  const std::string text = std::string(size_t{32} << 20, '\n') + "V1 Her\n" + kData;
  EXPECT_EQ(test::UnderMemoryCeiling(size_t{200} << 20,
                                     [&]() -> std::string {
                                       const std::vector<std::string> steps = Steps(text, "V1", "Her");
                                       return steps.size() == 8 && steps[2] == "ra_hours=12" ? ""
                                                                                             : "not found";
                                     }),
            "");
}

}  // namespace
}  // namespace ombrane
