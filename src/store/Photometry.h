// Reading a photometry file: white-space separated numbers taken in pairs (Julian Day,
// magnitude) into data.fileJd / data.fileMag, with the repeat of the last pair.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Records.h"

namespace ombrane {

struct PhotometryReadResult {
  bool opened = true;                 // false: the file could not be opened (see messages)
  int32_t pointCount = 0;             // N, the entries stored (the repeat included)
  bool partial = false;               // reading stopped early: a bad token, or the ceiling was met
  std::vector<std::string> messages;  // what the user should be told, one line each
  // Every line that holds numbers holds three or more of them (and reading met no bad token):
  // the pairs are then taken across the columns, and the caller points to a reading of chosen
  // columns. The reading itself is not changed by it.
  bool columnsMixed = false;
  // Reading stopped at a word on this line (1-based) that is not a number; 0 when it did not.
  int32_t stoppedAtLine = 0;
};

// The line that says a file was read across its columns (columnsMixed), ending in where the
// user chooses its columns (`remedy`, e.g. "File ▸ Import… reads the two columns you choose").
std::string ColumnsMixedLine(std::string_view shownName, std::string_view remedy);

// One observation handed to the load by an importer: a time (Julian Day), a magnitude and
// the magnitude's error σ (0: none given).
struct Observation {
  long double time = 0;
  long double magnitude = 0;
  long double error = 0;
};

// Reads the numbers of `text` into data.fileJd / data.fileMag and sets data.pointCount.
// `fileName` only names the file in messages. Rules:
//  - numbers in the C notation (sign, digits, ".", exponent), separated by white space; a
//    UTF-8 byte-order mark at the start is not part of the text;
//  - pairs with a zero value are skipped;
//  - the pass that meets the end of the text stores the last pair once more (the repeat),
//    and an odd count of numbers pairs the last number with the magnitude before it;
//  - a token that is not a number ends reading there; the pairs before it stay, the last one
//    is repeated, and a message names the file, the line (LF, CR LF or CR ends a line) and the
//    token, quoted with its invisible characters escaped (QuotedText);
//  - at most `ceiling` observations (kMaxObservations unless a test asks for fewer) and the
//    repeat; a message names the ceiling and says how many pairs were left out.
// The store is sized for what was read (Data::Resize).
PhotometryReadResult ReadPhotometryText(std::string_view text, std::string_view fileName, Data& data,
                                        int32_t ceiling = kMaxObservations);

// Stores observations chosen by an importer as the reading stores its pairs (the last pair
// repeated, at most `ceiling` observations and the repeat, and the same message for what was
// left out), except that a zero value is kept: zero marks a missing value only in the plain pair
// format, an imported column holds real zeros. When every observation has an error (finite, above
// 0) the errors are stored too (fileMagError), aligned with the entries; otherwise none is.
PhotometryReadResult StorePairs(std::span<const Observation> observations, std::string_view fileName,
                                Data& data, int32_t ceiling = kMaxObservations);

// Opens `path` and reads it as above. A file that cannot be opened gives opened = false, N = 0
// and a message with the reason.
PhotometryReadResult ReadPhotometryFile(const std::string& path, std::string_view fileName, Data& data,
                                        int32_t ceiling = kMaxObservations);

}  // namespace ombrane
