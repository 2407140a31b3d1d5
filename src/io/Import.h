// Importing the files observers have: text in columns (with a header, comment lines, blanks,
// tabs, commas or semicolons), the CSV exports of the AAVSO International Database and the FITS
// light curves of Kepler, K2 and TESS. Each format is one ImportFormat (one file) and one row of
// the table in Formats.cpp; InspectImport and ReadImport pick the format of a file from it.
//
// Every input is read once (ReadInput): a pipe, a FIFO or standard input ("-") cannot be read
// again, so the format is found on the bytes already read and the reader parses those bytes.
//
// An import goes in two steps. InspectImport looks at a file: its format, the first lines as a
// table, the layout found and the guesses for every choice (ImportPreview::options). ReadImport
// reads the whole file with the choices made, leaves out what cannot be an observation (and
// counts it in the notes), bins when asked, and returns the observations that the store's load
// (LoadObservations) then takes like the pairs of a plain file. A file that cannot be read as
// asked raises InputError with what is wrong: nothing is loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Photometry.h"
#include "store/Records.h"
#include "store/TimeScale.h"

namespace ombrane::io {

// The offsets of reduced times: none, JD - 2400000, MJD (JD - 2400000.5), JD - 2450000 and
// TESS's BTJD (BJD - 2457000).
inline constexpr long double kTimeOffsets[] = {0, 2400000, 2400000.5L, 2450000, 2457000};

// The most observations the store takes (the repeat of the last one comes on top).
inline constexpr int32_t kStoreRoom = kMaxObservations;

// The most bytes a reader takes from one file, a gzipped one once unpacked (256 MB): far more
// than any light curve, and a bound on what a file, a device or a pipe without end can make a
// reader hold.
inline constexpr size_t kInputByteLimit = size_t{1} << 28;

enum class FieldSeparator { Blanks, Tabs, Commas, Semicolons };
enum class FluxColumn { Pdcsap, Sap };
// Binning in time, a choice at any size: none (every row is handed to the load, which keeps the
// first ones past the store's room and says how many were left out), the shortest bin that
// fits the store (Auto), or bins of ImportOptions::binCadences cadences.
enum class Binning { None, Auto, Cadences };

// The choices of an import. Unset choices are filled in by the detection (InspectImport gives
// them all set); ReadImport fills in unset ones the same way.
struct ImportOptions {
  std::optional<FieldSeparator> separator;  // text: how fields are separated
  std::optional<int32_t> skipLines;         // text: lines skipped at the top (a header among them)
  std::optional<int32_t> timeColumn;        // text: 0-based column of the time (Julian Day)
  std::optional<int32_t> magColumn;         // text: 0-based column of the magnitude
  // text: 0-based column of the magnitude's (or flux's) error σ; -1: none. Unset: the first
  // column whose header name says it is an error (ErrorColumnOfNames), else none.
  std::optional<int32_t> errorColumn;
  std::optional<std::string> band;       // AAVSO: the one band kept
  FluxColumn flux = FluxColumn::Pdcsap;  // FITS: the flux turned into magnitudes
  std::optional<long double> zeroPoint;  // flux: magnitude = -2.5 log10(flux) + zeroPoint
  // text: added to every time, for times written less a constant ("BJD-2450000", MJD, TESS's
  // BTJD); the offsets observers use are kTimeOffsets.
  std::optional<long double> timeOffset;
  // The time scale of the times (JD in UTC, HJD or BJD_TDB). Unset: what the file says (a FITS
  // light curve is BJD_TDB, a time column named "HJD" or "BJD..." is that scale), else JD.
  std::optional<TimeScale> timeScale;
  std::optional<bool> valuesAreFlux;  // text: the magnitude column holds (normalised) flux
  Binning binning = Binning::None;
  int32_t binCadences = 1;      // Binning::Cadences: bin width in cadences of the file
  char decimalSeparator = '.';  // of the numbers in the notes (the window's is the user's)
};

// What InspectImport found.
struct ImportPreview {
  std::string format;                                  // the format's name, "Text columns", ...
  bool textLayout = false;                             // separator, lines to skip and columns apply
  bool chooseColumns = false;                          // the time and magnitude columns are the user's
  std::vector<std::string> columnNames;                // a name per column (header name, or empty)
  int32_t firstLineNumber = 1;                         // 1-based file line of the first preview row
  std::vector<std::vector<std::string>> rows;          // the first lines (text) or rows (FITS) as fields
  std::vector<bool> rowSkipped;                        // per preview row: a skipped or comment line
  std::vector<std::string> layout;                     // what was found, one line each
  std::vector<std::pair<std::string, int64_t>> bands;  // AAVSO: the bands and their rows
  std::vector<FluxColumn> fluxColumns;                 // FITS: the flux columns the file holds
  ImportOptions options;                               // every choice set to the detection's guess
};

// What ReadImport read.
struct ImportResult {
  std::string format;
  std::vector<Observation> observations;  // in file order (binned when asked)
  std::vector<std::string> notes;         // lines for the notes pane, each naming the file
  int64_t rowsRemaining = 0;              // observations before binning
  int32_t autoBinCadences = 1;            // the shortest bin (in cadences) that fits the store
  long double cadence = 0;                // the file's cadence in days (0: unknown)
  std::optional<long double> zeroPoint;   // FITS: the zero point used
  bool errors = false;                    // every observation carries its error σ (magnitudes)
  TimeScale timeScale = TimeScale::Jd;    // the scale of the times (the choice, else the file's)
};

class ImportFormat;

// One input, read once: its bytes and the format they are read as.
struct Input {
  std::string path;  // as given; "-" is standard input
  // The whole content, unless `fromPath`.
  std::string bytes{};
  // A regular file of a format that reads its file itself (FITS): nothing is held, the format's
  // reader opens `path`.
  bool fromPath = false;
  const ImportFormat* format = nullptr;
};

// Reads the file at `path`, or standard input for "-", once, and finds its format: the first of
// the table that recognises it (from its name and its first 4096 bytes), else text columns. A
// regular file of a format that reads its file itself is not read here (fromPath). InputError,
// naming the file as `shownName`, when it cannot be opened or read or holds more than `limit`
// bytes.
Input ReadInput(const std::string& path, std::string_view shownName, size_t limit = kInputByteLimit);
// The same, its bytes held whatever the format (never `fromPath`): an input that is inspected
// and read again and again with other choices (the import dialog) is read from its file once,
// and a file removed or changed meanwhile changes nothing.
Input ReadHeldInput(const std::string& path, std::string_view shownName, size_t limit = kInputByteLimit);

// The format's part of an import. `shownName` names the file in messages and notes.
class ImportFormat {
 public:
  virtual ~ImportFormat() = default;
  virtual std::string_view Name() const = 0;
  // Whether the file is of this format, from its name and its first bytes.
  virtual bool Recognises(std::string_view path, std::string_view head) const = 0;
  // The format's reader opens a regular file itself (Input::fromPath) rather than take its bytes.
  virtual bool ReadsPath() const { return false; }
  virtual ImportPreview Inspect(const Input& input, std::string_view shownName,
                                const ImportOptions& options) const = 0;
  // The observations before binning: times, and magnitudes or fluxes (`fluxes` tells which).
  struct Rows {
    std::vector<long double> time;
    std::vector<long double> value;
    // The error σ of each value, in the value's units (magnitudes, or flux); empty when the file
    // gives none. A value whose error is missing or unusable has NaN here.
    std::vector<long double> error{};
    bool fluxes = false;
    long double cadence = 0;  // the file's own cadence in days, 0 when it does not say
    std::vector<std::string> notes;
    TimeScale timeScale = TimeScale::Jd;  // the scale the file says its times are in
  };
  virtual Rows Read(const Input& input, std::string_view shownName, const ImportOptions& options) const = 0;
};

// The format of a file named `path` whose first bytes are `head`: the first of the table that
// recognises it, else text columns.
const ImportFormat& FormatOf(std::string_view path, std::string_view head);

// Looks at an input; `options` holds choices already made (a changed separator or lines to
// skip), the rest is guessed. InputError when it cannot be read. The path form reads the file
// first (ReadInput).
ImportPreview InspectImport(const Input& input, std::string_view shownName,
                            const ImportOptions& options = {});
ImportPreview InspectImport(const std::string& path, std::string_view shownName,
                            const ImportOptions& options = {});

// Reads an input with the choices made. InputError when it cannot be read as asked.
ImportResult ReadImport(const Input& input, std::string_view shownName, const ImportOptions& options);
ImportResult ReadImport(const std::string& path, std::string_view shownName, const ImportOptions& options);

// Binning in time: bins of `cadences` x `cadence` days, the first starting half a cadence before
// the first time. BinRows replaces the rows by the mean time and the mean value of each bin that
// holds any (in the order of time); ShortestBinning gives the fewest cadences a bin for which at
// most `room` bins hold rows (1 when the rows fit as they are, 0 when the times do not advance).
// With `error` (the σ of each value, or empty) the bin's error is that of its mean value,
// sqrt(Σσ²)/n.
void BinRows(std::vector<long double>& time, std::vector<long double>& value, long double cadence,
             int32_t cadences, std::vector<long double>* error = nullptr);
int32_t ShortestBinning(const std::vector<long double>& time, long double cadence, int32_t room);

// The file's cadence: the median of the positive steps between consecutive times (0 for fewer
// than two times).
long double MedianStep(const std::vector<long double>& time);

// The error of a magnitude -2.5 log10(flux) from the error of the flux: 2.5/ln 10 · σ_F/F.
long double MagnitudeErrorOfFlux(long double flux, long double fluxError);

// The first column whose name says it holds errors (err, error, sigma, uncertainty, e_mag,
// mag_err ... in any case), leaving out `timeColumn` and `magColumn`; -1 when none does.
int32_t ErrorColumnOfNames(const std::vector<std::string>& names, int32_t timeColumn, int32_t magColumn);

// The separator's name as the dialog and the notes show it ("blanks", "tabs", ...).
std::string_view SeparatorName(FieldSeparator separator);

// One clause of a reader's note on the rows it did not take: "; 3 fainter-than estimates left
// out" (`plural` when count is not 1, `singular` for one); nothing when count is 0.
void AddLeftOutClause(std::string& note, int64_t count, std::string_view singular, std::string_view plural);
inline void AddLeftOutClause(std::string& note, int64_t count, std::string_view what) {
  AddLeftOutClause(note, count, what, what);
}

}  // namespace ombrane::io
