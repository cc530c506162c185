#include "platform/native.h"
#include "platform/win32/win32_os_services.h"
#include "platform/win32/win32_window_system.h"

namespace morumoru::platform {

std::unique_ptr<OsServices> CreateNativeOsServices() {
  return std::make_unique<win32::Win32OsServices>();
}

// Windows gives every launch its own windows, whatever the mode.
std::unique_ptr<WindowSystem> CreateNativeWindowSystem(LaunchMode /*mode*/) {
  return std::make_unique<win32::Win32WindowSystem>();
}

}  // namespace morumoru::platform
