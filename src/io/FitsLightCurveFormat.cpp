// The FITS light curves of Kepler, K2 and TESS, read with CFITSIO: the binary table extension
// "LIGHTCURVE" with the columns TIME (days from the reference day BJDREFI + BJDREFF of its
// header, in barycentric dynamical time), SAP_FLUX (simple aperture photometry), PDCSAP_FLUX
// (the same corrected for systematics by the Presearch Data Conditioning) and QUALITY (bit
// flags; 0 for a good cadence). Kepler Archive Manual (KDMC-10008), sect. 2.3; TESS Science
// Data Products Description (EXP-TESS-ARC-ICD-0014), sect. 5.4. CFITSIO is reached only
// through the small wrapper below.
#include <fitsio.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "io/FitsCheck.h"
#include "io/Import.h"

namespace ombrane::io {
namespace {

// Rows of the table shown in the preview.
constexpr int64_t kPreviewRows = 30;

const char* FluxName(FluxColumn flux) {
  return flux == FluxColumn::Sap ? "SAP_FLUX" : "PDCSAP_FLUX";
}

// The column of the flux's error σ_F (in the flux's units).
const char* FluxErrorName(FluxColumn flux) {
  return flux == FluxColumn::Sap ? "SAP_FLUX_ERR" : "PDCSAP_FLUX_ERR";
}

// An open FITS file positioned at its LIGHTCURVE table; every failure is an InputError naming
// the file and what CFITSIO said.
class FitsTable {
 public:
  FitsTable(const Input& input, std::string_view shownName)
      : shownName_(shownName),
        bytes_(input.fromPath ? ReadFitsBytes(input.path, shownName)
                              : UnpackFitsBytes(input.bytes, shownName)) {
    // The headers are checked before CFITSIO reads them (it trusts their sizes and counts), and
    // CFITSIO is then moved by number to the table found, over headers that were checked.
    const std::optional<FitsTableLayout> table = CheckFitsHeaders(bytes_, "LIGHTCURVE", shownName_);
    if (!table) {
      throw InputError(std::string(shownName_) +
                       " has no binary table LIGHTCURVE (a Kepler, K2 or TESS light curve). Nothing loaded.");
    }
    int status = 0;
    fitsfile* opened = nullptr;
    // CFITSIO reads a file in memory by whole blocks of 2880 bytes: a file that ends inside its
    // last block (its rows complete, the padding left out) is padded here, after the check.
    bytes_.resize((bytes_.size() + 2879) / 2880 * 2880, '\0');
    // CFITSIO keeps the addresses of the buffer's pointer and size (to grow a buffer it writes),
    // so both are members that live as long as the file.
    memory_ = bytes_.data();
    memorySize_ = bytes_.size();
    if (fits_open_memfile(&opened, "light curve", READONLY, &memory_, &memorySize_, 0, nullptr, &status) != 0)
      Fail("could not be opened", status);
    file_.reset(opened);  // closed by the member also when the constructor fails below
    if (fits_movabs_hdu(file_.get(), table->hdu, nullptr, &status) != 0) Fail("could not be read", status);
    rows_ = table->rows;
  }

  // CFITSIO holds addresses of the members: the table stays where it was made.
  FitsTable(const FitsTable&) = delete;
  FitsTable& operator=(const FitsTable&) = delete;

  int64_t rows() const { return rows_; }

  // The column's number, or 0 when the table has no such column.
  int Column(const char* name) {
    int status = 0;
    int number = 0;
    fits_get_colnum(file_.get(), CASEINSEN, const_cast<char*>(name), &number, &status);
    return status == 0 ? number : 0;
  }

  // A column of single numbers read as doubles (undefined values as NaN); InputError when the
  // column holds text, logical values or vectors.
  std::vector<double> Numbers(int column, const char* name, int64_t first, int64_t count) {
    int status = 0;
    int type = 0;
    long long repeat = 0;
    long long width = 0;
    if (fits_get_eqcoltypell(file_.get(), column, &type, &repeat, &width, &status) != 0)
      Fail("could not be read", status);
    const bool numeric = type == TBYTE || type == TSBYTE || type == TSHORT || type == TUSHORT ||
                         type == TINT || type == TUINT || type == TLONG || type == TULONG ||
                         type == TLONGLONG || type == TFLOAT || type == TDOUBLE;
    if (!numeric || repeat != 1) {
      throw InputError(std::string(shownName_) + ": the column " + name +
                       " does not hold one number a row. Nothing loaded.");
    }
    std::vector<double> values(static_cast<size_t>(count));
    if (count == 0) return values;
    double undefined = std::numeric_limits<double>::quiet_NaN();
    int anyUndefined = 0;
    if (fits_read_col(file_.get(), TDOUBLE, column, first + 1, 1, count, &undefined, values.data(),
                      &anyUndefined, &status) != 0)
      Fail("could not be read", status);
    return values;
  }

  std::optional<double> Key(const char* name) {
    int status = 0;
    double value = 0;
    if (fits_read_key(file_.get(), TDOUBLE, name, &value, nullptr, &status) != 0) return std::nullopt;
    return value;
  }

  std::string Text(const char* name) {
    int status = 0;
    char value[FLEN_VALUE] = {};
    if (fits_read_key(file_.get(), TSTRING, name, value, nullptr, &status) != 0) return {};
    return value;
  }

  [[noreturn]] void Fail(const char* what, int status) const {
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    throw InputError(std::string(shownName_) + " " + what + " as FITS: " + text + " (CFITSIO status " +
                     std::to_string(status) + "). Nothing loaded.");
  }

 private:
  struct Closer {
    void operator()(fitsfile* file) const {
      int status = 0;
      fits_close_file(file, &status);
    }
  };
  std::string_view shownName_;
  std::string bytes_;  // the file (unpacked), which CFITSIO reads in place: outlives file_
  void* memory_ = nullptr;
  size_t memorySize_ = 0;
  std::unique_ptr<fitsfile, Closer> file_;
  int64_t rows_ = 0;
};

// The reference day of TIME: BJDREFI + BJDREFF, or BJDREF where a file gives it in one number.
long double ReferenceDay(FitsTable& table, std::string_view shownName) {
  const std::optional<double> whole = table.Key("BJDREFI");
  const std::optional<double> fraction = table.Key("BJDREFF");
  if (whole) return static_cast<long double>(*whole) + static_cast<long double>(fraction.value_or(0));
  if (const std::optional<double> reference = table.Key("BJDREF"))
    return static_cast<long double>(*reference);
  throw InputError(
      std::string(shownName) +
      ": the LIGHTCURVE table names no reference day (BJDREFI and BJDREFF), so its times cannot be "
      "made Julian Days. Nothing loaded.");
}

std::string Number(long double value, int digits) {
  return FormatFileFixed(value, digits);
}

class FitsLightCurveFormat : public ImportFormat {
 public:
  std::string_view Name() const override { return "FITS light curve"; }

  bool Recognises(std::string_view path, std::string_view head) const override {
    auto endsWith = [&](std::string_view ending) {
      if (path.size() < ending.size()) return false;
      const std::string_view tail = path.substr(path.size() - ending.size());
      for (size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != ending[i]) return false;
      }
      return true;
    };
    return head.starts_with("SIMPLE  =") || endsWith(".fits") || endsWith(".fit") || endsWith(".fts") ||
           endsWith(".fits.gz");
  }

  bool ReadsPath() const override { return true; }

  ImportPreview Inspect(const Input& input, std::string_view shownName,
                        const ImportOptions& options) const override {
    FitsTable table(input, shownName);
    const int time = RequiredColumn(table, "TIME", shownName);
    const long double reference = ReferenceDay(table, shownName);
    ImportPreview preview;
    preview.format = std::string(Name());
    preview.options = options;
    const int64_t count = std::min(table.rows(), kPreviewRows);
    std::vector<std::vector<double>> columns{table.Numbers(time, "TIME", 0, count)};
    preview.columnNames = {"TIME"};
    for (FluxColumn flux : {FluxColumn::Sap, FluxColumn::Pdcsap}) {
      if (const int column = table.Column(FluxName(flux))) {
        preview.fluxColumns.push_back(flux);
        preview.columnNames.emplace_back(FluxName(flux));
        columns.push_back(table.Numbers(column, FluxName(flux), 0, count));
      }
    }
    if (preview.fluxColumns.empty())
      throw InputError(std::string(shownName) + " has neither SAP_FLUX nor PDCSAP_FLUX. Nothing loaded.");
    if (const int quality = table.Column("QUALITY")) {
      preview.columnNames.emplace_back("QUALITY");
      columns.push_back(table.Numbers(quality, "QUALITY", 0, count));
    }
    for (int64_t row = 0; row < count; ++row) {
      std::vector<std::string> cells;
      for (const std::vector<double>& column : columns) {
        const double value = column[static_cast<size_t>(row)];
        cells.push_back(std::isnan(value) ? "NaN" : Number(value, std::floor(value) == value ? 0 : 6));
      }
      preview.rows.push_back(std::move(cells));
      preview.rowSkipped.push_back(false);
    }
    const std::string telescope = table.Text("TELESCOP");
    const std::string object = table.Text("OBJECT");
    preview.layout.push_back("Table LIGHTCURVE" + (telescope.empty() ? std::string() : " of " + telescope) +
                             (object.empty() ? std::string() : ", " + object) + ": " +
                             std::to_string(table.rows()) + (table.rows() == 1 ? " row" : " rows"));
    preview.layout.push_back("Time: BJD = TIME + " + Number(reference, 6));
    if (const std::optional<double> cadence = table.Key("TIMEDEL"))
      preview.layout.push_back("Cadence: " + Number(static_cast<long double>(*cadence) * 1440, 2) + " min");
    if (preview.fluxColumns.size() == 1) preview.options.flux = preview.fluxColumns.front();
    // Kepler, K2 and TESS give TIME as BJD_TDB less the reference day.
    if (!preview.options.timeScale) preview.options.timeScale = TimeScale::BjdTdb;
    return preview;
  }

  Rows Read(const Input& input, std::string_view shownName, const ImportOptions& options) const override {
    FitsTable table(input, shownName);
    const int timeColumn = RequiredColumn(table, "TIME", shownName);
    const int fluxColumn = RequiredColumn(table, FluxName(options.flux), shownName);
    const int qualityColumn = table.Column("QUALITY");
    const long double reference = ReferenceDay(table, shownName);
    const int64_t n = table.rows();
    const std::vector<double> time = table.Numbers(timeColumn, "TIME", 0, n);
    const std::vector<double> flux = table.Numbers(fluxColumn, FluxName(options.flux), 0, n);
    const std::vector<double> quality =
        qualityColumn != 0 ? table.Numbers(qualityColumn, "QUALITY", 0, n) : std::vector<double>();
    const int errorColumn = table.Column(FluxErrorName(options.flux));
    const std::vector<double> fluxError = errorColumn != 0
                                              ? table.Numbers(errorColumn, FluxErrorName(options.flux), 0, n)
                                              : std::vector<double>();
    Rows rows;
    rows.timeScale = TimeScale::BjdTdb;
    rows.fluxes = true;
    rows.time.reserve(static_cast<size_t>(n));
    rows.value.reserve(static_cast<size_t>(n));
    int64_t flagged = 0;
    int64_t undefined = 0;
    int64_t notPositive = 0;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
      if (!quality.empty() && quality[i] != 0) {
        ++flagged;
      } else if (std::isnan(time[i]) || std::isnan(flux[i])) {
        ++undefined;
      } else if (!(flux[i] > 0) || std::isinf(flux[i])) {
        ++notPositive;  // no magnitude: -2.5 log10 needs a positive flux
      } else {
        // Reference day and offset added in extended precision: a double holds the offset to
        // about 1e-11 d, the sum to 1e-13 d.
        rows.time.push_back(reference + static_cast<long double>(time[i]));
        rows.value.push_back(static_cast<long double>(flux[i]));
        // A NaN error is unusable: the import then leaves the errors out.
        if (!fluxError.empty()) rows.error.push_back(static_cast<long double>(fluxError[i]));
      }
    }
    if (const std::optional<double> cadence = table.Key("TIMEDEL"); cadence && *cadence > 0)
      rows.cadence = static_cast<long double>(*cadence);
    std::string note = std::string(shownName) + ": " + FluxName(options.flux) + ", " +
                       std::to_string(rows.time.size()) + " of " + std::to_string(n) +
                       (n == 1 ? " row" : " rows");
    AddLeftOutClause(note, flagged, "with a QUALITY flag");
    AddLeftOutClause(note, undefined, "with a NaN");
    AddLeftOutClause(note, notPositive, "with a flux not above 0");
    if (qualityColumn == 0) note += "; no QUALITY column";
    rows.notes.push_back(note + ".");
    return rows;
  }

 private:
  static int RequiredColumn(FitsTable& table, const char* name, std::string_view shownName) {
    const int column = table.Column(name);
    if (column == 0)
      throw InputError(std::string(shownName) + ": the LIGHTCURVE table has no column " + name +
                       ". Nothing loaded.");
    return column;
  }
};

}  // namespace

const ImportFormat& FitsLightCurve() {
  static const FitsLightCurveFormat format;
  return format;
}

}  // namespace ombrane::io
