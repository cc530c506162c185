#pragma once
// What an empty-queue check is made of on each window system, for the
// pace benchmark: the bare call that the backend's empty Peek must cost, and
// no less.

#include <memory>
#include <string>

#include "platform/window_system.h"

namespace morumoru::bench {

class BareQueueCheck {
 public:
  virtual ~BareQueueCheck() = default;
  // The call, as a reader would write it against the raw API.
  virtual std::string Name() const = 0;
  // `calls` bare looks at the queue (handling whatever shows up).
  virtual void Look(int calls) = 0;
};

// Over the connection or queue that `windows` itself uses.
std::unique_ptr<BareQueueCheck> MakeBareQueueCheck(platform::WindowSystem& windows);

}  // namespace morumoru::bench
