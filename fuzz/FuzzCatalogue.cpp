// Fuzz harness of the star catalogue: the first line of an input names the star and the
// constellation looked up, the rest is the catalogue, read from a file as the lookup reads it.
#include "FuzzInput.h"
#include "timing/Catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t end = bytes.find('\n');
  const std::string_view first = bytes.substr(0, end);
  const std::string_view catalogue = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
  const size_t blank = first.find(' ');
  const std::string_view name = first.substr(0, blank);
  const std::string_view constellation = blank == std::string_view::npos ? std::string_view() : first.substr(blank + 1);
  const std::optional<std::string> text =
      ombrane::ReadCatalogueFile(ombrane::fuzz::ScratchFile("allstars.txt", catalogue));
  if (!text) return 0;
  for (const ombrane::CatalogueStep& step : ombrane::LookupStar(*text, name, constellation))
    if (step.field) ombrane::CatalogueValueText(step.value, ',');
  return 0;
}

std::vector<std::string> ombrane::fuzz::Seeds() {
  const std::string data = "12 34 56.7 +45 12 34" + std::string(18, ' ') + "(0.8372)  2451234.5678";
  return {
      "V1 Her\nV1 Her\n" + data + "\nV2 Her\n" + data + "\n",
      "TX UMa\nTX UMa\n10 45 20.5 +45 33 58      (3.063)   2440000.123\n",
      "V1 Her\nV1 Her\r\n\r\n(((  1e5\n",
      "A B\n\nA B\n" + std::string(300, '7') + "\n",
  };
}
