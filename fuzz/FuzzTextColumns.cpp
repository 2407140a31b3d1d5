// Fuzz harness of the text-columns reader: any bytes as a text file of observations, its layout
// (separator, header, columns) found by the reader.
#include "FuzzInput.h"
#include "ImportHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ombrane::fuzz::Import(ombrane::fuzz::ScratchFile("input.txt", bytes));
  return 0;
}

std::vector<std::string> ombrane::fuzz::Seeds() {
  return {
      "2459000.5 12.30 0.01\n2459000.6 12.40 0.02\n2459000.7 12.50 0.01\n",
      "# star X\nJD MAG ERR\n2459000.5 12.3 0.01\n; a cloud\n\n2459000.6 12.4 0.02\n",
      "BJD-2450000;V mag\r\n9000,51;12,301\r\n9000,52;12,302\r\n",
      "time\tflux\n1.0\t1000\n1.02\t990\n1.04\t0\n",
      "\xEF\xBB\xBF" "JD,Mag\n2459000.5,12.3\n2459000.6,n/a\n2459000.7,\n",
  };
}
