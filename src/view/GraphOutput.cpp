#include "view/GraphOutput.h"

#include <algorithm>
#include <cmath>

namespace ombrane {

namespace {

constexpr int32_t kMarginPercent = 5;
constexpr double kChartDpi = 96.0;  // the pixel of the chart's own drawing: that of the screen

}  // namespace

PageRect PrintRectangle(int32_t width, int32_t height) {
  // 5 % rounded down; in 64 bits so that no page size overflows the product.
  const auto mx = static_cast<int32_t>(int64_t{width} * kMarginPercent / 100);
  const auto my = static_cast<int32_t>(int64_t{height} * kMarginPercent / 100);
  return PageRect{mx, my, width - mx, height - my};
}

int32_t PrintResolutionFor(int graphItem, int32_t last) {
  switch (graphItem) {
    case 0:
      return 0;
    case 1:
      return -100;
    default:
      return last;
  }
}

LayoutSize PrintLayoutSize(int32_t width, int32_t height, int32_t dpiX, int32_t dpiY, int32_t resolution) {
  const double factor = 1.0 - std::min(resolution, int32_t{0}) / 100.0;
  auto pixels = [factor](int32_t device, int32_t dpi) {
    const double size = dpi > 0 ? device * kChartDpi / dpi * factor : device * factor;
    return static_cast<int32_t>(std::clamp(std::lround(size), 1L, 1L << 20));
  };
  return LayoutSize{pixels(width, dpiX), pixels(height, dpiY)};
}

}  // namespace ombrane
