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

// Entries a bucket of the bucket sort, on average: one up to kOneEntryBuckets entries, four
// beyond.
constexpr size_t kOneEntryBuckets = 32768;
constexpr size_t kEntriesPerBucket = 4;

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
  distanceHigh_.resize(count);
  distanceLow_.resize(count);
  phase_.resize(count);
  mag_.resize(count);
  keys_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    // The fold forms jd - epoch in extended precision at every trial: the same value each time.
    const long double d = jd[i] - epoch;
    distanceHigh_[i] = static_cast<double>(d);
    distanceLow_[i] = static_cast<double>(d - distanceHigh_[i]);
    const double magHigh = static_cast<double>(mag[i]);
    mag_[i] = Split{magHigh, static_cast<double>(mag[i] - magHigh)};
    keys_[i] = Key{0, static_cast<int32_t>(i)};
    // Every extended number of the records splits exactly into two doubles, except those out of
    // the double range (and NaN): then every trial goes through the fold itself.
    if (static_cast<long double>(distanceHigh_[i]) + distanceLow_[i] != d || mag_[i].Value() != mag[i])
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

namespace {

// The fold's order: ascending phase, equal phases in the order of the records (a stable sort of
// the records' order gives exactly this, whatever order the entries come in here).
template <typename Key>
inline bool Before(const Key& a, const Key& b) {
  return a.phase < b.phase || (a.phase == b.phase && a.index < b.index);
}

// Insertion sort of a[0..n) by Before; gives up (with a still a permutation) once more than
// `budget` moves were made.
template <typename Key>
bool InsertionSortOf(Key* a, size_t n, int64_t budget) {
  for (size_t j = 1; j < n; ++j) {
    if (!Before(a[j], a[j - 1])) continue;
    const Key v = a[j];
    size_t k = j;
    do {
      a[k] = a[k - 1];
      --k;
    } while (k > 0 && Before(v, a[k - 1]));
    a[k] = v;
    budget -= static_cast<int64_t>(j - k);
    if (budget < 0) return false;
  }
  return true;
}

}  // namespace

// The keys in the previous trial's order with the new phases, then insertion.
bool TrialScorer::InsertionSort(int64_t budget) {
  Key* a = keys_.data();
  const double* phase = phase_.data();
  const size_t n = keys_.size();
  if (n > 0) a[0].phase = phase[a[0].index];
  for (size_t j = 1; j < n; ++j) {
    a[j].phase = phase[a[j].index];
    if (!Before(a[j], a[j - 1])) continue;
    const Key v = a[j];
    size_t k = j;
    do {
      a[k] = a[k - 1];
      --k;
    } while (k > 0 && Before(v, a[k - 1]));
    a[k] = v;
    budget -= static_cast<int64_t>(j - k);
    if (budget < 0) return false;  // the bucket sort starts again from the phases
  }
  return true;
}

// Bucket floor(phase * n), filled in the order of the records and monotone in the phase, then
// insertion within the buckets (short ones) or a sort of each long bucket: the fold's bucket
// sort.
void TrialScorer::BucketSort() {
  const size_t n = phase_.size();
  // One bucket an entry while the counts fit the cache easily; beyond, about four entries a
  // bucket, which keeps the counts small and costs the insertion pass little.
  const size_t buckets = n <= kOneEntryBuckets ? std::max<size_t>(1, n) : n / kEntriesPerBucket;
  const double scale = static_cast<double>(buckets);
  auto bucketOf = [&](double phase) {
    const double b = phase * scale;  // phases lie in [0, 1], so b lies in [0, buckets]
    return b < scale ? static_cast<size_t>(b) : buckets - 1;
  };
  bucketEnd_.assign(buckets + 1, 0);
  for (size_t i = 0; i < n; ++i) ++bucketEnd_[bucketOf(phase_[i]) + 1];
  int64_t longest = 0;
  for (size_t b = 0; b < buckets; ++b) {
    longest = std::max(longest, bucketEnd_[b + 1]);
    bucketEnd_[b + 1] += bucketEnd_[b];
  }
  for (size_t i = 0; i < n; ++i)
    keys_[static_cast<size_t>(bucketEnd_[bucketOf(phase_[i])]++)] = Key{phase_[i], static_cast<int32_t>(i)};
  Key* a = keys_.data();
  if (longest > kShortBucket) {
    size_t start = 0;
    for (size_t b = 0; b < buckets; ++b) {
      const size_t end = static_cast<size_t>(bucketEnd_[b]);
      if (end - start > static_cast<size_t>(kShortBucket)) std::sort(a + start, a + end, Before<Key>);
      start = end;
    }
  }
  // The short buckets (and the order across buckets, already right) by one insertion pass.
  InsertionSortOf(a, n, std::numeric_limits<int64_t>::max());
}

void TrialScorer::Sort() {
  if (sorted_ && bucketSorts_ == 0) {
    if (InsertionSort(kMovesPerEntry * static_cast<int64_t>(keys_.size()) + 64)) {
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
  const size_t n = keys_.size();
  long double previous = n > 0 ? Mag(0) : 0;
  for (size_t r = 0; r + 1 < n; ++r) {
    const long double dp = static_cast<long double>(keys_[r + 1].phase) - keys_[r].phase;
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
std::optional<TrialOutcome> TrialScorer::Aov() {
  const auto& bound = AovBinBounds();
  const int64_t n = static_cast<int64_t>(keys_.size());
  // The magnitudes in phase order, read twice below.
  sortedMag_.resize(keys_.size());
  for (size_t j = 0; j < keys_.size(); ++j) sortedMag_[j] = mag_[static_cast<size_t>(keys_[j].index)];
  const Split* mag = sortedMag_.data();
  std::array<double, kAovBins> binSum{};
  std::array<int64_t, kAovBins> count{};
  std::array<int64_t, kAovBins> first{};
  std::array<int64_t, kAovBins> end{};
  // The runs of the ten bins in the sorted entries (phases at or above the last bound are in no
  // bin).
  const Key* keys = keys_.data();
  auto phaseBelow = [](const Key& key, double limit) { return key.phase < limit; };
  int64_t i = std::lower_bound(keys, keys + n, bound[0], phaseBelow) - keys;
  for (size_t k = 0; k < kAovBins; ++k) {
    first[k] = i;
    i = std::lower_bound(keys + i, keys + n, bound[k + 1], phaseBelow) - keys;
    end[k] = i;
    count[k] = i - first[k];
  }
  // Each bin's sum in double, entry after entry in phase order, as the fold adds them. The ten
  // sums are independent chains of additions: they advance side by side, so that the latency of
  // one addition and its rounding to double overlaps the others.
  const int64_t common = *std::min_element(count.begin(), count.end());
  for (int64_t r = 0; r < common; ++r)
    for (size_t k = 0; k < kAovBins; ++k)
      binSum[k] = static_cast<double>(binSum[k] + mag[first[k] + r].Value());
  for (size_t k = 0; k < kAovBins; ++k) {
    double sum = binSum[k];
    for (int64_t p = first[k] + common; p < end[k]; ++p) sum = static_cast<double>(sum + mag[p].Value());
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
      const long double d = mag[p].Value() - mean[k];
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
  if (!usable_ || keys_.empty() || !(period > 0)) return std::nullopt;
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
