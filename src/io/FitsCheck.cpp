// The headers of a FITS file read as text. A header is a run of 2880-byte blocks of 80-character
// cards ending with the card END; a card "KEYWORD = value / comment" holds the keyword in its
// columns 1-8 and "= " in columns 9-10. The mandatory keywords open each header in a fixed order
// (SIMPLE or XTENSION, BITPIX, NAXIS, NAXIS1 ... NAXISn, and for an extension PCOUNT, GCOUNT, then
// TFIELDS for a table), and the header's data follow it, padded to whole blocks.
// Definition of the Flexible Image Transport System, version 4.0 (IAU FITS Working Group, 2016),
// sect. 3.3, 4.1, 4.4.1, 7.2 and 7.3.
#include "io/FitsCheck.h"

#include <zlib.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "common/InputError.h"
#include "common/SystemError.h"
#include "io/Import.h"

namespace ombrane::io {
namespace {

constexpr size_t kBlock = 2880;
constexpr size_t kCard = 80;
constexpr int64_t kMaxFields = 999;

std::string Megabytes(size_t bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

[[noreturn]] void NotOpened(std::string_view shownName, const std::string& why) {
  throw InputError(std::string(shownName) + " could not be opened as FITS: " + why + ". Nothing loaded.");
}

[[noreturn]] void TooLarge(std::string_view shownName, const std::string& what) {
  throw InputError(std::string(shownName) + " is too large for a light curve: " + what + " (at most " +
                   Megabytes(kInputByteLimit) + "). Nothing loaded.");
}

// The file's bytes as they are, at most kInputByteLimit (a device or a pipe without end is
// refused once it has given one byte more).
std::string ReadRaw(const std::string& path, std::string_view shownName) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) NotOpened(shownName, SystemErrorText(errno));
  struct stat status {};
  if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<uint64_t>(status.st_size) > kInputByteLimit)
    TooLarge(shownName, "the file has " + Megabytes(static_cast<size_t>(status.st_size)));
  std::string bytes;
  if (S_ISREG(status.st_mode)) bytes.reserve(static_cast<size_t>(status.st_size));
  std::vector<char> chunk(size_t{1} << 16);
  while (true) {
    const size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (got == 0) {
      if (std::ferror(file.get())) NotOpened(shownName, SystemErrorText(errno != 0 ? errno : EIO));
      break;
    }
    if (bytes.size() + got > kInputByteLimit) TooLarge(shownName, "it holds more than " + Megabytes(kInputByteLimit));
    bytes.append(chunk.data(), got);
  }
  return bytes;
}

// Unpacks gzip data (one member or several in a row, as gzip itself writes and reads them), at
// most kInputByteLimit bytes: unpacking stops as soon as there are more. The last four bytes
// give the size of the last member modulo 2^32 (in a sound file), which only sizes the buffer:
// a member of 4 GB and a few bytes gives a small size there, and a broken file any.
std::string Gunzip(std::string_view packed, std::string_view shownName) {
  std::string bytes;
  if (packed.size() >= 18) {
    const auto* end = reinterpret_cast<const unsigned char*>(packed.data() + packed.size());
    const uint32_t lastSize = static_cast<uint32_t>(end[-4]) | static_cast<uint32_t>(end[-3]) << 8 |
                              static_cast<uint32_t>(end[-2]) << 16 | static_cast<uint32_t>(end[-1]) << 24;
    // Deflate packs at most 1032 bytes into one.
    bytes.reserve(std::min<size_t>({lastSize, packed.size() * 1032, kInputByteLimit}));
  }
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) NotOpened(shownName, "zlib could not be started");
  const std::unique_ptr<z_stream, int (*)(z_stream*)> closer(&stream, &inflateEnd);
  auto broken = [&](const char* why) {
    NotOpened(shownName, std::string("its gzip data are broken (") + (stream.msg != nullptr ? stream.msg : why) + ")");
  };
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());  // at most kInputByteLimit
  std::vector<char> chunk(size_t{1} << 16);
  while (true) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
    stream.avail_out = static_cast<uInt>(chunk.size());
    const int result = inflate(&stream, Z_NO_FLUSH);
    const size_t got = chunk.size() - stream.avail_out;
    if (bytes.size() + got > kInputByteLimit)
      TooLarge(shownName, "it unpacks to more than " + Megabytes(kInputByteLimit));
    bytes.append(chunk.data(), got);
    if (result == Z_STREAM_END) {
      // Another member follows, or the end (bytes after the last member that start no member
      // are left, as gzip does).
      if (stream.avail_in < 2 || stream.next_in[0] != 0x1f || stream.next_in[1] != 0x8b) break;
      if (inflateReset(&stream) != Z_OK) broken("reset failed");
    } else if (result == Z_BUF_ERROR && stream.avail_in == 0) {
      broken("they end early");
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      broken("inflate failed");
    }
  }
  return bytes;
}

// What packs a file, from its first bytes, for packings other than gzip.
const char* OtherPacking(std::string_view head) {
  if (head.starts_with("\x1f\x9d")) return "compress (.Z)";
  if (head.starts_with("\x1f\x1e")) return "pack (.z)";
  if (head.starts_with("\x1f\xa0")) return "LZH";
  if (head.starts_with("PK\x03\x04")) return "zip";
  if (head.starts_with("BZh")) return "bzip2";
  if (head.starts_with("\xfd" "7zXZ")) return "xz";
  return nullptr;
}

std::string_view TrimmedRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view TrimmedLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

struct Card {
  std::string_view keyword;  // columns 1-8, trailing blanks dropped
  bool valued = false;       // "= " in columns 9-10
  std::string_view value;    // columns 11-80
};

Card CardAt(std::string_view bytes, uint64_t offset) {
  const std::string_view text = bytes.substr(static_cast<size_t>(offset), kCard);
  return {TrimmedRight(text.substr(0, 8)), text.substr(8, 2) == "= ", text.substr(10)};
}

// The value as a message shows it: up to the comment, at most 30 characters.
std::string Shown(std::string_view value) {
  value = TrimmedLeft(value);
  size_t end = value.find('/');
  if (!value.empty() && value.front() == '\'') {
    const size_t quote = value.find('\'', 1);
    end = quote == std::string_view::npos ? quote : quote + 1;
  }
  value = TrimmedRight(value.substr(0, end));
  if (value.empty()) return "empty";
  return std::string(value.substr(0, 30));
}

// A whole number: blanks, a sign, digits, then blanks and perhaps a comment.
std::optional<int64_t> IntegerValue(std::string_view value) {
  value = TrimmedLeft(value);
  size_t i = 0;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) ++i;
  const size_t digits = i;
  while (i < value.size() && value[i] >= '0' && value[i] <= '9') ++i;
  if (i == digits) return std::nullopt;
  const std::string_view rest = TrimmedLeft(value.substr(i));
  if (!rest.empty() && rest.front() != '/') return std::nullopt;
  const size_t from = value.front() == '+' ? 1 : 0;  // from_chars takes no plus sign
  int64_t number = 0;
  const auto [end, error] = std::from_chars(value.data() + from, value.data() + i, number);
  if (error != std::errc() || end != value.data() + i) return std::nullopt;
  return number;
}

// A text value: in single quotes, a doubled quote standing for one, trailing blanks dropped.
std::optional<std::string> TextValue(std::string_view value) {
  value = TrimmedLeft(value);
  if (value.empty() || value.front() != '\'') return std::nullopt;
  std::string text;
  for (size_t i = 1; i < value.size(); ++i) {
    if (value[i] != '\'') {
      text += value[i];
    } else if (i + 1 < value.size() && value[i + 1] == '\'') {
      text += '\'';
      ++i;
    } else {
      return std::string(TrimmedRight(text));
    }
  }
  return std::nullopt;  // no closing quote
}

std::optional<bool> LogicalValue(std::string_view value) {
  value = TrimmedLeft(value);
  if (value.empty() || (value.front() != 'T' && value.front() != 'F')) return std::nullopt;
  const std::string_view rest = TrimmedLeft(value.substr(1));
  if (!rest.empty() && rest.front() != '/') return std::nullopt;
  return value.front() == 'T';
}

bool SameName(std::string_view a, std::string_view b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return upper(x) == upper(y); });
}

// The column index of a keyword such as TFORM12 for one of the stems, or 0.
int64_t ColumnIndex(std::string_view keyword, std::string_view stem) {
  if (!keyword.starts_with(stem) || keyword.size() == stem.size()) return 0;
  int64_t index = 0;
  for (char c : keyword.substr(stem.size())) {
    if (c < '0' || c > '9') return 0;
    index = index * 10 + (c - '0');
  }
  return index;
}

// The bytes a binary table's column takes in a row, from its TFORMn ("1D", "E", "20A", "1PE(40)"):
// a repeat count, a type letter and what the type adds. Nothing for a form that is none.
std::optional<int64_t> BinaryWidth(std::string_view form) {
  form = TrimmedLeft(form);
  size_t i = 0;
  int64_t repeat = 0;
  while (i < form.size() && form[i] >= '0' && form[i] <= '9') {
    if (repeat > (int64_t{1} << 40)) return std::nullopt;
    repeat = repeat * 10 + (form[i++] - '0');
  }
  if (i == 0) repeat = 1;
  if (i >= form.size()) return std::nullopt;
  switch (form[i]) {
    case 'L':
    case 'B':
    case 'A':
      return repeat;
    case 'X':
      return (repeat + 7) / 8;
    case 'I':
      return repeat * 2;
    case 'J':
    case 'E':
      return repeat * 4;
    case 'K':
    case 'D':
    case 'C':
      return repeat * 8;
    case 'M':
      return repeat * 16;
    case 'P':  // a descriptor into the heap: at most one a row
      return repeat <= 1 ? std::optional<int64_t>(repeat * 8) : std::nullopt;
    case 'Q':
      return repeat <= 1 ? std::optional<int64_t>(repeat * 16) : std::nullopt;
    default:
      return std::nullopt;
  }
}

// An ASCII table's TFORMn: Aw, Iw, Fw.d, Ew.d or Dw.d with a width w of 1 or more.
bool AsciiForm(std::string_view form) {
  form = TrimmedLeft(form);
  if (form.empty() || std::string_view("AIFED").find(form.front()) == std::string_view::npos) return false;
  int64_t width = 0;
  size_t i = 1;
  while (i < form.size() && form[i] >= '0' && form[i] <= '9' && width < 1'000'000) width = width * 10 + (form[i++] - '0');
  return width > 0;
}

// Saturating products and sums: sizes beyond 2^62 bytes are all "more than any file".
constexpr uint64_t kHuge = uint64_t{1} << 62;
uint64_t Times(uint64_t a, uint64_t b) {
  return a != 0 && b > kHuge / a ? kHuge : std::min(a * b, kHuge);
}
uint64_t Plus(uint64_t a, uint64_t b) {
  return std::min(a + b, kHuge);
}

class HeaderWalk {
 public:
  HeaderWalk(std::string_view bytes, std::string_view shownName) : bytes_(bytes), shownName_(shownName) {}

  std::optional<FitsTableLayout> Find(std::string_view table) {
    if (!bytes_.starts_with("SIMPLE  =")) {
      if (const char* packing = OtherPacking(bytes_))
        NotOpened(shownName_, std::string("it is packed with ") + packing + " (only gzip is unpacked here); unpack it first");
      NotOpened(shownName_, "it does not begin with a FITS header (SIMPLE)");
    }
    uint64_t start = 0;
    for (int32_t hdu = 1;; ++hdu) {
      // The HDUs end with the file, or where no extension follows (a file may end in blocks
      // of zeros).
      if (hdu > 1 && (start + kCard > bytes_.size() ||
                      !bytes_.substr(static_cast<size_t>(start)).starts_with("XTENSION=")))
        return std::nullopt;
      Header header = Read(start, hdu);
      if (header.table && (SameName(header.extname, table) || SameName(header.hduname, table))) {
        FitsTableLayout layout{.hdu = hdu,
                               .dataStart = header.dataStart,
                               .rowBytes = header.axes[0],
                               .rows = header.axes[1],
                               .fields = static_cast<int32_t>(header.fields)};
        const uint64_t available = header.dataStart <= bytes_.size() ? bytes_.size() - header.dataStart : 0;
        if (Times(static_cast<uint64_t>(layout.rowBytes), static_cast<uint64_t>(layout.rows)) > available) {
          throw InputError(std::string(shownName_) + " ends before its " + std::string(table) +
                           " table does (the file is cut short). Nothing loaded.");
        }
        return layout;
      }
      start = Plus(header.dataStart, Times((header.dataBytes + kBlock - 1) / kBlock, kBlock));
    }
  }

 private:
  struct Header {
    std::string extname;
    std::string hduname;
    bool table = false;  // a binary table
    std::vector<int64_t> axes;
    int64_t fields = 0;
    uint64_t dataStart = 0;
    uint64_t dataBytes = 0;
  };

  [[noreturn]] void Malformed(const std::string& what) const {
    throw InputError(std::string(shownName_) + ": the FITS file is malformed: " + what + ". Nothing loaded.");
  }

  // Reads and checks the header starting at `start`.
  Header Read(uint64_t start, int32_t hdu) {
    Header header;
    // First the extent: the cards up to END, and the names.
    uint64_t cards = 0;
    while (true) {
      const uint64_t offset = start + cards * kCard;
      if (offset + kCard > bytes_.size()) {
        if (hdu == 1) NotOpened(shownName_, "its primary header has no END card (the file is cut short)");
        Malformed("the header of HDU " + std::to_string(hdu) + " has no END card (the file is cut short)");
      }
      const Card card = CardAt(bytes_, offset);
      ++cards;
      if (card.keyword == "END") break;
      if (card.valued && card.keyword == "EXTNAME" && header.extname.empty())
        header.extname = TextValue(card.value).value_or("");
      if (card.valued && card.keyword == "HDUNAME" && header.hduname.empty())
        header.hduname = TextValue(card.value).value_or("");
    }
    header.dataStart = start + (cards * kCard + kBlock - 1) / kBlock * kBlock;
    where_ = "HDU " + std::to_string(hdu) + (header.extname.empty() ? std::string() : " (" + header.extname + ")");

    // The mandatory keywords, in their order.
    uint64_t next = start;
    auto mandatory = [&](const std::string& keyword) {
      const Card card = CardAt(bytes_, next);
      next += kCard;
      if (card.keyword != keyword || !card.valued)
        Malformed(keyword + " is missing from the header of " + where_ + " (card " +
                  std::to_string((next - start) / kCard) + " is " +
                  (card.keyword.empty() ? std::string("blank") : std::string(card.keyword)) + ")");
      return card;
    };
    auto integer = [&](const std::string& keyword, int64_t low, int64_t high, const char* meaning) {
      const Card card = mandatory(keyword);
      const std::optional<int64_t> value = IntegerValue(card.value);
      if (!value || *value < low || *value > high)
        Malformed(keyword + " = " + Shown(card.value) + " in " + where_ + " is not " + meaning);
      return *value;
    };
    std::string type;
    if (hdu == 1) {
      if (!LogicalValue(mandatory("SIMPLE").value))
        Malformed("SIMPLE in " + where_ + " is not T or F");
    } else {
      const std::optional<std::string> xtension = TextValue(mandatory("XTENSION").value);
      if (!xtension) Malformed("XTENSION in " + where_ + " is not a quoted name");
      type = *xtension;
    }
    const int64_t bitpix = integer("BITPIX", -64, 64, "8, 16, 32, 64, -32 or -64");
    if (bitpix != 8 && bitpix != 16 && bitpix != 32 && bitpix != 64 && bitpix != -32 && bitpix != -64)
      Malformed("BITPIX = " + std::to_string(bitpix) + " in " + where_ + " is not 8, 16, 32, 64, -32 or -64");
    const int64_t naxis = integer("NAXIS", 0, 999, "a number of axes from 0 to 999");
    for (int64_t axis = 1; axis <= naxis; ++axis)
      header.axes.push_back(integer("NAXIS" + std::to_string(axis), 0, INT64_MAX, "a length from 0"));
    int64_t pcount = 0;
    int64_t gcount = 1;
    if (hdu > 1) {
      pcount = integer("PCOUNT", 0, INT64_MAX, "a size from 0");
      gcount = integer("GCOUNT", 0, INT64_MAX, "a count from 0");
    }

    const bool binary = type == "BINTABLE";
    const bool ascii = type == "TABLE";
    if (binary || ascii) {
      const std::string kind = binary ? "a binary table" : "an ASCII table";
      if (bitpix != 8) Malformed("BITPIX = " + std::to_string(bitpix) + " in " + where_ + " is not 8, as " + kind + " needs");
      if (naxis != 2) Malformed("NAXIS = " + std::to_string(naxis) + " in " + where_ + " is not 2, as " + kind + " needs");
      if (gcount != 1) Malformed("GCOUNT = " + std::to_string(gcount) + " in " + where_ + " is not 1, as " + kind + " needs");
      if (ascii && pcount != 0) Malformed("PCOUNT = " + std::to_string(pcount) + " in " + where_ + " is not 0, as " + kind + " needs");
      if (header.axes[0] > static_cast<int64_t>(bytes_.size()))
        Malformed("NAXIS1 = " + std::to_string(header.axes[0]) + " in " + where_ + " makes a row longer than the whole file");
      header.fields = integer("TFIELDS", 0, kMaxFields, "a number of columns from 0 to 999");
      CheckColumns(start, cards, header, binary);
      header.table = binary;
    }

    // The data: |BITPIX|/8 x GCOUNT x (PCOUNT + NAXIS1 x ... x NAXISn); none without axes. A
    // primary array whose NAXIS1 is 0 holds random groups when GROUPS = T, which leave NAXIS1
    // out of the product and take PCOUNT and GCOUNT from the header.
    size_t first = 0;
    if (hdu == 1 && naxis > 0 && header.axes[0] == 0) {
      std::optional<bool> groups;
      for (uint64_t c = 0; c < cards; ++c) {
        const Card card = CardAt(bytes_, start + c * kCard);
        if (!card.valued) continue;
        if (card.keyword == "GROUPS" && !groups) groups = LogicalValue(card.value);
        if (card.keyword == "PCOUNT") pcount = std::max<int64_t>(IntegerValue(card.value).value_or(0), 0);
        if (card.keyword == "GCOUNT") gcount = std::max<int64_t>(IntegerValue(card.value).value_or(1), 0);
      }
      if (groups.value_or(false)) first = 1;
    }
    uint64_t elements = naxis > 0 ? 1 : 0;
    for (size_t axis = first; axis < header.axes.size(); ++axis)
      elements = Times(elements, static_cast<uint64_t>(header.axes[axis]));
    if (naxis > 0) elements = Times(static_cast<uint64_t>(gcount), Plus(static_cast<uint64_t>(pcount), elements));
    header.dataBytes = Times(elements, static_cast<uint64_t>(bitpix < 0 ? -bitpix : bitpix) / 8);
    return header;
  }

  // The column keywords of a table: a TFORMn for each of its TFIELDS columns, none of the
  // column keywords beyond them, at most one of each; the binary columns' widths add up to
  // NAXIS1, an ASCII column starts (TBCOLn) within the row.
  void CheckColumns(uint64_t start, uint64_t cards, const Header& header, bool binary) {
    static constexpr std::string_view kStems[] = {"TTYPE", "TFORM", "TBCOL", "TUNIT", "TSCAL",
                                                   "TZERO", "TNULL", "TDISP", "TDIM"};
    const auto fields = static_cast<size_t>(header.fields);
    std::vector<std::optional<std::string_view>> forms(fields);
    std::vector<std::optional<std::string_view>> starts(fields);
    std::vector<std::array<bool, std::size(kStems)>> seen(fields);
    for (uint64_t c = 0; c < cards; ++c) {
      const Card card = CardAt(bytes_, start + c * kCard);
      if (!card.valued) continue;
      for (size_t s = 0; s < std::size(kStems); ++s) {
        const std::string_view stem = kStems[s];
        const int64_t index = ColumnIndex(card.keyword, stem);
        if (index == 0) continue;
        if (index > header.fields)
          Malformed(std::string(card.keyword) + " in " + where_ + " names a column beyond TFIELDS = " +
                    std::to_string(header.fields));
        bool& given = seen[static_cast<size_t>(index - 1)][s];
        if (given) Malformed(std::string(card.keyword) + " is given twice in " + where_);
        given = true;
        if (stem == "TFORM") forms[static_cast<size_t>(index - 1)] = card.value;
        if (stem == "TBCOL") starts[static_cast<size_t>(index - 1)] = card.value;
      }
    }
    int64_t width = 0;
    for (size_t i = 0; i < fields; ++i) {
      const std::string form = "TFORM" + std::to_string(i + 1);
      if (!forms[i])
        Malformed(form + " is missing from " + where_ + ", which has TFIELDS = " + std::to_string(header.fields));
      const std::optional<std::string> text = TextValue(*forms[i]);
      if (binary) {
        const std::optional<int64_t> columnWidth = text ? BinaryWidth(*text) : std::nullopt;
        if (!columnWidth) Malformed(form + " = " + Shown(*forms[i]) + " in " + where_ + " is no binary column's form");
        width += *columnWidth;
        if (width > header.axes[0])
          Malformed("the columns of " + where_ + " up to " + form + " are wider than NAXIS1 = " +
                    std::to_string(header.axes[0]) + " bytes");
      } else {
        if (!text || !AsciiForm(*text))
          Malformed(form + " = " + Shown(*forms[i]) + " in " + where_ + " is no ASCII column's form");
        const std::string column = "TBCOL" + std::to_string(i + 1);
        if (!starts[i]) Malformed(column + " is missing from " + where_);
        const std::optional<int64_t> position = IntegerValue(*starts[i]);
        if (!position || *position < 1 || *position > header.axes[0])
          Malformed(column + " = " + Shown(*starts[i]) + " in " + where_ + " is not within the row's NAXIS1 = " +
                    std::to_string(header.axes[0]) + " characters");
      }
    }
    if (binary && width != header.axes[0])
      Malformed("the columns TFORM1 to TFORM" + std::to_string(header.fields) + " of " + where_ + " take " +
                std::to_string(width) + " bytes a row, but NAXIS1 = " + std::to_string(header.axes[0]));
  }

  std::string_view bytes_;
  std::string_view shownName_;
  std::string where_;  // the HDU being read, for messages
};

}  // namespace

std::string ReadFitsBytes(const std::string& path, std::string_view shownName) {
  return UnpackFitsBytes(ReadRaw(path, shownName), shownName);
}

std::string UnpackFitsBytes(std::string bytes, std::string_view shownName) {
  if (bytes.size() > kInputByteLimit) TooLarge(shownName, "it holds more than " + Megabytes(kInputByteLimit));
  if (bytes.starts_with("\x1f\x8b")) return Gunzip(bytes, shownName);
  return bytes;
}

std::optional<FitsTableLayout> CheckFitsHeaders(std::string_view bytes, std::string_view table,
                                                std::string_view shownName) {
  return HeaderWalk(bytes, shownName).Find(table);
}

}  // namespace ombrane::io
