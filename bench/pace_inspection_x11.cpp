#include <X11/Xlib.h>

#include "pace_inspection.h"
#include "platform/x11/x11_window_system.h"

namespace morumoru::bench {
namespace {

class X11Inspection : public BareInspection {
 public:
  explicit X11Inspection(Display* display) : display_(display) {}
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

std::unique_ptr<BareInspection> MakeBareInspection(platform::WindowSystem& windows) {
  auto& x11 = static_cast<platform::x11::X11WindowSystem&>(windows);
  return std::make_unique<X11Inspection>(x11.display());
}

}  // namespace morumoru::bench
