// Fuzz harness of the FITS light-curve reader: any bytes as a ".fits" file (a gzipped one is
// unpacked by the reader). The seeds are a small light curve written card by card, the same
// gzipped, and one whose table comes after another table.
#include <zlib.h>

#include <bit>

#include "FuzzInput.h"
#include "ImportHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ombrane::fuzz::Import(ombrane::fuzz::ScratchFile("input.fits", bytes));
  return 0;
}

namespace {

std::string Header(std::initializer_list<std::pair<const char*, const char*>> cards) {
  std::string text;
  for (const auto& [keyword, value] : cards) {
    std::string card = keyword;
    card.resize(8, ' ');
    const std::string shown = value;
    card += "= " + std::string(shown.size() < 20 ? 20 - shown.size() : 0, ' ') + shown;
    card.resize(80, ' ');
    text += card;
  }
  text += "END";
  text.resize((text.size() + 2879) / 2880 * 2880, ' ');
  return text;
}

template <typename T>
std::string BigEndian(T value) {
  using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
  const auto bits = std::bit_cast<Bits>(value);
  std::string bytes(sizeof(T), '\0');
  for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<char>(bits >> (8 * (sizeof(T) - 1 - i)));
  return bytes;
}

std::string LightCurve(bool otherTableFirst) {
  std::string file = Header({{"SIMPLE", "T"}, {"BITPIX", "8"}, {"NAXIS", "0"}});
  if (otherTableFirst) {
    file += Header({{"XTENSION", "'BINTABLE'"}, {"BITPIX", "8"}, {"NAXIS", "2"}, {"NAXIS1", "0"}, {"NAXIS2", "0"},
                    {"PCOUNT", "0"}, {"GCOUNT", "1"}, {"TFIELDS", "0"}, {"EXTNAME", "'APERTURE'"}});
  }
  file += Header({{"XTENSION", "'BINTABLE'"}, {"BITPIX", "8"}, {"NAXIS", "2"}, {"NAXIS1", "16"}, {"NAXIS2", "3"},
                  {"PCOUNT", "0"}, {"GCOUNT", "1"}, {"TFIELDS", "3"}, {"TTYPE1", "'TIME'"}, {"TFORM1", "'D'"},
                  {"TTYPE2", "'PDCSAP_FLUX'"}, {"TFORM2", "'E'"}, {"TTYPE3", "'QUALITY'"}, {"TFORM3", "'J'"},
                  {"EXTNAME", "'LIGHTCURVE'"}, {"BJDREFI", "2457000"}, {"BJDREFF", "0.5"}, {"TIMEDEL", "0.02"}});
  std::string rows;
  const double times[] = {1.5, 1.52, 1.54};
  const float fluxes[] = {100, 1000, -1};
  const int32_t quality[] = {0, 0, 8};
  for (int i = 0; i < 3; ++i) rows += BigEndian(times[i]) + BigEndian(fluxes[i]) + BigEndian(quality[i]);
  rows.resize(2880, '\0');
  return file + rows;
}

std::string Gzip(const std::string& bytes) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string packed(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(packed.data());
  stream.avail_out = static_cast<uInt>(packed.size());
  deflate(&stream, Z_FINISH);
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  return packed;
}

}  // namespace

std::vector<std::string> ombrane::fuzz::Seeds() {
  return {LightCurve(false), LightCurve(true), Gzip(LightCurve(false))};
}
