#pragma once
// The dialog's controls as objects of their own: X has no controls, so we
// draw them and give them their keys and mouse. Each knows its own state
// (a slider its range and position, a button whether it is held down); what
// every window has (bounds, text, enabled) stays in its WindowRecord.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/window_system.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_native_event.h"

namespace morumoru::platform::x11 {

struct WindowRecord;

// One paint of a control: an off-screen pixmap of its size, with the
// window's font and state. The painter makes it and puts it on the screen.
struct Canvas {
  Connection& x;
  Drawable target;
  XftDraw* draw;
  XftFont* font;
  Size size;
  std::string_view text;
  bool enabled;
  bool focused;
  Pixmap icon = 0;  // the dialog icon, for the icon control
  Size iconSize;

  void Text(int32_t left, int32_t top, std::string_view shown, bool grayed) const;
  void FocusRect(int32_t left, int32_t top, int32_t width, int32_t height) const;
};

// The backend's part in a control's input.
class WidgetOwner {
 public:
  virtual void FocusWidget(Window xid) = 0;
  virtual void RepaintWidget(WindowRecord& win) = 0;
  virtual void Flush() = 0;
  // Hands an event to the program, which may destroy the window (and the
  // control with it) there: a control reports last and touches nothing after.
  virtual void Report(const WindowRecord& win, const Event& event) = 0;

 protected:
  ~WidgetOwner() = default;
};

class Widget {
 public:
  virtual ~Widget() = default;
  // Whether a paint needs the window's font (looked up at the first paint).
  virtual bool ShowsText() const { return true; }
  virtual void Draw(const Canvas& canvas) const = 0;
  // A key while the control has the focus, the mouse over it or captured.
  virtual void Key(WidgetOwner& /*owner*/, WindowRecord& /*win*/, uint16_t /*key*/) {}
  virtual void Mouse(WidgetOwner& /*owner*/, WindowRecord& /*win*/, const NativeEvent& /*native*/) {
  }
};

// The control for a child window of `params.kind`; null for panels and black
// squares, which are only their background.
std::unique_ptr<Widget> MakeWidget(const WindowSpec& params);

class Slider : public Widget {
 public:
  explicit Slider(const WindowSpec& params);
  int32_t position() const { return position_; }
  // To `position` within the range; `report` tells the program (the user
  // moved it), a move by the program does not.
  void MoveTo(WidgetOwner& owner, WindowRecord& win, int32_t position, bool report);

  bool ShowsText() const override { return false; }
  void Draw(const Canvas& canvas) const override;
  void Key(WidgetOwner& owner, WindowRecord& win, uint16_t key) override;
  void Mouse(WidgetOwner& owner, WindowRecord& win, const NativeEvent& native) override;

 private:
  int32_t XOf(int32_t width, int32_t position) const;
  int32_t PositionAt(int32_t width, int32_t x) const;

  int32_t min_;
  int32_t max_;
  int32_t position_;
  int32_t lineSize_;
  int32_t pageSize_;
  int32_t thumbLength_;
  bool dragging_ = false;
  int32_t dragOffset_ = 0;
};

}  // namespace morumoru::platform::x11
