#pragma once
// What the backend needs of other programs' windows: the running-copy
// check, the window manager's presence and its activation requests, and
// whether the keyboard focus went to another client.

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/x11/x11_connection.h"

namespace morumoru::platform::x11 {

class ForeignWindows {
 public:
  // `ours` tells the backend's own windows from everyone else's.
  ForeignWindows(Connection& x, std::function<bool(Window)> ours) : x_(x), ours_(std::move(ours)) {}

  bool WindowManagerRunning();
  // Asks the window manager to activate `xid` (_NET_ACTIVE_WINDOW).
  void RequestActivation(Window xid);
  // Another copy's window titled `title`: brought up and true, else false.
  bool ActivateRunningCopy(std::string_view title);
  // After a FocusOut with this mode and detail: whether the focus now lies
  // with a window of another client.
  bool FocusWentToAnotherClient(int mode, int detail);

 private:
  std::string ReadTitle(Window xid, bool& found);
  // The running-copy check's steps, as a search by title on Windows goes.
  Window FindByTitle(std::string_view title);
  Window OwnerOf(Window xid);
  bool IsIconic(Window xid);
  void OpenIcon(Window xid);
  void BringToForeground(Window xid);

  Connection& x_;
  std::function<bool(Window)> ours_;
  int wmRunning_ = -1;  // unknown until asked
};

}  // namespace morumoru::platform::x11
