// A project file in place of FILE: the batch loads its data file as the project was loaded, with
// the saved import options and the data operations applied, and refuses a changed data file.
#include <gmock/gmock.h>

#include "BatchRun.h"
#include "project/OpenProject.h"

namespace ombrane::test {
namespace {

using ::testing::HasSubstr;

class ProjectFile : public BatchRun {
 protected:
  // Twelve observations over three nights in three columns (time, a comparison star, the
  // variable): the magnitudes of the variable are the third column.
  std::string ThreeColumns() const {
    std::string text;
    for (int i = 0; i < 12; ++i) {
      const int night = i / 4;
      text += "24500" + std::to_string(11 + night) + "." + std::to_string(2 + i % 4) + " 9.9" +
              std::to_string(i % 10) + " 12." + std::to_string(10 + (i * 7) % 13) + "\n";
    }
    return text;
  }

  // A project of `data` imported with columns 1 and 3, and `operations`.
  void WriteProject(const std::string& name, const std::string& data, const std::string& operations) {
    Project p;
    const std::string path = (dir_ / data).string();
    const SourceFingerprint f = *FingerprintOf(path);
    io::ImportOptions options;
    options.separator = io::FieldSeparator::Blanks;
    options.skipLines = 0;
    options.timeColumn = 0;
    options.magColumn = 2;
    options.errorColumn = -1;
    p.sources.push_back(
        {.path = path, .fileName = data, .size = f.size, .crc32 = f.crc32, .importOptions = options});
    p.operations = nlohmann::ordered_json::parse(operations);
    WriteProjectFile((dir_ / name).string(), name, p);
  }
};

TEST_F(ProjectFile, FoldsTheDataAsTheProjectLeftThem) {
  const std::string data = ThreeColumns();
  Write("v1.txt", data);
  // The first two observations deleted: what is left, written by hand as pairs of the time and
  // the third column, must fold the same.
  WriteProject("v1.ombrane", "v1.txt", R"([{"op": "delete", "first": 0, "last": 1}])");
  std::string pairs;
  const std::vector<std::string> lines = Lines(data);
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    pairs += line.substr(0, line.find(' ')) + " " + line.substr(line.rfind(' ') + 1) + "\n";
  }
  Write("left.txt", pairs);
  const BatchResult project = Exec("fold v1.ombrane --period 0.37 --epoch 2450011.2");
  const BatchResult expected = Exec("fold left.txt --period 0.37 --epoch 2450011.2");
  EXPECT_EQ(project.exit, 0) << project.err;
  EXPECT_EQ(expected.exit, 0) << expected.err;
  EXPECT_EQ(project.out, expected.out);
  EXPECT_THAT(project.out, HasSubstr("SL: "));
}

TEST_F(ProjectFile, AChangedDataFileOrGivenImportOptionsAreRefused) {
  std::string data = ThreeColumns();
  Write("v1.txt", data);
  WriteProject("v1.ombrane", "v1.txt", "[]");
  const BatchResult given = Exec("fold v1.ombrane --period 0.37 --columns 1,2");
  EXPECT_EQ(given.exit, 2);
  EXPECT_THAT(given.err, HasSubstr("v1.ombrane is a project file: it is read with its own import options"));
  data[data.size() - 2] = data[data.size() - 2] == '1' ? '2' : '1';  // one digit, the same size
  Write("v1.txt", data);
  const BatchResult changed = Exec("fold v1.ombrane --period 0.37");
  EXPECT_EQ(changed.exit, 2);
  EXPECT_THAT(changed.err, HasSubstr("is not the file the project was saved with"));
  EXPECT_TRUE(changed.out.empty());
}

}  // namespace
}  // namespace ombrane::test
