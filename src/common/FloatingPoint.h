// Floating-point fault model. The program reports three faults with fixed messages and ends the
// running action at the failing step. Faults are modelled explicitly: each checked helper raises
// exactly what the x87 unit (invalid, zero-divide and overflow unmasked) raises for its operands:
//   x / 0 with x != 0 -> division by zero;  0 / 0, inf / inf, a NaN operand -> invalid operation;
//   sqrt or log of a negative number -> invalid operation;  log of 0 -> division by zero;
//   an integer conversion out of range or of a NaN -> invalid operation;
//   an infinite result from finite operands -> overflow.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ombrane {

enum class FloatingPointFault { InvalidOperation, DivisionByZero, Overflow };

// what() is always the fixed message of the fault. `detail` may say in words what went out of
// range ("the cycle count leaves the 32-bit range"), for a reader who wants more than the
// message; the window shows the message alone.
class FloatingPointError : public std::runtime_error {
 public:
  explicit FloatingPointError(FloatingPointFault fault, std::string detail = {});
  FloatingPointFault fault() const noexcept { return fault_; }
  const std::string& detail() const noexcept { return detail_; }

 private:
  FloatingPointFault fault_;
  std::string detail_;
};

// The fixed message of each fault: "Invalid floating point operation",
// "Floating point division by zero", "Floating point overflow".
const char* FaultMessage(FloatingPointFault fault) noexcept;

long double Divide(long double a, long double b);
double Divide(double a, double b);
long double Multiply(long double a, long double b);
long double Add(long double a, long double b);
long double Subtract(long double a, long double b);
double Sqrt(double x);
double Log10(double x);
double Ln(double x);
double Pow(double base, double exponent);
// Truncation toward zero into a 32-bit signed integer.
int32_t TruncToInt32(long double x);
// Rounding of an extended value to double; overflow when it leaves the double range.
double ToDouble(long double x);
// Raises what a result would raise: invalid for NaN, overflow for an infinite result.
long double CheckResult(long double result);

}  // namespace ombrane
