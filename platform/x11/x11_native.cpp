#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/native.h"
#include "platform/posix/posix_os_services.h"
#include "platform/x11/x11_backend.h"

namespace morumoru::platform {

namespace {

// The services this process made, for the options of a hack below.
posix::PosixOsServices* services = nullptr;

}  // namespace

std::unique_ptr<OsServices> CreateNativeOsServices() {
  auto made = std::make_unique<posix::PosixOsServices>();
  services = made.get();
  return made;
}

std::unique_ptr<WindowSystem> CreateNativeWindowSystem(LaunchMode mode) {
  std::string error;
  x11::HostChoice choice;
  std::unique_ptr<WindowSystem> windows = CreateX11WindowSystemForLaunch(mode, error, &choice);
  if (!windows) {
    // Nothing can be shown, not even an error box: say it where it can be read.
    std::fprintf(stderr, "morumoru: %s\n", error.c_str());
    std::exit(1);
  }
  // xscreensaver's slider settings stand in for the file's in this run.
  if (services) {
    for (const auto& [key, value] : choice.settings) services->OverrideSetting(key, value);
  }
  return windows;
}

}  // namespace morumoru::platform
