#pragma once
// The picture the bare programs show in place of the saver's: a 335x300
// gradient with no black pixel, the same on every window system.

#include <cstdint>

namespace morumoru::bench {

inline constexpr int kBareWidth = 335;
inline constexpr int kBareHeight = 300;

inline uint32_t BarePixel(int x, int y) {
  return static_cast<uint32_t>((x * 255 / kBareWidth) << 16 | (y * 255 / kBareHeight) << 8 | 0x40);
}

}  // namespace morumoru::bench
