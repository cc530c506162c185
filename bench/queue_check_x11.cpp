#include <X11/Xlib.h>

#include "platform/x11/x11_window_system.h"
#include "queue_check.h"

namespace morumoru::bench {
namespace {

class X11QueueCheck : public BareQueueCheck {
 public:
  explicit X11QueueCheck(Display* display) : display_(display) {}
  std::string Name() const override { return "XEventsQueued(QueuedAfterReading)"; }
  void Look(int calls) override {
    for (int i = 0; i < calls; ++i) {
      if (XEventsQueued(display_, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
      }
    }
  }

 private:
  Display* display_;
};

}  // namespace

std::unique_ptr<BareQueueCheck> MakeBareQueueCheck(platform::WindowSystem& windows) {
  auto& x11 = static_cast<platform::x11::X11WindowSystem&>(windows);
  return std::make_unique<X11QueueCheck>(x11.display());
}

}  // namespace morumoru::bench
