#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/native.h"
#include "platform/posix/posix_os_services.h"
#include "platform/x11/x11_backend.h"

namespace morumoru::platform {

std::unique_ptr<OsServices> CreateNativeOsServices() {
  return std::make_unique<posix::PosixOsServices>();
}

std::unique_ptr<WindowSystem> CreateNativeWindowSystem(LaunchMode mode) {
  std::string error;
  std::unique_ptr<WindowSystem> windows = CreateX11WindowSystemForLaunch(mode, error);
  if (!windows) {
    // Nothing can be shown, not even an error box: say it where it can be read.
    std::fprintf(stderr, "morumoru: %s\n", error.c_str());
    std::exit(1);
  }
  return windows;
}

}  // namespace morumoru::platform
