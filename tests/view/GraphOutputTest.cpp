#include "view/GraphOutput.h"

#include <gtest/gtest.h>

namespace ombrane {
namespace {

TEST(GraphOutputTest, PrintRectangleLeavesFivePercentRoundedDown) {
  struct Case {
    int32_t width, height;
    PageRect expected;
  };
  const Case cases[] = {
      // 4960 x 5 % = 248, 3508 x 5 % = 175.4
      {4960, 3508, {248, 175, 4712, 3333}},
      // 6814 x 5 % = 340.7, 4760 x 5 % = 238: A4 landscape at 600 dpi less the usual margins
      {6814, 4760, {340, 238, 6474, 4522}},
      {39, 21, {1, 1, 38, 20}},
      {19, 19, {0, 0, 19, 19}},
      {0, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintRectangle(c.width, c.height), c.expected) << c.width;
}

TEST(GraphOutputTest, ResolutionFollowsTheGraphGroup) {
  struct Case {
    int item;
    int32_t last, expected;
  };
  const Case cases[] = {
      {0, -100, 0}, {1, 0, -100}, {2, -100, -100}, {2, 0, 0}, {3, -100, -100}, {-1, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintResolutionFor(c.item, c.last), c.expected) << c.item;
}

TEST(GraphOutputTest, LayoutSizeInScreenPixels) {
  struct Case {
    int32_t width, height, dpiX, dpiY, resolution;
    LayoutSize expected;
  };
  const Case cases[] = {
      // 4464 x 3158 pixels at 600 dpi are 7.44 x 5.263 inches, 714.24 x 505.28 screen pixels.
      {4464, 3158, 600, 600, 0, {714, 505}},
      {4464, 3158, 600, 600, -100, {1428, 1011}},
      // A positive resolution lays out as 0; unequal resolutions each way.
      {4464, 3158, 600, 300, 50, {714, 1011}},
      {960, 480, 96, 96, 0, {960, 480}},
      {960, 480, 96, 96, -50, {1440, 720}},
      // A device that reports no resolution keeps its pixels; nothing collapses below one.
      {100, 50, 0, 0, 0, {100, 50}},
      {0, 3, 600, 600, 0, {1, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrintLayoutSize(c.width, c.height, c.dpiX, c.dpiY, c.resolution), c.expected)
        << c.width << " x " << c.height << " at " << c.resolution;
  }
}

}  // namespace
}  // namespace ombrane
