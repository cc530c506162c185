#pragma once
// The bare X11 scene the saver is measured against, on a connection of its
// own (so the saver's queue never sees its events): a black override-redirect
// window over the screen, unmapped until shown, and a 335x300 child, with the
// picture in a server pixmap.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

#include "bare_picture.h"

namespace morumoru::bench {

class BareX11Scene {
 public:
  // With the picture as the panel's background the server fills what a move
  // brings into view, and the client has nothing to answer; without, the
  // client copies the picture itself (Paint).
  enum Background { kNoBackground, kPictureBackground };

  // Takes `display` over and closes it. The panel stands at (left, top).
  BareX11Scene(Display* display, int left, int top, Background background = kNoBackground)
      : display_(display) {
    int screen = DefaultScreen(display_);
    Window root = RootWindow(display_, screen);
    screenWidth_ = DisplayWidth(display_, screen);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display_, screen);
    top_ =
        XCreateWindow(display_, root, 0, 0, static_cast<unsigned>(screenWidth_),
                      static_cast<unsigned>(DisplayHeight(display_, screen)), 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    int depth = DefaultDepth(display_, screen);
    gc_ = XCreateGC(display_, root, 0, nullptr);
    XSetGraphicsExposures(display_, gc_, False);
    XImage* image = XCreateImage(display_, DefaultVisual(display_, screen), depth, ZPixmap, 0,
                                 nullptr, kBareWidth, kBareHeight, 32, 0);
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * kBareHeight));
    for (int y = 0; y < kBareHeight; ++y) {
      for (int x = 0; x < kBareWidth; ++x) XPutPixel(image, x, y, BarePixel(x, y));
    }
    picture_ = XCreatePixmap(display_, root, kBareWidth, kBareHeight, depth);
    XPutImage(display_, picture_, gc_, image, 0, 0, 0, 0, kBareWidth, kBareHeight);
    XDestroyImage(image);
    XSetWindowAttributes panelAttributes{};
    panelAttributes.background_pixmap = background == kPictureBackground ? picture_ : None;
    panel_ = XCreateWindow(display_, top_, left, top, kBareWidth, kBareHeight, 0, CopyFromParent,
                           InputOutput, CopyFromParent, CWBackPixmap, &panelAttributes);
    XMapWindow(display_, panel_);
    XSync(display_, False);
  }
  ~BareX11Scene() {
    XFreeGC(display_, gc_);
    XFreePixmap(display_, picture_);
    XDestroyWindow(display_, top_);
    XCloseDisplay(display_);
  }
  BareX11Scene(const BareX11Scene&) = delete;
  BareX11Scene& operator=(const BareX11Scene&) = delete;

  void Show() {
    XMapRaised(display_, top_);
    XSync(display_, False);
  }
  void Hide() {
    XUnmapWindow(display_, top_);
    XSync(display_, False);
  }
  // Copies the picture's part x, y, width, height to the same place of the panel.
  void Paint(int x, int y, int width, int height) {
    XCopyArea(display_, picture_, panel_, gc_, x, y, static_cast<unsigned>(width),
              static_cast<unsigned>(height), x, y);
  }

  Display* display() const { return display_; }
  Window Panel() const { return panel_; }
  int ScreenWidth() const { return screenWidth_; }

 private:
  Display* display_;
  Window top_ = 0;
  Window panel_ = 0;
  Pixmap picture_ = 0;
  GC gc_ = nullptr;
  int screenWidth_ = 0;
};

}  // namespace morumoru::bench
