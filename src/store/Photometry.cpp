#include "store/Photometry.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include <sys/stat.h>

#include "common/QuotedText.h"
#include "common/SystemError.h"
#include "common/TextToFloat.h"

namespace ombrane {
namespace {

// White space of the C locale; line ends are white space like any other.
constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Longest token kept: a longer one cannot be a sensible number and is read as not a number.
constexpr size_t kMaxTokenLength = 4096;

enum class TokenValue { Number, NotNumber, OutOfRange };

// Converts a token to an extended value with std::from_chars, which ignores the process locale.
TokenValue ParseToken(std::string_view token, long double& value) {
  if (token.size() > kMaxTokenLength || !HasNumberSyntax(token)) return TokenValue::NotNumber;
  if (token.front() == '+') token.remove_prefix(1);  // from_chars takes no plus sign
  long double parsed = 0;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), parsed);
  if (ec == std::errc::result_out_of_range) {
    // Too large is refused; too small to hold reads as zero, as in the number boxes.
    try {
      value = TextToFloat(token);
      return TokenValue::Number;
    } catch (const ConversionError&) {
      return TokenValue::OutOfRange;
    }
  }
  if (ec != std::errc() || end != token.data() + token.size()) return TokenValue::NotNumber;
  value = parsed;
  return TokenValue::Number;
}

std::string IntegerText(int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// The byte-order mark Windows editors put at the start of a UTF-8 file; it is not part of the
// data.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Walks the text token by token, counting line ends (LF, CR LF and a lone CR) as it skips white
// space. It reads either a text in memory or a file in chunks, so a file of any size needs only
// one chunk of memory; a token too long to be a number ends the reading at once, so a file
// without white space (/dev/zero) is not read to its end.
class TokenReader {
 public:
  explicit TokenReader(std::string_view text) : view_(text) { SkipByteOrderMark(); }
  explicit TokenReader(std::FILE* file) : file_(file), chunk_(std::make_unique<char[]>(kChunkSize)) {}

  // The next token, or an empty view at the end of the text. `line` is its 1-based line. The
  // view lasts until the next call.
  std::string_view Next(int32_t& line) {
    do {
      while (pos_ < view_.size() && IsSpace(view_[pos_])) {
        const char c = view_[pos_];
        if (c == '\r' || (c == '\n' && !afterCr_)) ++line_;
        afterCr_ = c == '\r';
        ++pos_;
      }
    } while (pos_ == view_.size() && Refill());
    afterCr_ = false;
    line = line_;
    token_.clear();
    tooLong_ = false;
    while (true) {
      const size_t start = pos_;
      while (pos_ < view_.size() && !IsSpace(view_[pos_])) ++pos_;
      const std::string_view piece = view_.substr(start, pos_ - start);
      const bool ended = pos_ < view_.size() || file_ == nullptr;
      if (ended && token_.empty()) return Capped(piece);
      Keep(piece);
      if (ended || tooLong_ || !Refill())
        return tooLong_ ? std::string_view(token_.data(), kMaxTokenLength + 1) : token_;
    }
  }

  // The system error of a failed read of the file, else 0.
  int error() const { return error_; }

 private:
  static constexpr size_t kChunkSize = size_t{1} << 16;

  bool Refill() {
    if (file_ == nullptr || error_ != 0) return false;
    const size_t got = std::fread(chunk_.get(), 1, kChunkSize, file_);
    if (got == 0) {
      if (std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
      return false;
    }
    view_ = std::string_view(chunk_.get(), got);
    pos_ = 0;
    if (firstChunk_) {
      firstChunk_ = false;
      SkipByteOrderMark();
    }
    return true;
  }

  void SkipByteOrderMark() {
    if (view_.substr(0, kByteOrderMark.size()) == kByteOrderMark) pos_ = kByteOrderMark.size();
  }

  // A token over the longest kept is cut one past it, so that it never reads as a number.
  std::string_view Capped(std::string_view piece) {
    return piece.size() > kMaxTokenLength ? piece.substr(0, kMaxTokenLength + 1) : piece;
  }

  void Keep(std::string_view piece) {
    const size_t room = kMaxTokenLength + 1 - std::min(token_.size(), kMaxTokenLength + 1);
    token_.append(piece.substr(0, std::min(room, piece.size())));
    if (token_.size() > kMaxTokenLength) tooLong_ = true;
  }

  std::string_view view_;
  size_t pos_ = 0;
  int32_t line_ = 1;
  bool afterCr_ = false;  // the last white space was a CR: an LF after it ends no other line
  bool firstChunk_ = true;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> chunk_;
  std::string token_;
  bool tooLong_ = false;
  int error_ = 0;
};

enum class ReadOutcome { Stored, AtEnd, Bad };

}  // namespace

// The reading goes in passes of two reads, x then y. A read at the end of the text fails and
// leaves its variable as it was, and so do all reads after it. Each pass stores (x, y) unless one
// of them is 0, and reading ends after the first pass that met the end. So the last pass of a
// file with whole pairs stores its last pair a second time (the repeat the night index relies
// on), and an odd count of numbers ends with the last number beside the magnitude before it.
namespace {

// The storing half of a load: pairs go into fileJd / fileMag while there is room, the last entry
// is kept free for the pair of the final pass, and what did not fit is counted for the message.
// The plain reading and the import of chosen columns both store through it, so both keep the
// same limits, the same repeat and the same message.
class PairStore {
 public:
  // keepZeros: store pairs with a zero value too. Zero marks a missing value only in the plain
  // pair format; an imported column holds real zeros (a relative magnitude of 0.0000).
  // ceiling: the most observations stored, the repeat of the last one on top.
  // errors: store the error of each pair too (fileMagError).
  PairStore(Data& data, bool keepZeros, int32_t ceiling, bool errors = false)
      : data_(data),
        keepZeros_(keepZeros),
        errors_(errors),
        ceiling_(std::clamp<int32_t>(ceiling, 0, kMaxObservations)) {
    data_.fileJd.clear();
    data_.fileMag.clear();
    data_.fileMagError.clear();
    data_.magError.clear();
  }

  // Room for about `observations` more (a guess from the size of the input): the arrays then
  // grow once instead of doubling their way up.
  void Expect(size_t observations) {
    const size_t room = std::min(observations, static_cast<size_t>(ceiling_) + 1);
    data_.fileJd.reserve(room);
    data_.fileMag.reserve(room);
    if (errors_) data_.fileMagError.reserve(room);
  }

  // One pass of the reading with both values read: a pair with a zero value is skipped unless
  // zeros are kept.
  void Pass(long double x, long double y, long double error = 0) {
    if (!Valid(x, y)) return;
    if (k_ < ceiling_) {
      Store(x, y, error);
    } else {
      ++leftOut_;  // the store is full: keep counting what the rest of the file holds
    }
  }

  // The final pass, which met the end: it stores (x, y) once more (the repeat of the last
  // pair, or an odd last number with the magnitude before it) when nothing was left out;
  // otherwise the last stored pair is repeated.
  void FinalPass(long double x, long double y, bool oddPair, long double error = 0) {
    const bool pairValid = Valid(x, y);
    if (leftOut_ == 0) {
      if (pairValid) Store(x, y, error);
    } else {
      if (oddPair && pairValid) ++leftOut_;
      RepeatLast();
    }
  }

  // Reading stopped early: what was stored stays, with its repeat.
  void RepeatLast() {
    if (k_ == 0) return;
    Store(data_.fileJd.back(), data_.fileMag.back(), errors_ ? data_.fileMagError.back() : 0);
  }

  // Sets N and sizes the store for it, adds the message of what did not fit and returns
  // whether anything was left out.
  bool Finish(std::string_view fileName, PhotometryReadResult& result) {
    if (leftOut_ > 0) {
      result.messages.push_back(std::string(fileName) + ": the store holds " + IntegerText(ceiling_) +
                                " observations; " + IntegerText(leftOut_) +
                                (leftOut_ == 1 ? " pair was left out." : " pairs were left out."));
    }
    data_.Resize(k_);
    result.pointCount = k_;
    return leftOut_ > 0;
  }

 private:
  bool Valid(long double x, long double y) const { return keepZeros_ || (x != 0 && y != 0); }

  void Store(long double x, long double y, long double error) {
    data_.fileJd.push_back(x);
    data_.fileMag.push_back(y);
    if (errors_) data_.fileMagError.push_back(static_cast<double>(error));
    ++k_;
  }

  Data& data_;
  bool keepZeros_ = false;
  bool errors_ = false;
  int32_t ceiling_ = kMaxObservations;
  int32_t k_ = 0;
  int64_t leftOut_ = 0;
};

// The numbers of a text one read at a time, and what the reading tells afterwards: the token
// that stopped it (not a number, or out of range) and whether every line held three or more
// numbers (a table of columns read as pairs).
class NumberReader {
 public:
  explicit NumberReader(TokenReader& reader) : reader_(reader) {}

  // The next number into `target`; at the end of the text or after a bad token, nothing is
  // read and `target` keeps its value.
  ReadOutcome Read(long double& target) {
    if (atEnd_ || stopped()) return atEnd_ ? ReadOutcome::AtEnd : ReadOutcome::Bad;
    int32_t line = 0;
    const std::string_view token = reader_.Next(line);
    if (line != tokenLine_) {
      EndLine();
      tokenLine_ = line;
    }
    if (token.empty()) {
      atEnd_ = true;
      return ReadOutcome::AtEnd;
    }
    const TokenValue kind = ParseToken(token, target);
    if (kind == TokenValue::Number) {
      ++numbersOnLine_;
      return ReadOutcome::Stored;
    }
    badToken_ = QuotedText(token);
    badKind_ = kind;
    badLine_ = line;
    return ReadOutcome::Bad;
  }

  // The reading is over: the last line's numbers count too.
  void Finish() { EndLine(); }

  bool stopped() const { return !badToken_.empty(); }
  int32_t stopLine() const { return stopped() ? badLine_ : 0; }
  std::string StopMessage(std::string_view fileName) const {
    const char* what = badKind_ == TokenValue::OutOfRange ? "is out of range" : "is not a number";
    return std::string(fileName) + ", line " + IntegerText(badLine_) + ": " + badToken_ + " " + what +
           "; reading stopped there.";
  }
  bool everyLineWide() const { return !stopped() && anyLine_ && everyLineWide_; }

 private:
  void EndLine() {
    if (numbersOnLine_ == 0) return;
    anyLine_ = true;
    if (numbersOnLine_ < 3) everyLineWide_ = false;
    numbersOnLine_ = 0;
  }

  TokenReader& reader_;
  bool atEnd_ = false;
  std::string badToken_;  // quoted; empty while every token was a number
  TokenValue badKind_ = TokenValue::Number;
  int32_t badLine_ = 0;
  // Numbers per line, for the note on files of three or more columns.
  int32_t tokenLine_ = 0;
  int32_t numbersOnLine_ = 0;
  bool everyLineWide_ = true;
  bool anyLine_ = false;
};

// The passes of two reads into the store, until a bad token or the end (the rules above).
void ReadPasses(NumberReader& numbers, PairStore& store, std::string_view fileName,
                PhotometryReadResult& result) {
  long double x = 0;
  long double y = 0;
  bool magnitudeRead = false;  // a pass has read its magnitude: a last odd number has a partner
  while (true) {
    const ReadOutcome readX = numbers.Read(x);
    const ReadOutcome readY = numbers.Read(y);
    if (readY == ReadOutcome::Stored) magnitudeRead = true;
    if (readX == ReadOutcome::Bad || readY == ReadOutcome::Bad) {
      // A half pair before the bad token is dropped; what was stored stays, with its repeat.
      store.RepeatLast();
      return;
    }
    if (readX == ReadOutcome::AtEnd || readY == ReadOutcome::AtEnd) {
      const bool oddPair = readX == ReadOutcome::Stored;
      // A single number has nothing to pair with: it is not stored (its magnitude is 0) and
      // there is nothing to tell about pairing.
      if (oddPair && magnitudeRead) {
        result.messages.push_back(std::string(fileName) +
                                  ": odd count of numbers; the last number was read with the magnitude "
                                  "before it.");
      }
      store.FinalPass(x, y, oddPair);
      return;
    }
    store.Pass(x, y);
  }
}

PhotometryReadResult ReadPhotometry(TokenReader& reader, std::string_view fileName, Data& data,
                                    int32_t ceiling, size_t inputBytes) {
  PhotometryReadResult result;
  NumberReader numbers(reader);
  PairStore store(data, /*keepZeros=*/false, ceiling);
  // A pair line of a light curve takes some 20 bytes or more.
  store.Expect(inputBytes / 20 + 2);
  ReadPasses(numbers, store, fileName, result);
  numbers.Finish();
  // The messages in the order of the reading: the odd count, the bad token, what did not fit.
  if (numbers.stopped()) result.messages.push_back(numbers.StopMessage(fileName));
  const bool leftOut = store.Finish(fileName, result);
  result.partial = numbers.stopped() || leftOut;
  result.columnsMixed = numbers.everyLineWide();
  result.stoppedAtLine = numbers.stopLine();
  return result;
}

}  // namespace

PhotometryReadResult ReadPhotometryText(std::string_view text, std::string_view fileName, Data& data,
                                        int32_t ceiling) {
  TokenReader reader(text);
  return ReadPhotometry(reader, fileName, data, ceiling, text.size());
}

PhotometryReadResult StorePairs(std::span<const Observation> observations, std::string_view fileName,
                                Data& data, int32_t ceiling) {
  PhotometryReadResult result;
  const bool errors = !observations.empty() &&
                      std::all_of(observations.begin(), observations.end(), [](const Observation& o) {
                        const auto e = static_cast<double>(o.error);
                        return std::isfinite(e) && e > 0;
                      });
  PairStore store(data, /*keepZeros=*/true, ceiling, errors);
  store.Expect(observations.size() + 1);
  for (const Observation& observation : observations)
    store.Pass(observation.time, observation.magnitude, observation.error);
  if (!observations.empty())
    store.FinalPass(observations.back().time, observations.back().magnitude, false,
                    observations.back().error);
  result.partial = store.Finish(fileName, result);
  return result;
}

PhotometryReadResult ReadPhotometryFile(const std::string& path, std::string_view fileName, Data& data,
                                        int32_t ceiling) {
  auto failure = [&](const char* what, int error) {
    PhotometryReadResult result;
    result.opened = false;
    data.Resize(0);
    result.messages.push_back(std::string(fileName) + " could not be " + what + ": " +
                              SystemErrorText(error));
    return result;
  };

  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return failure("opened", errno);
  TokenReader reader(file.get());
  size_t bytes = 0;
  struct stat status {};
  if (fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode))
    bytes = static_cast<size_t>(status.st_size);
  PhotometryReadResult result = ReadPhotometry(reader, fileName, data, ceiling, bytes);
  if (reader.error() != 0) return failure("read", reader.error());
  return result;
}

std::string ColumnsMixedLine(std::string_view shownName, std::string_view remedy) {
  return std::string(shownName) +
         ": every line holds three or more numbers, read two at a time across the columns; " +
         std::string(remedy) + ".";
}

}  // namespace ombrane
