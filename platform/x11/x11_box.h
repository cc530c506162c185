#pragma once
// The error box: a small modal window with its own event handling until the
// user dismisses it.

#include <X11/Xlib.h>

#include <string_view>

#include "platform/window_system.h"
#include "platform/x11/x11_connection.h"

namespace morumoru::platform::x11 {

// What the box needs of the backend while it is up.
class BoxHost {
 public:
  virtual Connection& connection() = 0;
  // Where to centre the box: the owner's monitor, or the primary screen.
  virtual Rect BoxScreen(WindowId owner) = 0;
  // A top-level window's title and cursor, as the backend gives its own.
  virtual void SetTitle(Window xid, std::string_view text) = 0;
  virtual void ApplyCursor(Window xid) = 0;
  virtual bool WindowManagerRunning() = 0;
  virtual bool IsOurs(Window xid) = 0;
  // One of the backend's windows was exposed while the box is up.
  virtual void Repaint(Window xid) = 0;

 protected:
  ~BoxHost() = default;
};

// Shows the box and returns once the user has dismissed it.
void RunBox(BoxHost& host, WindowId owner, std::string_view text, std::string_view caption,
            BoxKind kind);

}  // namespace morumoru::platform::x11
