#include <cstdio>
#include <string>

#include "app/startup.h"
#include "platform/native.h"

int main() {
  using namespace morumoru;
  platform::RestrictLibrarySearch();
  std::string commandLine = platform::NativeCommandLine();
#ifndef _WIN32
  // As Linux users expect; the .scr keeps taking anything else for the saver.
  if (auto text = InformationRequested(commandLine)) {
    std::fputs(text->c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
#endif
  // Decided once, before any window system opens: on X11 the launch picks
  // the host window and may carry settings for this run.
  platform::Launch launch = platform::ReadNativeLaunch(LaunchModeOf(commandLine));
  auto os = platform::CreateNativeOsServices(launch);
  std::string error = launch.host.error;
  std::unique_ptr<platform::WindowSystem> windows;
  if (error.empty()) windows = platform::CreateNativeWindowSystem(launch, error);
  if (!windows) {
    // Nothing can be shown, not even an error box: say it where it can be read.
    std::fprintf(stderr, "morumoru: %s\n", error.c_str());
    return 1;
  }
  return RunProgram(*windows, *os, launch.mode);
}
