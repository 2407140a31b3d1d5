// The Fourier results by name and by their slot in the FourierOut line.
#include <gtest/gtest.h>

#include <set>

#include "store/Records.h"

namespace ombrane {
namespace {

// Every slot is its own field: writing slot i the value i reaches the field the line's layout
// puts there (log P, A0, sigma A0, then value and error of A1..A4, phi1..phi4, R21..R41,
// phi21..phi41, and the spare slot 31).
TEST(FourierResults, EachSlotIsTheFieldOfItsPlaceInTheLine) {
  FourierResults r;
  for (int32_t i = 0; i < kFourierResults; ++i) r.Slot(i) = i;
  EXPECT_EQ(r.log10Period, 0);
  EXPECT_EQ(r.a0.value, 1);
  EXPECT_EQ(r.a0.error, 2);
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(r.amplitude[k].value, 3 + 2 * k) << "A" << k + 1;
    EXPECT_EQ(r.amplitude[k].error, 4 + 2 * k) << "A" << k + 1;
    EXPECT_EQ(r.phase[k].value, 11 + 2 * k) << "phi" << k + 1;
    EXPECT_EQ(r.phase[k].error, 12 + 2 * k) << "phi" << k + 1;
  }
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(r.amplitudeRatio[k].value, 19 + 2 * k) << "R" << k + 2 << "1";
    EXPECT_EQ(r.amplitudeRatio[k].error, 20 + 2 * k) << "R" << k + 2 << "1";
    EXPECT_EQ(r.phaseDifference[k].value, 25 + 2 * k) << "phi" << k + 2 << "1";
    EXPECT_EQ(r.phaseDifference[k].error, 26 + 2 * k) << "phi" << k + 2 << "1";
  }
  EXPECT_EQ(r.spare, 31);
  // No two slots share a field.
  std::set<const long double*> fields;
  for (int32_t i = 0; i < kFourierResults; ++i) fields.insert(&r.Slot(i));
  EXPECT_EQ(fields.size(), static_cast<size_t>(kFourierResults));
}

TEST(FourierResults, ASlotOutsideTheLineIsRefused) {
  FourierResults r;
  EXPECT_THROW(r.Slot(-1), std::out_of_range);
  EXPECT_THROW(r.Slot(kFourierResults), std::out_of_range);
}

}  // namespace
}  // namespace ombrane
