#include "phase/FDistribution.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <cmath>
#include <stdexcept>

namespace ombrane {

long double FisherUpperTail(long double x, long double d1, long double d2) {
  if (!(d1 > 0) || !(d2 > 0) || !(x >= 0))
    throw std::domain_error("F distribution: needs positive degrees of freedom and a statistic >= 0");
  if (std::isinf(x)) return 0;
  const boost::math::fisher_f_distribution<long double> distribution(d1, d2);
  // The complement is computed directly, not as 1 − cdf, so a tiny tail keeps its digits.
  return boost::math::cdf(boost::math::complement(distribution, x));
}

}  // namespace ombrane
