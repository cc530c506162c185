// The program's windows as X windows, and what we need of other programs'
// windows (the running-copy check).

#include <X11/Xatom.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

constexpr uint32_t kButtonFace = 0xF0F0F0;
// The dialog's layout gives its outer size; a sizing frame and a caption
// take this much of it, as on Windows.
constexpr Size kDialogFrame{8, 27};

constexpr long kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
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

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

unsigned Side(int32_t value) {
  return static_cast<unsigned>(value < 1 ? 1 : value);
}

}  // namespace

X11WindowSystem::Win* X11WindowSystem::Find(Window xid) {
  auto it = windows_.find(xid);
  return it == windows_.end() ? nullptr : it->second.get();
}

const X11WindowSystem::Win* X11WindowSystem::Find(Window xid) const {
  auto it = windows_.find(xid);
  return it == windows_.end() ? nullptr : it->second.get();
}

Window X11WindowSystem::TopLevelOf(Window xid) const {
  const Win* win = Find(xid);
  while (win && win->parent) {
    xid = win->parent;
    win = Find(xid);
  }
  return xid;
}

Size X11WindowSystem::FrameExtra(const Win& win) const {
  if (win.kind == WindowKind::kForm && win.style == FormStyle::kDialog) return kDialogFrame;
  return {};
}

void X11WindowSystem::SetTitle(Window xid, std::string_view text) {
  // Inside xscreensaver's window no title: a running-copy check must not
  // take a preview for a saver that is already up.
  if (host_) return;
  std::string title(text);
  XClassHint hint{const_cast<char*>("morumoru"), const_cast<char*>("Morumoru")};
  Xutf8SetWMProperties(display_, xid, title.c_str(), title.c_str(), nullptr, 0, nullptr, nullptr,
                       &hint);
  XChangeProperty(display_, xid, atoms_.netWmName, atoms_.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
}

void X11WindowSystem::SetDialogHints(Win& win) {
  Size extra = FrameExtra(win);
  XSizeHints hints{};
  hints.flags = USPosition | PPosition | PSize | PWinGravity;
  hints.x = win.bounds.left;
  hints.y = win.bounds.top;
  hints.width = static_cast<int>(Side(win.bounds.width - extra.width));
  hints.height = static_cast<int>(Side(win.bounds.height - extra.height));
  hints.win_gravity = NorthWestGravity;
  XSetWMNormalHints(display_, win.xid, &hints);
}

bool X11WindowSystem::WindowManagerRunning() {
  if (wmRunning_ >= 0) return wmRunning_ != 0;
  wmRunning_ = 0;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, root_, atoms_.netSupportingWmCheck, 0, 1, False, XA_WINDOW,
                         &type, &format, &count, &after, &data) == Success &&
      data) {
    if (count == 1 && format == 32) {
      Window check = *reinterpret_cast<Window*>(data);
      XWindowAttributes attributes;
      if (check && XGetWindowAttributes(display_, check, &attributes)) wmRunning_ = 1;
    }
    XFree(data);
  }
  return wmRunning_ != 0;
}

WindowId X11WindowSystem::NewWindow(const WindowSpec& params) {
  auto owned = std::make_unique<Win>();
  Win& win = *owned;
  win.kind = params.kind;
  win.style = params.style;
  win.bounds = params.bounds;
  win.text = params.text;
  win.enabled = params.enabled;
  win.tabStop = params.tabStop;
  win.events = params.events;
  win.min = params.min;
  win.max = params.max;
  win.position = params.min;
  win.lineSize = params.lineSize;
  win.pageSize = params.pageSize;
  win.thumbLength = params.thumbLength;

  XSetWindowAttributes attributes{};
  unsigned long mask = CWEventMask | CWBorderPixel | CWColormap;
  attributes.border_pixel = BlackPixel(display_, screen_);
  attributes.colormap = colormap_;
  Window parent = root_;
  int depth = CopyFromParent;
  Visual* visual = CopyFromParent;
  // The saver form inside a host window: a black child that fills it.
  bool stage = host_ && params.kind == WindowKind::kForm && params.style == FormStyle::kSaver;

  switch (params.kind) {
    case WindowKind::kApplication:
      // Never mapped: it only carries the title the running-copy check finds.
      win.bounds = {0, 0, 1, 1};
      attributes.event_mask = StructureNotifyMask;
      break;
    case WindowKind::kForm:
      if (stage) {
        parent = host_;
        win.bounds = {0, 0, hostSize_.width, hostSize_.height};
        // Our own visual, whatever the host's: the pictures are pixmaps of it.
        depth = depth_;
        visual = visual_;
        attributes.background_pixel = BlackPixel(display_, screen_);
        mask |= CWBackPixel;
        if (hostIsRoot_) {
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
        attributes.background_pixel = BlackPixel(display_, screen_);
        mask |= CWOverrideRedirect | CWBackPixel;
      } else {
        attributes.background_pixel = Pixel(kButtonFace);
        attributes.bit_gravity = NorthWestGravity;
        mask |= CWBackPixel | CWBitGravity;
      }
      attributes.event_mask = kFormEvents;
      // The server fills the saver's black itself and the form draws nothing
      // of its own: an exposure for every strip a moving panel uncovers would
      // only keep the server writing to us.
      if (params.style == FormStyle::kSaver) attributes.event_mask &= ~ExposureMask;
      break;
    default: {
      Win* parentWin = Find(params.parent);
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
          attributes.background_pixel = BlackPixel(display_, screen_);
          attributes.event_mask = kPointerEvents;
          mask |= CWBackPixel;
          break;
        case WindowKind::kButton:
        case WindowKind::kTrackBar:
          attributes.background_pixel = Pixel(kButtonFace);
          attributes.event_mask = ExposureMask | kPointerEvents;
          mask |= CWBackPixel;
          break;
        default:
          attributes.background_pixel = Pixel(kButtonFace);
          attributes.event_mask = ExposureMask;
          mask |= CWBackPixel;
          break;
      }
      break;
    }
  }
  // Keys, buttons and motion over the host are xscreensaver's to see.
  if (host_) attributes.event_mask &= ~kInputEvents;

  Size extra = FrameExtra(win);
  Window xid = XCreateWindow(
      display_, parent, win.bounds.left, win.bounds.top, Side(win.bounds.width - extra.width),
      Side(win.bounds.height - extra.height), 0, depth, InputOutput, visual, mask, &attributes);
  if (!xid) return kNoWindow;
  win.xid = xid;

  if (stage) {
    // No title, protocols or hints: no window manager deals with it.
  } else if (!win.parent) {
    SetTitle(xid, params.text);
    long pid = getpid();
    XChangeProperty(display_, xid, atoms_.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    if (params.kind == WindowKind::kApplication) {
      application_ = xid;
    } else {
      if (params.owner) XSetTransientForHint(display_, xid, static_cast<Window>(params.owner));
      XSetWMProtocols(display_, xid, &atoms_.wmDeleteWindow, 1);
      XWMHints wmHints{};
      wmHints.flags = InputHint | StateHint;
      wmHints.input = True;
      wmHints.initial_state = NormalState;
      XSetWMHints(display_, xid, &wmHints);
      if (params.style == FormStyle::kDialog) {
        SetDialogHints(win);
        MotifHints motif{kMotifFunctions | kMotifDecorations, kFunctionResize | kFunctionMove,
                         kDecorBorder | kDecorResizeH | kDecorTitle, 0, 0};
        XChangeProperty(display_, xid, atoms_.motifWmHints, atoms_.motifWmHints, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&motif), 5);
        XChangeProperty(display_, xid, atoms_.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&atoms_.netWmWindowTypeDialog), 1);
      }
    }
    ApplyCursor(xid);
  } else {
    // A control made later lies below the ones made before it.
    XLowerWindow(display_, xid);
    if (params.kind != WindowKind::kPanel && params.kind != WindowKind::kBlank) {
      win.draw = XftDrawCreate(display_, xid, visual_, colormap_);
      // The font is looked up at the first paint: the saver builds the
      // settings dialog only to drop it, and fontconfig's start would cost it
      // more than all the rest of its start.
      win.fontFamily = params.fontName;
      win.fontHeight = params.fontHeight > 0 ? params.fontHeight : 12;
    }
    if (win.visible) XMapWindow(display_, xid);
  }
  windows_[xid] = std::move(owned);
  // Once made, a window is there for other programs too, as on Windows.
  XFlush(display_);
  return xid;
}

void X11WindowSystem::DestroyWindow(WindowId window) {
  Win* win = Find(window);
  if (!win) return;
  if (capture_ != kNoWindow && TopLevelOf(capture_) == TopLevelOf(window)) {
    // The capture goes with the window (or its form) that held it.
    if (capture_ == window || !win->parent) ReleaseCapture();
  }
  if (saverGrab_ == window) {
    XUngrabPointer(display_, CurrentTime);
    XUngrabKeyboard(display_, CurrentTime);
    saverGrab_ = 0;
  }
  // The server destroys the subwindows with it; forget them as well.
  std::vector<Window> gone;
  for (auto& [xid, other] : windows_) {
    Window at = xid;
    while (at && at != window) {
      const Win* step = Find(at);
      at = step ? step->parent : 0;
    }
    if (at == window) gone.push_back(xid);
  }
  XDestroyWindow(display_, window);
  for (Window xid : gone) {
    Win* dead = Find(xid);
    if (dead->draw) XftDrawDestroy(dead->draw);
    if (focus_ == xid) focus_ = kNoWindow;
    if (active_ == xid) active_ = kNoWindow;
    if (capture_ == xid) capture_ = kNoWindow;
    if (application_ == xid) application_ = 0;
    windows_.erase(xid);
  }
  XFlush(display_);
}

void X11WindowSystem::SetText(WindowId window, std::string_view text) {
  Win* win = Find(window);
  if (!win) return;
  win->text = std::string(text);
  if (!win->parent) {
    SetTitle(win->xid, text);
  } else {
    Paint(*win);
  }
  XFlush(display_);
}

void X11WindowSystem::SetBounds(WindowId window, const Rect& bounds) {
  Win* win = Find(window);
  if (!win) return;
  bool resized = bounds.width != win->bounds.width || bounds.height != win->bounds.height;
  Rect before = win->bounds;
  win->bounds = bounds;
  Size extra = FrameExtra(*win);
  if (resized || !win->parent) {
    XMoveResizeWindow(display_, win->xid, bounds.left, bounds.top, Side(bounds.width - extra.width),
                      Side(bounds.height - extra.height));
  } else {
    XMoveWindow(display_, win->xid, bounds.left, bounds.top);
  }
  if (!win->parent && win->style == FormStyle::kDialog) SetDialogHints(*win);
  // A moved panel keeps its contents in the server: only a new size needs a
  // repaint, and a move only the part that came into view, unless the server
  // fills that from the panel's background itself.
  if (win->kind == WindowKind::kPanel) {
    if (resized) {
      FitPanelBackground(*win);
      PaintPanel(*win);
    } else if (!PanelFilledByServer(*win)) {
      PaintPanelComingIntoView(*win, before);
    }
  } else if (win->draw && resized) {
    Paint(*win);
  }
  if (frameRate_ && win->kind == WindowKind::kPanel) CountFrame(*win);
  if (win->kind == WindowKind::kPanel && ++panelMovesSinceSync_ >= kPanelMovesPerSync) {
    // The saver would otherwise run ever further ahead of the server, which
    // then keeps other programs (a window manager, xdotool) waiting for up to
    // seconds. A round trip now and then bounds the lead, at little cost.
    panelMovesSinceSync_ = 0;
    XSync(display_, False);
  } else {
    XFlush(display_);
  }
}

bool X11WindowSystem::PanelFilledByServer(const Win& panel) {
  return panel.picture && panel.bounds.width <= panel.pictureSize.width &&
         panel.bounds.height <= panel.pictureSize.height;
}

void X11WindowSystem::FitPanelBackground(Win& panel) {
  // A picture that covers the whole panel is its background: the server then
  // fills what a move brings into view in the same request, so a step costs
  // no exposure to wake up for and answer. Otherwise (no picture, or a panel
  // larger than it) the panel has no background and is painted on exposure.
  bool filled = PanelFilledByServer(panel);
  XSetWindowAttributes attributes{};
  attributes.background_pixmap = filled ? panel.picture : None;
  attributes.event_mask = filled ? kPointerEvents : ExposureMask | kPointerEvents;
  XChangeWindowAttributes(display_, panel.xid, CWBackPixmap | CWEventMask, &attributes);
}

Rect X11WindowSystem::GetBounds(WindowId window) {
  const Win* win = Find(window);
  return win ? win->bounds : Rect{};
}

void X11WindowSystem::MapSaver(Win& win) {
  if (host_) {
    // xscreensaver keeps the keyboard and the mouse. On the root the slide
    // show is the desktop's background, below every other window.
    if (hostIsRoot_) XLowerWindow(display_, win.xid);
    XMapWindow(display_, win.xid);
    return;
  }
  XMapRaised(display_, win.xid);
  // An override-redirect window is viewable once the server has the request.
  XSync(display_, False);
  XSetInputFocus(display_, win.xid, RevertToParent, CurrentTime);
  GrabForSaver(win);
}

void X11WindowSystem::GrabForSaver(Win& win) {
  // Without a window manager the grabs are what brings every key and button
  // to the saver; another client may hold a grab for a moment, so retry.
  bool keyboard = false, pointer = false;
  for (int attempt = 0; attempt < 50 && !(keyboard && pointer); ++attempt) {
    if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!keyboard) {
      keyboard = XGrabKeyboard(display_, win.xid, True, GrabModeAsync, GrabModeAsync,
                               CurrentTime) == GrabSuccess;
    }
    if (!pointer) {
      pointer = XGrabPointer(display_, win.xid, True, kPointerEvents, GrabModeAsync, GrabModeAsync,
                             None, None, CurrentTime) == GrabSuccess;
    }
  }
  saverGrab_ = win.xid;
}

void X11WindowSystem::FocusTopLevel(Window xid) {
  const Win* win = Find(xid);
  if (!win || !win->mapped || host_) return;
  if (win->style == FormStyle::kSaver || !WindowManagerRunning()) {
    XSetInputFocus(display_, xid, RevertToParent, CurrentTime);
    return;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = atoms_.netActiveWindow;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // from an application
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void X11WindowSystem::ShowWindow(WindowId window, ShowCommand command) {
  Win* win = Find(window);
  if (!win) return;
  if (win->kind == WindowKind::kApplication) {
    win->visible = command != ShowCommand::kHide;
    return;
  }
  if (win->parent) {
    win->visible = command != ShowCommand::kHide;
    if (win->visible) {
      XMapWindow(display_, win->xid);
    } else {
      XUnmapWindow(display_, win->xid);
    }
    XFlush(display_);
    return;
  }
  switch (command) {
    case ShowCommand::kHide:
      if (saverGrab_ == win->xid) {
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        saverGrab_ = 0;
      }
      XUnmapWindow(display_, win->xid);
      win->visible = win->mapped = false;
      if (active_ == window) active_ = kNoWindow;
      break;
    case ShowCommand::kMaximized:
    case ShowCommand::kNormal:
      if (command == ShowCommand::kMaximized) {
        Size screen = ScreenSize();
        if (host_) {
          SetBounds(window, {0, 0, screen.width, screen.height});
        } else {
          SetBounds(window, {primary_.left, primary_.top, screen.width, screen.height});
        }
      }
      win->visible = win->mapped = true;
      if (win->style == FormStyle::kSaver) {
        MapSaver(*win);
      } else {
        XMapRaised(display_, win->xid);
        FocusTopLevel(win->xid);
      }
      break;
    case ShowCommand::kMinimized: {
      XWMHints hints{};
      hints.flags = StateHint;
      hints.initial_state = IconicState;
      XSetWMHints(display_, win->xid, &hints);
      XMapWindow(display_, win->xid);
      XIconifyWindow(display_, win->xid, screen_);
      win->visible = win->mapped = true;
      break;
    }
  }
  XFlush(display_);
}

bool X11WindowSystem::IsVisible(WindowId window) {
  const Win* win = Find(window);
  while (win) {
    if (!win->visible) return false;
    if (!win->parent) return true;
    win = Find(win->parent);
  }
  return false;
}

void X11WindowSystem::EnableWindow(WindowId window, bool enabled) {
  Win* win = Find(window);
  if (!win || win->enabled == enabled) return;
  win->enabled = enabled;
  if (!enabled && capture_ != kNoWindow && TopLevelOf(capture_) == TopLevelOf(window)) {
    ReleaseCapture();
  }
  if (win->draw) {
    Paint(*win);
    XFlush(display_);
  }
}

bool X11WindowSystem::IsEnabled(WindowId window) {
  const Win* win = Find(window);
  return win && win->enabled;
}

void X11WindowSystem::SetFocus(WindowId window) {
  if (window != kNoWindow && !Find(window)) return;
  WindowId old = focus_;
  focus_ = window;
  if (old == window) return;
  if (Win* before = Find(old); before && before->draw) Paint(*before);
  if (Win* after = Find(window); after && after->draw) Paint(*after);
  XFlush(display_);
}

void X11WindowSystem::SetActiveWindow(WindowId window) {
  Win* win = Find(window);
  if (!win) return;
  active_ = TopLevelOf(window);
  FocusTopLevel(static_cast<Window>(active_));
  XFlush(display_);
}

void X11WindowSystem::SetCapture(WindowId window) {
  Win* win = Find(window);
  if (!win) return;
  capture_ = window;
  if (host_) return;  // no grabs under xscreensaver
  // Every pointer event goes to this window until it lets go, as on Windows.
  XGrabPointer(display_, win->xid, False, kPointerEvents, GrabModeAsync, GrabModeAsync, None, None,
               CurrentTime);
  XFlush(display_);
}

void X11WindowSystem::ReleaseCapture() {
  if (capture_ == kNoWindow) return;
  capture_ = kNoWindow;
  if (host_) return;
  XUngrabPointer(display_, CurrentTime);
  if (saverGrab_) {
    XGrabPointer(display_, saverGrab_, True, kPointerEvents, GrabModeAsync, GrabModeAsync, None,
                 None, CurrentTime);
  }
  XFlush(display_);
}

void X11WindowSystem::HostResized(int32_t width, int32_t height) {
  if (hostSize_ == Size{width, height}) return;
  hostSize_ = {width, height};
  for (auto& [xid, win] : windows_) {
    if (!win->parent && win->kind == WindowKind::kForm && win->style == FormStyle::kSaver) {
      win->bounds = {0, 0, width, height};
      XResizeWindow(display_, xid, Side(width), Side(height));
    }
  }
  XFlush(display_);
}

void X11WindowSystem::Paint(Win& win) {
  switch (win.kind) {
    case WindowKind::kPanel:
      PaintPanel(win);
      break;
    case WindowKind::kIcon:
    case WindowKind::kGroupBox:
    case WindowKind::kLabel:
    case WindowKind::kButton:
    case WindowKind::kTrackBar:
      if (win.draw) PaintWidget(win);
      break;
    default:
      break;  // the window's background is all there is
  }
}

// ---- Other programs' windows --------------------------------------------

std::string X11WindowSystem::ReadTitle(Window xid, bool& found) {
  found = false;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, xid, atoms_.netWmName, 0, 1024, False, atoms_.utf8String, &type,
                         &format, &count, &after, &data) == Success &&
      data) {
    std::string title(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (type == atoms_.utf8String && format == 8) {
      found = true;
      return title;
    }
  }
  XTextProperty property{};
  if (XGetWMName(display_, xid, &property) && property.value) {
    char** list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(display_, &property, &list, &items) >= Success && list) {
      std::string title = items > 0 && list[0] ? list[0] : "";
      XFreeStringList(list);
      found = true;
      XFree(property.value);
      return title;
    }
    XFree(property.value);
  }
  return {};
}

bool X11WindowSystem::ActivateRunningCopy(std::string_view title) {
  // A preview and the real saver run side by side: no running-copy check.
  if (host_) return false;
  Window found = FindForeignWindow(title);
  if (!found) return false;
  Window owner = OwnerOf(found);
  if (IsIconic(owner)) OpenIcon(owner);
  BringToForeground(owner);
  return true;
}

Window X11WindowSystem::FindForeignWindow(std::string_view title) {
  Window rootReturn, parentReturn;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, root_, &rootReturn, &parentReturn, &children, &count)) return 0;
  Window result = 0;
  // Top-most first, as a search by title on Windows goes; window managers
  // put a frame around each top-level window, so look one level down too.
  for (unsigned i = count; i-- > 0 && !result;) {
    Window top = children[i];
    if (Find(top)) continue;
    bool found = false;
    std::string name = ReadTitle(top, found);
    if (found && SameIgnoringAsciiCase(name, title)) {
      result = top;
      break;
    }
    Window* inner = nullptr;
    unsigned innerCount = 0;
    if (XQueryTree(display_, top, &rootReturn, &parentReturn, &inner, &innerCount) && inner) {
      for (unsigned j = innerCount; j-- > 0;) {
        if (Find(inner[j])) continue;
        std::string innerName = ReadTitle(inner[j], found);
        if (found && SameIgnoringAsciiCase(innerName, title)) {
          result = inner[j];
          break;
        }
      }
      XFree(inner);
    }
  }
  if (children) XFree(children);
  return result;
}

Window X11WindowSystem::OwnerOf(Window xid) {
  Window owner = 0;
  if (!xid || !XGetTransientForHint(display_, xid, &owner)) return 0;
  return owner;
}

bool X11WindowSystem::IsIconic(Window xid) {
  if (!xid) return false;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool iconic = false;
  if (XGetWindowProperty(display_, xid, atoms_.wmState, 0, 2, False, atoms_.wmState, &type, &format,
                         &count, &after, &data) == Success &&
      data) {
    if (format == 32 && count >= 1) {
      iconic = *reinterpret_cast<long*>(data) == IconicState;
    }
    XFree(data);
  }
  return iconic;
}

void X11WindowSystem::OpenIcon(Window xid) {
  if (!xid) return;
  XMapRaised(display_, xid);
  XFlush(display_);
}

void X11WindowSystem::BringToForeground(Window xid) {
  if (!xid) return;
  Window target = xid;
  // Another copy's application window is never mapped: bring up the window
  // it owns instead, as Windows brings up the owner's last active window.
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, target, &attributes)) return;
  if (attributes.map_state != IsViewable) {
    Window rootReturn, parentReturn;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, root_, &rootReturn, &parentReturn, &children, &count)) {
      for (unsigned i = count; i-- > 0;) {
        Window owner = 0;
        XWindowAttributes childAttributes;
        if (XGetTransientForHint(display_, children[i], &owner) && owner == target &&
            XGetWindowAttributes(display_, children[i], &childAttributes) &&
            childAttributes.map_state == IsViewable) {
          target = children[i];
          break;
        }
      }
      if (children) XFree(children);
    }
  }
  if (WindowManagerRunning()) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = atoms_.netActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  } else {
    XRaiseWindow(display_, target);
    XSetInputFocus(display_, target, RevertToParent, CurrentTime);
  }
  XFlush(display_);
}

}  // namespace morumoru::platform::x11
