#pragma once
// What Peek keeps of an X event inside Message::native, for Dispatch.

#include <cstdint>

#include "platform/window_system.h"

namespace morumoru::platform::x11 {

struct NativeEvent {
  uint8_t type = 0;  // the X event type
  uint8_t button = 0;
  uint16_t count = 0;  // Expose: how many follow
  uint32_t state = 0;  // modifiers and buttons held; FocusOut: the mode
  uint64_t window = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t keysym = 0;
  uint32_t sendEvent = 0;
  uint64_t data = 0;  // ClientMessage: the first long; FocusOut: the detail
};
static_assert(sizeof(NativeEvent) <= sizeof(Message::native), "must fit in a message");

}  // namespace morumoru::platform::x11
