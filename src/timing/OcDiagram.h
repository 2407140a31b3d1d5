// The O−C diagram of a table of minima: each minimum's time less the prediction of a reference
// ephemeris (the period and epoch boxes), against its cycle, with the fitted ephemeris drawn as a
// curve; and the table and the fit as CSV. The numbers come from EphemerisFit.h; this file only
// presents them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/TimeScale.h"
#include "timing/EphemerisFit.h"
#include "view/ChartModel.h"

namespace ombrane {

// The minima of the O−C window with their cycles and the reference they are shown against.
struct OcTable {
  std::vector<TimedMinimum> minima;
  std::vector<long double> cycles;  // one a minimum (NumberCycles)
  long double referenceEpoch = 0;   // M0 of the O−C
  long double referencePeriod = 1;  // P of the O−C
  long double secondaryPhase = 0.5L;
  std::optional<EphemerisFit> fit;     // the last fit, when there is one
  std::optional<TimeScale> timeScale;  // the times' scale, when a source said it
};

// Minima of `scale` (nothing: their source did not say) about to join the table: an empty table
// takes their scale; a table of a known scale refuses minima of another (InputError naming
// `shownName`: one fit must not mix scales) and takes minima of an unknown scale with the note
// returned (they are taken to be in the table's scale). Nothing is changed when it refuses.
std::optional<std::string> JoinTimeScale(OcTable& table, std::optional<TimeScale> scale,
                                         std::string_view shownName);

// The ephemeris' argument of minimum i: its cycle, or n + φ for the secondary of cycle n + ½.
long double ArgumentOf(const OcTable& table, size_t i);

// O − C of minimum i against the reference, days.
long double OcOf(const OcTable& table, size_t i);

// A time of minimum with the decimals its error needs: two significant digits of the error, at
// least 7 decimals (0.0086 s, finer than a TESS timing's error), at most 10.
std::string MinimumTimeText(long double time, long double error);

enum class OcUnit { Days, Minutes };

// Draws the diagram into `chart` (cleared first): primaries as diamonds (kLightCurveSeries),
// secondaries as squares (kSpareSeries), a cross over each excluded minimum (kMarkedSeries), the
// error bars and the fit's curve as lines in kCurveSeries (grey bars, black curve; breaks
// between them). Titles name the reference and the unit.
void DrawOcDiagram(ChartModel& chart, const OcTable& table, OcUnit unit);

// The minimum drawn as point `index` of `series` (as DrawOcDiagram added them), or -1.
int MinimumAtPoint(const OcTable& table, int series, int index);

// The table as CSV: cycle,type,time,error,o_c (days, against the reference),used (1 or 0),
// time_scale (JD, HJD or BJD_TDB; empty when no source said it).
std::string OcTableCsv(const OcTable& table);

// The fit as CSV: term,value,error rows (epoch, period, and for a quadratic fit quadratic,
// dP/dE, dP/dt in days a day), then chi2, degrees_of_freedom, rms_days, weighted.
std::string EphemerisFitCsv(const EphemerisFit& fit);

// The fit as lines of text, for the notes pane and the batch: how many minima of each kind, the
// kind of fit, the epoch and period (and the quadratic term, dP/dE and dP/dt in seconds a year)
// with their errors, χ² and the rms of the O−C. Values carry the decimals their errors need.
// With the times' scale known, the epoch line names it.
std::vector<std::string> EphemerisFitLines(const EphemerisFit& fit, const std::vector<TimedMinimum>& minima,
                                           std::optional<TimeScale> scale = std::nullopt);

}  // namespace ombrane
