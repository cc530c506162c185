#pragma once
// What a launch asks for. The entry decides it once, from the command line
// (natively also the environment), and hands it to whatever depends on it:
// the forms start-up creates, the OS services and the window system.

#include <string>
#include <utility>
#include <vector>

namespace morumoru::platform {

enum class LaunchMode {
  kSaver,          // the slide show, also when no argument is given
  kConfiguration,  // the settings dialog
};

// Natively, where the saver draws: its own full-screen window, or a window
// it is given as a hack of xscreensaver. Windows has no such choice.
struct HostChoice {
  enum class Kind { kOwnWindow, kRoot, kWindow };
  Kind kind = Kind::kOwnWindow;
  unsigned long window = 0;  // kWindow
  std::string error;         // a request that names no usable window
  // "-speed N" and "-power N" in the order given, without the dash: the
  // settings xscreensaver passes, in place of the stored ones for this run.
  // Only ever set for a hack.
  std::vector<std::pair<std::string, std::string>> settings;
  // "-fps": the frame-rate line, on its own or as a hack.
  bool frameRate = false;
};

struct Launch {
  LaunchMode mode = LaunchMode::kSaver;
  HostChoice host;
};

}  // namespace morumoru::platform
