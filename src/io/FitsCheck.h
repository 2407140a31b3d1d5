// What the FITS reader checks itself before CFITSIO sees a file: the bytes it reads (a gzipped
// file unpacked here, within a bound) and the headers it walks to the light curve's table.
// CFITSIO trusts the sizes and counts of a header when it sets up an HDU; a file whose
// NAXISn, TFIELDS or TFORMn are out of range must not reach it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrane::io {

// The bytes of a FITS file, unpacked when it is gzipped (whatever its name). InputError when
// it cannot be read, when it or what it unpacks to is larger than kInputByteLimit, when its gzip
// data are broken, and when it is packed some other way (compress, zip).
std::string ReadFitsBytes(const std::string& path, std::string_view shownName);
// The same for bytes already read (a FITS file in a pipe), at most kInputByteLimit of them.
std::string UnpackFitsBytes(std::string bytes, std::string_view shownName);

// Where a binary table lies in a file.
struct FitsTableLayout {
  int32_t hdu = 0;         // 1-based, the primary HDU being 1
  uint64_t dataStart = 0;  // byte offset of the first row
  int64_t rowBytes = 0;    // NAXIS1
  int64_t rows = 0;        // NAXIS2
  int32_t fields = 0;      // TFIELDS
};

// Reads the headers of a FITS file's bytes as text (2880-byte blocks of 80-character cards),
// from the primary header to the binary table named `table` (EXTNAME or HDUNAME, the case and
// trailing blanks not significant), and checks every header on the way: its mandatory keywords
// in their order with values in range; for a table, TFIELDS (0 to 999) and one TFORMn for each
// of its columns (no TFORMn, TTYPEn or TBCOLn beyond them), the widths of the binary columns
// adding up to NAXIS1; and the table's NAXIS1 x NAXIS2 bytes of rows within the file.
// Nothing when the file holds no such table; InputError naming the keyword and what is wrong
// with it, or saying the file is cut short.
std::optional<FitsTableLayout> CheckFitsHeaders(std::string_view bytes, std::string_view table, std::string_view shownName);

}  // namespace ombrane::io
