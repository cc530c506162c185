// Running as a hack of xscreensaver: which window to draw into, chosen once
// at start from the arguments and the environment.

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform {

namespace x11 {

bool ParseWindowId(std::string_view text, unsigned long& window) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  unsigned long value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value * base + digit;
    if (value > 0xFFFFFFFFul) return false;  // X ids are 32-bit
  }
  if (value == 0) return false;  // None
  window = value;
  return true;
}

HostChoice ChooseHost(LaunchMode mode, const std::vector<std::string>& arguments,
                      const char* environmentWindow) {
  HostChoice choice;
  if (mode == LaunchMode::kConfiguration) return choice;
  bool root = false;
  bool windowGiven = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string_view argument = arguments[i];
    // xscreensaver 6 spells options with two dashes; both work.
    if (argument.starts_with("--")) argument.remove_prefix(1);
    if (argument == "-window-id" && !windowGiven) {
      windowGiven = true;
      choice.kind = HostChoice::Kind::kWindow;
      if (i + 1 >= arguments.size() || !ParseWindowId(arguments[i + 1], choice.window)) {
        choice.error = "-window-id needs a window id, decimal or 0x hexadecimal";
        return choice;
      }
      ++i;
    } else if (argument == "-root") {
      root = true;
    } else if (argument == "-fps") {
      choice.frameRate = true;
    } else if ((argument == "-speed" || argument == "-power") && i + 1 < arguments.size()) {
      choice.settings.emplace_back(argument.substr(1), arguments[i + 1]);
      ++i;
    }
  }
  unsigned long fromEnvironment = 0;
  if (windowGiven) {
    // -window-id wins over the rest.
  } else if (environmentWindow && ParseWindowId(environmentWindow, fromEnvironment)) {
    choice.kind = HostChoice::Kind::kWindow;
    choice.window = fromEnvironment;
  } else if (root) {
    choice.kind = HostChoice::Kind::kRoot;
  }
  // The options are xscreensaver's; a program on its own keeps to its file.
  if (choice.kind == HostChoice::Kind::kOwnWindow) choice.settings.clear();
  return choice;
}

}  // namespace x11

std::unique_ptr<WindowSystem> CreateX11WindowSystemForLaunch(const Launch& launch,
                                                             std::string& error) {
  const HostChoice& choice = launch.host;
  if (!choice.error.empty()) {
    error = choice.error;
    return nullptr;
  }
  Display* display = x11::OpenDisplay();
  if (!display) {
    error = "cannot open the X display (is DISPLAY set?)";
    return nullptr;
  }
  if (choice.kind == HostChoice::Kind::kOwnWindow) {
    auto windows = std::make_unique<x11::X11WindowSystem>(display);
    if (choice.frameRate) windows->ShowFrameRate();
    return windows;
  }
  Window host = choice.kind == HostChoice::Kind::kRoot ? DefaultRootWindow(display)
                                                       : static_cast<Window>(choice.window);
  XSetErrorHandler(x11::IgnoreXError);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, host, &attributes) || attributes.c_class != InputOutput) {
    char text[64];
    (void)std::snprintf(text, sizeof text, "no window 0x%lx to draw into", host);
    error = text;
    XCloseDisplay(display);
    return nullptr;
  }
  // xscreensaver ends its hacks with SIGTERM. Nothing needs saving and the
  // server takes our windows away with the connection, so the default action
  // is a clean end; make sure whoever started us left it in place. (These
  // calls fail only for a signal number that does not exist.)
  (void)signal(SIGTERM, SIG_DFL);
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &term, nullptr);
  auto windows = std::make_unique<x11::X11WindowSystem>(display, host);
  if (choice.frameRate) windows->ShowFrameRate();
  return windows;
}

}  // namespace morumoru::platform
