#pragma once
// Numbers in the settings file are read with this one rule, so that a hand
// edited "speed=$1F" or " -3" means the same thing on every system.

#include <cstdint>
#include <string_view>

namespace morumoru {

// The integer the whole of `text` spells, or `defaultValue` when it spells none.
// Leading spaces are allowed, trailing characters of any kind are not. Decimal
// must fit in int32_t; hex ("$", "x", "X", "0x", "0X") may use all 32 bits and
// is read as two's complement, so "$FFFFFFFF" is -1.
int32_t ParseInteger(std::string_view text, int32_t defaultValue);

}  // namespace morumoru
