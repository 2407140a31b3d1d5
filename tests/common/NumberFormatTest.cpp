#include "common/NumberFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "common/TextToFloat.h"

namespace ombrane {
namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

TEST(FormatGeneral, FifteenSignificantDigitsFixedOrScientific) {
  const struct {
    long double x;
    char separator;
    const char* expected;
  } cases[] = {
      {0.0L, '.', "0"},
      {-0.0L, '.', "0"},
      {1.0L, '.', "1"},
      {-1.0L, '.', "-1"},
      {100.0L, '.', "100"},
      {1.25L, '.', "1.25"},
      {1.5L, ',', "1,5"},
      {-2452153.34567L, ',', "-2452153,34567"},
      {0.1, '.', "0.1"},  // the double nearest 0.1 is 0.1000000000000000055...
      {1.0L / 3.0L, '.', "0.333333333333333"},
      {2.0L / 3.0L, '.', "0.666666666666667"},
      {0.123456789012345678L, '.', "0.123456789012346"},
      {12345.6789012345678L, '.', "12345.6789012346"},
      {0.0001L, '.', "0.0001"},
      {-0.00012L, '.', "-0.00012"},
      {0.00009999999999999999L, '.', "0.0001"},  // rounds up to 1E-4 and stays fixed
      {0.00001L, '.', "1E-5"},
      {0.000012345L, ',', "1,2345E-5"},
      {-2.5e-7L, '.', "-2.5E-7"},
      {1e-300L, '.', "1E-300"},
      {1e-4000L, '.', "1E-4000"},
      {1e14L, '.', "100000000000000"},
      {999999999999999.0L, '.', "999999999999999"},
      {999999999999999.6L, '.', "1E15"},  // 16 digits round up to the next power of ten
      {1e15L, '.', "1E15"},
      {1.5e20L, '.', "1.5E20"},
      {-1.5e20L, '.', "-1.5E20"},
      {123456789012345678.0L, '.', "1.23456789012346E17"},
      {1e4000L, '.', "1E4000"},
      {kNaN, '.', "NAN"},
      {kInf, '.', "INF"},
      {-kInf, '.', "-INF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatGeneral(c.x, c.separator), c.expected);
  }
}

TEST(FormatGeneral, ChosenNumberOfDigits) {
  const struct {
    long double x;
    int digits;
    const char* expected;
  } cases[] = {
      {1234567890.0L, 6, "1.23457E9"},
      {123456.0L, 6, "123456"},
      {1234567.0L, 6, "1.23457E6"},
      {999999.7L, 6, "1E6"},
      {0.000123456L, 3, "0.000123"},
      {0.0000123456L, 3, "1.23E-5"},
      {-0.5L, 4, "-0.5"},
      {2.71828182845904524L, 1, "3"},
      {2.71828182845904524L, 18, "2.71828182845904524"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatGeneralDigits(c.x, c.digits), c.expected);
  }
}

TEST(FormatFixed, PrecisionAndDecimals) {
  const struct {
    long double x;
    int precision;
    int decimals;
    char separator;
    const char* expected;
  } cases[] = {
      // The significant digits run out before the decimals: zero padding.
      {12.3456789L, 6, 6, '.', "12.345700"},
      {-12.3456789L, 6, 6, '.', "-12.345700"},
      {12.3456789L, 6, 6, ',', "12,345700"},
      {2452153.34567L, 10, 5, '.', "2452153.34600"},
      {2452153.34567L, 12, 5, '.', "2452153.34567"},
      {123456.0L, 6, 6, '.', "123456.000000"},
      {0.000123456789L, 2, 8, '.', "0.00012000"},
      // The decimals run out first: rounding at the last decimal.
      {2452153.345678L, 10, 3, '.', "2452153.346"},
      {2452153.345678L, 12, 5, '.', "2452153.34568"},
      {0.012345L, 10, 3, '.', "0.012"},
      {0.000123456789L, 6, 6, '.', "0.000123"},
      {0.0000005001L, 6, 6, '.', "0.000001"},
      {1.23456789L, 6, 2, '.', "1.23"},
      {1.235001L, 6, 2, '.', "1.24"},
      {0.6L, 6, 0, '.', "1"},
      {9.996L, 4, 2, '.', "10.00"},
      // Zero, and a negative value that rounds to zero, have no sign.
      {0.0L, 6, 6, '.', "0.000000"},
      {-0.0L, 6, 6, '.', "0.000000"},
      {0.0L, 6, 0, '.', "0"},
      {-0.0000001L, 6, 6, '.', "0.000000"},
      // More digits before the separator than the precision: general format.
      {1234567890.0L, 6, 6, '.', "1.23457E9"},
      {-1234567.0L, 6, 2, ',', "-1,23457E6"},
      {999999.7L, 6, 2, '.', "1E6"},
      {kNaN, 6, 6, '.', "NAN"},
      {-kInf, 6, 6, '.', "-INF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatFixed(c.x, c.precision, c.decimals, c.separator), c.expected);
  }
}

TEST(FormatFile, PrintfShapes) {
  const struct {
    double x;
    const char* expected;
  } gCases[] = {
      {0.0, "0"},
      {0.123456789, "0.123457"},
      {12.345, "12.345"},
      {-1.5, "-1.5"},
      {100000.0, "100000"},
      {1e6, "1e+06"},
      {2451234.5, "2.45123e+06"},
      {0.0001, "0.0001"},
      {1e-5, "1e-05"},
      {-1.25e-7, "-1.25e-07"},
      {1e100, "1e+100"},
      {999999.6, "1e+06"},
  };
  for (const auto& c : gCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatFileG(c.x), c.expected);
  }
  const struct {
    long double x;
    int decimals;
    const char* expected;
  } fixedCases[] = {
      {2452153.34567L, 5, "2452153.34567"},
      {-1.5L, 3, "-1.500"},
      {0.0001234L, 4, "0.0001"},
      {12.7L, 0, "13"},
      {0.0L, 2, "0.00"},
      {1e20L, 1, "100000000000000000000.0"},
  };
  for (const auto& c : fixedCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatFileFixed(c.x, c.decimals), c.expected);
  }
}

// The C library's printf in the "C" locale is an independent implementation of the same formats.
TEST(FormatFile, AgreesWithPrintfInTheCLocale) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  char buffer[512];
  for (int i = 0; i < 2000; ++i) {
    const double x = mantissa(random) * std::pow(10.0, exponent(random));
    std::snprintf(buffer, sizeof buffer, "%g", x);
    ASSERT_EQ(FormatFileG(x), buffer) << "x = " << buffer;
    const int decimals = i % 9;
    const long double extended = static_cast<long double>(x) * (1.0L + 1e-17L);
    std::snprintf(buffer, sizeof buffer, "%Lg", extended);
    ASSERT_EQ(FormatFileG(extended), buffer);
    std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, extended);
    ASSERT_EQ(FormatFileFixed(extended, decimals), buffer);
  }
}

TEST(FormatAxis, GroupedWithAtMostSixDecimals) {
  const struct {
    double x;
    char decimalSeparator;
    const char* groupSeparator;
    const char* expected;
  } cases[] = {
      {2452153.123456, '.', ",", "2,452,153.123 456"},
      {2452153.123456, ',', ".", "2.452.153,123 456"},
      {12.5, '.', ",", "12.5"},
      {12.5, ',', ".", "12,5"},
      {0.0, '.', ",", "0"},
      {-0.0, '.', ",", "0"},
      {-1234.5, '.', ",", "-1,234.5"},
      {-1234.5, ',', ".", "-1.234,5"},
      {1234.5, ',', "\xC2\xA0",
       "1\xC2\xA0"
       "234,5"},  // a no-break space in UTF-8
      {0.0000004, '.', ",", "0"},
      {-0.0000004, '.', ",", "0"},
      {0.0000006, '.', ",", "0.000 001"},
      {0.1234, '.', ",", "0.123 4"},
      {0.123, '.', ",", "0.123"},
      {999.9999996, '.', ",", "1,000"},
      {100.0, '.', ",", "100"},
      {1000.0, '.', ",", "1,000"},
      {123456.0, '.', ",", "123,456"},
      {-1234567.25, '.', ",", "-1,234,567.25"},
      {std::numeric_limits<double>::quiet_NaN(), '.', ",", "NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FormatAxis(c.x, c.decimalSeparator, c.groupSeparator), c.expected);
  }
}

// Under a locale with a decimal comma the C library writes "1,5"; the formats must not follow.
TEST(NumberText, IndependentOfTheProcessLocale) {
  const char* commaLocale = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      commaLocale = name;
      break;
    }
  }
  if (commaLocale == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", 1.5);
  const std::string printfText = buffer;
  const std::string fileG = FormatFileG(2451234.5);
  const std::string fileFixed = FormatFileFixed(1.25L, 2);
  const std::string general = FormatGeneral(1.5L);
  const std::string fixed = FormatFixed(12.3456789L, 6, 6);
  const long double parsed = TextToFloat("2452153.5");
  std::setlocale(LC_ALL, "C");

  EXPECT_EQ(printfText, "1,5") << commaLocale;  // the locale really is in force
  EXPECT_EQ(fileG, "2.45123e+06");
  EXPECT_EQ(fileFixed, "1.25");
  EXPECT_EQ(general, "1.5");
  EXPECT_EQ(fixed, "12.345700");
  EXPECT_EQ(parsed, 2452153.5L);
}

}  // namespace
}  // namespace ombrane
