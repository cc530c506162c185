#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/native.h"
#include "platform/x11/x11_backend.h"

namespace morumoru::platform {

std::unique_ptr<Platform> CreateNativePlatform() {
  std::string error;
  std::unique_ptr<Platform> platform = CreateX11PlatformForLaunch(error);
  if (!platform) {
    // Nothing can be shown, not even an error box: say it where it can be read.
    std::fprintf(stderr, "morumoru: %s\n", error.c_str());
    std::exit(1);
  }
  return platform;
}

}  // namespace morumoru::platform
