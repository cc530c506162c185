#pragma once
// What the backend keeps for each of its X windows.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/window_system.h"
#include "platform/x11/x11_widgets.h"

namespace morumoru::platform::x11 {

// What our windows that take the mouse select, and what a grab asks for.
inline constexpr long kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

// X sizes are unsigned and never 0.
inline unsigned Side(int32_t value) {
  return static_cast<unsigned>(value < 1 ? 1 : value);
}

struct WindowRecord {
  Window xid = 0;
  WindowKind kind = WindowKind::kForm;
  FormStyle style = FormStyle::kSaver;
  Window parent = 0;  // our parent window, 0 for top-level ones
  Rect bounds;        // children: in the parent; forms: outer rect
  std::string text;
  bool visible = false;
  bool enabled = true;
  bool tabStop = false;
  bool mapped = false;
  WindowEvents* events = nullptr;
  // Controls we draw ourselves.
  std::unique_ptr<Widget> widget;
  XftDraw* draw = nullptr;
  XftFont* font = nullptr;  // looked up at the first paint
  std::string fontFamily;
  int32_t fontHeight = 12;
  // Panels.
  Pixmap picture = 0;
  Size pictureSize;
};

}  // namespace morumoru::platform::x11
