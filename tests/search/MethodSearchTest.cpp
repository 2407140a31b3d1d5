#include "search/MethodSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "common/NumberFormat.h"
#include "phase/PeriodogramPresentation.h"
#include "phase/PhaseFixture.h"
#include "search/ReferenceValues.h"
#include "store/Loading.h"

namespace ombrane {
namespace {

using test::Observation;

// A sine of 0.3 mag and the given period with its first harmonic, sampled unevenly over 25
// nights, loaded with the repeat of the last observation.
std::unique_ptr<Data> Sine(int n, double period) {
  std::vector<Observation> o;
  for (int i = 0; i < n; ++i) {
    const long double t = 2455000.0L + (i % 25) + 0.3L * std::sin(i * 1.9) + 0.001L * i;
    const double x = 2 * std::numbers::pi * static_cast<double>(t - 2455000) / period;
    o.push_back({t, 12.0L + 0.3L * std::sin(x) + 0.1L * std::cos(2 * x) + 0.01L * std::sin(i * 7.7)});
  }
  return test::MakeLoaded(o);
}

SearchRequest Request(SearchMethod method, long double low, long double high, long double step) {
  SearchRequest r;
  r.method = method;
  r.searchMin = low;
  r.searchMax = high;
  r.increment = step;
  return r;
}

TEST(MethodSearchTest, EveryMethodFindsThePlantedPeriodOnEitherGrid) {
  const auto data = Sine(300, 0.37);
  for (SearchMethod method : {SearchMethod::Gls, SearchMethod::Mhaov, SearchMethod::Pdm}) {
    for (GridStep step : {GridStep::Period, GridStep::Frequency}) {
      Star star;
      star.bestPeriod = 9;
      // Periods 0.3 .. 0.5 by 1e-4 d, or frequencies 2 .. 3.33 by 1e-3 / d.
      const SearchRequest request = Request(method, 0.3, 0.5, step == GridStep::Period ? 1e-4 : 1e-3);
      const SearchResult result = SearchByMethod(*data, star, request, MethodSettings{.step = step});
      const std::string what = MethodName(method) + (step == GridStep::Period ? " period" : " frequency");
      ASSERT_EQ(result.status, SearchResult::Status::Done) << what;
      // The peak is 1/T ≈ 0.04 / d wide in frequency, 0.37² · 0.04 ≈ 0.005 d in period.
      EXPECT_NEAR(static_cast<double>(result.bestPeriod), 0.37, 5e-4) << what;
      EXPECT_EQ(star.bestPeriod, result.bestPeriod) << what;
      EXPECT_EQ(result.periodogram.entries, 300) << what;  // the repeat left out
      const std::vector<TrialScore>& points = result.periodogram.points;
      for (size_t j = 1; j < points.size(); ++j) ASSERT_LT(points[j - 1].period, points[j].period) << what;
      const std::string line = MethodResultLine(result, '.');
      const std::string ending = std::string(" Best Period:").append(FormatGeneral(result.bestPeriod));
      EXPECT_EQ(line.substr(line.size() - ending.size()), ending) << line;
      EXPECT_EQ(line.rfind(MethodName(method) + ": ", 0), 0u) << line;
    }
  }
}

// Observations loaded with their errors are weighed by 1/σ² unless weighting is switched off:
// the periodogram of the records (frequencies 0.05 + k·0.0371 /d, k < 60, in ascending period)
// is astropy's weighted or plain Lomb–Scargle and numpy's weighted two-harmonic AoV of the same
// data (ReferenceValues.h). The Julian Days pass through the store (2450000 + t), which costs a
// few 1e-10 d of the times.
TEST(MethodSearchTest, ErrorsInTheRecordsWeighTheMethods) {
  namespace ref = reference;
  std::vector<ombrane::Observation> observations;
  for (size_t i = 0; i < ref::kT.size(); ++i)
    observations.push_back({2450000.0L + ref::kT[i], ref::kY[i], ref::kSigma[i]});
  auto data = std::make_unique<Data>();
  Star star;
  ViewState view;
  LoadObservations(observations, "ref", "ref", *data, star, view);
  ASSERT_TRUE(HasErrors(*data));
  // 1/searchMax = 0.05 /d; 1/searchMin a little past the 60th frequency.
  const SearchRequest gls = Request(SearchMethod::Gls, 1 / (0.05L + 59.3L * 0.0371L), 20, 0.0371L);
  SearchRequest mhaov = gls;
  mhaov.method = SearchMethod::Mhaov;
  struct Case {
    const char* what;
    SearchRequest request;
    bool weighted;
    const std::vector<double>& expected;
  };
  for (const Case& c :
       {Case{"weighted GLS", gls, true, ref::kGlsWeighted}, Case{"plain GLS", gls, false, ref::kGlsPlain},
        Case{"weighted MHAOV", mhaov, true, ref::kMhaov2}}) {
    const SearchResult result = SearchByMethod(
        *data, star, c.request, MethodSettings{.step = GridStep::Frequency, .weighted = c.weighted});
    ASSERT_EQ(result.status, SearchResult::Status::Done) << c.what;
    const std::vector<TrialScore>& points = result.periodogram.points;
    ASSERT_EQ(points.size(), 60u) << c.what;
    for (size_t k = 0; k < 60; ++k) {
      const double expected = c.expected[k];
      EXPECT_NEAR(static_cast<double>(points[59 - k].score), expected, 1e-7 * std::fabs(expected))
          << c.what << " trial " << k;
    }
    EXPECT_EQ(result.periodogram.columns->note.find("1/\u03c3") != std::string::npos, c.weighted) << c.what;
  }
}

TEST(MethodSearchTest, APeriodogramOfManyTrialsKeepsTheBestOfEachSlice) {
  const auto data = Sine(120, 0.37);
  Star star;
  SearchRequest request = Request(SearchMethod::Gls, 0.3, 0.5, 1e-3);  // 200 trials
  const SearchResult all = SearchByMethod(*data, star, request, MethodSettings{});
  request.keepAtMost = 30;  // slices of 7 trials
  const SearchResult kept = SearchByMethod(*data, star, request, MethodSettings{});
  ASSERT_EQ(all.periodogram.points.size(), 200u);
  ASSERT_EQ(kept.periodogram.sliceSize, 7);
  ASSERT_EQ(kept.periodogram.points.size(), 29u);
  for (size_t j = 0; j < kept.periodogram.points.size(); ++j) {
    const TrialScore* best = nullptr;
    for (size_t k = j * 7; k < std::min<size_t>(j * 7 + 7, 200); ++k)
      if (!best || all.periodogram.points[k].score > best->score) best = &all.periodogram.points[k];
    EXPECT_EQ(kept.periodogram.points[j].trial, best->trial);
    EXPECT_EQ(kept.periodogram.points[j].score, best->score);
  }
  EXPECT_EQ(kept.bestPeriod, all.bestPeriod);
}

TEST(MethodSearchTest, BoxSearchWritesItsExtrasAndDetectionEfficiency) {
  // A 0.2-mag eclipse over 8 % of a 2.5-day period.
  std::vector<Observation> o;
  for (int i = 0; i < 400; ++i) {
    const long double t = 2455000.0L + i * 0.0731L;
    const double phase = std::fmod(static_cast<double>(t - 2455000.2L) / 2.5, 1.0);
    o.push_back({t, 11.0L + (phase < 0.08 ? 0.2L : 0.0L) + 0.005L * std::sin(i * 3.1)});
  }
  const auto data = test::MakeLoaded(o);
  Star star;
  const SearchResult result = SearchByMethod(*data, star, Request(SearchMethod::Bls, 2, 3, 0.005),
                                             MethodSettings{.durations = {0.04, 0.08}});
  ASSERT_EQ(result.status, SearchResult::Status::Done);
  EXPECT_NEAR(static_cast<double>(result.bestPeriod), 2.5, 0.005);
  const std::string csv = PeriodogramCsv(result.periodogram);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "period,frequency,bls_power,duration,depth,epoch");
  const std::vector<Peak> peaks = FindPeaks(result.periodogram, 1);
  ASSERT_EQ(peaks.size(), 1u);
  const long double* extras = &result.periodogram.extras[peaks[0].point * 3];
  EXPECT_NEAR(static_cast<double>(extras[1]), 0.2, 0.01);  // depth
  // The epoch is a Julian Day of mid-eclipse: 2455000.2 + 0.1 (mod the period).
  EXPECT_NEAR(std::remainder(static_cast<double>(extras[2] - 2455000.3L), 2.5), 0, 0.03);
  const std::string line = PeakLine(result.periodogram, peaks[0], 1, '.');
  EXPECT_NE(line.find(" depth "), std::string::npos) << line;
  EXPECT_NE(line.find(" SDE "), std::string::npos) << line;
  EXPECT_EQ(PeakTableHeader(result.periodogram).size(), 7u);
}

TEST(MethodSearchTest, NothingToDoOrNothingDefinedChangesNothing) {
  Star star;
  star.bestPeriod = 7;
  const auto empty = test::MakeData({});
  EXPECT_EQ(SearchByMethod(*empty, star, Request(SearchMethod::Gls, 0.3, 0.5, 0.01), {}).status,
            SearchResult::Status::NotRun);
  std::vector<Observation> flat;
  for (int i = 0; i < 20; ++i) flat.push_back({2455000.0L + i * 0.37L, 10.5L});
  const auto constant = test::MakeLoaded(flat);
  for (SearchMethod method : {SearchMethod::Gls, SearchMethod::Mhaov, SearchMethod::Pdm}) {
    const SearchResult result = SearchByMethod(*constant, star, Request(method, 0.3, 0.5, 0.01), {});
    EXPECT_EQ(result.status, SearchResult::Status::AllUndefined) << MethodName(method);
    EXPECT_EQ(star.bestPeriod, 7);
  }
}

}  // namespace
}  // namespace ombrane
