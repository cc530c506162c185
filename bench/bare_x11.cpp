// The floor for the native whole-process figures: the least an X11 program
// does to look like the saver's first frame. A black full-screen window with
// a 335x300 child at (8,8) that shows a picture put into a server pixmap;
// it holds the keyboard and ends at the first key press.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  int screen = DefaultScreen(display);
  Window root = RootWindow(display, screen);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask = KeyPressMask;
  Window top =
      XCreateWindow(display, root, 0, 0, DisplayWidth(display, screen),
                    DisplayHeight(display, screen), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XSetWindowAttributes childAttributes{};
  childAttributes.background_pixmap = None;
  childAttributes.event_mask = ExposureMask;
  Window child = XCreateWindow(display, top, 8, 8, 335, 300, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWBackPixmap | CWEventMask, &childAttributes);
  int depth = DefaultDepth(display, screen);
  GC gc = XCreateGC(display, root, 0, nullptr);
  XImage* image = XCreateImage(display, DefaultVisual(display, screen), depth, ZPixmap, 0, nullptr,
                               335, 300, 32, 0);
  image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * 300));
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 335; ++x) {
      XPutPixel(image, x, y, (x * 255 / 335) << 16 | (y * 255 / 300) << 8 | 0x40);
    }
  }
  Pixmap pixmap = XCreatePixmap(display, root, 335, 300, depth);
  XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, 335, 300);
  XDestroyImage(image);
  XMapWindow(display, child);
  XMapRaised(display, top);
  XSync(display, False);
  XGrabKeyboard(display, top, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  while (true) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.window == child) {
      XCopyArea(display, pixmap, child, gc, 0, 0, 335, 300, 0, 0);
      XFlush(display);
    } else if (event.type == KeyPress) {
      break;
    }
  }
  XCloseDisplay(display);
  return 0;
}
