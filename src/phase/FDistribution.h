// The F (Fisher–Snedecor) distribution, reached through Boost.Math so that the rest of the code
// never includes Boost: its upper tail in extended precision, which keeps probabilities far
// below the smallest double (the AoV statistic of a strong signal in thousands of observations
// lies hundreds of orders of magnitude out in the tail).
#pragma once

namespace ombrane {

// Q(x; d1, d2) = P(F > x) for an F-distributed variable with d1 and d2 degrees of freedom.
// Needs d1 > 0, d2 > 0 and x >= 0 (throws std::domain_error otherwise); a probability below the
// extended range comes back as 0.
long double FisherUpperTail(long double x, long double d1, long double d2);

}  // namespace ombrane
