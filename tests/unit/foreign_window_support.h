#pragma once
// Another program's top-level window, for the X11 backend's tests: made by a
// connection of its own, as another client would make it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace morumoru::platform::x11 {

class ForeignWindow {
 public:
  explicit ForeignWindow(const std::string& title);
  ~ForeignWindow();
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;
  WindowId id() const { return window_; }
  bool Opened() const { return window_ != kNoWindow; }
  // Sends a key press to `target` as a synthetic event, the way another
  // client can; `alt` holds Mod1.
  void SendKey(WindowId target, unsigned long keysym, bool alt = false);
  // Sends a button press or release at (x, y) in `target`.
  void SendButton(WindowId target, unsigned button, bool press, int32_t x, int32_t y);
  // Maps the window and gives it the input focus, as a program the user
  // switches to does.
  void TakeFocus();
  // Makes `owner` this window's owner (WM_TRANSIENT_FOR), as a dialog has.
  void SetOwner(WindowId owner);
  // The window that holds the input focus now.
  WindowId FocusNow() const;

  // What any client can read of `window` from the server.
  bool Viewable(WindowId window);
  bool SomeClientWantsExposures(WindowId window);
  // The pixels (0xRRGGBB) of `area` of a window or a picture, row by row.
  std::vector<uint32_t> Pixels(std::uintptr_t drawable, const Rect& area);

 private:
  void* display_ = nullptr;
  WindowId window_ = kNoWindow;
};

}  // namespace morumoru::platform::x11
