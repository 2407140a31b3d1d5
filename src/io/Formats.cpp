// The table of import formats. A new format is a file defining one ImportFormat and a row here.
#include <array>

#include "io/Import.h"
#include "io/TextColumnsFormat.h"
#include "io/TextTable.h"

namespace ombrane::io {

const ImportFormat& FitsLightCurve();
const ImportFormat& AavsoExport();

namespace {

const ImportFormat& TextColumns() {
  static const TextColumnsFormat format;
  return format;
}

}  // namespace

const ImportFormat& FormatOf(const std::string& path) {
  // Most particular first: the first format that recognises the file reads it; text columns
  // take any file.
  const std::array<const ImportFormat*, 3> formats = {&FitsLightCurve(), &AavsoExport(), &TextColumns()};
  const std::string head = ReadHead(path);
  for (const ImportFormat* format : formats)
    if (format->Recognises(path, head)) return *format;
  return TextColumns();
}

}  // namespace ombrane::io
