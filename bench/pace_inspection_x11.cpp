#include <X11/Xlib.h>

#include "bench/pace_inspection.h"
#include "platform/x11/x11_platform.h"

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

std::unique_ptr<BareInspection> MakeBareInspection(platform::Platform& platform) {
  auto& x11 = static_cast<platform::x11::X11Platform&>(platform);
  return std::make_unique<X11Inspection>(x11.display());
}

}  // namespace morumoru::bench
