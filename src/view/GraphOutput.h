// Page layout of the printed chart: where on the page it goes and on how large an area it is
// laid out before it is stretched onto that place.
#pragma once

#include <cstdint>

namespace ombrane {

// A rectangle of device pixels from (left, top) up to, not including, (right, bottom).
struct PageRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const PageRect&) const = default;
};

// Where the chart is printed on a page whose printable area is `width` x `height` printer
// pixels: a margin of 5 % of the width and of the height on every side, rounded down, the
// chart stretched over the rest (the proportions of the screen chart are not kept).
PageRect PrintRectangle(int32_t width, int32_t height);

// The print resolution after a print with item `graphItem` of the Graph group chosen: 0 with
// "Select Point" (item 0), -100 with "Select Area" (item 1), the last one otherwise.
int32_t PrintResolutionFor(int graphItem, int32_t last);

struct LayoutSize {
  int32_t width = 1;
  int32_t height = 1;
  bool operator==(const LayoutSize&) const = default;
};

// The area, in pixels of the chart's own drawing (1/96 inch: texts, symbols and lines keep their
// screen sizes), on which a chart printed into `width` x `height` device pixels at `dpiX` x
// `dpiY` is laid out. Resolution 0 lays it out at the size of the printed rectangle; a negative
// resolution r on an area (1 - r/100) times as wide and as high, scaled down into the rectangle,
// so that -100 prints texts, symbols and lines at half their size. A positive resolution counts
// as 0. Never smaller than one pixel each way.
LayoutSize PrintLayoutSize(int32_t width, int32_t height, int32_t dpiX, int32_t dpiY, int32_t resolution);

}  // namespace ombrane
