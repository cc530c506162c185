#include "platform/native.h"
#include "platform/win32/system_library.h"
#include "platform/win32/utf16.h"
#include "platform/win32/win32_os_services.h"
#include "platform/win32/win32_window_system.h"

namespace morumoru::platform {

void RestrictLibrarySearch() {
  win32::KeepDllSearchInSystemFolder();
}

std::string NativeCommandLine() {
  return win32::Narrow(GetCommandLineW());
}

// Windows gives every launch its own windows, whatever the mode.
Launch ReadNativeLaunch(LaunchMode mode) {
  Launch launch;
  launch.mode = mode;
  return launch;
}

std::unique_ptr<OsServices> CreateNativeOsServices(const Launch& /*launch*/) {
  return std::make_unique<win32::Win32OsServices>();
}

std::unique_ptr<WindowSystem> CreateNativeWindowSystem(const Launch& /*launch*/,
                                                       std::string& /*error*/) {
  return std::make_unique<win32::Win32WindowSystem>();
}

}  // namespace morumoru::platform
