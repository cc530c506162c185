// The program's windows as X windows: making them, their places, their
// visibility and state, and the focus among them.

#include <X11/Xatom.h>
#include <unistd.h>

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

// The dialog's layout gives its outer size; a sizing frame and a caption
// take this much of it, as on Windows.
constexpr Size kDialogFrame{8, 27};

constexpr long kFormEvents = KeyPressMask | KeyReleaseMask | kPointerEvents | ExposureMask |
                             StructureNotifyMask | FocusChangeMask;
constexpr long kInputEvents = KeyPressMask | KeyReleaseMask | kPointerEvents | FocusChangeMask;
// Panel moves between two round trips to the server (see SetBounds).
constexpr int kPanelMovesPerSync = 16;

// _MOTIF_WM_HINTS, as window managers read it.
struct MotifHints {
  unsigned long flags;
  unsigned long functions;
  unsigned long decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kMotifFunctions = 1, kMotifDecorations = 2;
constexpr unsigned long kFunctionResize = 2, kFunctionMove = 4;
constexpr unsigned long kDecorBorder = 2, kDecorResizeH = 4, kDecorTitle = 8;

}  // namespace

WindowRecord* X11WindowSystem::Find(Window xid) {
  auto it = windows_.find(xid);
  return it == windows_.end() ? nullptr : it->second.get();
}

const WindowRecord* X11WindowSystem::Find(Window xid) const {
  auto it = windows_.find(xid);
  return it == windows_.end() ? nullptr : it->second.get();
}

Window X11WindowSystem::TopLevelOf(Window xid) const {
  const WindowRecord* win = Find(xid);
  while (win && win->parent) {
    xid = win->parent;
    win = Find(xid);
  }
  return xid;
}

Size X11WindowSystem::FrameExtra(const WindowRecord& win) const {
  if (win.kind == WindowKind::kForm && win.style == FormStyle::kDialog) return kDialogFrame;
  return {};
}

WindowId X11WindowSystem::NewWindow(const WindowSpec& params) {
  auto owned = std::make_unique<WindowRecord>();
  WindowRecord& win = *owned;
  win.kind = params.kind;
  win.style = params.style;
  win.bounds = params.bounds;
  win.text = params.text;
  win.enabled = params.enabled;
  win.tabStop = params.tabStop;
  win.events = params.events;

  XSetWindowAttributes attributes{};
  unsigned long mask = CWEventMask | CWBorderPixel | CWColormap;
  attributes.border_pixel = BlackPixel(x_.display, x_.screen);
  attributes.colormap = x_.colormap;
  Window parent = x_.root;
  int depth = CopyFromParent;
  Visual* visual = CopyFromParent;
  // The saver form inside a host window: a black child that fills it.
  bool stage = x_.host && params.kind == WindowKind::kForm && params.style == FormStyle::kSaver;

  switch (params.kind) {
    case WindowKind::kApplication:
      // Never mapped: it only carries the title the running-copy check finds.
      win.bounds = {0, 0, 1, 1};
      attributes.event_mask = StructureNotifyMask;
      break;
    case WindowKind::kForm:
      if (stage) {
        parent = x_.host;
        win.bounds = {0, 0, hostSize_.width, hostSize_.height};
        // Our own visual, whatever the host's: the pictures are pixmaps of it.
        depth = x_.depth;
        visual = x_.visual;
        attributes.background_pixel = BlackPixel(x_.display, x_.screen);
        mask |= CWBackPixel;
        if (x_.hostIsRoot) {
          // On the root it would be a top-level window: no window manager's
          // frame around it.
          attributes.override_redirect = True;
          mask |= CWOverrideRedirect;
        }
        attributes.event_mask = 0;
        break;
      }
      if (params.style == FormStyle::kSaver) {
        attributes.override_redirect = True;
        attributes.background_pixel = BlackPixel(x_.display, x_.screen);
        mask |= CWOverrideRedirect | CWBackPixel;
      } else {
        attributes.background_pixel = x_.Pixel(kDialogFace);
        attributes.bit_gravity = NorthWestGravity;
        mask |= CWBackPixel | CWBitGravity;
      }
      attributes.event_mask = kFormEvents;
      // The server fills the saver's black itself and the form draws nothing
      // of its own: an exposure for every strip a moving panel uncovers would
      // only keep the server writing to us.
      if (params.style == FormStyle::kSaver) attributes.event_mask &= ~ExposureMask;
      break;
    case WindowKind::kCover:
      // Black by the server alone, above the other programs without a
      // window manager's say; only the mouse is selected, the keyboard
      // stays with the saver's focus.
      attributes.override_redirect = True;
      attributes.background_pixel = BlackPixel(x_.display, x_.screen);
      attributes.event_mask = kPointerEvents;
      mask |= CWOverrideRedirect | CWBackPixel;
      break;
    default: {
      WindowRecord* parentWin = Find(params.parent);
      if (!parentWin) return kNoWindow;
      parent = parentWin->xid;
      win.parent = parent;
      win.visible = params.visible;
      switch (params.kind) {
        case WindowKind::kPanel:
          // No background: the picture covers the panel in one copy, so a
          // move never shows a cleared panel.
          attributes.background_pixmap = None;
          attributes.event_mask = ExposureMask | kPointerEvents;
          mask |= CWBackPixmap;
          break;
        case WindowKind::kBlank:
          attributes.background_pixel = BlackPixel(x_.display, x_.screen);
          attributes.event_mask = kPointerEvents;
          mask |= CWBackPixel;
          break;
        case WindowKind::kButton:
        case WindowKind::kTrackBar:
          attributes.background_pixel = x_.Pixel(kDialogFace);
          attributes.event_mask = ExposureMask | kPointerEvents;
          mask |= CWBackPixel;
          break;
        default:
          attributes.background_pixel = x_.Pixel(kDialogFace);
          attributes.event_mask = ExposureMask;
          mask |= CWBackPixel;
          break;
      }
      break;
    }
  }
  // Keys, buttons and motion over the host are xscreensaver's to see.
  if (x_.host) attributes.event_mask &= ~kInputEvents;

  Size extra = FrameExtra(win);
  Window xid = XCreateWindow(
      x_.display, parent, win.bounds.left, win.bounds.top, Side(win.bounds.width - extra.width),
      Side(win.bounds.height - extra.height), 0, depth, InputOutput, visual, mask, &attributes);
  if (!xid) return kNoWindow;
  win.xid = xid;

  if (stage) {
    // No title, protocols or hints: no window manager deals with it.
  } else if (params.kind == WindowKind::kCover) {
    // No title: the running-copy check finds the saver's window alone.
    ApplyCursor(xid);
  } else if (!win.parent) {
    SetTitle(xid, params.text);
    long pid = getpid();
    XChangeProperty(x_.display, xid, x_.atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    if (params.kind == WindowKind::kApplication) {
      application_ = xid;
    } else {
      if (params.owner) XSetTransientForHint(x_.display, xid, static_cast<Window>(params.owner));
      XSetWMProtocols(x_.display, xid, &x_.atoms.wmDeleteWindow, 1);
      XWMHints wmHints{};
      wmHints.flags = InputHint | StateHint;
      wmHints.input = True;
      wmHints.initial_state = NormalState;
      XSetWMHints(x_.display, xid, &wmHints);
      if (params.style == FormStyle::kDialog) {
        SetDialogHints(win);
        MotifHints motif{kMotifFunctions | kMotifDecorations, kFunctionResize | kFunctionMove,
                         kDecorBorder | kDecorResizeH | kDecorTitle, 0, 0};
        XChangeProperty(x_.display, xid, x_.atoms.motifWmHints, x_.atoms.motifWmHints, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&motif), 5);
        XChangeProperty(x_.display, xid, x_.atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&x_.atoms.netWmWindowTypeDialog), 1);
      }
    }
    ApplyCursor(xid);
  } else {
    // A control made later lies below the ones made before it.
    XLowerWindow(x_.display, xid);
    if (params.kind != WindowKind::kPanel && params.kind != WindowKind::kBlank) {
      win.widget = MakeWidget(params);
      win.draw = XftDrawCreate(x_.display, xid, x_.visual, x_.colormap);
      // The font is looked up at the first paint: the saver builds the
      // settings dialog only to drop it, and fontconfig's start would cost it
      // more than all the rest of its start.
      win.fontFamily = params.fontName;
      win.fontHeight = params.fontHeight > 0 ? params.fontHeight : 12;
    }
    if (win.visible) XMapWindow(x_.display, xid);
  }
  windows_[xid] = std::move(owned);
  // Once made, a window is there for other programs too, as on Windows.
  XFlush(x_.display);
  return xid;
}

void X11WindowSystem::DestroyWindow(WindowId window) {
  WindowRecord* win = Find(window);
  if (!win) return;
  if (capture_ != kNoWindow && TopLevelOf(capture_) == TopLevelOf(window)) {
    // The capture goes with the window (or its form) that held it.
    if (capture_ == window || !win->parent) ReleaseCapture();
  }
  if (saverGrab_ == window) {
    XUngrabPointer(x_.display, CurrentTime);
    XUngrabKeyboard(x_.display, CurrentTime);
    saverGrab_ = 0;
  }
  // The server destroys the subwindows with it; forget them as well.
  std::vector<Window> gone;
  for (auto& [xid, other] : windows_) {
    Window at = xid;
    while (at && at != window) {
      const WindowRecord* step = Find(at);
      at = step ? step->parent : 0;
    }
    if (at == window) gone.push_back(xid);
  }
  XDestroyWindow(x_.display, window);
  for (Window xid : gone) {
    WindowRecord* dead = Find(xid);
    if (dead->draw) XftDrawDestroy(dead->draw);
    if (focus_ == xid) focus_ = kNoWindow;
    if (active_ == xid) active_ = kNoWindow;
    if (capture_ == xid) capture_ = kNoWindow;
    if (application_ == xid) application_ = 0;
    windows_.erase(xid);
  }
  XFlush(x_.display);
}

void X11WindowSystem::SetText(WindowId window, std::string_view text) {
  WindowRecord* win = Find(window);
  if (!win) return;
  win->text = std::string(text);
  if (!win->parent) {
    SetTitle(win->xid, text);
  } else {
    Paint(*win);
  }
  XFlush(x_.display);
}

void X11WindowSystem::SetBounds(WindowId window, const Rect& bounds) {
  WindowRecord* win = Find(window);
  if (!win) return;
  bool resized = bounds.width != win->bounds.width || bounds.height != win->bounds.height;
  Rect before = win->bounds;
  win->bounds = bounds;
  Size extra = FrameExtra(*win);
  if (resized || !win->parent) {
    XMoveResizeWindow(x_.display, win->xid, bounds.left, bounds.top,
                      Side(bounds.width - extra.width), Side(bounds.height - extra.height));
  } else {
    XMoveWindow(x_.display, win->xid, bounds.left, bounds.top);
  }
  if (!win->parent && win->style == FormStyle::kDialog) SetDialogHints(*win);
  // A moved panel keeps its contents in the server: only a new size needs a
  // repaint, and a move only the part that came into view, unless the server
  // fills that from the panel's background itself.
  if (win->kind == WindowKind::kPanel) {
    if (resized) {
      painter_.FitPanelBackground(*win);
      painter_.PaintPanel(*win);
    } else if (!Painter::PanelFilledByServer(*win)) {
      PaintPanelComingIntoView(*win, before);
    }
  } else if (win->draw && resized) {
    Paint(*win);
  }
  if (frameRate_ && win->kind == WindowKind::kPanel) CountFrame(*win);
  if (win->kind == WindowKind::kPanel && ++panelMovesSinceSync_ >= kPanelMovesPerSync) {
    // A show that does not sleep between moves (speeds 1 and 2) would run
    // ever further ahead of the server, which then keeps other programs (a
    // window manager, xdotool) waiting for up to seconds. A round trip now
    // and then bounds the lead; the pace clock's waits do as well, and start
    // the count again.
    panelMovesSinceSync_ = 0;
    XSync(x_.display, False);
    requestsSent_ = NextRequest(x_.display);
  } else {
    SendRequests();
  }
}

Rect X11WindowSystem::GetBounds(WindowId window) {
  const WindowRecord* win = Find(window);
  return win ? win->bounds : Rect{};
}

void X11WindowSystem::PaintPanelComingIntoView(const WindowRecord& panel, const Rect& before) {
  const WindowRecord* parent = Find(panel.parent);
  if (!parent) return;
  Size extra = FrameExtra(*parent);
  painter_.PaintPanelComingIntoView(
      panel, before, {parent->bounds.width - extra.width, parent->bounds.height - extra.height});
}

bool X11WindowSystem::IsVisible(WindowId window) {
  const WindowRecord* win = Find(window);
  while (win) {
    if (!win->visible) return false;
    if (!win->parent) return true;
    win = Find(win->parent);
  }
  return false;
}

void X11WindowSystem::EnableWindow(WindowId window, bool enabled) {
  WindowRecord* win = Find(window);
  if (!win || win->enabled == enabled) return;
  win->enabled = enabled;
  if (!enabled && capture_ != kNoWindow && TopLevelOf(capture_) == TopLevelOf(window)) {
    ReleaseCapture();
  }
  if (win->draw) {
    Paint(*win);
    XFlush(x_.display);
  }
}

bool X11WindowSystem::IsEnabled(WindowId window) {
  const WindowRecord* win = Find(window);
  return win && win->enabled;
}

void X11WindowSystem::SetFocus(WindowId window) {
  if (window != kNoWindow && !Find(window)) return;
  WindowId old = focus_;
  focus_ = window;
  if (old == window) return;
  if (WindowRecord* before = Find(old); before && before->draw) Paint(*before);
  if (WindowRecord* after = Find(window); after && after->draw) Paint(*after);
  XFlush(x_.display);
}

void X11WindowSystem::Paint(WindowRecord& win) {
  painter_.Paint(win, focus_ == win.xid);
}

void X11WindowSystem::RepaintWidget(WindowRecord& win) {
  painter_.PaintWidget(win, focus_ == win.xid);
}

// ---- Sliders --------------------------------------------------------------

void X11WindowSystem::SetSliderPosition(WindowId slider, int32_t position) {
  WindowRecord* win = Find(slider);
  auto* control = win ? dynamic_cast<Slider*>(win->widget.get()) : nullptr;
  if (control) control->MoveTo(*this, *win, position, false);
}

int32_t X11WindowSystem::GetSliderPosition(WindowId slider) {
  const WindowRecord* win = Find(slider);
  auto* control = win ? dynamic_cast<const Slider*>(win->widget.get()) : nullptr;
  return control ? control->position() : 0;
}

}  // namespace morumoru::platform::x11
