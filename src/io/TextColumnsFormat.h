// Text in columns: the time and magnitude columns chosen among the fields of each line.
#pragma once

#include "io/Import.h"
#include "io/TextTable.h"

namespace ombrane::io {

class TextColumnsFormat : public ImportFormat {
 public:
  std::string_view Name() const override;
  bool Recognises(std::string_view path, std::string_view head) const override;
  ImportPreview Inspect(const Input& input, std::string_view shownName,
                        const ImportOptions& options) const override;
  Rows Read(const Input& input, std::string_view shownName, const ImportOptions& options) const override;

  // The layout found, with the columns the options choose.
  static TextLayout Layout(const TextLines& lines, const ImportOptions& options);
  // The error column the options choose, or the one the header names (-1: none).
  static int32_t ErrorColumn(const TextLayout& layout, const ImportOptions& options);
};

}  // namespace ombrane::io
