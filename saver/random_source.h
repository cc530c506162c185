#pragma once
// The slide show's only source of chance: a 32-bit linear congruential
// generator, reseeded from the high-resolution counter at every step.

#include <cstdint>

namespace morumoru {

namespace platform {
class OsServices;
}

extern uint32_t RandomState;

// Seeds from the counter's low 32 bits, or from the tick count when the
// counter cannot be read.
void Reseed(platform::OsServices& os);

// One generator step, then the upper half of n (read as unsigned) times the
// state: 0 to n - 1 for n > 0, 0 for n = 0.
inline int32_t RandomInt(int32_t n) {
  RandomState = RandomState * 134775813u + 1u;
  uint64_t product = static_cast<uint64_t>(static_cast<uint32_t>(n)) * RandomState;
  return static_cast<int32_t>(static_cast<uint32_t>(product >> 32));
}

}  // namespace morumoru
