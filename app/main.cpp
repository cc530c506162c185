#include <cstdio>

#include "app/startup.h"
#include "platform/native.h"

int main() {
  using namespace morumoru;
  auto os = platform::CreateNativeOsServices();
#ifndef _WIN32
  // As Linux users expect; the .scr keeps taking anything else for the saver.
  if (auto text = InformationRequested(os->CommandLine())) {
    std::fputs(text->c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
#endif
  // Decided once, before any window system opens: on X11 the mode picks the host window.
  platform::LaunchMode mode = LaunchModeOf(os->CommandLine());
  auto windows = platform::CreateNativeWindowSystem(mode);
  return RunProgram(*windows, *os, mode);
}
