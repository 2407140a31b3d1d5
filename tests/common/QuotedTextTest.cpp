#include "common/QuotedText.h"

#include <gtest/gtest.h>

#include <string>

namespace ombrane {
namespace {

TEST(QuotedText, EscapesWhatCannotBeSeen) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"12.5x", "'12.5x'"},
      {"", "''"},
      {"a\tb\r\n", "'a\\tb\\r\\n'"},
      {"back\\slash", "'back\\\\slash'"},
      {"\x1B[31mred", "'\\x1B[31mred'"},  // a terminal escape sequence
      {std::string("nul\0x", 5), "'nul\\x00x'"},
      {"del\x7F", "'del\\x7F'"},
      {"12\xC2\xA0"
       "5",
       "'12\\u00A05'"},  // no-break space, as word processors put it
      {"\xEF\xBB\xBF"
       "2450000.1",
       "'\\uFEFF2450000.1'"},  // a byte-order mark
      {"1\xE2\x80\x8B"
       "2",
       "'1\\u200B2'"},  // zero-width space
      {"\xC2\x9B"
       "2J",
       "'\\u009B2J'"},  // C1 control sequence introducer
      {"caf\xC3\xA9 \xE2\x88\x92"
       "1",
       "'caf\xC3\xA9 \xE2\x88\x92"
       "1'"},  // visible letters stay
      {"\xFF\xFE"
       "1",
       "'\\xFF\\xFE1'"},                      // not UTF-8
      {"\xC3", "'\\xC3'"},                    // a sequence cut short
      {"\xC0\xAF", "'\\xC0\\xAF'"},           // overlong form of '/'
      {"\xED\xA0\x80", "'\\xED\\xA0\\x80'"},  // a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(QuotedText(c.text), c.expected) << c.expected;
}

TEST(QuotedText, CutsLongTextAtACharacterBoundary) {
  EXPECT_EQ(QuotedText(std::string(40, 'a')), "'" + std::string(40, 'a') + "'");
  EXPECT_EQ(QuotedText(std::string(41, 'a')), "'" + std::string(40, 'a') + "...'");
  // "é" takes bytes 39 and 40; cutting at 40 bytes would split it, so it goes whole.
  EXPECT_EQ(QuotedText(std::string(39, 'a') + "\xC3\xA9"
                                              "b"),
            "'" + std::string(39, 'a') + "...'");
  EXPECT_EQ(QuotedText("abcdef", 3), "'abc...'");
  // 120 kB of an argument come out short.
  EXPECT_EQ(QuotedText(std::string(120000, 'x'), 60).size(), 60u + 5u);
}

}  // namespace
}  // namespace ombrane
