#pragma once
// The real window system and OS services of this build (Win32, or X11 with
// the POSIX services).

#include <memory>

#include "platform/launch_mode.h"
#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru::platform {

// Needs no display: the launch mode is decided from its command line before
// any window system is opened.
std::unique_ptr<OsServices> CreateNativeOsServices();

// The window system for a launch in that mode. When none can be had, says
// why where it can be read and ends the process with exit code 1.
std::unique_ptr<WindowSystem> CreateNativeWindowSystem(LaunchMode mode);

}  // namespace morumoru::platform
