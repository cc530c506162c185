#include <X11/Xlib.h>
#include <time.h>

#include "bare_scene_x11.h"
#include "pace_floor.h"

namespace morumoru::bench {
namespace {

class X11BareMover : public BareMover {
 public:
  explicit X11BareMover(Display* display)
      : scene_(display, -kBareWidth, kTop, BareX11Scene::kPictureBackground) {}

  void Show() override { scene_.Show(); }
  void Hide() override { scene_.Hide(); }
  void Move() override {
    left_ = left_ >= scene_.ScreenWidth() ? -kBareWidth : left_ + 1;
    XMoveWindow(scene_.display(), scene_.Panel(), left_, kTop);
    XFlush(scene_.display());
  }

 private:
  static constexpr int kTop = 234;

  BareX11Scene scene_;
  int left_ = -kBareWidth;
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
