// The project file's JSON: writing every field, and reading it back with every field checked.
//
// Values the program holds in extended precision (Julian Days, periods, magnitudes) are written
// as text with every digit that reads back to the same value ("2451234.56789012345"): a JSON
// number is a double and would round them. The reader takes such a value as text or as a JSON
// number (a file edited by hand).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "project/Project.h"

namespace ombrane {

using Json = nlohmann::ordered_json;

const std::vector<std::string_view> kProjectBoxes = {
    "epoch",         "period",    "increment",  "searchMin",     "searchMax",
    "magnitudeStep", "harmonics", "starName",   "constellation", "raHours",
    "raMinutes",     "raSeconds", "decDegrees", "decMinutes",    "decSeconds"};
const std::vector<std::string_view> kProjectSwitches = {"saveData",     "saveFourier",     "fourierToNotes",
                                                        "heliocentric", "frequencyStep",   "errorBars",
                                                        "weightedFit",  "graphGroupActive"};
const std::vector<ProjectChoice> kProjectChoices = {
    {"graphSelection", -1, 3}, {"measurement", -1, 6}, {"plotAxis", -1, 1}, {"method", -1, 5}};

bool IsProjectPath(std::string_view path) {
  if (path.size() < kProjectExtension.size()) return false;
  const std::string_view end = path.substr(path.size() - kProjectExtension.size());
  return std::equal(end.begin(), end.end(), kProjectExtension.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

namespace {

// ---- names of the enumerations -------------------------------------------------------------

template <typename Enum>
struct Names {
  std::vector<std::pair<Enum, std::string_view>> items;

  std::string_view Of(Enum value) const {
    for (const auto& [item, name] : items)
      if (item == value) return name;
    return items.front().second;
  }
};

const Names<io::FieldSeparator> kSeparators{{{io::FieldSeparator::Blanks, "blanks"},
                                             {io::FieldSeparator::Tabs, "tabs"},
                                             {io::FieldSeparator::Commas, "commas"},
                                             {io::FieldSeparator::Semicolons, "semicolons"}}};
const Names<io::FluxColumn> kFluxColumns{{{io::FluxColumn::Pdcsap, "PDCSAP"}, {io::FluxColumn::Sap, "SAP"}}};
const Names<io::Binning> kBinnings{
    {{io::Binning::None, "none"}, {io::Binning::Auto, "auto"}, {io::Binning::Cadences, "cadences"}}};
const Names<ProjectPicture> kPictures{{{ProjectPicture::LoadedCurve, "loaded curve"},
                                       {ProjectPicture::DeletedCurve, "curve after deletion"},
                                       {ProjectPicture::Night, "night"},
                                       {ProjectPicture::PhaseDiagram, "phase diagram"},
                                       {ProjectPicture::Fit, "fit"},
                                       {ProjectPicture::MagnitudeStep, "magnitude step"}}};
const Names<ProjectFitKind> kFitKinds{{{ProjectFitKind::None, "none"},
                                       {ProjectFitKind::Automatic, "automatic"},
                                       {ProjectFitKind::Fixed, "fixed"}}};
const Names<SearchMethod> kMethods{{{SearchMethod::StringLength, "SL"},
                                    {SearchMethod::Aov, "AoV"},
                                    {SearchMethod::Gls, "GLS"},
                                    {SearchMethod::Mhaov, "MHAOV"},
                                    {SearchMethod::Pdm, "PDM"},
                                    {SearchMethod::Bls, "BLS"}}};
const Names<GridStep> kSteps{{{GridStep::Period, "period"}, {GridStep::Frequency, "frequency"}}};
const Names<MinimumKind> kMinimumKinds{
    {{MinimumKind::Primary, "primary"}, {MinimumKind::Secondary, "secondary"}}};

// ---- writing -------------------------------------------------------------------------------

Json Extended(long double x) {
  return FormatFileExact(x);
}

Json ValueJson(const ValueAndError& v) {
  return Json{{"value", Extended(v.value)}, {"error", Extended(v.error)}};
}

template <size_t N>
Json ValuesJson(const std::array<ValueAndError, N>& values) {
  Json list = Json::array();
  for (const ValueAndError& v : values) list.push_back(ValueJson(v));
  return list;
}

Json AngleJson(const SexagesimalAngle& angle) {
  return Json{{"whole", Extended(angle.whole)},
              {"minutes", Extended(angle.minutes)},
              {"seconds", Extended(angle.seconds)}};
}

Json ImportOptionsJson(const io::ImportOptions& o) {
  Json j = Json::object();
  if (o.separator) j["separator"] = kSeparators.Of(*o.separator);
  if (o.skipLines) j["skipLines"] = *o.skipLines;
  if (o.timeColumn) j["timeColumn"] = *o.timeColumn;
  if (o.magColumn) j["magColumn"] = *o.magColumn;
  if (o.errorColumn) j["errorColumn"] = *o.errorColumn;
  if (o.band) j["band"] = *o.band;
  j["flux"] = kFluxColumns.Of(o.flux);
  if (o.zeroPoint) j["zeroPoint"] = Extended(*o.zeroPoint);
  if (o.timeOffset) j["timeOffset"] = Extended(*o.timeOffset);
  if (o.valuesAreFlux) j["valuesAreFlux"] = *o.valuesAreFlux;
  j["binning"] = kBinnings.Of(o.binning);
  j["binCadences"] = o.binCadences;
  j["decimalSeparator"] = std::string(1, o.decimalSeparator);
  return j;
}

Json StarJson(const Star& s) {
  const FourierResults& f = s.fourierResults;
  return Json{{"epoch", Extended(s.epoch)},
              {"period", Extended(s.period)},
              {"bestPeriod", Extended(s.bestPeriod)},
              {"searchMin", Extended(s.searchMin)},
              {"searchMax", Extended(s.searchMax)},
              {"increment", Extended(s.increment)},
              {"stringLength", Extended(s.stringLength)},
              {"magnitudeStep", Extended(s.magnitudeStep)},
              {"harmonicCount", s.harmonicCount},
              {"starName", s.starName},
              {"constellation", s.constellation},
              {"rightAscension", AngleJson(s.rightAscension)},
              {"declination", AngleJson(s.declination)},
              {"raDecimalDegrees", Extended(s.raDecimalDegrees)},
              {"decDecimalDegrees", Extended(s.decDecimalDegrees)},
              {"coordinatesGiven", s.coordinatesGiven},
              {"fourierResults", Json{{"log10Period", Extended(f.log10Period)},
                                      {"a0", ValueJson(f.a0)},
                                      {"amplitude", ValuesJson(f.amplitude)},
                                      {"phase", ValuesJson(f.phase)},
                                      {"amplitudeRatio", ValuesJson(f.amplitudeRatio)},
                                      {"phaseDifference", ValuesJson(f.phaseDifference)},
                                      {"spare", Extended(f.spare)}}}};
}

Json ExtendedList(const std::vector<long double>& values) {
  Json list = Json::array();
  for (long double v : values) list.push_back(Extended(v));
  return list;
}

Json MinimaJson(const OcTable& table, const std::vector<ProjectMinimumOrigin>& origins) {
  Json minima = Json::array();
  for (size_t i = 0; i < table.minima.size(); ++i) {
    const TimedMinimum& m = table.minima[i];
    Json j{{"time", Extended(m.time)}, {"error", Extended(m.error)}};
    j["kind"] = m.kind ? Json(kMinimumKinds.Of(*m.kind)) : Json(nullptr);
    j["cycle"] = m.cycle ? Extended(*m.cycle) : Json(nullptr);
    j["excluded"] = m.excluded;
    const ProjectMinimumOrigin origin = i < origins.size() ? origins[i] : ProjectMinimumOrigin{};
    j["points"] = origin.points;
    j["coverage"] = origin.coverage;
    j["flag"] = origin.flag;
    minima.push_back(std::move(j));
  }
  Json j{{"minima", std::move(minima)},
         {"cycles", ExtendedList(table.cycles)},
         {"referenceEpoch", Extended(table.referenceEpoch)},
         {"referencePeriod", Extended(table.referencePeriod)},
         {"secondaryPhase", Extended(table.secondaryPhase)}};
  j["timeScale"] = table.timeScale ? Json(std::string(TimeScaleName(*table.timeScale))) : Json(nullptr);
  if (table.fit) {
    const EphemerisFit& f = *table.fit;
    j["fit"] = Json{{"quadratic", f.quadratic},
                    {"weighted", f.weighted},
                    {"used", f.used},
                    {"degreesOfFreedom", f.degreesOfFreedom},
                    {"epoch", Extended(f.epoch)},
                    {"epochError", Extended(f.epochError)},
                    {"period", Extended(f.period)},
                    {"periodError", Extended(f.periodError)},
                    {"quadraticTerm", Extended(f.quadraticTerm)},
                    {"quadraticError", Extended(f.quadraticError)},
                    {"periodChange", Extended(f.periodChange)},
                    {"periodChangeError", Extended(f.periodChangeError)},
                    {"periodRate", Extended(f.periodRate)},
                    {"periodRateError", Extended(f.periodRateError)},
                    {"chiSquare", Extended(f.chiSquare)},
                    {"rms", Extended(f.rms)},
                    {"errorScale", Extended(f.errorScale)},
                    {"errorsKnown", f.errorsKnown},
                    {"cycles", ExtendedList(f.cycles)},
                    {"residuals", ExtendedList(f.residuals)}};
  } else {
    j["fit"] = nullptr;
  }
  return j;
}

// ---- reading -------------------------------------------------------------------------------

// Reads the fields of one file; every refusal names the file and the field's path.
class Reader {
 public:
  explicit Reader(std::string_view shownName) : shown_(shownName) {}

  [[noreturn]] void Fail(const std::string& path, std::string_view what) const {
    std::string message(shown_);
    message.append(": the field \"").append(path).append("\" ").append(what).append(".");
    throw InputError(message);
  }

  const Json& Member(const Json& object, const std::string& path, std::string_view key) const {
    const auto it = object.find(key);
    if (it == object.end()) Fail(Join(path, key), "is missing");
    return *it;
  }
  bool Has(const Json& object, std::string_view key) const { return object.find(key) != object.end(); }

  static std::string Join(const std::string& path, std::string_view key) {
    std::string joined = path;
    if (!joined.empty()) joined.push_back('.');
    joined.append(key);
    return joined;
  }
  static std::string Index(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

  const Json& Object(const Json& j, const std::string& path) const {
    if (!j.is_object()) Fail(path, "is not an object");
    return j;
  }
  const Json& Array(const Json& j, const std::string& path, size_t maxSize) const {
    if (!j.is_array()) Fail(path, "is not a list");
    if (j.size() > maxSize) Fail(path, "holds more than " + std::to_string(maxSize) + " items");
    return j;
  }
  bool Bool(const Json& j, const std::string& path) const {
    if (!j.is_boolean()) Fail(path, "is not true or false");
    return j.get<bool>();
  }
  int64_t Int(const Json& j, const std::string& path, int64_t min, int64_t max) const {
    if (!j.is_number_integer()) Fail(path, "is not a whole number");
    const int64_t value = j.is_number_unsigned()
                              ? static_cast<int64_t>(std::min<uint64_t>(j.get<uint64_t>(), INT64_MAX))
                              : j.get<int64_t>();
    if (value < min || value > max)
      Fail(path, "is out of its range " + std::to_string(min) + " to " + std::to_string(max));
    return value;
  }
  int32_t Int32(const Json& j, const std::string& path, int32_t min, int32_t max) const {
    return static_cast<int32_t>(Int(j, path, min, max));
  }
  std::string String(const Json& j, const std::string& path, size_t maxSize) const {
    if (!j.is_string()) Fail(path, "is not text");
    const std::string& text = j.get_ref<const std::string&>();
    if (text.size() > maxSize) Fail(path, "is longer than " + std::to_string(maxSize) + " bytes");
    return text;
  }
  // An extended value: text of a number (every digit kept), or a JSON number. `finite`
  // refuses infinities and NaN.
  long double Extended(const Json& j, const std::string& path, bool finite = true) const {
    long double value = 0;
    if (j.is_number()) {
      value = j.get<double>();
    } else if (j.is_string()) {
      const std::string& text = j.get_ref<const std::string&>();
      const char* end = text.data() + text.size();
      const auto [ptr, ec] = std::from_chars(text.data(), end, value);
      if (ec != std::errc() || ptr != end || text.empty()) Fail(path, "is not a number");
    } else {
      Fail(path, "is not a number");
    }
    if (finite && !std::isfinite(value)) Fail(path, "is not a finite number");
    return value;
  }
  double Double(const Json& j, const std::string& path) const {
    const long double value = Extended(j, path);
    if (std::fabs(value) > std::numeric_limits<double>::max()) Fail(path, "is out of range");
    return static_cast<double>(value);
  }
  template <typename Enum>
  Enum Named(const Json& j, const std::string& path, const Names<Enum>& names) const {
    if (!j.is_string()) Fail(path, "is not text");
    const std::string& text = j.get_ref<const std::string&>();
    for (const auto& [item, name] : names.items)
      if (text == name) return item;
    std::string allowed;
    for (const auto& [item, name] : names.items) {
      if (!allowed.empty()) allowed.append(", ");
      allowed.append("\"").append(name).append("\"");
    }
    Fail(path, "is none of " + allowed);
  }

 private:
  std::string_view shown_;
};

ValueAndError ReadValue(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  return {r.Extended(r.Member(j, path, "value"), path + ".value", false),
          r.Extended(r.Member(j, path, "error"), path + ".error", false)};
}

template <size_t N>
void ReadValues(const Reader& r, const Json& j, const std::string& path,
                std::array<ValueAndError, N>& values) {
  r.Array(j, path, N);
  if (j.size() != N) r.Fail(path, "does not hold " + std::to_string(N) + " items");
  for (size_t i = 0; i < N; ++i) values[i] = ReadValue(r, j[i], Reader::Index(path, i));
}

SexagesimalAngle ReadAngle(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  return {r.Extended(r.Member(j, path, "whole"), path + ".whole"),
          r.Extended(r.Member(j, path, "minutes"), path + ".minutes"),
          r.Extended(r.Member(j, path, "seconds"), path + ".seconds")};
}

io::ImportOptions ReadImportOptions(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  io::ImportOptions o;
  auto field = [&](std::string_view key) { return Reader::Join(path, key); };
  constexpr int32_t kColumns = 100'000;
  if (r.Has(j, "separator")) o.separator = r.Named(j["separator"], field("separator"), kSeparators);
  if (r.Has(j, "skipLines")) o.skipLines = r.Int32(j["skipLines"], field("skipLines"), 0, INT32_MAX);
  if (r.Has(j, "timeColumn")) o.timeColumn = r.Int32(j["timeColumn"], field("timeColumn"), 0, kColumns);
  if (r.Has(j, "magColumn")) o.magColumn = r.Int32(j["magColumn"], field("magColumn"), 0, kColumns);
  if (r.Has(j, "errorColumn")) o.errorColumn = r.Int32(j["errorColumn"], field("errorColumn"), -1, kColumns);
  if (r.Has(j, "band")) o.band = r.String(j["band"], field("band"), kMaxProjectBoxText);
  if (r.Has(j, "flux")) o.flux = r.Named(j["flux"], field("flux"), kFluxColumns);
  if (r.Has(j, "zeroPoint")) o.zeroPoint = r.Extended(j["zeroPoint"], field("zeroPoint"));
  if (r.Has(j, "timeOffset")) o.timeOffset = r.Extended(j["timeOffset"], field("timeOffset"));
  if (r.Has(j, "valuesAreFlux")) o.valuesAreFlux = r.Bool(j["valuesAreFlux"], field("valuesAreFlux"));
  if (r.Has(j, "binning")) o.binning = r.Named(j["binning"], field("binning"), kBinnings);
  if (r.Has(j, "binCadences"))
    o.binCadences = r.Int32(j["binCadences"], field("binCadences"), 1, kMaxObservations);
  if (r.Has(j, "decimalSeparator")) {
    const std::string separator = r.String(j["decimalSeparator"], field("decimalSeparator"), 1);
    if (separator != "." && separator != ",") r.Fail(field("decimalSeparator"), "is neither \".\" nor \",\"");
    o.decimalSeparator = separator[0];
  }
  return o;
}

ProjectSource ReadSource(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  ProjectSource s;
  s.path = r.String(r.Member(j, path, "path"), path + ".path", 4096);
  if (s.path.empty()) r.Fail(path + ".path", "is empty");
  s.fileName = r.String(r.Member(j, path, "fileName"), path + ".fileName", 4096);
  s.size = static_cast<uint64_t>(r.Int(r.Member(j, path, "size"), path + ".size", 0, INT64_MAX));
  const std::string crc = r.String(r.Member(j, path, "crc32"), path + ".crc32", 8);
  uint32_t value = 0;
  const auto [ptr, ec] = std::from_chars(crc.data(), crc.data() + crc.size(), value, 16);
  if (crc.size() != 8 || ec != std::errc() || ptr != crc.data() + crc.size())
    r.Fail(path + ".crc32", "is not 8 hexadecimal digits");
  s.crc32 = value;
  if (r.Has(j, "importOptions") && !j["importOptions"].is_null())
    s.importOptions = ReadImportOptions(r, j["importOptions"], path + ".importOptions");
  if (r.Has(j, "timeScale") && !j["timeScale"].is_null()) {
    const std::string scale = r.String(j["timeScale"], path + ".timeScale", 16);
    s.timeScale = ParseTimeScale(scale);
    if (!s.timeScale) r.Fail(path + ".timeScale", "is not JD, HJD or BJD_TDB");
  }
  return s;
}

Star ReadStar(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  auto field = [&](std::string_view key) { return Reader::Join(path, key); };
  auto extended = [&](std::string_view key, bool finite = false) {
    return r.Extended(r.Member(j, path, key), field(key), finite);
  };
  Star s;
  s.epoch = extended("epoch");
  s.period = extended("period");
  s.bestPeriod = extended("bestPeriod");
  s.searchMin = extended("searchMin");
  s.searchMax = extended("searchMax");
  s.increment = extended("increment");
  s.stringLength = extended("stringLength");
  s.magnitudeStep = extended("magnitudeStep");
  s.harmonicCount = r.Int32(r.Member(j, path, "harmonicCount"), field("harmonicCount"), INT32_MIN, INT32_MAX);
  s.starName = r.String(r.Member(j, path, "starName"), field("starName"), kMaxProjectBoxText);
  s.constellation = r.String(r.Member(j, path, "constellation"), field("constellation"), kMaxProjectBoxText);
  s.rightAscension = ReadAngle(r, r.Member(j, path, "rightAscension"), field("rightAscension"));
  s.declination = ReadAngle(r, r.Member(j, path, "declination"), field("declination"));
  s.raDecimalDegrees = extended("raDecimalDegrees");
  s.decDecimalDegrees = extended("decDecimalDegrees");
  s.coordinatesGiven = r.Bool(r.Member(j, path, "coordinatesGiven"), field("coordinatesGiven"));
  const std::string fp = field("fourierResults");
  const Json& f = r.Object(r.Member(j, path, "fourierResults"), fp);
  FourierResults& results = s.fourierResults;
  results.log10Period = r.Extended(r.Member(f, fp, "log10Period"), fp + ".log10Period", false);
  results.a0 = ReadValue(r, r.Member(f, fp, "a0"), fp + ".a0");
  ReadValues(r, r.Member(f, fp, "amplitude"), fp + ".amplitude", results.amplitude);
  ReadValues(r, r.Member(f, fp, "phase"), fp + ".phase", results.phase);
  ReadValues(r, r.Member(f, fp, "amplitudeRatio"), fp + ".amplitudeRatio", results.amplitudeRatio);
  ReadValues(r, r.Member(f, fp, "phaseDifference"), fp + ".phaseDifference", results.phaseDifference);
  results.spare = r.Extended(r.Member(f, fp, "spare"), fp + ".spare", false);
  return s;
}

std::vector<long double> ReadExtendedList(const Reader& r, const Json& j, const std::string& path,
                                          bool finite) {
  r.Array(j, path, kMaxProjectMinima);
  std::vector<long double> values;
  values.reserve(j.size());
  for (size_t i = 0; i < j.size(); ++i) values.push_back(r.Extended(j[i], Reader::Index(path, i), finite));
  return values;
}

OcTable ReadMinima(const Reader& r, const Json& j, const std::string& path,
                   std::vector<ProjectMinimumOrigin>& origins) {
  r.Object(j, path);
  OcTable table;
  const std::string mp = path + ".minima";
  const Json& minima = r.Array(r.Member(j, path, "minima"), mp, kMaxProjectMinima);
  for (size_t i = 0; i < minima.size(); ++i) {
    const std::string ip = Reader::Index(mp, i);
    const Json& m = r.Object(minima[i], ip);
    TimedMinimum minimum;
    minimum.time = r.Extended(r.Member(m, ip, "time"), ip + ".time");
    minimum.error = r.Extended(r.Member(m, ip, "error"), ip + ".error");
    if (minimum.error < 0) r.Fail(ip + ".error", "is negative");
    if (r.Has(m, "kind") && !m["kind"].is_null())
      minimum.kind = r.Named(m["kind"], ip + ".kind", kMinimumKinds);
    if (r.Has(m, "cycle") && !m["cycle"].is_null()) minimum.cycle = r.Extended(m["cycle"], ip + ".cycle");
    minimum.excluded = r.Bool(r.Member(m, ip, "excluded"), ip + ".excluded");
    table.minima.push_back(minimum);
    ProjectMinimumOrigin origin;
    if (r.Has(m, "points")) origin.points = r.Int32(m["points"], ip + ".points", 0, kMaxObservations);
    if (r.Has(m, "coverage")) origin.coverage = r.String(m["coverage"], ip + ".coverage", kMaxProjectBoxText);
    if (r.Has(m, "flag")) origin.flag = r.String(m["flag"], ip + ".flag", kMaxProjectBoxText);
    origins.push_back(std::move(origin));
  }
  table.cycles = ReadExtendedList(r, r.Member(j, path, "cycles"), path + ".cycles", true);
  if (table.cycles.size() != table.minima.size())
    r.Fail(path + ".cycles", "does not hold one cycle a minimum");
  table.referenceEpoch = r.Extended(r.Member(j, path, "referenceEpoch"), path + ".referenceEpoch");
  table.referencePeriod = r.Extended(r.Member(j, path, "referencePeriod"), path + ".referencePeriod");
  table.secondaryPhase = r.Extended(r.Member(j, path, "secondaryPhase"), path + ".secondaryPhase");
  if (table.secondaryPhase < 0 || table.secondaryPhase >= 1)
    r.Fail(path + ".secondaryPhase", "is out of its range 0 to 1");
  if (r.Has(j, "timeScale") && !j["timeScale"].is_null()) {
    table.timeScale = ParseTimeScale(r.String(j["timeScale"], path + ".timeScale", 16));
    if (!table.timeScale) r.Fail(path + ".timeScale", "is not JD, HJD or BJD_TDB");
  }
  if (r.Has(j, "fit") && !j["fit"].is_null()) {
    const std::string fp = path + ".fit";
    const Json& f = r.Object(j["fit"], fp);
    EphemerisFit fit;
    auto extended = [&](std::string_view key) {
      return r.Extended(r.Member(f, fp, key), Reader::Join(fp, key), false);
    };
    fit.quadratic = r.Bool(r.Member(f, fp, "quadratic"), fp + ".quadratic");
    fit.weighted = r.Bool(r.Member(f, fp, "weighted"), fp + ".weighted");
    fit.used = r.Int32(r.Member(f, fp, "used"), fp + ".used", 0, static_cast<int32_t>(kMaxProjectMinima));
    fit.degreesOfFreedom = r.Int32(r.Member(f, fp, "degreesOfFreedom"), fp + ".degreesOfFreedom", 0,
                                   static_cast<int32_t>(kMaxProjectMinima));
    fit.epoch = extended("epoch");
    fit.epochError = extended("epochError");
    fit.period = extended("period");
    fit.periodError = extended("periodError");
    fit.quadraticTerm = extended("quadraticTerm");
    fit.quadraticError = extended("quadraticError");
    fit.periodChange = extended("periodChange");
    fit.periodChangeError = extended("periodChangeError");
    fit.periodRate = extended("periodRate");
    fit.periodRateError = extended("periodRateError");
    fit.chiSquare = extended("chiSquare");
    fit.rms = extended("rms");
    fit.errorScale = extended("errorScale");
    fit.errorsKnown = r.Bool(r.Member(f, fp, "errorsKnown"), fp + ".errorsKnown");
    fit.cycles = ReadExtendedList(r, r.Member(f, fp, "cycles"), fp + ".cycles", false);
    fit.residuals = ReadExtendedList(r, r.Member(f, fp, "residuals"), fp + ".residuals", false);
    if (fit.cycles.size() != fit.residuals.size())
      r.Fail(fp + ".residuals", "does not hold one residual a cycle");
    table.fit = std::move(fit);
  }
  return table;
}

ProjectView ReadView(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  ProjectView v;
  v.picture = r.Named(r.Member(j, path, "picture"), path + ".picture", kPictures);
  v.night = r.Int32(r.Member(j, path, "night"), path + ".night", -1, kMaxObservations);
  v.jdAverageAxis = r.Bool(r.Member(j, path, "jdAverageAxis"), path + ".jdAverageAxis");
  v.leftAxisInverted = r.Bool(r.Member(j, path, "leftAxisInverted"), path + ".leftAxisInverted");
  v.minNightPoints = r.Int32(r.Member(j, path, "minNightPoints"), path + ".minNightPoints", 0, 1'000'000);
  v.folded = r.Bool(r.Member(j, path, "folded"), path + ".folded");
  v.foldOperations = r.Int(r.Member(j, path, "foldOperations"), path + ".foldOperations", -1,
                           static_cast<int64_t>(kMaxProjectOperations));
  if (r.Has(j, "zoom") && !j["zoom"].is_null()) {
    const std::string zp = path + ".zoom";
    const Json& z = r.Object(j["zoom"], zp);
    ProjectView::Zoom zoom{.xMin = r.Double(r.Member(z, zp, "xMin"), zp + ".xMin"),
                           .xMax = r.Double(r.Member(z, zp, "xMax"), zp + ".xMax"),
                           .yMin = r.Double(r.Member(z, zp, "yMin"), zp + ".yMin"),
                           .yMax = r.Double(r.Member(z, zp, "yMax"), zp + ".yMax")};
    if (!(zoom.xMin < zoom.xMax)) r.Fail(zp + ".xMax", "is not above xMin");
    if (!(zoom.yMin < zoom.yMax)) r.Fail(zp + ".yMax", "is not above yMin");
    v.zoom = zoom;
  }
  return v;
}

ProjectSearch ReadSearch(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  ProjectSearch s;
  s.method = r.Named(r.Member(j, path, "method"), path + ".method", kMethods);
  s.settings.step = r.Named(r.Member(j, path, "step"), path + ".step", kSteps);
  s.settings.harmonics = r.Int32(r.Member(j, path, "harmonics"), path + ".harmonics", 1, 100);
  s.settings.bins = r.Int32(r.Member(j, path, "bins"), path + ".bins", 2, 10'000);
  s.settings.covers = r.Int32(r.Member(j, path, "covers"), path + ".covers", 1, 100);
  const std::string dp = path + ".durations";
  const Json& durations = r.Array(r.Member(j, path, "durations"), dp, 100);
  s.settings.durations.clear();
  for (size_t i = 0; i < durations.size(); ++i) {
    const double d = r.Double(durations[i], Reader::Index(dp, i));
    if (!(d > 0 && d <= 0.5)) r.Fail(Reader::Index(dp, i), "is out of its range above 0 to 0.5");
    s.settings.durations.push_back(d);
  }
  if (s.settings.durations.empty()) r.Fail(dp, "is empty");
  s.settings.weighted = r.Bool(r.Member(j, path, "weighted"), path + ".weighted");
  s.oversampling = r.Double(r.Member(j, path, "oversampling"), path + ".oversampling");
  if (!(s.oversampling > 0 && s.oversampling <= 1000)) r.Fail(path + ".oversampling", "is out of its range");
  const std::string pp = path + ".peaks";
  const Json& peaks = r.Array(r.Member(j, path, "peaks"), pp, kMaxProjectPeaks);
  for (size_t i = 0; i < peaks.size(); ++i) {
    const std::string ip = Reader::Index(pp, i);
    r.Object(peaks[i], ip);
    ProjectSearch::Peak peak{.period = r.Extended(r.Member(peaks[i], ip, "period"), ip + ".period"),
                             .score = r.Extended(r.Member(peaks[i], ip, "score"), ip + ".score")};
    if (!(peak.period > 0)) r.Fail(ip + ".period", "is not above 0");
    s.peaks.push_back(peak);
  }
  return s;
}

ProjectFit ReadFit(const Reader& r, const Json& j, const std::string& path) {
  r.Object(j, path);
  ProjectFit f;
  f.kind = r.Named(r.Member(j, path, "kind"), path + ".kind", kFitKinds);
  f.harmonics = r.Int32(r.Member(j, path, "harmonics"), path + ".harmonics", 0, 1000);
  f.weighted = r.Bool(r.Member(j, path, "weighted"), path + ".weighted");
  f.operations = r.Int(r.Member(j, path, "operations"), path + ".operations", -1,
                       static_cast<int64_t>(kMaxProjectOperations));
  f.ownOperations = r.Int32(r.Member(j, path, "ownOperations"), path + ".ownOperations", 0, 1);
  return f;
}

// The deepest nesting of lists and objects in JSON text (brackets inside strings not counted).
int NestingDepth(std::string_view text) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  bool escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

}  // namespace

std::string WriteProjectJson(const Project& project) {
  Json root = Json::object();
  root["format"] = kProjectFormat;
  root["version"] = kProjectVersion;
  Json sources = Json::array();
  for (const ProjectSource& s : project.sources) {
    char crc[9];
    const auto result = std::to_chars(crc, crc + 8, s.crc32, 16);
    const std::string digits(crc, result.ptr);
    Json j{{"path", s.path},
           {"fileName", s.fileName},
           {"size", s.size},
           {"crc32", std::string(8 - digits.size(), '0') + digits}};
    j["importOptions"] = s.importOptions ? ImportOptionsJson(*s.importOptions) : Json(nullptr);
    j["timeScale"] = s.timeScale ? Json(std::string(TimeScaleName(*s.timeScale))) : Json(nullptr);
    sources.push_back(std::move(j));
  }
  root["sources"] = std::move(sources);
  root["operations"] = project.operations;
  root["star"] = StarJson(project.star);
  Json boxes = Json::object();
  for (const auto& [name, text] : project.boxes) boxes[name] = text;
  root["boxes"] = std::move(boxes);
  Json switches = Json::object();
  for (const auto& [name, on] : project.switches) switches[name] = on;
  root["switches"] = std::move(switches);
  Json choices = Json::object();
  for (const auto& [name, item] : project.choices) choices[name] = item;
  root["choices"] = std::move(choices);
  const ProjectSearch& s = project.search;
  Json peaks = Json::array();
  for (const ProjectSearch::Peak& p : s.peaks)
    peaks.push_back(Json{{"period", Extended(p.period)}, {"score", Extended(p.score)}});
  Json durations = Json::array();
  for (double d : s.settings.durations) durations.push_back(d);
  root["search"] = Json{{"method", kMethods.Of(s.method)},   {"step", kSteps.Of(s.settings.step)},
                        {"harmonics", s.settings.harmonics}, {"bins", s.settings.bins},
                        {"covers", s.settings.covers},       {"durations", std::move(durations)},
                        {"weighted", s.settings.weighted},   {"oversampling", s.oversampling},
                        {"peaks", std::move(peaks)}};
  root["fit"] = Json{{"kind", kFitKinds.Of(project.fit.kind)},
                     {"harmonics", project.fit.harmonics},
                     {"weighted", project.fit.weighted},
                     {"operations", project.fit.operations},
                     {"ownOperations", project.fit.ownOperations}};
  root["minima"] = project.minima ? MinimaJson(*project.minima, project.minimaOrigins) : Json(nullptr);
  const ProjectView& v = project.view;
  Json view{{"picture", kPictures.Of(v.picture)}, {"night", v.night},
            {"jdAverageAxis", v.jdAverageAxis},   {"leftAxisInverted", v.leftAxisInverted},
            {"minNightPoints", v.minNightPoints}, {"folded", v.folded},
            {"foldOperations", v.foldOperations}};
  view["zoom"] = v.zoom ? Json{{"xMin", v.zoom->xMin},
                               {"xMax", v.zoom->xMax},
                               {"yMin", v.zoom->yMin},
                               {"yMax", v.zoom->yMax}}
                        : Json(nullptr);
  root["view"] = std::move(view);
  root["notes"] = Json{{"format", project.notesRich ? "html" : "text"}, {"text", project.notes}};
  // Text that is not valid UTF-8 (a file name in another encoding) is written with its bad
  // bytes replaced rather than refused.
  std::string text = root.dump(2, ' ', false, Json::error_handler_t::replace);
  text.push_back('\n');
  return text;
}

Project ReadProjectJson(std::string_view text, std::string_view shownName) {
  const Reader r(shownName);
  Json root;
  // Nesting deeper than any project's is refused before the text is parsed.
  constexpr int kMaxDepth = 32;
  if (NestingDepth(text) > kMaxDepth) {
    std::string message(shownName);
    message.append(" is not a project file: its JSON is nested more than ")
        .append(std::to_string(kMaxDepth))
        .append(" deep.");
    throw InputError(message);
  }
  try {
    root = Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& error) {
    std::string message(shownName);
    message.append(" is not a project file: it is not valid JSON (")
        .append(error.what() + std::string_view(error.what()).find(' ') + 1)
        .append(").");
    throw InputError(message);
  }
  if (!root.is_object() || root.find("format") == root.end() || root["format"] != kProjectFormat) {
    std::string message(shownName);
    message.append(" is not an Ombrane project file (its \"format\" is not \"")
        .append(kProjectFormat)
        .append("\").");
    throw InputError(message);
  }
  const int64_t version = r.Int(r.Member(root, "", "version"), "version", 1, INT64_MAX);
  if (version > kProjectVersion) {
    std::string message(shownName);
    message.append(" was saved by a newer version of Ombrane (project format version ")
        .append(std::to_string(version))
        .append("); this version reads version ")
        .append(std::to_string(kProjectVersion))
        .append(" and older. Open it with a newer Ombrane.");
    throw InputError(message);
  }

  Project project;
  const Json& sources = r.Array(r.Member(root, "", "sources"), "sources", 16);
  if (sources.empty()) r.Fail("sources", "is empty");
  for (size_t i = 0; i < sources.size(); ++i)
    project.sources.push_back(ReadSource(r, sources[i], Reader::Index("sources", i)));
  project.operations = r.Array(r.Member(root, "", "operations"), "operations", kMaxProjectOperations);
  project.star = ReadStar(r, r.Member(root, "", "star"), "star");

  const Json& boxes = r.Object(r.Member(root, "", "boxes"), "boxes");
  for (const auto& [name, value] : boxes.items()) {
    if (std::find(kProjectBoxes.begin(), kProjectBoxes.end(), name) == kProjectBoxes.end())
      r.Fail("boxes." + name, "is not a box of the window");
    project.boxes[name] = r.String(value, "boxes." + name, kMaxProjectBoxText);
  }
  const Json& switches = r.Object(r.Member(root, "", "switches"), "switches");
  for (const auto& [name, value] : switches.items()) {
    if (std::find(kProjectSwitches.begin(), kProjectSwitches.end(), name) == kProjectSwitches.end())
      r.Fail("switches." + name, "is not a switch of the window");
    project.switches[name] = r.Bool(value, "switches." + name);
  }
  const Json& choices = r.Object(r.Member(root, "", "choices"), "choices");
  for (const auto& [name, value] : choices.items()) {
    const auto choice = std::find_if(kProjectChoices.begin(), kProjectChoices.end(),
                                     [&](const ProjectChoice& c) { return c.name == name; });
    if (choice == kProjectChoices.end()) r.Fail("choices." + name, "is not a choice of the window");
    project.choices[name] = r.Int32(value, "choices." + name, choice->min, choice->max);
  }
  project.search = ReadSearch(r, r.Member(root, "", "search"), "search");
  project.fit = ReadFit(r, r.Member(root, "", "fit"), "fit");
  const Json& minima = r.Member(root, "", "minima");
  if (!minima.is_null()) project.minima = ReadMinima(r, minima, "minima", project.minimaOrigins);
  project.view = ReadView(r, r.Member(root, "", "view"), "view");
  // The places in the list of operations that a fold and a fit name lie within it.
  const auto operationCount = static_cast<int64_t>(project.operations.size());
  if (project.view.foldOperations > operationCount)
    r.Fail("view.foldOperations", "is past the end of the operations");
  if (project.fit.operations + project.fit.ownOperations > operationCount)
    r.Fail("fit.operations", "is past the end of the operations");
  const Json& notes = r.Object(r.Member(root, "", "notes"), "notes");
  const std::string format = r.String(r.Member(notes, "notes", "format"), "notes.format", 8);
  if (format != "html" && format != "text") r.Fail("notes.format", "is neither \"html\" nor \"text\"");
  project.notesRich = format == "html";
  project.notes = r.String(r.Member(notes, "notes", "text"), "notes.text", kMaxProjectText);
  return project;
}

}  // namespace ombrane
