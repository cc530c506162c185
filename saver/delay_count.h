#pragma once

#include <cstdint>

namespace morumoru {

// Pump calls after each step: speed to the power power in extended
// precision, rounded half to even, plus one; none when negative. Raises
// ERangeError, EInvalidOp, EOverflow or EZeroDivide for settings that give no
// usable count.
int64_t DelayCount(int32_t speed, int32_t power);

}  // namespace morumoru
