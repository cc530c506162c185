#include "saver/random_source.h"

#include "platform/platform.h"

namespace morumoru {

uint32_t RandomState = 0;

void Reseed(platform::Platform& platform) {
  uint64_t count = 0;
  RandomState = platform.QueryCounter(count) ? static_cast<uint32_t>(count) : platform.TickCount();
}

}  // namespace morumoru
