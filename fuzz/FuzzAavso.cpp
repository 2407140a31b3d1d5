// Fuzz harness of the AAVSO export reader. Inputs whose first byte is even get an export's
// header line put before them, so that most runs reach the rows (bands, fainter-than marks,
// quoted fields) rather than the header's detection.
#include "FuzzInput.h"
#include "ImportHarness.h"

namespace {

constexpr std::string_view kHeader =
    "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code,Comment Code(s),Comp Star 1\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && data[0] % 2 == 0) bytes = std::string(kHeader) + bytes.substr(1);
  ombrane::fuzz::Import(ombrane::fuzz::ScratchFile("input.csv", bytes));
  return 0;
}

std::vector<std::string> ombrane::fuzz::Seeds() {
  return {
      std::string(kHeader) +
          "2459000.5,12.3,0.01,,V,ABC,,000-BBB-111\n2459000.6,<13.0,,,Vis.,DEF,,\n2459000.7,12.5,0.02,,V,ABC,,\n",
      std::string(kHeader) + "2459000.5,12.3,0.01,,V,ABC,,\n2459000.6,12.4,0.01,,B,ABC,,\n",
      "\x01" "2459000.5,\"12,3\",0.01,,V,ABC,\"a, b\",\n",
      "# exported\n\nJD\tMagnitude\tBand\n2459000.5\t12.3\tV\n",
      "JD;Magnitude;Band\n2459000,5;12,3;V\n",
  };
}
