#include "app/startup.h"
#include "platform/native.h"

int main() {
  using namespace morumoru;
  auto os = platform::CreateNativeOsServices();
  // Decided once, before any window system opens: on X11 the mode picks the host window.
  platform::LaunchMode mode = LaunchModeOf(os->CommandLine());
  auto windows = platform::CreateNativeWindowSystem(mode);
  return RunProgram(*windows, *os, mode);
}
