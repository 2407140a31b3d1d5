// Writes the sample light curves that ship with Ombrane: an Algol-type eclipsing binary observed
// over a season, an RRab pulsator, and a single night around one primary minimum of the binary.
//
// Usage: ombrane-make-examples OUTPUT_FOLDER
//
// Everything is deterministic: a splitmix64 generator with fixed seeds feeds the observing
// schedule and the Gaussian noise (Box-Muller), and every number is written with std::to_chars,
// so the files do not depend on the locale or on the standard library's random distributions.
// The true parameters of each star are the constants below; examples/README.md repeats them.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

namespace ombrane {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kMinutesPerDay = 1440.0;
constexpr double kHoursPerDay = 24.0;
constexpr std::size_t kMaxPairs = 6000;  // capacity of the program's data table

// ---------------------------------------------------------------------------------------------
// Random numbers

// splitmix64 (Steele, Lea & Flood 2014): a tiny generator with good statistical quality that
// produces the same stream on every platform.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1) from the top 53 bits.
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  double Uniform(double low, double high) { return low + (high - low) * Uniform(); }

  // Standard normal deviate by the Box-Muller transform; the second deviate of each pair is
  // kept for the next call.
  double Gaussian() {
    if (hasSpare_) {
      hasSpare_ = false;
      return spare_;
    }
    double u1 = Uniform();
    while (u1 <= 0.0) u1 = Uniform();
    const double u2 = Uniform();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    spare_ = radius * std::sin(kTwoPi * u2);
    hasSpare_ = true;
    return radius * std::cos(kTwoPi * u2);
  }

 private:
  std::uint64_t state_;
  double spare_ = 0.0;
  bool hasSpare_ = false;
};

// ---------------------------------------------------------------------------------------------
// Observations and output

struct Observation {
  double julianDay;
  double magnitude;
};

// One observing season: nights with weather gaps between them, each night a run of exposures
// at a steady cadence with a little jitter. Times are in Julian Days.
struct Schedule {
  double firstNight;  // Julian Day at noon before the first night (integer part)
  int nights;         // number of nights actually observed
  double minGapDays;  // days from one observed night to the next
  double maxGapDays;
  double earliestStart;  // fraction of the Julian Day at which a run may start
  double latestStart;
  double minHours;  // length of a normal run
  double maxHours;
  double shortNightChance;  // probability that a night is cut short (clouds, moon, dawn)
  double minShortHours;
  double maxShortHours;
  double minCadenceMinutes;  // cadence of the night, drawn once per night
  double maxCadenceMinutes;
};

template <typename Model>
std::vector<Observation> Observe(const Schedule& schedule, const Model& model, double noise,
                                 SplitMix64& rng) {
  std::vector<Observation> points;
  double day = schedule.firstNight;
  for (int night = 0; night < schedule.nights; ++night) {
    const bool isShort = rng.Uniform() < schedule.shortNightChance;
    const double hours = isShort ? rng.Uniform(schedule.minShortHours, schedule.maxShortHours)
                                 : rng.Uniform(schedule.minHours, schedule.maxHours);
    const double cadence =
        rng.Uniform(schedule.minCadenceMinutes, schedule.maxCadenceMinutes) / kMinutesPerDay;
    const double start = day + rng.Uniform(schedule.earliestStart, schedule.latestStart);
    const double end = start + hours / kHoursPerDay;
    for (double t = start; t <= end; t += cadence * rng.Uniform(0.9, 1.1)) {
      points.push_back({t, model(t) + noise * rng.Gaussian()});
    }
    day += std::round(rng.Uniform(schedule.minGapDays, schedule.maxGapDays));
  }
  return points;
}

// Appends `value` with a fixed number of decimals, independent of the C locale.
void AppendFixed(std::string& line, double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  line.append(buffer.data(), result.ptr);
}

// Writes a file whole; false (and says why) when it cannot.
bool WriteText(const std::filesystem::path& path, const std::string& text) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "%s: cannot open for writing\n", path.string().c_str());
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "%s: write failed\n", path.string().c_str());
    return false;
  }
  return true;
}

// Writes "JD  magnitude" pairs, one per line: Julian Day with 5 decimals, magnitude with 4.
bool WritePairs(const std::filesystem::path& path, const std::vector<Observation>& points) {
  if (points.size() > kMaxPairs) {
    std::fprintf(stderr, "%s: %zu pairs, more than the %zu the program can load\n", path.string().c_str(),
                 points.size(), kMaxPairs);
    return false;
  }
  std::string text;
  for (const Observation& p : points) {
    AppendFixed(text, p.julianDay, 5);
    text += "  ";
    AppendFixed(text, p.magnitude, 4);
    text += '\n';
  }
  if (!WriteText(path, text)) return false;
  std::printf("%s: %zu pairs, JD %.5f to %.5f\n", path.string().c_str(), points.size(),
              points.front().julianDay, points.back().julianDay);
  return true;
}

// ---------------------------------------------------------------------------------------------
// The eclipsing binary

// Algol-type detached binary on a circular orbit, seen at inclination 86 degrees. The shape of
// each eclipse is the overlap of two uniform discs of fractional radii 0.22 and 0.16 (in units
// of the separation); the overlap is scaled so that the flux lost at mid-eclipse gives exactly
// the stated depths. Both eclipses are partial and last 0.1222 of the period (2.45 h).
struct EclipsingBinary {
  double period = 0.834712;             // days
  double epochPrimary = 2459215.43127;  // Julian Day of a primary minimum
  double outsideEclipse = 11.2500;      // magnitude between eclipses
  double primaryDepth = 0.80;           // mag
  double secondaryDepth = 0.15;         // mag
  double radiusLarge = 0.22;
  double radiusSmall = 0.16;
  double inclinationDegrees = 86.0;

  // Area of the intersection of two discs of radii r1, r2 whose centres are d apart.
  static double OverlapArea(double r1, double r2, double d) {
    if (d >= r1 + r2) return 0.0;
    const double rMin = std::min(r1, r2);
    if (d <= std::abs(r1 - r2)) return std::numbers::pi * rMin * rMin;
    const double a1 = std::acos((d * d + r1 * r1 - r2 * r2) / (2.0 * d * r1));
    const double a2 = std::acos((d * d + r2 * r2 - r1 * r1) / (2.0 * d * r2));
    const double k = std::sqrt((-d + r1 + r2) * (d + r1 - r2) * (d - r1 + r2) * (d + r1 + r2));
    return r1 * r1 * a1 + r2 * r2 * a2 - 0.5 * k;
  }

  // Projected separation of the centres at orbital phase `phase` (0 = primary minimum).
  double Separation(double phase) const {
    const double cosI = std::cos(inclinationDegrees * std::numbers::pi / 180.0);
    const double s = std::sin(kTwoPi * phase);
    const double c = std::cos(kTwoPi * phase);
    return std::sqrt(s * s + cosI * cosI * c * c);
  }

  // Fraction of the mid-eclipse overlap that is eclipsed at `phase`: 1 at mid-eclipse, 0 outside.
  double EclipsedFraction(double phase) const {
    return OverlapArea(radiusLarge, radiusSmall, Separation(phase)) /
           OverlapArea(radiusLarge, radiusSmall, Separation(0.0));
  }

  double Magnitude(double julianDay) const {
    double phase = std::fmod((julianDay - epochPrimary) / period, 1.0);
    if (phase < 0.0) phase += 1.0;
    const bool nearPrimary = phase < 0.25 || phase > 0.75;
    const double depth = nearPrimary ? primaryDepth : secondaryDepth;
    const double lostAtMid = 1.0 - std::pow(10.0, -0.4 * depth);
    const double flux = 1.0 - lostAtMid * EclipsedFraction(phase);
    return outsideEclipse - 2.5 * std::log10(flux);
  }

  double operator()(double julianDay) const { return Magnitude(julianDay); }
};

constexpr double kBinaryNoise = 0.010;

std::vector<Observation> MakeEclipsingBinary() {
  SplitMix64 rng(0x0A160183ULL);
  const Schedule season{.firstNight = 2459201.0,
                        .nights = 40,
                        .minGapDays = 1.0,
                        .maxGapDays = 4.0,
                        .earliestStart = 0.27,
                        .latestStart = 0.42,
                        .minHours = 3.0,
                        .maxHours = 5.5,
                        .shortNightChance = 0.25,
                        .minShortHours = 0.8,
                        .maxShortHours = 2.0,
                        .minCadenceMinutes = 3.0,
                        .maxCadenceMinutes = 4.5};
  return Observe(season, EclipsingBinary{}, kBinaryNoise, rng);
}

// One night of about 40 points centred on the first primary minimum after JD 2459760 that
// falls in the middle of a European night (Julian Day fraction 0.40 to 0.50).
std::vector<Observation> MakeShortNight() {
  const EclipsingBinary binary;
  double minimum = binary.epochPrimary;
  while (minimum < 2459760.0 || std::fmod(minimum, 1.0) < 0.40 || std::fmod(minimum, 1.0) > 0.50) {
    minimum += binary.period;
  }
  std::printf("short night: primary minimum at JD %.5f\n", minimum);
  SplitMix64 rng(0x5407A1ULL);
  constexpr double kCadenceMinutes = 4.0;
  constexpr int kPoints = 40;
  std::vector<Observation> points;
  const double start = minimum - 0.5 * (kPoints - 1) * kCadenceMinutes / kMinutesPerDay;
  for (int i = 0; i < kPoints; ++i) {
    const double t = start + (i + rng.Uniform(-0.1, 0.1)) * kCadenceMinutes / kMinutesPerDay;
    points.push_back({t, binary.Magnitude(t) + kBinaryNoise * rng.Gaussian()});
  }
  return points;
}

// ---------------------------------------------------------------------------------------------
// The RRab pulsator

// Fundamental-mode RR Lyrae star. The light curve is a four-term Fourier series in brightness,
// sum over k = 1..4 of 0.85^(k-1) sin(2 pi k x + psi_k) / k: a fast rise and a slow decline.
// The amplitude ratios are those of a sawtooth (R_k1 = 0.85^(k-1) / k); the phases psi_k are
// chosen so that the magnitudes have the Fourier phase differences of a typical RRab star in
// the sine series (phi_21 = 2.45, phi_31 = 5.10, phi_41 = 1.55 rad; Simon & Teays 1982,
// ApJ 261, 586). It is shifted so that maximum light falls on the epoch and scaled so that the
// peak-to-peak amplitude is exactly the stated one.
struct RRabPulsator {
  double period = 0.567123;             // days
  double epochMaximum = 2459612.38420;  // Julian Day of a maximum of light
  double maximumMagnitude = 10.4500;    // magnitude at maximum light (brightest)
  double amplitude = 1.00;              // mag, peak to peak
  double shift = 0.0;                   // phase of maximum brightness of the raw series
  double rawMin = 0.0;                  // extremes of the raw series
  double rawMax = 0.0;

  static constexpr int kTerms = 4;
  static constexpr double kWeight = 0.85;
  // phi_k1 of the magnitudes for k = 2..4 (index k - 2).
  static constexpr double kPhaseDifference[kTerms - 1] = {2.45, 5.10, 1.55};

  // The brightness phase of harmonic k: magnitudes are minus the brightness, which adds pi to
  // every phase, so phi_k1 = psi_k - k psi_1 + (1 - k) pi; with psi_1 = 0,
  // psi_k = phi_k1 + (k - 1) pi.
  static double BrightnessPhase(int k) {
    return k == 1 ? 0.0 : kPhaseDifference[k - 2] + (k - 1) * std::numbers::pi;
  }

  static double RawBrightness(double x) {
    double sum = 0.0;
    double weight = 1.0;
    for (int k = 1; k <= kTerms; ++k) {
      sum += weight * std::sin(kTwoPi * k * x + BrightnessPhase(k)) / k;
      weight *= kWeight;
    }
    return sum;
  }

  RRabPulsator() {
    // Locate the extremes on a fine grid, then refine the maximum by golden-section search.
    constexpr int kGrid = 20000;
    rawMin = RawBrightness(0.0);
    rawMax = rawMin;
    for (int i = 1; i < kGrid; ++i) {
      const double x = static_cast<double>(i) / kGrid;
      const double b = RawBrightness(x);
      if (b > rawMax) {
        rawMax = b;
        shift = x;
      }
      rawMin = std::min(rawMin, b);
    }
    double low = shift - 1.0 / kGrid;
    double high = shift + 1.0 / kGrid;
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int i = 0; i < 60; ++i) {
      const double a = high - ratio * (high - low);
      const double b = low + ratio * (high - low);
      if (RawBrightness(a) > RawBrightness(b)) {
        high = b;
      } else {
        low = a;
      }
    }
    shift = 0.5 * (low + high);
    rawMax = RawBrightness(shift);
  }

  double Magnitude(double julianDay) const {
    const double phase = (julianDay - epochMaximum) / period;
    const double brightness = RawBrightness(phase + shift);
    return maximumMagnitude + amplitude * (rawMax - brightness) / (rawMax - rawMin);
  }

  double operator()(double julianDay) const { return Magnitude(julianDay); }
};

std::vector<Observation> MakePulsatingStar() {
  SplitMix64 rng(0x52524142ULL);
  const Schedule season{.firstNight = 2459601.0,
                        .nights = 25,
                        .minGapDays = 1.0,
                        .maxGapDays = 5.0,
                        .earliestStart = 0.27,
                        .latestStart = 0.42,
                        .minHours = 3.0,
                        .maxHours = 5.5,
                        .shortNightChance = 0.15,
                        .minShortHours = 0.8,
                        .maxShortHours = 2.0,
                        .minCadenceMinutes = 6.0,
                        .maxCadenceMinutes = 9.0};
  constexpr double kNoise = 0.015;
  const RRabPulsator star;
  std::printf("pulsator: raw series maximum at phase %.6f, raw range %.6f\n", star.shift,
              star.rawMax - star.rawMin);
  return Observe(season, star, kNoise, rng);
}

// The same observations as a spreadsheet would export them, for File ▸ Import…: two comment
// lines, a header naming the columns, then time, magnitude and its error separated by commas.
bool WriteCsv(const std::filesystem::path& path, const std::vector<Observation>& points, double error) {
  std::string text =
      "# ExampleRR, a synthetic RRab star (see README.md); V band\n"
      "# times heliocentric, magnitudes with their standard error\n"
      "HJD,Vmag,Err\n";
  for (const Observation& p : points) {
    AppendFixed(text, p.julianDay, 5);
    text += ',';
    AppendFixed(text, p.magnitude, 4);
    text += ',';
    AppendFixed(text, error, 3);
    text += '\n';
  }
  if (!WriteText(path, text)) return false;
  std::printf("%s: %zu rows\n", path.string().c_str(), points.size());
  return true;
}

}  // namespace
}  // namespace ombrane

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argc > 0 ? argv[0] : "ombrane-make-examples");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "%s: %s\n", folder.string().c_str(), error.message().c_str());
    return 1;
  }
  bool ok = ombrane::WritePairs(folder / "eclipsing_binary.txt", ombrane::MakeEclipsingBinary());
  const std::vector<ombrane::Observation> pulsating = ombrane::MakePulsatingStar();
  ok = ombrane::WritePairs(folder / "pulsating_star.txt", pulsating) && ok;
  ok = ombrane::WriteCsv(folder / "pulsating_star.csv", pulsating, 0.015) && ok;
  ok = ombrane::WritePairs(folder / "short_night.txt", ombrane::MakeShortNight()) && ok;
  return ok ? 0 : 1;
}
