#include "phase/MagnitudeSteps.h"

#include <algorithm>

#include "common/FloatingPoint.h"
#include "common/NumberFormat.h"
#include "phase/Fold.h"
#include "phase/FoldPresentation.h"
#include "store/Operations.h"

namespace ombrane {
namespace {

// The phase diagram of the last fold with the magnitudes as they are now: the first cycle in
// kPhaseSeries, the second apart in kSecondCycleSeries, no second-cycle copies written.
void RedrawPhaseDiagram(const Data& data, ChartModel& chart, int32_t n) {
  ClearNightView(chart);
  chart.titleLines = {data.fileName};
  chart.bottomAxisTitle = "Phase";
  for (int32_t v = 1; v < n; ++v)
    AddPhasePoint(chart, data, kPhaseSeries, ToDouble(data.sortedPhase[static_cast<size_t>(v)]),
                  data.sortIndex[static_cast<size_t>(v)]);
  for (int32_t w = 0; w + 1 < n; ++w)
    AddPhasePoint(chart, data, kSecondCycleSeries,
                  static_cast<double>(data.sortedPhase[static_cast<size_t>(w)] + 1.0L),
                  data.sortIndex[static_cast<size_t>(w)]);
}

}  // namespace

MagnitudeStepOutcome ShiftNightMagnitudes(Data& data, Star& star, ViewState& view, ChartModel& chart,
                                          int sign) {
  if (view.currentNight >= 0)
    ApplyOperation(StepOperation{.night = view.currentNight, .sign = sign, .step = star.magnitudeStep}, data,
                   view);
  return ShowMagnitudeStep(data, star, view, chart);
}

MagnitudeStepOutcome ShowMagnitudeStep(Data& data, Star& star, ViewState& view, ChartModel& chart) {
  MagnitudeStepOutcome outcome;
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  if (view.currentNight >= 0) {
    outcome.redrawn = true;
    RedrawPhaseDiagram(data, chart, n);
    view.secondCycleFirst = 0;  // kSecondCycleSeries starts at sorted position 0
  }
  FoldStringLength(data, star);
  return outcome;
}

std::string NightShiftLine(const Data& data, char separator) {
  return "Night " + std::to_string(data.selectedNightDay) + " was change " +
         FormatGeneral(data.nightShift, separator) + " mag";
}

}  // namespace ombrane
