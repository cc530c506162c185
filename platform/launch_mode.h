#pragma once
// What a launch asks for. Start-up decides it once from the command line and
// hands it to whatever depends on it: the forms it creates, and the window
// system, which on X11 picks its host window by it.

namespace morumoru::platform {

enum class LaunchMode {
  kSaver,          // the slide show, also when no argument is given
  kConfiguration,  // the settings dialog
};

}  // namespace morumoru::platform
