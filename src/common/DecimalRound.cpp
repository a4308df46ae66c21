#include "common/DecimalRound.h"

#include <cmath>
#include <cstdint>

namespace zel::common {

double Round(double x, int n) {
  if (!std::isfinite(x)) return x;
  double value = x;
  for (int k = 0; k < n; ++k) value *= 10.0;

  // Beyond the range of a 64-bit integer every double is integral and has no digits to carry.
  constexpr double kInt64Limit = 9223372036854775808.0;  // 2^63
  if (std::fabs(value) >= kInt64Limit) {
    for (int k = 0; k < n; ++k) value *= 0.1;
    return value;
  }

  // Count the further decimal digits the double carries. Every value of at least 2^53 is
  // integral, and each step multiplies by ten, so the first integral value is below 10 * 2^53
  // and the loop ends well inside the int64 range.
  int digits = 0;
  while (value != std::trunc(value)) {
    value *= 10.0;
    ++digits;
  }
  int64_t v = static_cast<int64_t>(value);
  int64_t carry = 0;
  for (int k = 0; k < digits; ++k) {
    v += carry;
    // The remainder keeps the sign of v, so a negative value never carries: it truncates.
    carry = (v % 10 >= 5) ? 1 : 0;
    v /= 10;
  }
  v += carry;

  double result = static_cast<double>(v);
  for (int k = 0; k < n; ++k) result *= 0.1;
  return result;
}

}  // namespace zel::common
