#include "common/FloatingPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Tolerance.h"

namespace ombrane {
namespace {

using Fault = FloatingPointFault;

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr long double kMax = std::numeric_limits<long double>::max();
constexpr long double kMin = std::numeric_limits<long double>::min();
constexpr double kDoubleMax = std::numeric_limits<double>::max();

TEST(FloatingPointError, CarriesTheFixedMessageOfItsFault) {
  const struct {
    Fault fault;
    std::string message;
  } cases[] = {
      {Fault::InvalidOperation, "Invalid floating point operation"},
      {Fault::DivisionByZero, "Floating point division by zero"},
      {Fault::Overflow, "Floating point overflow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(FaultMessage(c.fault), c.message);
    const FloatingPointError error(c.fault);
    EXPECT_EQ(error.what(), c.message);
    EXPECT_EQ(error.fault(), c.fault);
  }
}

// One checked operation with its operands, and either the fault it must raise or its value.
struct Case {
  const char* name;
  std::function<long double()> run;
  std::optional<Fault> fault;
  long double value = 0;
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.fault) {
      try {
        const long double result = c.run();
        ADD_FAILURE() << "no fault, result " << static_cast<double>(result);
      } catch (const FloatingPointError& error) {
        EXPECT_EQ(error.fault(), *c.fault) << error.what();
      }
    } else {
      long double result = 0;
      ASSERT_NO_THROW(result = c.run());
      EXPECT_TRUE(test::Close(result, c.value))
          << static_cast<double>(result) << " != " << static_cast<double>(c.value);
    }
  }
}

TEST(CheckedArithmetic, Divide) {
  RunCases({
      {"1 / 0", [] { return Divide(1.0L, 0.0L); }, Fault::DivisionByZero},
      {"-1 / 0", [] { return Divide(-1.0L, 0.0L); }, Fault::DivisionByZero},
      {"1 / -0", [] { return Divide(1.0L, -0.0L); }, Fault::DivisionByZero},
      {"0 / 0", [] { return Divide(0.0L, 0.0L); }, Fault::InvalidOperation},
      {"-0 / 0", [] { return Divide(-0.0L, 0.0L); }, Fault::InvalidOperation},
      {"inf / inf", [] { return Divide(kInf, -kInf); }, Fault::InvalidOperation},
      {"NaN / 1", [] { return Divide(kNaN, 1.0L); }, Fault::InvalidOperation},
      {"1 / NaN", [] { return Divide(1.0L, kNaN); }, Fault::InvalidOperation},
      {"max / 0.5", [] { return Divide(kMax, 0.5L); }, Fault::Overflow},
      {"-3 / 2", [] { return Divide(-3.0L, 2.0L); }, std::nullopt, -1.5L},
      {"1 / inf", [] { return Divide(1.0L, kInf); }, std::nullopt, 0.0L},
      {"inf / 2 passes", [] { return Divide(kInf, 2.0L); }, std::nullopt, kInf},
      {"min / 4 underflows quietly", [] { return Divide(kMin, 4.0L); }, std::nullopt,
       std::ldexp(1.0L, -16384)},
      // The double overload works in double: a quotient beyond the double range overflows
      // even though an extended value would hold it.
      {"double 1e308 / 1e-10", [] { return Divide(1e308, 1e-10) * 1.0L; }, Fault::Overflow},
      {"double 1 / 0", [] { return Divide(1.0, 0.0) * 1.0L; }, Fault::DivisionByZero},
      {"double 0 / 0", [] { return Divide(0.0, 0.0) * 1.0L; }, Fault::InvalidOperation},
      {"double 7 / 2", [] { return Divide(7.0, 2.0) * 1.0L; }, std::nullopt, 3.5L},
  });
}

TEST(CheckedArithmetic, MultiplyAddSubtract) {
  RunCases({
      {"0 * inf", [] { return Multiply(0.0L, kInf); }, Fault::InvalidOperation},
      {"-inf * 0", [] { return Multiply(-kInf, 0.0L); }, Fault::InvalidOperation},
      {"NaN * 1", [] { return Multiply(kNaN, 1.0L); }, Fault::InvalidOperation},
      {"max * 2", [] { return Multiply(kMax, 2.0L); }, Fault::Overflow},
      {"-max * 2", [] { return Multiply(-kMax, 2.0L); }, Fault::Overflow},
      {"1e2000 * 1e2000", [] { return Multiply(1e2000L, 1e2000L); }, std::nullopt, 1e4000L},
      {"-2.5 * 4", [] { return Multiply(-2.5L, 4.0L); }, std::nullopt, -10.0L},
      {"inf * -2 passes", [] { return Multiply(kInf, -2.0L); }, std::nullopt, -kInf},
      {"inf + -inf", [] { return Add(kInf, -kInf); }, Fault::InvalidOperation},
      {"1 + NaN", [] { return Add(1.0L, kNaN); }, Fault::InvalidOperation},
      {"max + max", [] { return Add(kMax, kMax); }, Fault::Overflow},
      {"inf + inf passes", [] { return Add(kInf, kInf); }, std::nullopt, kInf},
      {"1 + 2", [] { return Add(1.0L, 2.0L); }, std::nullopt, 3.0L},
      {"inf - inf", [] { return Subtract(kInf, kInf); }, Fault::InvalidOperation},
      {"NaN - 1", [] { return Subtract(kNaN, 1.0L); }, Fault::InvalidOperation},
      {"-max - max", [] { return Subtract(-kMax, kMax); }, Fault::Overflow},
      {"inf - -inf passes", [] { return Subtract(kInf, -kInf); }, std::nullopt, kInf},
      {"5 - 7.5", [] { return Subtract(5.0L, 7.5L); }, std::nullopt, -2.5L},
  });
}

TEST(CheckedArithmetic, SqrtAndLogarithms) {
  RunCases({
      {"sqrt -1", [] { return Sqrt(-1.0) * 1.0L; }, Fault::InvalidOperation},
      {"sqrt -1e-300", [] { return Sqrt(-1e-300) * 1.0L; }, Fault::InvalidOperation},
      {"sqrt NaN", [] { return Sqrt(std::nan("")) * 1.0L; }, Fault::InvalidOperation},
      {"sqrt 6.25", [] { return Sqrt(6.25) * 1.0L; }, std::nullopt, 2.5L},
      {"sqrt 0", [] { return Sqrt(0.0) * 1.0L; }, std::nullopt, 0.0L},
      // -0 is no negative number: the root is -0, without a fault.
      {"sign of sqrt -0", [] { return std::copysign(1.0L, Sqrt(-0.0)); }, std::nullopt, -1.0L},
      {"log10 0", [] { return Log10(0.0) * 1.0L; }, Fault::DivisionByZero},
      {"log10 -0", [] { return Log10(-0.0) * 1.0L; }, Fault::DivisionByZero},
      {"log10 -1", [] { return Log10(-1.0) * 1.0L; }, Fault::InvalidOperation},
      {"log10 NaN", [] { return Log10(std::nan("")) * 1.0L; }, Fault::InvalidOperation},
      {"log10 1000", [] { return Log10(1000.0) * 1.0L; }, std::nullopt, 3.0L},
      {"log10 0.01", [] { return Log10(0.01) * 1.0L; }, std::nullopt, -2.0L},
      {"ln 0", [] { return Ln(0.0) * 1.0L; }, Fault::DivisionByZero},
      {"ln -2", [] { return Ln(-2.0) * 1.0L; }, Fault::InvalidOperation},
      {"ln 1", [] { return Ln(1.0) * 1.0L; }, std::nullopt, 0.0L},
      {"ln inf passes", [] { return Ln(HUGE_VAL) * 1.0L; }, std::nullopt, kInf},
  });
}

TEST(CheckedArithmetic, Pow) {
  RunCases({
      {"0 ^ -1", [] { return Pow(0.0, -1.0) * 1.0L; }, Fault::DivisionByZero},
      {"0 ^ -0.5", [] { return Pow(0.0, -0.5) * 1.0L; }, Fault::DivisionByZero},
      {"-8 ^ 1/3", [] { return Pow(-8.0, 1.0 / 3.0) * 1.0L; }, Fault::InvalidOperation},
      {"-2 ^ 0.5", [] { return Pow(-2.0, 0.5) * 1.0L; }, Fault::InvalidOperation},
      {"NaN ^ 1", [] { return Pow(std::nan(""), 1.0) * 1.0L; }, Fault::InvalidOperation},
      {"10 ^ 400", [] { return Pow(10.0, 400.0) * 1.0L; }, Fault::Overflow},
      {"-10 ^ 401", [] { return Pow(-10.0, 401.0) * 1.0L; }, Fault::Overflow},
      {"0 ^ 0", [] { return Pow(0.0, 0.0) * 1.0L; }, std::nullopt, 1.0L},
      {"0 ^ 2", [] { return Pow(0.0, 2.0) * 1.0L; }, std::nullopt, 0.0L},
      {"-2 ^ 3", [] { return Pow(-2.0, 3.0) * 1.0L; }, std::nullopt, -8.0L},
      {"-2 ^ -2", [] { return Pow(-2.0, -2.0) * 1.0L; }, std::nullopt, 0.25L},
      {"2 ^ 10", [] { return Pow(2.0, 10.0) * 1.0L; }, std::nullopt, 1024.0L},
      {"6.25 ^ 0.5", [] { return Pow(6.25, 0.5) * 1.0L; }, std::nullopt, 2.5L},
      {"10 ^ -400 underflows quietly", [] { return Pow(10.0, -400.0) * 1.0L; }, std::nullopt, 0.0L},
  });
}

TEST(CheckedArithmetic, ConversionsAndResults) {
  RunCases({
      {"trunc 2147483647.9", [] { return TruncToInt32(2147483647.9L) * 1.0L; }, std::nullopt, 2147483647.0L},
      {"trunc -2147483648.9", [] { return TruncToInt32(-2147483648.9L) * 1.0L; }, std::nullopt,
       -2147483648.0L},
      {"trunc 2147483648", [] { return TruncToInt32(2147483648.0L) * 1.0L; }, Fault::InvalidOperation},
      {"trunc -2147483649", [] { return TruncToInt32(-2147483649.0L) * 1.0L; }, Fault::InvalidOperation},
      {"trunc 3e9", [] { return TruncToInt32(3e9L) * 1.0L; }, Fault::InvalidOperation},
      {"trunc NaN", [] { return TruncToInt32(kNaN) * 1.0L; }, Fault::InvalidOperation},
      {"trunc -inf", [] { return TruncToInt32(-kInf) * 1.0L; }, Fault::InvalidOperation},
      {"trunc 2.7", [] { return TruncToInt32(2.7L) * 1.0L; }, std::nullopt, 2.0L},
      {"trunc -2.7", [] { return TruncToInt32(-2.7L) * 1.0L; }, std::nullopt, -2.0L},
      {"trunc -0.5", [] { return TruncToInt32(-0.5L) * 1.0L; }, std::nullopt, 0.0L},
      {"trunc 2452153.9", [] { return TruncToInt32(2452153.9L) * 1.0L; }, std::nullopt, 2452153.0L},
      {"double of max", [] { return ToDouble(kMax) * 1.0L; }, Fault::Overflow},
      {"double of -1e309", [] { return ToDouble(-1e309L) * 1.0L; }, Fault::Overflow},
      {"double of NaN", [] { return ToDouble(kNaN) * 1.0L; }, Fault::InvalidOperation},
      {"double of the double max", [] { return ToDouble(static_cast<long double>(kDoubleMax)) * 1.0L; },
       std::nullopt, static_cast<long double>(kDoubleMax)},
      {"double of 1.5", [] { return ToDouble(1.5L) * 1.0L; }, std::nullopt, 1.5L},
      {"double of inf passes", [] { return ToDouble(kInf) * 1.0L; }, std::nullopt, kInf},
      {"double of 1e-400 underflows quietly", [] { return ToDouble(1e-400L) * 1.0L; }, std::nullopt, 0.0L},
      {"result NaN", [] { return CheckResult(kNaN); }, Fault::InvalidOperation},
      {"result inf", [] { return CheckResult(kInf); }, Fault::Overflow},
      {"result -inf", [] { return CheckResult(-kInf); }, Fault::Overflow},
      {"result 2", [] { return CheckResult(2.0L); }, std::nullopt, 2.0L},
  });
}

}  // namespace
}  // namespace ombrane
