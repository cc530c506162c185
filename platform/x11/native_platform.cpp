#include <cstdio>
#include <cstdlib>

#include "platform/native.h"
#include "platform/x11/x11_backend.h"

namespace morumoru::platform {

std::unique_ptr<Platform> CreateNativePlatform() {
  std::unique_ptr<Platform> platform = CreateX11Platform();
  if (!platform) {
    // Nothing can be shown, not even an error box: say it where it can be read.
    std::fputs("morumoru: cannot open the X display (is DISPLAY set?)\n", stderr);
    std::exit(1);
  }
  return platform;
}

}  // namespace morumoru::platform
