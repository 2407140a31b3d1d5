// The numbers of the time of minimum of an area selection, on the light curve or on the phase
// diagram: the selection's abscissae, the epoch of a selection on the JD average diagram and
// the candidates handed to Kwee & van Woerden (timing/KweeVanWoerden.h). The lines for the notes
// pane, the markers and the whole timing as the button runs it are in
// timing/MinimumTimingPresentation.h.
#pragma once

#include <cstdint>
#include <vector>

#include "phase/Fold.h"
#include "store/Records.h"

namespace ombrane {

enum class MinimumMode { LightCurve, Phase, JdAverage };

// The mode of an area selection: the light curve when the last click fell on it, else the
// diagram's abscissa.
MinimumMode MinimumModeOf(const ViewState& view, PhaseAxis axis);

// The integer day offset q taken off every Julian Day abscissa, which keeps the fraction of the
// day in double precision: the first entry's (light curve) or the first position's (JD average)
// Julian Day truncated, 0 for phases. Raises the invalid operation of a day beyond 32 bits.
int32_t DayOffset(const Data& data, MinimumMode mode);

// The abscissa of the picked point k (an entry on the light curve, a sorted position on the
// diagram, second cycle included) less q, in double precision.
double MinimumAbscissa(const Data& data, MinimumMode mode, int32_t q, int32_t k);

// A selection of sorted positions a .. b - 1 on the JD average diagram: the phase-0 instant after
// its mean Julian Day (its epoch), and its largest and smallest non-zero Julian Day. Raises the
// faults of the mean and of the cycle count (P = 0: division by zero).
struct SelectionSpan {
  long double epoch = 0;
  long double smallestJd = 0;
  long double largestJd = 0;
};
SelectionSpan SelectionSpanOf(const Data& data, const Star& star, int32_t a, int32_t b);

// The points Kwee & van Woerden may use, in scan order, as abscissa less q and magnitude; marked
// entries never enter. On the light curve the entries 1 .. N-2 (the loader's repeat left out);
// on the diagram the positions of both cycles from 1 on, without the last of the first cycle
// and the first of the second.
struct MinimumCandidates {
  std::vector<double> x;
  std::vector<double> y;
};
MinimumCandidates MinimumCandidatesOf(const Data& data, MinimumMode mode, int32_t q);

}  // namespace ombrane
