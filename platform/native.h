#pragma once
// The real window system and OS services of this build (Win32, or X11 with
// the POSIX services).

#include <memory>
#include <string>

#include "platform/launch_mode.h"
#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru::platform {

// Called by the entry before anything else: libraries loaded by name later
// in the run, by the program or by the system's own libraries, come from the
// system's folders, never from the program's (a downloaded program lies
// among other downloaded files). On Windows this narrows the DLL search to
// the system folder; elsewhere the loader searches no program folder anyway.
void RestrictLibrarySearch();

// The process's command line, the program's name first, as
// OsServices::CommandLine gives it; read before anything else is made.
std::string NativeCommandLine();

// The launch in that mode, with what else this platform reads for it from
// the arguments and the environment (natively xscreensaver's window, -fps,
// -speed and -power). An unusable request leaves its reason in
// launch.host.error.
Launch ReadNativeLaunch(LaunchMode mode);

// Needs no display.
std::unique_ptr<OsServices> CreateNativeOsServices(const Launch& launch = {});

// The window system for that launch; null, with the reason in `error`, when
// none can be had.
std::unique_ptr<WindowSystem> CreateNativeWindowSystem(const Launch& launch, std::string& error);

// A launch of that mode that asks for nothing else (benchmarks).
inline std::unique_ptr<WindowSystem> CreateNativeWindowSystem(LaunchMode mode) {
  Launch launch;
  launch.mode = mode;
  std::string error;
  return CreateNativeWindowSystem(launch, error);
}

}  // namespace morumoru::platform
