#include "common/FloatingPoint.h"

#include <cmath>
#include <limits>
#include <utility>

namespace ombrane {

namespace {

[[noreturn]] void Raise(FloatingPointFault fault) {
  throw FloatingPointError(fault);
}

template <typename T>
void RejectNaN(T a) {
  if (std::isnan(a)) Raise(FloatingPointFault::InvalidOperation);
}

template <typename T>
void RejectNaN(T a, T b) {
  if (std::isnan(a) || std::isnan(b)) Raise(FloatingPointFault::InvalidOperation);
}

// An infinite result of finite operands is an overflow; an infinite operand passes through.
template <typename T>
T CheckOverflow(T result, bool operandsFinite) {
  if (operandsFinite && std::isinf(result)) Raise(FloatingPointFault::Overflow);
  return result;
}

template <typename T>
T CheckedDivide(T a, T b) {
  RejectNaN(a, b);
  if (b == 0) {
    if (a == 0) Raise(FloatingPointFault::InvalidOperation);
    Raise(FloatingPointFault::DivisionByZero);
  }
  if (std::isinf(a) && std::isinf(b)) Raise(FloatingPointFault::InvalidOperation);
  return CheckOverflow(a / b, std::isfinite(a) && std::isfinite(b));
}

}  // namespace

FloatingPointError::FloatingPointError(FloatingPointFault fault, std::string detail)
    : std::runtime_error(FaultMessage(fault)), fault_(fault), detail_(std::move(detail)) {}

const char* FaultMessage(FloatingPointFault fault) noexcept {
  switch (fault) {
    case FloatingPointFault::InvalidOperation:
      return "Invalid floating point operation";
    case FloatingPointFault::DivisionByZero:
      return "Floating point division by zero";
    case FloatingPointFault::Overflow:
      return "Floating point overflow";
  }
  return "Invalid floating point operation";
}

long double Divide(long double a, long double b) {
  return CheckedDivide(a, b);
}

double Divide(double a, double b) {
  return CheckedDivide(a, b);
}

long double Multiply(long double a, long double b) {
  RejectNaN(a, b);
  if ((a == 0 && std::isinf(b)) || (std::isinf(a) && b == 0)) Raise(FloatingPointFault::InvalidOperation);
  return CheckOverflow(a * b, std::isfinite(a) && std::isfinite(b));
}

long double Add(long double a, long double b) {
  RejectNaN(a, b);
  // inf + (-inf) has no value.
  if (std::isinf(a) && std::isinf(b) && std::signbit(a) != std::signbit(b))
    Raise(FloatingPointFault::InvalidOperation);
  return CheckOverflow(a + b, std::isfinite(a) && std::isfinite(b));
}

long double Subtract(long double a, long double b) {
  RejectNaN(a, b);
  if (std::isinf(a) && std::isinf(b) && std::signbit(a) == std::signbit(b))
    Raise(FloatingPointFault::InvalidOperation);
  return CheckOverflow(a - b, std::isfinite(a) && std::isfinite(b));
}

double Sqrt(double x) {
  RejectNaN(x);
  // -0 is not negative: its square root is -0.
  if (x < 0) Raise(FloatingPointFault::InvalidOperation);
  return std::sqrt(x);
}

double Log10(double x) {
  RejectNaN(x);
  if (x == 0) Raise(FloatingPointFault::DivisionByZero);
  if (x < 0) Raise(FloatingPointFault::InvalidOperation);
  return std::log10(x);
}

double Ln(double x) {
  RejectNaN(x);
  if (x == 0) Raise(FloatingPointFault::DivisionByZero);
  if (x < 0) Raise(FloatingPointFault::InvalidOperation);
  return std::log(x);
}

double Pow(double base, double exponent) {
  RejectNaN(base, exponent);
  const bool integerExponent = std::trunc(exponent) == exponent;
  if (base == 0 && exponent < 0) Raise(FloatingPointFault::DivisionByZero);
  if (base < 0 && !integerExponent) Raise(FloatingPointFault::InvalidOperation);
  return CheckOverflow(std::pow(base, exponent), std::isfinite(base) && std::isfinite(exponent));
}

int32_t TruncToInt32(long double x) {
  RejectNaN(x);
  const long double truncated = std::trunc(x);
  if (truncated < static_cast<long double>(std::numeric_limits<int32_t>::min()) ||
      truncated > static_cast<long double>(std::numeric_limits<int32_t>::max()))
    Raise(FloatingPointFault::InvalidOperation);
  return static_cast<int32_t>(truncated);
}

double ToDouble(long double x) {
  RejectNaN(x);
  return CheckOverflow(static_cast<double>(x), std::isfinite(x));
}

long double CheckResult(long double result) {
  RejectNaN(result);
  if (std::isinf(result)) Raise(FloatingPointFault::Overflow);
  return result;
}

}  // namespace ombrane
