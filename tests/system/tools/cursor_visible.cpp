// Prints "visible" or "hidden": whether the cursor the X server shows at the
// pointer right now has any pixel that is not fully transparent. The system
// tests use it to see the saver hide the cursor and give it back however it
// ends; no core request tells which cursor is shown, the XFixes one does.
//
//   cursor_visible            (on $DISPLAY; exit 2 when it cannot tell)

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cursor_visible: cannot open the display\n");
    return 2;
  }
  int eventBase = 0;
  int errorBase = 0;
  if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "cursor_visible: no XFixes extension\n");
    return 2;
  }
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (!image) {
    std::fprintf(stderr, "cursor_visible: no cursor image\n");
    return 2;
  }
  // Pixels are ARGB in the low 32 bits of each unsigned long.
  bool visible = false;
  for (int i = 0; i < image->width * image->height && !visible; ++i) {
    visible = ((image->pixels[i] >> 24) & 0xFF) != 0;
  }
  std::printf("%s %dx%d\n", visible ? "visible" : "hidden", image->width, image->height);
  XFree(image);
  XCloseDisplay(display);
  return 0;
}
