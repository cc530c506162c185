#include "platform/x11/x11_connection.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace morumoru::platform::x11 {

namespace {

// The value of one channel (0..255) placed under a visual's mask.
unsigned long Channel(uint32_t value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctzl(mask);
  unsigned long bits = mask >> shift;
  return ((value * bits + 127) / 255) << shift;
}

Atoms InternAtoms(Display* display) {
  const char* names[] = {"WM_PROTOCOLS",
                         "WM_DELETE_WINDOW",
                         "WM_STATE",
                         "_NET_WM_NAME",
                         "UTF8_STRING",
                         "_MOTIF_WM_HINTS",
                         "_NET_ACTIVE_WINDOW",
                         "_NET_SUPPORTING_WM_CHECK",
                         "_NET_WM_WINDOW_TYPE",
                         "_NET_WM_WINDOW_TYPE_DIALOG",
                         "_NET_WM_STATE",
                         "_NET_WM_STATE_ABOVE",
                         "_NET_WM_PID"};
  constexpr int kCount = sizeof(names) / sizeof(names[0]);
  static_assert(sizeof(Atoms) == kCount * sizeof(Atom));
  Atom atoms[kCount];
  XInternAtoms(display, const_cast<char**>(names), kCount, False, atoms);
  Atoms result;
  std::memcpy(&result, atoms, sizeof atoms);
  return result;
}

}  // namespace

int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

Display* OpenDisplay() {
  Display* display = XOpenDisplay(nullptr);
  // A busy server can turn a connection away for a moment; a display that
  // is not set at all is not worth waiting for.
  const char* name = std::getenv("DISPLAY");
  for (int attempt = 0; !display && name && *name && attempt < 5; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    display = XOpenDisplay(nullptr);
  }
  return display;
}

Connection::Connection(Display* display, Window hostWindow) : display(display) {
  XSetErrorHandler(IgnoreXError);
  screen = DefaultScreen(display);
  XWindowAttributes hostAttributes{};
  if (hostWindow && XGetWindowAttributes(display, hostWindow, &hostAttributes)) {
    host = hostWindow;
    screen = XScreenNumberOfScreen(hostAttributes.screen);
    hostIsRoot = hostWindow == hostAttributes.root;
    hostSizeAtStart = {hostAttributes.width, hostAttributes.height};
  }
  root = RootWindow(display, screen);
  visual = DefaultVisual(display, screen);
  colormap = DefaultColormap(display, screen);
  depth = DefaultDepth(display, screen);
  fd = ConnectionNumber(display);
  gc = XCreateGC(display, root, 0, nullptr);
  XSetGraphicsExposures(display, gc, False);
  atoms = InternAtoms(display);
  fonts = std::make_unique<FontCache>(display, screen);
  XftColorAllocName(display, visual, colormap, "#000000", &black);
  XftColorAllocName(display, visual, colormap, "#6D6D6D", &gray);
}

Connection::~Connection() {
  XftColorFree(display, visual, colormap, &black);
  XftColorFree(display, visual, colormap, &gray);
  fonts.reset();
  XFreeGC(display, gc);
  XCloseDisplay(display);
}

unsigned long Connection::Pixel(uint32_t rgb) const {
  if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
    return Channel(rgb >> 16 & 0xFF, visual->red_mask) |
           Channel(rgb >> 8 & 0xFF, visual->green_mask) | Channel(rgb & 0xFF, visual->blue_mask);
  }
  XColor color{};
  color.red = static_cast<unsigned short>((rgb >> 16 & 0xFF) * 257);
  color.green = static_cast<unsigned short>((rgb >> 8 & 0xFF) * 257);
  color.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
  color.flags = DoRed | DoGreen | DoBlue;
  if (!XAllocColor(display, colormap, &color)) return BlackPixel(display, screen);
  return color.pixel;
}

}  // namespace morumoru::platform::x11
