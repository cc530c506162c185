// The program's top-level windows: titles and hints for the window manager,
// showing and hiding them, the saver's grabs, activation and capture.

#include <chrono>
#include <thread>

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

void X11WindowSystem::SetTitle(Window xid, std::string_view text) {
  // Inside xscreensaver's window no title: a running-copy check must not
  // take a preview for a saver that is already up.
  if (x_.host) return;
  std::string title(text);
  XClassHint hint{const_cast<char*>("morumoru"), const_cast<char*>("Morumoru")};
  Xutf8SetWMProperties(x_.display, xid, title.c_str(), title.c_str(), nullptr, 0, nullptr, nullptr,
                       &hint);
  XChangeProperty(x_.display, xid, x_.atoms.netWmName, x_.atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
}

void X11WindowSystem::SetDialogHints(WindowRecord& win) {
  Size extra = FrameExtra(win);
  XSizeHints hints{};
  hints.flags = USPosition | PPosition | PSize | PWinGravity;
  hints.x = win.bounds.left;
  hints.y = win.bounds.top;
  hints.width = static_cast<int>(Side(win.bounds.width - extra.width));
  hints.height = static_cast<int>(Side(win.bounds.height - extra.height));
  hints.win_gravity = NorthWestGravity;
  XSetWMNormalHints(x_.display, win.xid, &hints);
}

void X11WindowSystem::MapSaver(WindowRecord& win) {
  if (x_.host) {
    // xscreensaver keeps the keyboard and the mouse. On the root the slide
    // show is the desktop's background, below every other window.
    if (x_.hostIsRoot) XLowerWindow(x_.display, win.xid);
    XMapWindow(x_.display, win.xid);
    return;
  }
  XMapRaised(x_.display, win.xid);
  // An override-redirect window is viewable once the server has the request.
  XSync(x_.display, False);
  XSetInputFocus(x_.display, win.xid, RevertToParent, CurrentTime);
  GrabForSaver(win);
}

void X11WindowSystem::GrabForSaver(WindowRecord& win) {
  // Without a window manager the grabs are what brings every key and button
  // to the saver; another client may hold a grab for a moment, so retry.
  bool keyboard = false, pointer = false;
  for (int attempt = 0; attempt < 50 && !(keyboard && pointer); ++attempt) {
    if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!keyboard) {
      keyboard = XGrabKeyboard(x_.display, win.xid, True, GrabModeAsync, GrabModeAsync,
                               CurrentTime) == GrabSuccess;
    }
    if (!pointer) {
      pointer = XGrabPointer(x_.display, win.xid, True, kPointerEvents, GrabModeAsync,
                             GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    }
  }
  saverGrab_ = win.xid;
}

void X11WindowSystem::FocusTopLevel(Window xid) {
  const WindowRecord* win = Find(xid);
  if (!win || !win->mapped || x_.host) return;
  if (win->style == FormStyle::kSaver || !WindowManagerRunning()) {
    XSetInputFocus(x_.display, xid, RevertToParent, CurrentTime);
    return;
  }
  foreign_.RequestActivation(xid);
}

void X11WindowSystem::ShowWindow(WindowId window, ShowCommand command) {
  WindowRecord* win = Find(window);
  if (!win) return;
  if (win->kind == WindowKind::kApplication) {
    win->visible = command != ShowCommand::kHide;
    return;
  }
  if (win->kind == WindowKind::kCover) {
    // Shown without the focus or the grabs, which stay with the saver.
    win->visible = win->mapped = command != ShowCommand::kHide;
    if (win->visible) {
      XMapRaised(x_.display, win->xid);
    } else {
      XUnmapWindow(x_.display, win->xid);
    }
    XFlush(x_.display);
    return;
  }
  if (win->parent) {
    win->visible = command != ShowCommand::kHide;
    if (win->visible) {
      XMapWindow(x_.display, win->xid);
    } else {
      XUnmapWindow(x_.display, win->xid);
    }
    XFlush(x_.display);
    return;
  }
  switch (command) {
    case ShowCommand::kHide:
      if (saverGrab_ == win->xid) {
        XUngrabPointer(x_.display, CurrentTime);
        XUngrabKeyboard(x_.display, CurrentTime);
        saverGrab_ = 0;
      }
      XUnmapWindow(x_.display, win->xid);
      win->visible = win->mapped = false;
      if (active_ == window) active_ = kNoWindow;
      break;
    case ShowCommand::kMaximized:
    case ShowCommand::kNormal:
      if (command == ShowCommand::kMaximized) {
        Size screen = ScreenSize();
        if (x_.host) {
          SetBounds(window, {0, 0, screen.width, screen.height});
        } else {
          SetBounds(window, {primary_.left, primary_.top, screen.width, screen.height});
        }
      }
      win->visible = win->mapped = true;
      if (win->style == FormStyle::kSaver) {
        MapSaver(*win);
      } else {
        XMapRaised(x_.display, win->xid);
        FocusTopLevel(win->xid);
      }
      break;
    case ShowCommand::kMinimized: {
      XWMHints hints{};
      hints.flags = StateHint;
      hints.initial_state = IconicState;
      XSetWMHints(x_.display, win->xid, &hints);
      XMapWindow(x_.display, win->xid);
      XIconifyWindow(x_.display, win->xid, x_.screen);
      win->visible = win->mapped = true;
      break;
    }
  }
  XFlush(x_.display);
}

void X11WindowSystem::SetActiveWindow(WindowId window) {
  WindowRecord* win = Find(window);
  if (!win) return;
  active_ = TopLevelOf(window);
  FocusTopLevel(static_cast<Window>(active_));
  XFlush(x_.display);
}

void X11WindowSystem::SetCapture(WindowId window) {
  WindowRecord* win = Find(window);
  if (!win) return;
  capture_ = window;
  if (x_.host) return;  // no grabs under xscreensaver
  // Every pointer event goes to this window until it lets go, as on Windows.
  XGrabPointer(x_.display, win->xid, False, kPointerEvents, GrabModeAsync, GrabModeAsync, None,
               None, CurrentTime);
  XFlush(x_.display);
}

void X11WindowSystem::ReleaseCapture() {
  if (capture_ == kNoWindow) return;
  capture_ = kNoWindow;
  if (x_.host) return;
  XUngrabPointer(x_.display, CurrentTime);
  if (saverGrab_) {
    XGrabPointer(x_.display, saverGrab_, True, kPointerEvents, GrabModeAsync, GrabModeAsync, None,
                 None, CurrentTime);
  }
  XFlush(x_.display);
}

void X11WindowSystem::HostResized(int32_t width, int32_t height) {
  if (hostSize_ == Size{width, height}) return;
  hostSize_ = {width, height};
  for (auto& [xid, win] : windows_) {
    if (!win->parent && win->kind == WindowKind::kForm && win->style == FormStyle::kSaver) {
      win->bounds = {0, 0, width, height};
      XResizeWindow(x_.display, xid, Side(width), Side(height));
    }
  }
  XFlush(x_.display);
}

}  // namespace morumoru::platform::x11
