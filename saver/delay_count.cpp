#include "saver/delay_count.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "errors/exceptions.h"

namespace morumoru {

namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the pace needs the x87 extended format");

// speed ** power, raising the errors the x87 unit would trap on.
long double Power(int32_t speed, int32_t power) {
  if (power == 0) return 1.0L;
  if (speed == 0 && power > 0) return 0.0L;
  if (power == std::numeric_limits<int32_t>::min()) {
    // e ** (power * ln speed): only 1 survives; larger bases underflow to 0.
    if (speed < 0) Raise<EInvalidOp>(kInvalidOpText);
    if (speed == 0) Raise<EZeroDivide>(kZeroDivideText);
    return speed == 1 ? 1.0L
                      : std::exp(static_cast<long double>(power) *
                                 std::log(static_cast<long double>(speed)));
  }
  uint32_t bits = power < 0 ? 0u - static_cast<uint32_t>(power) : static_cast<uint32_t>(power);
  long double result = 1.0L;
  long double factor = speed;
  while (true) {
    if (bits & 1u) {
      result *= factor;
      if (std::isinf(result)) Raise<EOverflow>(kOverflowText);
    }
    bits >>= 1;
    if (bits == 0) break;
    factor *= factor;
    if (std::isinf(factor)) Raise<EOverflow>(kOverflowText);
  }
  if (power < 0) {
    if (result == 0.0L) Raise<EZeroDivide>(kZeroDivideText);
    result = 1.0L / result;
  }
  return result;
}

}  // namespace

int64_t DelayCount(int32_t speed, int32_t power) {
  long double x = Power(speed, power);
  // Round half to even, then the range checks of a 64-bit and a 32-bit store.
  long double rounded = std::nearbyint(x);
  // NaN fails both comparisons: negated, the test raises for it too, which
  // the De Morgan form (rounded < -2^63 || rounded >= 2^63) would not.
  // NOLINTNEXTLINE(readability-simplify-boolean-expr)
  if (!(rounded >= -0x1p63L && rounded < 0x1p63L)) Raise<EInvalidOp>(kInvalidOpText);
  int64_t n = static_cast<int64_t>(rounded);
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) {
    Raise<ERangeError>(kRangeErrorText);
  }
  return n < 0 ? 0 : n + 1;
}

}  // namespace morumoru
