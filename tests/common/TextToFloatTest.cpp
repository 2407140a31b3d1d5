#include "common/TextToFloat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace ombrane {
namespace {

TEST(TextToFloat, ReadsNumbersWithTheGivenSeparator) {
  const struct {
    const char* text;
    char separator;
    long double expected;
  } cases[] = {
      {"1.5", '.', 1.5L},
      {"1,5", ',', 1.5L},
      {"0", '.', 0.0L},
      {"00012", '.', 12.0L},
      {"  -2.25", '.', -2.25L},
      {"+3", '.', 3.0L},
      {"5.", '.', 5.0L},
      {".5", '.', 0.5L},
      {"-,5", ',', -0.5L},
      {"1e3", '.', 1000.0L},
      {"1E-3", '.', 0.001L},
      {"2,5e+2", ',', 250.0L},
      // Extended precision all the way: 0.1 is not the double nearest 0.1.
      {"0.1", '.', 0.1L},
      {"2452153.34567", '.', 2452153.34567L},
      {"0.123456789012345678", '.', 0.123456789012345678L},
      {"1e4932", '.', 1e4932L},
      {"-1.5e-4000", '.', -1.5e-4000L},
      // Too small to hold is zero, as the floating-point unit gives with underflow masked.
      {"1e-99999", '.', 0.0L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    long double value = -1;
    ASSERT_NO_THROW(value = TextToFloat(c.text, c.separator));
    EXPECT_EQ(value, c.expected);
  }
  EXPECT_TRUE(std::signbit(TextToFloat("-0")));
}

// The token rule of the readers: the notation alone (no leading blanks, no range check).
TEST(HasNumberSyntax, AcceptsTheCNotationOnly) {
  const struct {
    const char* token;
    char point;
    bool number;
  } cases[] = {
      {"1.5", '.', true},      {"1,5", ',', true},     {"-.5", '.', true},  {"+5.", '.', true},
      {"2E-3", '.', true},     {"1e99999", '.', true}, {"1,5", '.', false}, {"1.5", ',', false},
      {"", '.', false},        {".", '.', false},      {"-", '.', false},   {"1e", '.', false},
      {"1e+", '.', false},     {" 1", '.', false},     {"1 ", '.', false},  {"inf", '.', false},
      {"nan", '.', false},     {"0x1", '.', false},    {"1.2.3", '.', false}, {"--1", '.', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.token) + " with " + c.point);
    EXPECT_EQ(HasNumberSyntax(c.token, c.point), c.number);
  }
}

TEST(TextToFloat, RefusesAnythingElseWithTheOriginalText) {
  const struct {
    const char* text;
    char separator;
  } cases[] = {
      {"", '.'},     {" ", '.'},     {"-", '.'},     {"+", '.'},       {".", '.'},       {"-.", '.'},
      {"1e", '.'},   {"1e+", '.'},   {"e5", '.'},    {"1,5", '.'},     {"1.5", ','},     {"1.5 ", '.'},
      {"1 5", '.'},  {"1.2.3", '.'}, {"1e5.5", '.'}, {"--1", '.'},     {"+-1", '.'},     {"inf", '.'},
      {"-INF", '.'}, {"nan", '.'},   {"0x10", '.'},  {"1e99999", '.'}, {"-1e5000", '.'}, {"1,000.5", '.'},
      {"12a", '.'},  {"\t1", '.'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      TextToFloat(c.text, c.separator);
      ADD_FAILURE() << "accepted";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.what(), "'" + std::string(c.text) + "' is not a valid floating point value");
    }
  }
}

// A box reads a number pasted in the other decimal separator when it cannot be a number grouped
// by thousands in the user's notation. Locales: German (',' and '.'), C ('.' and ','), French
// (',' and a narrow no-break space), Swiss ('.' and a right single quotation mark), a locale
// without a group separator.
TEST(BoxTextToFloat, OtherSeparatorWhenUnambiguous) {
  const std::string german = ".", c = ",", french = "\xE2\x80\xAF", swiss = "\xE2\x80\x99", none;
  const struct {
    char decimal;
    const std::string& group;
    const char* text;
    std::optional<long double> value;  // none: refused
  } cases[] = {
      {',', german, "0,51433", 0.51433L},
      {',', german, "0.51433", 0.51433L},
      {',', german, "1.2345", 1.2345L},
      {',', german, "1234.5", 1234.5L},
      {',', german, "0.514", 0.514L},  // a group never starts with 0
      {',', german, " -0.5", -0.5L},
      {',', german, "2450000.5", 2450000.5L},
      {',', german, "1.234e5", 123400.0L},  // no grouped number has an exponent
      {',', german, ".5", 0.5L},
      {',', german, "1.234", std::nullopt},  // one thousand two hundred and thirty-four?
      {',', german, "-12.345", std::nullopt},
      {',', german, "123.456", std::nullopt},
      {',', german, "1.234.567", std::nullopt},
      {',', german, "1.234,5", std::nullopt},
      {',', german, "1,234.5", std::nullopt},
      {',', german, "1.2.3", std::nullopt},
      {',', german, ".", std::nullopt},
      {',', german, "0.5x", std::nullopt},
      {'.', c, "0.51433", 0.51433L},
      {'.', c, "0,51433", 0.51433L},
      {'.', c, "0,5", 0.5L},
      {'.', c, "1,5e2", 150.0L},
      {'.', c, "1,2345", 1.2345L},
      {'.', c, "1,234", std::nullopt},
      {'.', c, "999,999", std::nullopt},
      {'.', c, "1,000.5", std::nullopt},
      {',', french, "1.234", 1.234L},
      {',', french, "0.51433", 0.51433L},
      {'.', swiss, "1,234", 1.234L},
      {',', none, "1.234", 1.234L},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.text) + " with " + k.decimal);
    if (k.value) {
      long double value = -1;
      ASSERT_NO_THROW(value = BoxTextToFloat(k.text, k.decimal, k.group));
      EXPECT_EQ(value, *k.value);
    } else {
      try {
        BoxTextToFloat(k.text, k.decimal, k.group);
        ADD_FAILURE() << "accepted";
      } catch (const ConversionError& error) {
        EXPECT_EQ(error.what(), "'" + std::string(k.text) + "' is not a valid floating point value");
      }
    }
  }
}

}  // namespace
}  // namespace ombrane
