// What a fold shows and writes: the phase diagram, the block of "DataPhase.txt", the value labels,
// and the fold as the Phase button and the period box run it (computing through phase/Fold.h,
// then presenting).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/OutputFile.h"
#include "phase/Fold.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

// One point of a phase diagram: (x, mag[e]) in `series` in the colour of e's night, and in
// kMarkedSeries (own colour) when e is marked. Shared by the fold's drawing and the magnitude steps.
void AddPhasePoint(ChartModel& chart, const Data& data, int series, double x, int32_t e);

// How a redraw differs from the fold's own picture: the time of minimum keeps its markers in
// kMarkerSeries and draws the JD-average abscissae moved by `shift` (the stored values stay unmoved).
struct PhaseDrawing {
  bool keepMarkers = false;
  long double shift = 0;
};

// Draws the fold into kPhaseSeries (both cycles) and kMarkedSeries (marked), writes the second-cycle
// copies and sets phaseView = true.
void PlotPhaseDiagram(Data& data, long double period, PhaseAxis axis, ChartModel& chart, ViewState& view,
                      const PhaseDrawing& drawing = {});

// The block "DataPhase.txt" receives for the fold: every observation once in phase order (the
// loader's repeat of the last left out), CR LF line ends, an empty
// line at the end. Phase and magnitude in the "%g" form of six digits; the Julian Day and the
// averaged time with all their digits (FormatFileExact).
std::string PhaseFileBlock(const Data& data, PhaseAxis axis);

inline constexpr const char* kPhaseFileName = "DataPhase.txt";

// Appends the block of a fold (PhaseFileBlock) to "DataPhase.txt" in the current directory.
// Returns the message to show when the file could not be written, as OutputFiles decides it.
std::optional<std::string> WritePhaseFile(std::string_view block, OutputFiles& files);

// Texts of the value labels after a fold: fixed format (6, 6); the AoV label shows Θ × 10^8.
std::string StringLengthLabel(long double stringLength, char separator);
std::string AovLabel(double theta, char separator);

struct FoldRequest {
  PhaseAxis axis = PhaseAxis::Phase;
  bool writePhaseFile = false;  // the "Save Data To File" box is ticked
  bool computeAov = false;      // the period box computes the AoV statistic; Phase does not
  char separator = '.';         // decimal separator of the labels
};

// What the AoV label shows when the statistic is undefined.
inline constexpr const char* kUndefinedAovText = "\u2013";

// What a fold produced for the window; filled step by step, so that after a failure the
// window still shows what had been done before it.
struct FoldOutcome {
  bool ran = false;                                // N > 0 and P > 0
  std::optional<std::string> stringLengthText;     // the string length as its label shows it
  std::optional<std::string> aovText;              // the AoV statistic x 10^8, or kUndefinedAovText
  AovUndefined aovUndefined = AovUndefined::None;  // why aovText is the dash
  std::optional<std::string> phaseFileBlock;
};

// Fold at star.period and draw (the Phase button; with computeAov the tail of the period box):
// nothing when N = 0 or P <= 0. An undefined AoV statistic does not stop the fold: it is shown
// as the dash and the diagram is drawn.
void RunFold(Data& data, Star& star, ViewState& view, ChartModel& chart, const FoldRequest& request,
             FoldOutcome& outcome);

// The period box: period = the number in `text` (ConversionError leaves everything as it was),
// then RunFold with the AoV statistic.
void ApplyPeriodBox(std::string_view text, Data& data, Star& star, ViewState& view, ChartModel& chart,
                    const FoldRequest& request, FoldOutcome& outcome);

}  // namespace ombrane
