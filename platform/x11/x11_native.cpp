#include <cstdlib>
#include <string>

#include "platform/native.h"
#include "platform/posix/posix_os_services.h"
#include "platform/x11/x11_backend.h"

namespace morumoru::platform {

// The program has no run path: the loader looks in the system's folders only.
void RestrictLibrarySearch() {}

std::string NativeCommandLine() {
  return posix::JoinedCommandLine(posix::ProcessArguments());
}

Launch ReadNativeLaunch(LaunchMode mode) {
  std::vector<std::string> arguments = posix::ProcessArguments();
  if (!arguments.empty()) arguments.erase(arguments.begin());
  Launch launch;
  launch.mode = mode;
  launch.host = x11::ChooseHost(mode, arguments, std::getenv("XSCREENSAVER_WINDOW"));
  return launch;
}

std::unique_ptr<OsServices> CreateNativeOsServices(const Launch& launch) {
  // xscreensaver's slider settings stand in for the file's in this run.
  return std::make_unique<posix::PosixOsServices>(launch.host.settings);
}

std::unique_ptr<WindowSystem> CreateNativeWindowSystem(const Launch& launch, std::string& error) {
  return CreateX11WindowSystemForLaunch(launch, error);
}

}  // namespace morumoru::platform
