// Fuzz harness of the notes pane's file reader: any bytes as a notes file, named by the input's
// first byte as plain text, HTML or OpenDocument text (a zip archive), since the name steers how
// it is read. Refusals (NotesFileError) are the expected outcome of a bad file.
#include "FuzzInput.h"
#include "NotesFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kNames[] = {"notes.txt", "notes.html", "notes.odt"};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const char* name = kNames[size > 0 ? data[0] % 3 : 0];
  const std::string path = ombrane::fuzz::ScratchFile(name, bytes);
  try {
    ombrane::ReadNotesFile(QString::fromStdString(path));
  } catch (const ombrane::NotesFileError&) {
  }
  return 0;
}

std::vector<std::string> ombrane::fuzz::Seeds() {
  return {
      "0 Minimum at 2459000.51433\r\nperiod 0.8372\n",
      "\x01<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body><p>12.3 <b>mag</b></p></body></html>",
      std::string("\xff\xfe" "1\0" "2\0", 6),
      "PK\x03\x04 not really a zip",
  };
}
