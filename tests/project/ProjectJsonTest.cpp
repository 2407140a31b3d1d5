// The project file's JSON: every field written and read back to the same value, and a damaged or
// hostile file refused with a message naming the field.
#include <gmock/gmock.h>

#include <charconv>
#include <string>

#include "common/InputError.h"
#include "project/Project.h"

namespace ombrane {
namespace {

using ::testing::HasSubstr;
using Json = nlohmann::ordered_json;

// A project with every field set away from its default, with values whose last digits only an
// extended value holds (a double would round 2451234.567890123456789 at the 10th decimal).
Project FullProject() {
  Project p;
  io::ImportOptions options;
  options.separator = io::FieldSeparator::Semicolons;
  options.skipLines = 3;
  options.timeColumn = 1;
  options.magColumn = 4;
  options.errorColumn = -1;
  options.band = "V";
  options.flux = io::FluxColumn::Sap;
  options.zeroPoint = 20.44L;
  options.timeOffset = 2400000.5L;
  options.valuesAreFlux = true;
  options.binning = io::Binning::Cadences;
  options.binCadences = 7;
  options.decimalSeparator = ',';
  p.sources.push_back({.path = "/data/nights/v1 her.txt",
                       .fileName = "v1 her.txt",
                       .size = 123456,
                       .crc32 = 0x0badf00d,
                       .importOptions = options,
                       .timeScale = TimeScale::Hjd});
  p.sources.push_back({.path = "/data/second.txt",
                       .fileName = "second.txt",
                       .size = 1,
                       .crc32 = 0xffffffff,
                       .importOptions = std::nullopt});
  p.operations = Json::array({Json{{"kind", "delete"}, {"first", 3}, {"last", 5}}});
  Star& s = p.star;
  s.epoch = 2451234.567890123456789L;
  s.period = 0.83720012345678901L;
  s.bestPeriod = 0.8372001L;
  s.searchMin = 0.5L;
  s.searchMax = 1.25L;
  s.increment = 1e-6L;
  s.stringLength = 3.14159265358979323846L;
  s.magnitudeStep = -0.015L;
  s.harmonicCount = 4;
  s.starName = "V1";
  s.constellation = "Her";
  s.rightAscension = {.whole = 17, .minutes = 5, .seconds = 12.25L};
  s.declination = {.whole = -23, .minutes = 4, .seconds = 1.5L};
  s.raDecimalDegrees = 256.30104166666666667L;
  s.decDecimalDegrees = -23.067083333333333333L;
  s.coordinatesGiven = true;
  for (int32_t i = 0; i < kFourierResults; ++i) s.fourierResults.Slot(i) = 0.001L * i + 1e-19L * i;
  p.boxes = {{"epoch", "2451234,5678"}, {"period", "0,8372"}, {"starName", "V1"}};
  p.switches = {{"saveData", true}, {"frequencyStep", false}};
  p.choices = {{"method", 5}, {"graphSelection", -1}};
  p.search.method = SearchMethod::Bls;
  p.search.settings = {.step = GridStep::Frequency,
                       .harmonics = 3,
                       .bins = 20,
                       .covers = 4,
                       .durations = {0.01, 0.3},
                       .weighted = false};
  p.search.oversampling = 7.5;
  p.search.peaks = {{.period = 0.8372000123456789L, .score = 0.91L}, {.period = 1.6744L, .score = 0.5L}};
  p.fit = {
      .kind = ProjectFitKind::Fixed, .harmonics = 6, .weighted = true, .operations = 0, .ownOperations = 1};
  OcTable table;
  table.minima = {
      {.time = 2459000.123456789012L, .error = 0.00012L, .kind = MinimumKind::Primary, .cycle = 10},
      {.time = 2459000.54L, .error = 0, .kind = std::nullopt, .cycle = std::nullopt, .excluded = true}};
  table.cycles = {10, 10.5L};
  table.referenceEpoch = 2450000.1L;
  table.referencePeriod = 0.8372L;
  table.secondaryPhase = 0.47L;
  EphemerisFit fit;
  fit.quadratic = true;
  fit.used = 2;
  fit.epoch = 2450000.100000123L;
  fit.period = 0.83720000123L;
  fit.chiSquare = 1.5L;
  fit.errorsKnown = false;
  fit.cycles = {10, 10.5L};
  fit.residuals = {1e-4L, -2e-4L};
  table.fit = fit;
  table.timeScale = TimeScale::BjdTdb;
  p.minima = table;
  p.minimaOrigins = {{.points = 41, .coverage = "both branches", .flag = "asymmetric"}, {}};
  p.view = {.picture = ProjectPicture::Night,
            .night = 4,
            .jdAverageAxis = true,
            .leftAxisInverted = true,
            .zoom = ProjectView::Zoom{.xMin = 0.1, .xMax = 0.35, .yMin = 11.5, .yMax = 12.25},
            .minNightPoints = 12,
            .folded = true,
            .foldOperations = 1};
  p.notes = "<p>Période: 0,8372 — notes ✓</p>";
  p.notesRich = true;
  return p;
}

void ExpectValues(const ValueAndError& a, const ValueAndError& b) {
  EXPECT_EQ(a.value, b.value);
  EXPECT_EQ(a.error, b.error);
}

TEST(ProjectJsonTest, EveryFieldReadsBackAsWritten) {
  const Project p = FullProject();
  const Project q = ReadProjectJson(WriteProjectJson(p), "a.ombrane");

  ASSERT_EQ(q.sources.size(), 2u);
  EXPECT_EQ(q.sources[0].path, p.sources[0].path);
  EXPECT_EQ(q.sources[0].fileName, "v1 her.txt");
  EXPECT_EQ(q.sources[0].size, 123456u);
  EXPECT_EQ(q.sources[0].crc32, 0x0badf00du);
  EXPECT_EQ(q.sources[1].crc32, 0xffffffffu);
  EXPECT_EQ(q.sources[0].timeScale, TimeScale::Hjd);
  EXPECT_FALSE(q.sources[1].timeScale.has_value());
  EXPECT_FALSE(q.sources[1].importOptions.has_value());
  ASSERT_TRUE(q.sources[0].importOptions.has_value());
  const io::ImportOptions& o = *q.sources[0].importOptions;
  EXPECT_EQ(o.separator, io::FieldSeparator::Semicolons);
  EXPECT_EQ(o.skipLines, 3);
  EXPECT_EQ(o.timeColumn, 1);
  EXPECT_EQ(o.magColumn, 4);
  EXPECT_EQ(o.errorColumn, -1);
  EXPECT_EQ(o.band, "V");
  EXPECT_EQ(o.flux, io::FluxColumn::Sap);
  EXPECT_EQ(o.zeroPoint, 20.44L);
  EXPECT_EQ(o.timeOffset, 2400000.5L);
  EXPECT_EQ(o.valuesAreFlux, true);
  EXPECT_EQ(o.binning, io::Binning::Cadences);
  EXPECT_EQ(o.binCadences, 7);
  EXPECT_EQ(o.decimalSeparator, ',');

  EXPECT_EQ(q.operations, p.operations);

  const Star& a = q.star;
  const Star& b = p.star;
  EXPECT_EQ(a.epoch, b.epoch);
  EXPECT_EQ(a.period, b.period);
  EXPECT_EQ(a.bestPeriod, b.bestPeriod);
  EXPECT_EQ(a.searchMin, b.searchMin);
  EXPECT_EQ(a.searchMax, b.searchMax);
  EXPECT_EQ(a.increment, b.increment);
  EXPECT_EQ(a.stringLength, b.stringLength);
  EXPECT_EQ(a.magnitudeStep, b.magnitudeStep);
  EXPECT_EQ(a.harmonicCount, 4);
  EXPECT_EQ(a.starName, "V1");
  EXPECT_EQ(a.constellation, "Her");
  EXPECT_EQ(a.rightAscension.seconds, 12.25L);
  EXPECT_EQ(a.declination.whole, -23);
  EXPECT_EQ(a.raDecimalDegrees, b.raDecimalDegrees);
  EXPECT_EQ(a.decDecimalDegrees, b.decDecimalDegrees);
  EXPECT_TRUE(a.coordinatesGiven);
  for (int32_t i = 0; i < kFourierResults; ++i)
    EXPECT_EQ(a.fourierResults.Slot(i), b.fourierResults.Slot(i)) << "slot " << i;
  ExpectValues(a.fourierResults.phaseDifference[2], b.fourierResults.phaseDifference[2]);

  EXPECT_EQ(q.boxes, p.boxes);
  EXPECT_EQ(q.switches, p.switches);
  EXPECT_EQ(q.choices, p.choices);
  EXPECT_EQ(q.search.method, SearchMethod::Bls);
  EXPECT_EQ(q.search.settings.step, GridStep::Frequency);
  EXPECT_EQ(q.search.settings.harmonics, 3);
  EXPECT_EQ(q.search.settings.bins, 20);
  EXPECT_EQ(q.search.settings.covers, 4);
  EXPECT_EQ(q.search.settings.durations, (std::vector<double>{0.01, 0.3}));
  EXPECT_FALSE(q.search.settings.weighted);
  EXPECT_EQ(q.search.oversampling, 7.5);
  ASSERT_EQ(q.search.peaks.size(), 2u);
  EXPECT_EQ(q.search.peaks[0].period, 0.8372000123456789L);
  EXPECT_EQ(q.search.peaks[1].score, 0.5L);
  EXPECT_EQ(q.fit.kind, ProjectFitKind::Fixed);
  EXPECT_EQ(q.fit.harmonics, 6);
  EXPECT_TRUE(q.fit.weighted);
  EXPECT_EQ(q.fit.operations, 0);
  EXPECT_EQ(q.fit.ownOperations, 1);

  ASSERT_TRUE(q.minima.has_value());
  ASSERT_EQ(q.minima->minima.size(), 2u);
  EXPECT_EQ(q.minima->timeScale, TimeScale::BjdTdb);
  EXPECT_EQ(q.minima->minima[0].time, 2459000.123456789012L);
  EXPECT_EQ(q.minima->minima[0].kind, MinimumKind::Primary);
  EXPECT_EQ(q.minima->minima[0].cycle, 10);
  EXPECT_FALSE(q.minima->minima[1].kind.has_value());
  EXPECT_FALSE(q.minima->minima[1].cycle.has_value());
  EXPECT_TRUE(q.minima->minima[1].excluded);
  EXPECT_EQ(q.minima->cycles, p.minima->cycles);
  ASSERT_EQ(q.minimaOrigins.size(), 2u);
  EXPECT_EQ(q.minimaOrigins[0].points, 41);
  EXPECT_EQ(q.minimaOrigins[0].coverage, "both branches");
  EXPECT_EQ(q.minimaOrigins[0].flag, "asymmetric");
  EXPECT_EQ(q.minimaOrigins[1].points, 0);
  EXPECT_EQ(q.minima->secondaryPhase, 0.47L);
  ASSERT_TRUE(q.minima->fit.has_value());
  EXPECT_TRUE(q.minima->fit->quadratic);
  EXPECT_EQ(q.minima->fit->epoch, 2450000.100000123L);
  EXPECT_EQ(q.minima->fit->period, 0.83720000123L);
  EXPECT_FALSE(q.minima->fit->errorsKnown);
  EXPECT_EQ(q.minima->fit->residuals, p.minima->fit->residuals);

  EXPECT_EQ(q.view.picture, ProjectPicture::Night);
  EXPECT_EQ(q.view.night, 4);
  EXPECT_TRUE(q.view.jdAverageAxis);
  EXPECT_TRUE(q.view.leftAxisInverted);
  ASSERT_TRUE(q.view.zoom.has_value());
  EXPECT_EQ(q.view.zoom->xMin, 0.1);
  EXPECT_EQ(q.view.zoom->yMax, 12.25);
  EXPECT_EQ(q.view.minNightPoints, 12);
  EXPECT_TRUE(q.view.folded);
  EXPECT_EQ(q.view.foldOperations, 1);
  EXPECT_EQ(q.notes, p.notes);
  EXPECT_TRUE(q.notesRich);
}

TEST(ProjectJsonTest, TheFileIsVersionedIndentedJsonWithExactValuesAsText) {
  const std::string text = WriteProjectJson(FullProject());
  // The head of the file, as a reader sees it; two-blank indentation, one field a line.
  EXPECT_EQ(text.substr(0, 52), "{\n  \"format\": \"ombrane-project\",\n  \"version\": 1,\n  \"");
  EXPECT_EQ(text.back(), '\n');
  // Every digit of an extended value, as text, which reads back to the very value (a double
  // could not hold it); the CRC as eight hexadecimal digits.
  const std::string key = "\"epoch\": \"";
  const size_t at = text.find(key) + key.size();
  const std::string digits = text.substr(at, text.find('"', at) - at);
  long double epoch = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), epoch);
  EXPECT_EQ(epoch, FullProject().star.epoch) << digits;
  EXPECT_NE(static_cast<long double>(static_cast<double>(FullProject().star.epoch)),
            FullProject().star.epoch);
  EXPECT_THAT(digits, ::testing::StartsWith("2451234.5678901234"));
  EXPECT_THAT(text, HasSubstr("\"crc32\": \"0badf00d\""));
  EXPECT_THAT(text, HasSubstr("\"separator\": \"semicolons\""));
  EXPECT_THAT(text, HasSubstr("\"picture\": \"night\""));
}

TEST(ProjectJsonTest, ANumberWrittenByHandIsReadToo) {
  Json j = Json::parse(WriteProjectJson(FullProject()));
  j["star"]["period"] = 0.5;
  j["star"]["epoch"] = "2450000";
  const Project q = ReadProjectJson(j.dump(), "hand.ombrane");
  EXPECT_EQ(q.star.period, 0.5L);
  EXPECT_EQ(q.star.epoch, 2450000.0L);
}

TEST(ProjectJsonTest, ExtensionTellsAProjectFile) {
  EXPECT_TRUE(IsProjectPath("v1.ombrane"));
  EXPECT_TRUE(IsProjectPath("/a/b/V1.OMBRANE"));
  EXPECT_FALSE(IsProjectPath("v1.txt"));
  EXPECT_FALSE(IsProjectPath("ombrane"));
  EXPECT_FALSE(IsProjectPath(".ombrane.txt"));
}

// A damaged or hostile file: each case edits a valid project, or gives other text, and names
// what the message must say.
struct HostileCase {
  const char* name;
  std::function<std::string(Json&)> make;  // returns the file's text
  const char* message;
};

std::string Dump(const Json& j) {
  return j.dump(2);
}

// A JSON list of `count` copies of `item`, as text (built as text: a large list is quick so).
std::string ManyItems(const std::string& item, size_t count) {
  std::string list = "[";
  list.reserve(count * (item.size() + 1) + 1);
  for (size_t i = 0; i < count; ++i) list.append(i == 0 ? "" : ",").append(item);
  return list + "]";
}

std::string Spliced(std::string text, const std::string& mark, const std::string& with) {
  return text.replace(text.find(mark), mark.size(), with);
}

TEST(ProjectJsonTest, DamagedAndHostileFilesAreRefusedWithTheirReason) {
  const std::vector<HostileCase> cases = {
      {"empty", [](Json&) { return std::string(); }, "not valid JSON"},
      {"not JSON", [](Json&) { return std::string("JD MAG\n2450001.5 12.3\n"); }, "not valid JSON"},
      {"truncated",
       [](Json& j) {
         const std::string text = Dump(j);
         return text.substr(0, text.size() / 2);
       },
       "not valid JSON"},
      {"a list", [](Json&) { return std::string("[1, 2]"); }, "not an Ombrane project file"},
      {"an unknown time scale",
       [](Json& j) {
         j["sources"][0]["timeScale"] = "TCB";
         return Dump(j);
       },
       "the field \"sources[0].timeScale\" is not JD, HJD or BJD_TDB"},
      {"another format",
       [](Json& j) {
         j["format"] = "ombrane-notes";
         return Dump(j);
       },
       "not an Ombrane project file"},
      {"newer version",
       [](Json& j) {
         j["version"] = 2;
         return Dump(j);
       },
       "saved by a newer version of Ombrane (project format version 2); this version reads version 1"},
      {"version as text",
       [](Json& j) {
         j["version"] = "1";
         return Dump(j);
       },
       "the field \"version\" is not a whole number"},
      {"version zero",
       [](Json& j) {
         j["version"] = 0;
         return Dump(j);
       },
       "the field \"version\" is out of its range"},
      {"missing star",
       [](Json& j) {
         j.erase("star");
         return Dump(j);
       },
       "the field \"star\" is missing"},
      {"period of the wrong type",
       [](Json& j) {
         j["star"]["period"] = true;
         return Dump(j);
       },
       "the field \"star.period\" is not a number"},
      {"period with trailing text",
       [](Json& j) {
         j["star"]["period"] = "0.8372x";
         return Dump(j);
       },
       "the field \"star.period\" is not a number"},
      {"no source",
       [](Json& j) {
         j["sources"] = Json::array();
         return Dump(j);
       },
       "the field \"sources\" is empty"},
      {"bad checksum",
       [](Json& j) {
         j["sources"][0]["crc32"] = "xyz";
         return Dump(j);
       },
       "the field \"sources[0].crc32\" is not 8 hexadecimal digits"},
      {"negative size",
       [](Json& j) {
         j["sources"][0]["size"] = -1;
         return Dump(j);
       },
       "the field \"sources[0].size\" is out of its range"},
      {"unknown separator",
       [](Json& j) {
         j["sources"][0]["importOptions"]["separator"] = "pipes";
         return Dump(j);
       },
       "the field \"sources[0].importOptions.separator\" is none of \"blanks\""},
      {"huge count of operations",
       [](Json& j) {
         j["operations"] = "LIST";
         return Spliced(j.dump(), "\"LIST\"", ManyItems("0", kMaxProjectOperations + 1));
       },
       "the field \"operations\" holds more than 1000000 items"},
      {"huge count of minima",
       [](Json& j) {
         const std::string one = R"({"time":"1","error":"0","excluded":false})";
         j["minima"]["minima"] = "LIST";
         return Spliced(j.dump(), "\"LIST\"", ManyItems(one, kMaxProjectMinima + 1));
       },
       "the field \"minima.minima\" holds more than 100000 items"},
      {"more peaks than kept",
       [](Json& j) {
         for (size_t i = 0; i <= kMaxProjectPeaks; ++i)
           j["search"]["peaks"].push_back(j["search"]["peaks"][0]);
         return Dump(j);
       },
       "the field \"search.peaks\" holds more than 1000 items"},
      {"cycles not one a minimum",
       [](Json& j) {
         j["minima"]["cycles"].erase(0);
         return Dump(j);
       },
       "the field \"minima.cycles\" does not hold one cycle a minimum"},
      {"unknown box",
       [](Json& j) {
         j["boxes"]["Edit99"] = "1";
         return Dump(j);
       },
       "the field \"boxes.Edit99\" is not a box of the window"},
      {"box text too long",
       [](Json& j) {
         j["boxes"]["period"] = std::string(kMaxProjectBoxText + 1, '1');
         return Dump(j);
       },
       "the field \"boxes.period\" is longer than 1024 bytes"},
      {"choice out of range",
       [](Json& j) {
         j["choices"]["method"] = 6;
         return Dump(j);
       },
       "the field \"choices.method\" is out of its range -1 to 5"},
      {"zoom turned over",
       [](Json& j) {
         j["view"]["zoom"]["xMax"] = -1.0;
         return Dump(j);
       },
       "the field \"view.zoom.xMax\" is not above xMin"},
      {"infinite zoom",
       [](Json& j) {
         j["view"]["zoom"]["yMin"] = "-inf";
         return Dump(j);
       },
       "the field \"view.zoom.yMin\" is not a finite number"},
      {"BLS duration out of range",
       [](Json& j) {
         j["search"]["durations"][0] = 0.75;
         return Dump(j);
       },
       "the field \"search.durations[0]\" is out of its range"},
      {"four amplitudes wanted",
       [](Json& j) {
         j["star"]["fourierResults"]["amplitude"].erase(0);
         return Dump(j);
       },
       "the field \"star.fourierResults.amplitude\" does not hold 4 items"},
      {"a fold past the operations",
       [](Json& j) {
         j["view"]["foldOperations"] = 2;
         return Dump(j);
       },
       "the field \"view.foldOperations\" is past the end of the operations"},
      {"a fit's own operation past the list",
       [](Json& j) {
         j["fit"]["operations"] = 1;
         return Dump(j);
       },
       "the field \"fit.operations\" is past the end of the operations"},
      {"notes of another kind",
       [](Json& j) {
         j["notes"]["format"] = "pdf";
         return Dump(j);
       },
       "the field \"notes.format\" is neither \"html\" nor \"text\""},
      {"nested without end",
       [](Json& j) {
         std::string text = Dump(j);
         text.insert(text.size() - 2, ", \"deep\": " + std::string(10000, '[') + std::string(10000, ']'));
         return text;
       },
       "nested more than 32 deep"},
  };
  for (const HostileCase& c : cases) {
    Json j = Json::parse(WriteProjectJson(FullProject()));
    const std::string text = c.make(j);
    try {
      ReadProjectJson(text, "v1.ombrane");
      ADD_FAILURE() << c.name << ": read without complaint";
    } catch (const InputError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.name;
      EXPECT_THAT(error.what(), ::testing::StartsWith("v1.ombrane")) << c.name;
    }
  }
}

}  // namespace
}  // namespace ombrane
