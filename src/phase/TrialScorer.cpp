#include "phase/TrialScorer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include "common/FloatingPoint.h"
#include "phase/FoldInternal.h"

namespace ombrane {

using namespace fold_internal;

namespace {

// Entries longer than this in one bucket are sorted on their own instead of by the final pass
// of insertion over the whole array.
constexpr int64_t kShortBucket = 32;

// A budget of moves for the insertion sort, in moves per entry: past it the order has changed
// too much for insertion to be cheaper than the bucket sort.
constexpr int64_t kMovesPerEntry = 8;

// The longest run of trials sorted by buckets before insertion is tried again.
constexpr int64_t kMaxBackOff = 64;

// The phase of one entry exactly as the fold forms it from d = jd - epoch; false when the cycle
// count is out of range (the fold's checked path decides what that raises).
bool FoldPhase(long double d, long double period, double& phase) {
  const long double x = d / period;
  if (!(std::fabs(x) < kCycleLimit)) return false;
  const long double c = TruncSmall(x);
  double f = static_cast<double>(x - c);
  if (f < 0) f = static_cast<double>(static_cast<long double>(f) + 1.0L);
  phase = f;
  return true;
}

// The fold's phases with vector instructions, in double arithmetic, for the entries where that
// is provably exact; -1 for the others, which the fold's own formula then takes.
//
// The fold rounds x = d / P to the 64-bit significand of the extended type, X = RN64(d / P),
// truncates it and rounds the fraction to double; before the epoch (d < 0) it adds one to the
// negative fraction. Here a = |d| = ah + al (two doubles, exactly) and 1 / P = rh + rl (from a
// quad-precision division) give q = a * (rh + rl) as p + lo, p = RN53(ah * rh), with
// |q - a / P| < 2^-100 |q| (one fused multiply-add keeps the error of ah * rh, two more add the
// small products; al * rl is below 2^-105 |q|). For 1 <= X < 2^31 with e the exponent of p, the
// spacing of X is u = 2^(e - 63), and in units of u the fraction of X is an integer
// M = Fs + K: Fs = frac(p) / u (an integer, since p has 53 bits), K = lo / u rounded to the
// nearest integer. The rounding of lo / u is certain when it lies farther than 2^-30 from a
// half-integer (the error of q is below 2^-37 in these units), so ties never need deciding.
// Then the fold's fraction rounded to double is RN53(M) * u = fl(Fs + K) * u (a power-of-two
// scaling, exact), and before the epoch 1 - that (exact in 64 bits, since it is a multiple of
// 2^-63 below 1, so the fold's extended sum rounds only once, to double). Left to the fold's
// formula: |X| < 1 or >= 2^31, p a power of two (its exponent might not be X's), a rounding
// within 2^-30 of a tie, and a fraction that carries into the integer part or borrows from it.
__attribute__((target("avx2,fma"))) void VectorPhases(const double* high, const double* low, double* phase,
                                                      size_t n, double rh, double rl) {
  constexpr double kRoundToInteger = 6755399441055744.0;  // 1.5 * 2^52: x + it - it rounds x
  constexpr double kTwo52 = 4503599627370496.0;
  constexpr int64_t kBias = 1023;
  constexpr int64_t kMantissa = (int64_t{1} << 52) - 1;
  for (size_t i = 0; i < n; ++i) {
    const bool before = high[i] < 0;
    const double ah = std::fabs(high[i]);
    const double al = before ? -low[i] : low[i];
    const double p = ah * rh;
    const double lo = std::fma(al, rh, std::fma(ah, rl, std::fma(ah, rh, -p)));
    int64_t bits;
    std::memcpy(&bits, &p, sizeof bits);
    const int64_t biased = bits >> 52;  // p >= 0: the biased exponent
    const bool inRange = (biased >= kBias) & (biased <= kBias + 30) & ((bits & kMantissa) != 0);
    const int64_t exponent = inRange ? biased - kBias : 0;
    const int64_t scaleBits = (kBias + 63 - exponent) << 52;
    const int64_t spacingBits = (kBias + exponent - 63) << 52;
    double scale, spacing;  // 2^(63 - e) and u = 2^(e - 63)
    std::memcpy(&scale, &scaleBits, sizeof scale);
    std::memcpy(&spacing, &spacingBits, sizeof spacing);
    const double nearest = (p + kTwo52) - kTwo52;  // p < 2^31: p rounded to an integer
    const double whole = nearest - (nearest > p ? 1.0 : 0.0);
    const double fractionUnits = (p - whole) * scale;  // Fs, exact
    const double lowUnits = lo * scale;                // exact
    const double k = (lowUnits + kRoundToInteger) - kRoundToInteger;
    const double m = fractionUnits + k;  // RN53(M)
    const bool exact =
        inRange & (std::fabs(lowUnits - k) < 0.5 - 0x1p-30) & (m >= 0) & ((fractionUnits - scale) + k < 0);
    const double fraction = m * spacing;
    const double movedUp = m == 0 ? 0.0 : 1.0 - fraction;
    const double value = before ? movedUp : fraction;
    phase[i] = exact ? value : -1.0;
  }
}

}  // namespace

bool TrialScorer::VectorPhasesSupported() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

TrialScorer::TrialScorer(const long double* jd, const long double* mag, int64_t n, long double epoch,
                         const FoldInvariants& invariants, bool vectorPhases)
    : epoch_(epoch),
      jdSum_(invariants.jdSum),
      magMean_(invariants.magMean),
      vectorPhases_(vectorPhases && VectorPhasesSupported()) {
  const size_t count = static_cast<size_t>(std::max<int64_t>(n, 0));
  for (auto* v : {&phase_, &distanceHigh_, &distanceLow_, &magHigh_, &magLow_}) v->resize(count);
  index_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    // The fold forms jd - epoch in extended precision at every trial: the same value each time.
    const long double d = jd[i] - epoch;
    distanceHigh_[i] = static_cast<double>(d);
    distanceLow_[i] = static_cast<double>(d - distanceHigh_[i]);
    magHigh_[i] = static_cast<double>(mag[i]);
    magLow_[i] = static_cast<double>(mag[i] - magHigh_[i]);
    index_[i] = static_cast<int32_t>(i);
    // Every extended number of the records splits exactly into two doubles, except those out of
    // the double range (and NaN): then every trial goes through the fold itself.
    if (static_cast<long double>(distanceHigh_[i]) + distanceLow_[i] != d ||
        static_cast<long double>(magHigh_[i]) + magLow_[i] != mag[i])
      usable_ = false;
  }
}

bool TrialScorer::ComputePhases(long double period) {
  const size_t n = phase_.size();
  // Vector phases need 1 / P as two normal doubles.
  if (vectorPhases_ && period > 0x1p-900L && period < 0x1p900L) {
    const __float128 reciprocal = 1 / static_cast<__float128>(period);
    const double rh = static_cast<double>(reciprocal);
    const double rl = static_cast<double>(reciprocal - static_cast<__float128>(rh));
    VectorPhases(distanceHigh_.data(), distanceLow_.data(), phase_.data(), n, rh, rl);
    for (size_t j = 0; j < n; ++j)
      if (phase_[j] < 0) {
        const long double d = static_cast<long double>(distanceHigh_[j]) + distanceLow_[j];
        if (!FoldPhase(d, period, phase_[j])) return false;
      }
    return true;
  }
  for (size_t j = 0; j < n; ++j) {
    const long double d = static_cast<long double>(distanceHigh_[j]) + distanceLow_[j];
    if (!FoldPhase(d, period, phase_[j])) return false;
  }
  return true;
}

// The fold's order: ascending phase, equal phases in the order of the records (a stable sort of
// the records' order gives exactly this, whatever order the entries come in here).
bool TrialScorer::InsertionSort(int64_t budget) {
  const size_t n = phase_.size();
  double* phase = phase_.data();
  int32_t* index = index_.data();
  for (size_t j = 1; j < n; ++j) {
    const double p = phase[j];
    const int32_t e = index[j];
    auto before = [&](size_t k) { return p < phase[k] || (p == phase[k] && e < index[k]); };
    if (!before(j - 1)) continue;
    const double dh = distanceHigh_[j], dl = distanceLow_[j], mh = magHigh_[j], ml = magLow_[j];
    size_t k = j;
    do {
      phase[k] = phase[k - 1];
      index[k] = index[k - 1];
      distanceHigh_[k] = distanceHigh_[k - 1];
      distanceLow_[k] = distanceLow_[k - 1];
      magHigh_[k] = magHigh_[k - 1];
      magLow_[k] = magLow_[k - 1];
      --k;
    } while (k > 0 && before(k - 1));
    phase[k] = p;
    index[k] = e;
    distanceHigh_[k] = dh;
    distanceLow_[k] = dl;
    magHigh_[k] = mh;
    magLow_[k] = ml;
    budget -= static_cast<int64_t>(j - k);
    if (budget < 0) return false;  // still a permutation of the entries
  }
  return true;
}

// Bucket floor(phase * n), monotone in the phase, then insertion within the buckets (short ones)
// or a sort of each long bucket: the bucket sort of the fold, with the order above.
void TrialScorer::BucketSort() {
  const size_t n = phase_.size();
  const double scale = static_cast<double>(n);
  auto bucketOf = [&](double phase) {
    const double b = phase * scale;  // phases lie in [0, 1], so b lies in [0, n]
    return b < scale ? static_cast<size_t>(b) : n - 1;
  };
  bucketEnd_.assign(n + 1, 0);
  for (size_t j = 0; j < n; ++j) ++bucketEnd_[bucketOf(phase_[j]) + 1];
  int64_t longest = 0;
  for (size_t b = 0; b < n; ++b) {
    longest = std::max(longest, bucketEnd_[b + 1]);
    bucketEnd_[b + 1] += bucketEnd_[b];
  }
  for (auto* v : {&sparePhase_, &spareDistanceHigh_, &spareDistanceLow_, &spareMagHigh_, &spareMagLow_})
    v->resize(n);
  spareIndex_.resize(n);
  for (size_t j = 0; j < n; ++j) {
    const size_t to = static_cast<size_t>(bucketEnd_[bucketOf(phase_[j])]++);
    sparePhase_[to] = phase_[j];
    spareIndex_[to] = index_[j];
    spareDistanceHigh_[to] = distanceHigh_[j];
    spareDistanceLow_[to] = distanceLow_[j];
    spareMagHigh_[to] = magHigh_[j];
    spareMagLow_[to] = magLow_[j];
  }
  phase_.swap(sparePhase_);
  index_.swap(spareIndex_);
  distanceHigh_.swap(spareDistanceHigh_);
  distanceLow_.swap(spareDistanceLow_);
  magHigh_.swap(spareMagHigh_);
  magLow_.swap(spareMagLow_);
  if (longest > kShortBucket) {
    // Each long bucket by a sort of its positions, then moved into that order.
    std::vector<size_t> order;
    size_t start = 0;
    for (size_t b = 0; b < n; ++b) {
      const size_t end = static_cast<size_t>(bucketEnd_[b]);
      if (end - start > static_cast<size_t>(kShortBucket)) {
        order.resize(end - start);
        std::iota(order.begin(), order.end(), start);
        std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
          return phase_[x] < phase_[y] || (phase_[x] == phase_[y] && index_[x] < index_[y]);
        });
        auto apply = [&](std::vector<double>& v, std::vector<double>& spare) {
          for (size_t i = 0; i < order.size(); ++i) spare[i] = v[order[i]];
          std::copy(spare.begin(), spare.begin() + static_cast<std::ptrdiff_t>(order.size()),
                    v.begin() + static_cast<std::ptrdiff_t>(start));
        };
        apply(phase_, sparePhase_);
        apply(distanceHigh_, spareDistanceHigh_);
        apply(distanceLow_, spareDistanceLow_);
        apply(magHigh_, spareMagHigh_);
        apply(magLow_, spareMagLow_);
        for (size_t i = 0; i < order.size(); ++i) spareIndex_[i] = index_[order[i]];
        std::copy(spareIndex_.begin(), spareIndex_.begin() + static_cast<std::ptrdiff_t>(order.size()),
                  index_.begin() + static_cast<std::ptrdiff_t>(start));
      }
      start = end;
    }
  }
  // The short buckets (and the order across buckets, already right) by one insertion pass.
  InsertionSort(std::numeric_limits<int64_t>::max());
}

void TrialScorer::Sort() {
  if (sorted_ && bucketSorts_ == 0) {
    if (InsertionSort(kMovesPerEntry * static_cast<int64_t>(phase_.size()) + 64)) {
      backOff_ = 1;
      return;
    }
    backOff_ = std::min(2 * backOff_, kMaxBackOff);
    bucketSorts_ = backOff_;
  }
  if (bucketSorts_ > 0) --bucketSorts_;
  BucketSort();
  sorted_ = true;
}

// SearchStringLength on the sorted entries; nothing when a term or the sum is not finite (the
// fold's checked path raises the fault).
std::optional<TrialOutcome> TrialScorer::StringLength() const {
  long double length = 0;
  const size_t n = phase_.size();
  long double previous = n > 0 ? Mag(0) : 0;
  for (size_t r = 0; r + 1 < n; ++r) {
    const long double dp = static_cast<long double>(phase_[r + 1]) - phase_[r];
    const long double next = Mag(r + 1);
    const long double dm = next - previous;
    const double s = static_cast<double>(dp * dp + dm * dm);
    if (!std::isfinite(s)) return std::nullopt;
    length += std::sqrt(std::fabs(s));
    previous = next;
  }
  if (!std::isfinite(length)) return std::nullopt;
  return TrialOutcome{.score = length};
}

// AovStatisticIfDefined on the sorted entries, step for step: the bin sums in double in phase
// order, the bin means and terms, the within-bin sum in phase order, Θ. Nothing when a step
// would fault.
std::optional<TrialOutcome> TrialScorer::Aov() const {
  const auto& bound = AovBinBounds();
  const int64_t n = static_cast<int64_t>(phase_.size());
  std::array<double, kAovBins> binSum{};
  std::array<int64_t, kAovBins> count{};
  std::array<int64_t, kAovBins> first{};
  std::array<int64_t, kAovBins> end{};
  // The runs of the ten bins in the sorted entries (phases at or above the last bound are in no
  // bin).
  const double* phase = phase_.data();
  int64_t i = std::lower_bound(phase, phase + n, bound[0]) - phase;
  for (size_t k = 0; k < kAovBins; ++k) {
    first[k] = i;
    i = std::lower_bound(phase + i, phase + n, bound[k + 1]) - phase;
    end[k] = i;
    count[k] = i - first[k];
  }
  // Each bin's sum in double, entry after entry in phase order, as the fold adds them. The ten
  // sums are independent chains of additions: they advance side by side, so that the latency of
  // one addition and its rounding to double overlaps the others.
  const int64_t common = *std::min_element(count.begin(), count.end());
  for (int64_t r = 0; r < common; ++r)
    for (size_t k = 0; k < kAovBins; ++k)
      binSum[k] = static_cast<double>(binSum[k] + Mag(static_cast<size_t>(first[k] + r)));
  for (size_t k = 0; k < kAovBins; ++k) {
    double sum = binSum[k];
    for (int64_t p = first[k] + common; p < end[k]; ++p)
      sum = static_cast<double>(sum + Mag(static_cast<size_t>(p)));
    // A sum that leaves the double range stays infinite (or NaN) to the end of its bin.
    if (!std::isfinite(sum)) return std::nullopt;
    binSum[k] = sum;
  }
  if (n <= kAovBins) return TrialOutcome{.undefined = AovUndefined::TooFewEntries};
  for (int64_t c : count)
    if (c == 0) return TrialOutcome{.undefined = AovUndefined::EmptyBin};

  std::array<long double, kAovBins> mean{};
  long double between = 0;
  {
    std::array<long double, kAovBins> term{};
    for (size_t k = 0; k < kAovBins; ++k) {
      mean[k] = static_cast<long double>(binSum[k]) / static_cast<long double>(count[k]);
      const long double d = mean[k] - magMean_;
      term[k] = static_cast<long double>(count[k]) * (d * d);
    }
    for (size_t k = 0; k < kAovBins; ++k) between += term[k];
  }
  long double within = 0;
  for (size_t k = 0; k < kAovBins; ++k)
    for (int64_t p = first[k]; p < end[k]; ++p) {
      const long double d = Mag(static_cast<size_t>(p)) - mean[k];
      within += d * d;
    }
  if (!std::isfinite(between) || !std::isfinite(within)) return std::nullopt;
  const long double betweenVariance = between / 9.0L;
  const long double withinVariance = within / static_cast<long double>(n - 10);
  if (!(withinVariance > 0)) return std::nullopt;
  const long double ratio = betweenVariance / withinVariance;
  const double theta = static_cast<double>(ratio);
  if (!std::isfinite(ratio) || !std::isfinite(theta)) return std::nullopt;
  return TrialOutcome{.score = theta};
}

std::optional<TrialOutcome> TrialScorer::Score(long double period, SearchMethod method) {
  if (method != SearchMethod::StringLength && method != SearchMethod::Aov) return std::nullopt;
  if (!usable_ || phase_.empty() || !(period > 0)) return std::nullopt;
  try {
    // The fold's means: only their faults matter to the score.
    static_cast<void>(MeanEpoch(MeanJd(jdSum_, static_cast<int64_t>(phase_.size())), epoch_, period));
  } catch (const FloatingPointError&) {
    return std::nullopt;
  }
  if (!ComputePhases(period)) return std::nullopt;
  Sort();
  return method == SearchMethod::Aov ? Aov() : StringLength();
}

}  // namespace ombrane
