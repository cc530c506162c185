#include "saver/random_source.h"

#include "platform/os_services.h"

namespace morumoru {

uint32_t RandomState = 0;

void Reseed(platform::OsServices& os) {
  uint64_t count = 0;
  RandomState = os.QueryCounter(count) ? static_cast<uint32_t>(count) : os.TickCount();
}

}  // namespace morumoru
