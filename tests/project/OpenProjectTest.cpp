// Project files on disk: the source's fingerprint, the file written whole and read back, and the
// replay of a project on its source (and its refusal of any other file).
#include <gmock/gmock.h>

#include <filesystem>

#include "io/ImportFixture.h"
#include "project/OpenProject.h"

namespace ombrane {
namespace {

using ::testing::HasSubstr;

using OpenProjectTest = test::ImportFixture;

TEST_F(OpenProjectTest, FingerprintIsTheSizeAndZlibsCrc32) {
  // "123456789" is the check string of CRC-32 (IEEE 802.3): its CRC is 0xCBF43926.
  const std::optional<SourceFingerprint> f = FingerprintOf(Write("check.txt", "123456789"));
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->size, 9u);
  EXPECT_EQ(f->crc32, 0xCBF43926u);
  EXPECT_EQ(FingerprintOfBytes("123456789").crc32, 0xCBF43926u);
  // An empty file: CRC 0.
  const std::optional<SourceFingerprint> empty = FingerprintOf(Write("empty.txt", ""));
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->size, 0u);
  EXPECT_EQ(empty->crc32, 0u);
  // Larger than the reading's piece of 1 MiB: the pieces chain into the CRC of the whole.
  const std::string big(3 * (1 << 20) + 17, 'x');
  EXPECT_EQ(FingerprintOf(Write("big.txt", big))->crc32, FingerprintOfBytes(big).crc32);
  EXPECT_FALSE(FingerprintOf(Path("missing.txt")).has_value());
  EXPECT_FALSE(FingerprintOf(dir_.string()).has_value());
}

TEST_F(OpenProjectTest, SourceIsTheSameMissingOrChanged) {
  const std::string path = Write("v1.txt", "2450001.1 12.1\n2450001.2 12.3\n");
  const SourceFingerprint f = *FingerprintOf(path);
  const ProjectSource source{
      .path = path, .fileName = "v1.txt", .size = f.size, .crc32 = f.crc32, .importOptions = std::nullopt};
  EXPECT_EQ(CheckSource(source, path), SourceState::Same);
  // One digit changed, the size the same: the checksum tells.
  Write("v1.txt", "2450001.1 12.1\n2450001.2 12.4\n");
  EXPECT_EQ(CheckSource(source, path), SourceState::Changed);
  std::filesystem::remove(path);
  EXPECT_EQ(CheckSource(source, path), SourceState::Missing);
}

// A project on a file of three columns, the magnitudes in the third (an import's choice).
Project ColumnsProject(const std::string& path) {
  Project p;
  const SourceFingerprint f = *FingerprintOf(path);
  io::ImportOptions options;
  options.separator = io::FieldSeparator::Blanks;
  options.skipLines = 0;
  options.timeColumn = 0;
  options.magColumn = 2;
  options.errorColumn = -1;
  p.sources.push_back(
      {.path = path, .fileName = "v1.txt", .size = f.size, .crc32 = f.crc32, .importOptions = options});
  p.star.period = 0.8372L;
  p.star.epoch = 2450001.123456789L;
  p.star.starName = "V1";
  return p;
}

constexpr char kThreeColumns[] =
    "2450001.10 9.91 12.10\n"
    "2450001.20 9.92 12.30\n"
    "2450002.10 9.93 12.20\n";

TEST_F(OpenProjectTest, ReplayLoadsWithTheStoredImportOptionsAndSetsTheObject) {
  const std::string path = Write("v1.txt", kThreeColumns);
  const Project p = ColumnsProject(path);
  const ReplayOutcome r = ReplayProject(p, path, '.');
  // Three observations and the loader's repeat of the last one; the third column's magnitudes.
  ASSERT_EQ(r.data.pointCount, 4);
  EXPECT_EQ(r.data.fileMag[0], 12.10L);
  EXPECT_EQ(r.data.mag[1], 12.30L);
  EXPECT_EQ(r.data.jd[2], 2450002.10L);
  EXPECT_EQ(r.data.fileName, "v1.txt");
  EXPECT_TRUE(r.load.imported);
  EXPECT_EQ(r.star.period, 0.8372L);
  EXPECT_EQ(r.star.epoch, 2450001.123456789L);
  EXPECT_EQ(r.star.starName, "V1");
  // Two nights: the first holds two entries.
  EXPECT_EQ(r.view.lastNight, 1);
  // The file says no scale (JD); a scale the user gave is given to the replayed load again.
  EXPECT_EQ(r.data.timeScale, TimeScale::Jd);
  Project barycentric = p;
  barycentric.sources[0].timeScale = TimeScale::BjdTdb;
  EXPECT_EQ(ReplayProject(barycentric, path, '.').data.timeScale, TimeScale::BjdTdb);
}

// Entries as loaded: 0 (2450001.10, 12.10), 1 (2450001.20, 12.30), 2 (2450002.10, 12.20) and
// the repeat 3; night 0 holds 0 and 1, night 1 holds 2 and 3. The first entry deleted, night 1
// stepped by +0.25 mag, then the new entry 0 marked.
const char* const kOperations = R"([
  {"op": "delete", "first": 0, "last": 0},
  {"op": "magnitude step", "night": 1, "sign": 1, "step": "0.25"},
  {"op": "mark", "entries": [0]}
])";

TEST_F(OpenProjectTest, ReplayAppliesTheOperationsInOrder) {
  const std::string path = Write("v1.txt", kThreeColumns);
  Project p = ColumnsProject(path);
  p.operations = nlohmann::ordered_json::parse(kOperations);
  const ReplayOutcome r = ReplayProject(p, path, '.');
  ASSERT_EQ(r.data.pointCount, 3);
  EXPECT_EQ(r.data.jd[0], 2450001.20L);
  EXPECT_EQ(r.data.mag[0], 12.30L);
  EXPECT_EQ(r.data.mag[1], 12.20L + 0.25L);
  EXPECT_EQ(r.data.mag[2], 12.20L + 0.25L);  // the repeat steps with its night
  EXPECT_EQ(r.data.markFlag[0], 1);
  EXPECT_EQ(r.data.markFlag[1], 0);
  EXPECT_EQ(r.operations.size(), 3u);
  EXPECT_EQ(r.log.Operations().size(), 3u);
  EXPECT_TRUE(r.log.CanUndo());

  // Only the first: the deletion, the magnitudes as loaded; the rest is the caller's.
  const ReplayOutcome first = ReplayProject(p, path, '.', 1);
  EXPECT_EQ(first.data.pointCount, 3);
  EXPECT_EQ(first.data.mag[1], 12.20L);
  EXPECT_EQ(first.data.markFlag[0], 0);
  EXPECT_EQ(first.operations.size(), 3u);
  EXPECT_EQ(first.log.Operations().size(), 1u);
}

TEST_F(OpenProjectTest, OperationsThatDoNotFitTheFileAreRefused) {
  const std::string path = Write("v1.txt", kThreeColumns);
  Project p = ColumnsProject(path);
  p.operations = nlohmann::ordered_json::parse(
      R"([{"op": "mark", "entries": [1]}, {"op": "delete", "first": 2, "last": 9}])");
  try {
    ReplayProject(p, path, '.');
    ADD_FAILURE() << "an operation past the entries was replayed";
  } catch (const InputError& e) {
    EXPECT_THAT(e.what(), HasSubstr("The project's data operations do not fit v1.txt: operation 2"));
  }
}

TEST_F(OpenProjectTest, ReplayRefusesAMissingOrChangedSource) {
  const std::string path = Write("v1.txt", kThreeColumns);
  const Project p = ColumnsProject(path);
  std::string changed = kThreeColumns;
  changed[19] = '5';  // 12.10 -> 12.50, the same size
  Write("v1.txt", changed);
  try {
    ReplayProject(p, path, '.');
    ADD_FAILURE() << "a changed file was replayed";
  } catch (const SourceMismatch& e) {
    EXPECT_EQ(e.state(), SourceState::Changed);
    EXPECT_THAT(e.what(), HasSubstr("is not the file the project was saved with"));
    EXPECT_THAT(e.what(), HasSubstr(path));
  }
  std::filesystem::remove(path);
  try {
    ReplayProject(p, path, '.');
    ADD_FAILURE() << "a missing file was replayed";
  } catch (const SourceMismatch& e) {
    EXPECT_EQ(e.state(), SourceState::Missing);
    EXPECT_THAT(e.what(), HasSubstr("cannot be found or read"));
  }
}

TEST_F(OpenProjectTest, ARelativeSourceIsFoundBesideTheProject) {
  const ProjectSource relative{
      .path = "data/v1.txt", .fileName = "v1.txt", .size = 0, .crc32 = 0, .importOptions = {}};
  EXPECT_EQ(SourcePathOf(relative, "/home/obs/projects/v1.ombrane"), "/home/obs/projects/data/v1.txt");
  const ProjectSource absolute{
      .path = "/data/v1.txt", .fileName = "v1.txt", .size = 0, .crc32 = 0, .importOptions = {}};
  EXPECT_EQ(SourcePathOf(absolute, "/home/obs/projects/v1.ombrane"), "/data/v1.txt");
}

TEST_F(OpenProjectTest, TheFileIsWrittenWholeAndReadBack) {
  const std::string source = Write("v1.txt", kThreeColumns);
  Project p = ColumnsProject(source);
  p.notes = "first";
  const std::string path = Path("v1.ombrane");
  WriteProjectFile(path, "v1.ombrane", p);
  p.notes = "second";
  WriteProjectFile(path, "v1.ombrane", p);
  const Project q = ReadProjectFile(path, "v1.ombrane");
  EXPECT_EQ(q.notes, "second");
  EXPECT_EQ(q.sources[0].path, source);
  // No temporary file is left beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 2);
}

TEST_F(OpenProjectTest, FailuresOfTheFileNameItAndTheReason) {
  const Project p = ColumnsProject(Write("v1.txt", kThreeColumns));
  EXPECT_THROW(
      {
        try {
          WriteProjectFile(Path("no folder/v1.ombrane"), "v1.ombrane", p);
        } catch (const InputError& e) {
          EXPECT_THAT(e.what(), HasSubstr("v1.ombrane could not be saved: No such file or directory"));
          throw;
        }
      },
      InputError);
  EXPECT_THROW(
      {
        try {
          ReadProjectFile(Path("absent.ombrane"), "absent.ombrane");
        } catch (const InputError& e) {
          EXPECT_THAT(e.what(), HasSubstr("absent.ombrane cannot be read: No such file or directory"));
          throw;
        }
      },
      InputError);
}

}  // namespace
}  // namespace ombrane
