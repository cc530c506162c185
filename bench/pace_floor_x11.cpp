#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <time.h>

#include <cstdlib>

#include "pace_floor.h"

namespace morumoru::bench {
namespace {

constexpr int kWidth = 335;
constexpr int kHeight = 300;

// A connection of its own, so that the saver's queue never sees its events.
class X11BareMover : public BareMover {
 public:
  explicit X11BareMover(Display* display) : display_(display) {
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
                                 nullptr, kWidth, kHeight, 32, 0);
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * kHeight));
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        XPutPixel(image, x, y, (x * 255 / kWidth) << 16 | (y * 255 / kHeight) << 8 | 0x40);
      }
    }
    pixmap_ = XCreatePixmap(display_, root, kWidth, kHeight, depth);
    XPutImage(display_, pixmap_, gc_, image, 0, 0, 0, 0, kWidth, kHeight);
    XDestroyImage(image);
    // The picture is the child's background: the server fills what a move
    // brings into view, and this client has nothing to answer.
    XSetWindowAttributes childAttributes{};
    childAttributes.background_pixmap = pixmap_;
    child_ = XCreateWindow(display_, top_, left_, kTop, kWidth, kHeight, 0, CopyFromParent,
                           InputOutput, CopyFromParent, CWBackPixmap, &childAttributes);
    XMapWindow(display_, child_);
    XSync(display_, False);
  }
  ~X11BareMover() override { XCloseDisplay(display_); }

  void Show() override {
    XMapRaised(display_, top_);
    XSync(display_, False);
  }
  void Hide() override {
    XUnmapWindow(display_, top_);
    XSync(display_, False);
  }
  void Move() override {
    left_ = left_ >= screenWidth_ ? -kWidth : left_ + 1;
    XMoveWindow(display_, child_, left_, kTop);
    XFlush(display_);
  }

 private:
  static constexpr int kTop = 234;

  Display* display_;
  Window top_ = 0;
  Window child_ = 0;
  Pixmap pixmap_ = 0;
  GC gc_ = nullptr;
  int screenWidth_ = 0;
  int left_ = -kWidth;
};

}  // namespace

std::unique_ptr<BareMover> MakeBareMover() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  return std::make_unique<X11BareMover>(display);
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace morumoru::bench
