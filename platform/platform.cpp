#include "platform/platform.h"

namespace morumoru::platform {

namespace {
Platform* installed = nullptr;
}

Platform& Current() { return *installed; }
void Install(Platform* platform) { installed = platform; }

}  // namespace morumoru::platform
