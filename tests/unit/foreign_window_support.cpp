#if defined(MORUMORU_BACKEND_X11)

#include "foreign_window_support.h"

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

ForeignWindow::ForeignWindow(const std::string& title) {
  Display* display = OpenDisplay();
  if (!display) return;
  display_ = display;
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
  XStoreName(display, window, title.c_str());
  XSync(display, False);
  window_ = window;
}

void ForeignWindow::SendKey(WindowId target, unsigned long keysym, bool alt) {
  if (!display_) return;
  Display* display = static_cast<Display*>(display_);
  XEvent event{};
  event.xkey.type = KeyPress;
  event.xkey.display = display;
  event.xkey.window = static_cast<Window>(target);
  event.xkey.root = DefaultRootWindow(display);
  event.xkey.same_screen = True;
  event.xkey.keycode = XKeysymToKeycode(display, keysym);
  event.xkey.state = alt ? Mod1Mask : 0;
  XSendEvent(display, static_cast<Window>(target), True, KeyPressMask, &event);
  XSync(display, False);
}

void ForeignWindow::SendButton(WindowId target, unsigned button, bool press, int32_t x, int32_t y) {
  if (!display_) return;
  Display* display = static_cast<Display*>(display_);
  XEvent event{};
  event.xbutton.type = press ? ButtonPress : ButtonRelease;
  event.xbutton.display = display;
  event.xbutton.window = static_cast<Window>(target);
  event.xbutton.root = DefaultRootWindow(display);
  event.xbutton.same_screen = True;
  event.xbutton.button = button;
  event.xbutton.x = x;
  event.xbutton.y = y;
  event.xbutton.state = press ? 0 : Button1Mask;
  XSendEvent(display, static_cast<Window>(target), False,
             press ? ButtonPressMask : ButtonReleaseMask, &event);
  XSync(display, False);
}

void ForeignWindow::TakeFocus() {
  if (!display_) return;
  Display* display = static_cast<Display*>(display_);
  XMapRaised(display, static_cast<Window>(window_));
  XSync(display, False);
  XSetInputFocus(display, static_cast<Window>(window_), RevertToParent, CurrentTime);
  XSync(display, False);
}

void ForeignWindow::SetOwner(WindowId owner) {
  if (!display_) return;
  Display* display = static_cast<Display*>(display_);
  XSetTransientForHint(display, static_cast<Window>(window_), static_cast<Window>(owner));
  XSync(display, False);
}

WindowId ForeignWindow::FocusNow() const {
  if (!display_) return kNoWindow;
  Window focus = None;
  int revertTo = 0;
  XGetInputFocus(static_cast<Display*>(display_), &focus, &revertTo);
  return focus;
}

ForeignWindow::~ForeignWindow() {
  if (!display_) return;
  Display* display = static_cast<Display*>(display_);
  XDestroyWindow(display, static_cast<Window>(window_));
  XCloseDisplay(display);
}

bool ForeignWindow::Viewable(WindowId window) {
  XWindowAttributes attributes{};
  return display_ &&
         XGetWindowAttributes(static_cast<Display*>(display_), static_cast<Window>(window),
                              &attributes) &&
         attributes.map_state == IsViewable;
}

bool ForeignWindow::SomeClientWantsExposures(WindowId window) {
  XWindowAttributes attributes{};
  return display_ &&
         XGetWindowAttributes(static_cast<Display*>(display_), static_cast<Window>(window),
                              &attributes) &&
         (attributes.all_event_masks & ExposureMask) != 0;
}

std::vector<uint32_t> ForeignWindow::Pixels(std::uintptr_t drawable, const Rect& area) {
  std::vector<uint32_t> pixels;
  if (!display_) return pixels;
  XImage* image = XGetImage(static_cast<Display*>(display_), static_cast<Drawable>(drawable),
                            area.left, area.top, static_cast<unsigned>(area.width),
                            static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int y = 0; y < area.height; ++y) {
    for (int x = 0; x < area.width; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
  }
  XDestroyImage(image);
  return pixels;
}

}  // namespace morumoru::platform::x11

#endif
