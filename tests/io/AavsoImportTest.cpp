// AAVSO exports: recognised by their header, one band kept, fainter-than estimates left out.
#include <gmock/gmock.h>

#include "ImportFixture.h"
#include "common/InputError.h"

namespace ombrane {
namespace {

using test::ImportFixture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

// Three V estimates (one a fainter-than), two visual ones, and a comment holding a comma.
constexpr char kExport[] =
    "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code,Comment Code(s),Comp Star 1,Comments\n"
    "2459000.61234,12.345,0.012,,V,ABC,,000-BBC-123,\n"
    "2459000.70000,11.9,,,Vis.,XYZ,,,\"clouds, moon\"\n"
    "2459001.61234,<13.5,,,V,ABC,,000-BBC-123,\n"
    "2459001.80000,12.1,,,Vis.,XYZ,,,\n"
    "2459002.61234,12.401,0.011,,V,ABC,,000-BBC-123,\n"
    "2459003.61234,12.399,0.011,,V,DEF,,000-BBC-123,\n";

using AavsoImport = ImportFixture;

TEST_F(AavsoImport, RecognisedWithItsBandsAndTheMostNumerousChosen) {
  const std::string path = Write("aavso.csv", kExport);
  const io::ImportPreview preview = io::InspectImport(path, "aavso.csv");
  EXPECT_EQ(preview.format, "AAVSO export");
  EXPECT_THAT(preview.bands, ElementsAre(Pair("V", 4), Pair("Vis.", 2)));
  EXPECT_EQ(preview.options.band, "V");
}

TEST_F(AavsoImport, OneBandAndNoFainterThanEstimates) {
  const std::string path = Write("aavso.csv", kExport);
  io::ImportOptions options;
  options.band = "V";
  const io::ImportResult result = io::ReadImport(path, "aavso.csv", options);
  EXPECT_THAT(result.notes, ElementsAre("aavso.csv: band V, 3 observations; 2 in other bands left out; 1 "
                                        "fainter-than estimate left out."));
  Load(result);
  ASSERT_EQ(data->pointCount, 4);  // three and the repeat
  const long double jd[] = {2459000.61234L, 2459002.61234L, 2459003.61234L, 2459003.61234L};
  const long double mag[] = {12.345L, 12.401L, 12.399L, 12.399L};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(data->fileJd[i], jd[i]) << i;
    EXPECT_EQ(data->fileMag[i], mag[i]) << i;
  }

  options.band = "Vis.";
  const io::ImportResult visual = io::ReadImport(path, "aavso.csv", options);
  ASSERT_EQ(visual.observations.size(), 2u);
  EXPECT_EQ(visual.observations[0].magnitude, 11.9L);
  EXPECT_EQ(visual.observations[1].time, 2459001.8L);
}

// The Uncertainty column gives the errors: the V estimates carry theirs into the store, the
// visual ones have none, so that band loads without errors; a band where only some lack one
// loads without errors too, and says why.
TEST_F(AavsoImport, UncertaintiesBecomeTheErrors) {
  const std::string path = Write("aavso.csv", kExport);
  io::ImportOptions options;
  options.band = "V";
  const io::ImportResult result = io::ReadImport(path, "aavso.csv", options);
  EXPECT_TRUE(result.errors);
  Load(result);
  EXPECT_THAT(data->fileMagError, ElementsAre(0.012, 0.011, 0.011, 0.011));
  EXPECT_EQ(data->magError, data->fileMagError);

  options.band = "Vis.";
  const io::ImportResult visual = io::ReadImport(path, "aavso.csv", options);
  EXPECT_FALSE(visual.errors);
  EXPECT_THAT(visual.notes, ::testing::Not(::testing::Contains(HasSubstr("usable error"))));
  Load(visual);
  EXPECT_TRUE(data->magError.empty());

  const std::string some = Write("some.csv",
                                 "JD,Magnitude,Uncertainty,Band\n2459000.6,12.3,0.01,V\n2459000.7,12.4,,V\n"
                                 "2459000.8,12.5,0.02,V\n");
  options.band = "V";
  const io::ImportResult partial = io::ReadImport(some, "some.csv", options);
  EXPECT_FALSE(partial.errors);
  EXPECT_EQ(partial.observations.size(), 3u);
  EXPECT_THAT(partial.notes, ::testing::Contains(HasSubstr("some.csv: 1 row has no usable error")));
}

// Without a band chosen, a file of several bands is refused rather than mixed.
TEST_F(AavsoImport, SeveralBandsNeedAChoice) {
  const std::string path = Write("aavso.csv", kExport);
  try {
    io::ReadImport(path, "aavso.csv", {});
    FAIL() << "no error";
  } catch (const InputError& error) {
    EXPECT_THAT(error.what(), HasSubstr("holds the bands V, Vis."));
  }
}

TEST_F(AavsoImport, BandWithoutObservationsLoadsNothing) {
  const std::string path = Write("aavso.csv", kExport);
  io::ImportOptions options;
  options.band = "B";
  EXPECT_THROW(io::ReadImport(path, "aavso.csv", options), InputError);
}

TEST_F(AavsoImport, RaggedRowLoadsNothing) {
  const std::string path =
      Write("aavso.csv", "JD,Magnitude,Uncertainty,Band\n2459000.6,12.3,0.01,V\n2459000.7,12.4,V\n");
  io::ImportOptions options;
  options.band = "V";
  try {
    io::ReadImport(path, "aavso.csv", options);
    FAIL() << "no error";
  } catch (const InputError& error) {
    EXPECT_THAT(error.what(), HasSubstr("aavso.csv, line 3: 3 fields where line 2 has 4"));
  }
}

}  // namespace
}  // namespace ombrane
