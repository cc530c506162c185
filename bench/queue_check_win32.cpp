#include <windows.h>

#include "queue_check.h"

namespace morumoru::bench {
namespace {

class Win32QueueCheck : public BareQueueCheck {
 public:
  std::string Name() const override { return "PeekMessageW(PM_REMOVE)"; }
  void Look(int calls) override {
    MSG msg;
    for (int i = 0; i < calls; ++i) {
      if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
};

}  // namespace

std::unique_ptr<BareQueueCheck> MakeBareQueueCheck(platform::WindowSystem&) {
  return std::make_unique<Win32QueueCheck>();
}

}  // namespace morumoru::bench
