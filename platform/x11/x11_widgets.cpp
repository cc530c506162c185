// The dialog's controls, drawn by us: X has no controls of its own.

#include "platform/x11/x11_widgets.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_window_record.h"

namespace morumoru::platform::x11 {

namespace {

constexpr uint32_t kGroupLine = 0xDCDCDC;
constexpr uint32_t kButtonBorder = 0xADADAD;
constexpr uint32_t kButtonFill = 0xE1E1E1;
constexpr uint32_t kButtonFocusBorder = 0x0078D7;
constexpr uint32_t kButtonPressedFill = 0xCCE4F7;
constexpr uint32_t kButtonPressedBorder = 0x005499;
constexpr uint32_t kChannelFill = 0xE7EAEA;
constexpr uint32_t kChannelBorder = 0xD6D6D6;
constexpr uint32_t kThumbFill = 0x007AD9;
constexpr uint32_t kThumbGrayed = 0xCCCCCC;
constexpr uint32_t kTick = 0x9A9A9A;

// Slider geometry, in the control's own pixels.
constexpr int32_t kChannelTop = 8;
constexpr int32_t kChannelHeight = 4;
constexpr int32_t kThumbTop = 2;
constexpr int32_t kThumbBody = 10;  // the square part above the point
constexpr int32_t kTickTop = 25;
constexpr int32_t kTickLength = 4;

int32_t ChannelLeft(int32_t thumb) {
  return thumb / 2 + 3;
}

int32_t LineHeight(XftFont* font) {
  return font ? font->ascent + font->descent : 12;
}

class Label : public Widget {
 public:
  void Draw(const Canvas& canvas) const override {
    canvas.Text(0, 0, canvas.text, !canvas.enabled);
  }
};

class GroupBox : public Widget {
 public:
  void Draw(const Canvas& canvas) const override {
    Connection& x = canvas.x;
    int32_t textHeight = LineHeight(canvas.font);
    int32_t lineTop = textHeight / 2;
    XSetForeground(x.display, x.gc, x.Pixel(kGroupLine));
    XDrawRectangle(x.display, canvas.target, x.gc, 0, lineTop,
                   static_cast<unsigned>(std::max(canvas.size.width - 1, 1)),
                   static_cast<unsigned>(std::max(canvas.size.height - 1 - lineTop, 1)));
    if (canvas.text.empty()) return;
    int32_t width = TextWidth(x.display, canvas.font, canvas.text);
    XSetForeground(x.display, x.gc, x.Pixel(kDialogFace));
    XFillRectangle(x.display, canvas.target, x.gc, 6, 0, static_cast<unsigned>(width + 4),
                   static_cast<unsigned>(textHeight));
    canvas.Text(8, 0, canvas.text, !canvas.enabled);
  }
};

class DialogIcon : public Widget {
 public:
  bool ShowsText() const override { return false; }
  void Draw(const Canvas& canvas) const override {
    if (!canvas.icon) return;
    // The icon's natural size, whatever the control's.
    XCopyArea(canvas.x.display, canvas.icon, canvas.target, canvas.x.gc, 0, 0,
              static_cast<unsigned>(canvas.iconSize.width),
              static_cast<unsigned>(canvas.iconSize.height), 0, 0);
  }
};

class Button : public Widget {
 public:
  void Draw(const Canvas& canvas) const override;
  void Key(WidgetOwner& owner, WindowRecord& win, uint16_t key) override;
  void Mouse(WidgetOwner& owner, WindowRecord& win, const NativeEvent& native) override;

 private:
  bool pressed_ = false;   // the mouse went down on it and is over it
  bool tracking_ = false;  // the mouse went down on it and is held
};

void Button::Draw(const Canvas& canvas) const {
  Connection& x = canvas.x;
  int32_t w = canvas.size.width, h = canvas.size.height;
  uint32_t border = pressed_         ? kButtonPressedBorder
                    : canvas.focused ? kButtonFocusBorder
                                     : kButtonBorder;
  XSetForeground(x.display, x.gc, x.Pixel(pressed_ ? kButtonPressedFill : kButtonFill));
  XFillRectangle(x.display, canvas.target, x.gc, 1, 1, static_cast<unsigned>(std::max(w - 2, 1)),
                 static_cast<unsigned>(std::max(h - 2, 1)));
  XSetForeground(x.display, x.gc, x.Pixel(border));
  XDrawRectangle(x.display, canvas.target, x.gc, 0, 0, static_cast<unsigned>(std::max(w - 1, 1)),
                 static_cast<unsigned>(std::max(h - 1, 1)));
  if (canvas.focused) {
    XDrawRectangle(x.display, canvas.target, x.gc, 1, 1, static_cast<unsigned>(std::max(w - 3, 1)),
                   static_cast<unsigned>(std::max(h - 3, 1)));
    canvas.FocusRect(3, 3, w - 6, h - 6);
  }
  int32_t start = 0, length = 0;
  std::string shown = StripAccessMarker(canvas.text, start, length);
  int32_t textWidth = TextWidth(x.display, canvas.font, shown);
  int32_t left = (w - textWidth) / 2;
  int32_t top = (h - LineHeight(canvas.font)) / 2;
  bool grayed = !canvas.enabled;
  canvas.Text(left, top, shown, grayed);
  if (start >= 0 && canvas.font) {
    int32_t before = TextWidth(x.display, canvas.font, std::string_view(shown).substr(0, start));
    int32_t letter =
        TextWidth(x.display, canvas.font, std::string_view(shown).substr(start, length));
    XftDrawRect(canvas.draw, x.TextColor(grayed), left + before, top + canvas.font->ascent + 1,
                static_cast<unsigned>(std::max(letter, 1)), 1);
  }
}

void Button::Key(WidgetOwner& owner, WindowRecord& win, uint16_t key) {
  // Enter is the loop's; Space belongs to the button itself.
  if (key != vk::kSpace) return;
  Event click;
  click.type = EventType::kClick;
  click.window = win.xid;
  owner.Report(win, click);
}

void Button::Mouse(WidgetOwner& owner, WindowRecord& win, const NativeEvent& native) {
  bool inside =
      native.x >= 0 && native.y >= 0 && native.x < win.bounds.width && native.y < win.bounds.height;
  if (native.type == ButtonPress && native.button == Button1) {
    if (win.tabStop) owner.FocusWidget(win.xid);
    tracking_ = pressed_ = true;
    owner.RepaintWidget(win);
  } else if (native.type == MotionNotify && tracking_ && inside != pressed_) {
    pressed_ = inside;
    owner.RepaintWidget(win);
  } else if (native.type == ButtonRelease && native.button == Button1 && tracking_) {
    bool click = pressed_ && inside;
    tracking_ = pressed_ = false;
    owner.RepaintWidget(win);
    owner.Flush();
    if (click) {
      Event event;
      event.type = EventType::kClick;
      event.window = win.xid;
      owner.Report(win, event);
    }
    return;
  }
  owner.Flush();
}

}  // namespace

void Canvas::Text(int32_t left, int32_t top, std::string_view shown, bool grayed) const {
  if (!font || shown.empty()) return;
  XftDrawStringUtf8(draw, x.TextColor(grayed), font, left, top + font->ascent,
                    reinterpret_cast<const FcChar8*>(shown.data()), static_cast<int>(shown.size()));
}

void Canvas::FocusRect(int32_t left, int32_t top, int32_t width, int32_t height) const {
  static const char kDots[] = {1, 1};
  XSetForeground(x.display, x.gc, x.Pixel(0x000000));
  XSetLineAttributes(x.display, x.gc, 1, LineOnOffDash, CapButt, JoinMiter);
  XSetDashes(x.display, x.gc, 0, kDots, 2);
  XDrawRectangle(x.display, target, x.gc, left, top, static_cast<unsigned>(width - 1),
                 static_cast<unsigned>(height - 1));
  XSetLineAttributes(x.display, x.gc, 1, LineSolid, CapButt, JoinMiter);
}

std::unique_ptr<Widget> MakeWidget(const WindowSpec& params) {
  switch (params.kind) {
    case WindowKind::kIcon:
      return std::make_unique<DialogIcon>();
    case WindowKind::kGroupBox:
      return std::make_unique<GroupBox>();
    case WindowKind::kLabel:
      return std::make_unique<Label>();
    case WindowKind::kButton:
      return std::make_unique<Button>();
    case WindowKind::kTrackBar:
      return std::make_unique<Slider>(params);
    default:
      return nullptr;
  }
}

// ---- The slider ---------------------------------------------------------

Slider::Slider(const WindowSpec& params)
    : min_(params.min),
      max_(params.max),
      position_(params.min),
      lineSize_(params.lineSize),
      pageSize_(params.pageSize),
      thumbLength_(params.thumbLength) {}

int32_t Slider::XOf(int32_t width, int32_t position) const {
  int32_t left = ChannelLeft(thumbLength_);
  int32_t right = width - left;
  if (max_ <= min_) return left;
  int64_t span = int64_t(right - left) * (position - min_);
  return left + static_cast<int32_t>((span + (max_ - min_) / 2) / (max_ - min_));
}

int32_t Slider::PositionAt(int32_t width, int32_t x) const {
  int32_t left = ChannelLeft(thumbLength_);
  int32_t right = width - left;
  if (right <= left || max_ <= min_) return min_;
  int64_t steps = int64_t(x - left) * (max_ - min_);
  int64_t span = right - left;
  int64_t rounded = steps >= 0 ? (steps + span / 2) / span : -((-steps + span / 2) / span);
  return std::clamp(static_cast<int32_t>(min_ + rounded), min_, max_);
}

void Slider::Draw(const Canvas& canvas) const {
  Connection& x = canvas.x;
  int32_t w = canvas.size.width;
  int32_t thumb = std::max(thumbLength_, 4);
  int32_t left = ChannelLeft(thumb);
  int32_t right = w - left;
  // The channel.
  XSetForeground(x.display, x.gc, x.Pixel(kChannelFill));
  XFillRectangle(x.display, canvas.target, x.gc, left - 2, kChannelTop,
                 static_cast<unsigned>(std::max(right - left + 4, 1)), kChannelHeight);
  XSetForeground(x.display, x.gc, x.Pixel(kChannelBorder));
  XDrawRectangle(x.display, canvas.target, x.gc, left - 2, kChannelTop,
                 static_cast<unsigned>(std::max(right - left + 3, 1)), kChannelHeight - 1);
  // A tick below the channel at every position.
  XSetForeground(x.display, x.gc, x.Pixel(kTick));
  for (int32_t p = min_; p <= max_; ++p) {
    int32_t at = XOf(w, p);
    XDrawLine(x.display, canvas.target, x.gc, at, kTickTop, at, kTickTop + kTickLength - 1);
  }
  // The thumb: a square top with a point towards the ticks.
  int32_t center = XOf(w, position_);
  int32_t half = thumb / 2;
  XPoint shape[] = {
      {static_cast<short>(center - half), static_cast<short>(kThumbTop)},
      {static_cast<short>(center - half + thumb - 1), static_cast<short>(kThumbTop)},
      {static_cast<short>(center - half + thumb - 1), static_cast<short>(kThumbTop + kThumbBody)},
      {static_cast<short>(center), static_cast<short>(kThumbTop + kThumbBody + half)},
      {static_cast<short>(center - half), static_cast<short>(kThumbTop + kThumbBody)},
  };
  XSetForeground(x.display, x.gc, x.Pixel(canvas.enabled ? kThumbFill : kThumbGrayed));
  XFillPolygon(x.display, canvas.target, x.gc, shape, 5, Convex, CoordModeOrigin);
  if (canvas.focused) canvas.FocusRect(0, 0, w, canvas.size.height);
}

void Slider::MoveTo(WidgetOwner& owner, WindowRecord& win, int32_t position, bool report) {
  position = std::clamp(position, min_, max_);
  if (position != position_) {
    position_ = position;
    owner.RepaintWidget(win);
    owner.Flush();
  }
  if (!report) return;
  Event event;
  event.type = EventType::kScroll;
  event.window = win.xid;
  event.position = position;
  owner.Report(win, event);
}

void Slider::Key(WidgetOwner& owner, WindowRecord& win, uint16_t key) {
  int32_t position = position_;
  switch (key) {
    case vk::kLeft:
    case vk::kUp:
      position -= lineSize_;
      break;
    case vk::kRight:
    case vk::kDown:
      position += lineSize_;
      break;
    case vk::kPrior:
      position -= pageSize_;
      break;
    case vk::kNext:
      position += pageSize_;
      break;
    case vk::kHome:
      position = min_;
      break;
    case vk::kEnd:
      position = max_;
      break;
    default:
      return;
  }
  MoveTo(owner, win, position, true);
}

void Slider::Mouse(WidgetOwner& owner, WindowRecord& win, const NativeEvent& native) {
  // Drag the thumb, or page towards a click beside it.
  if (native.type == ButtonPress && native.button == Button1) {
    if (win.tabStop) owner.FocusWidget(win.xid);
    int32_t center = XOf(win.bounds.width, position_);
    if (std::abs(native.x - center) <= thumbLength_ / 2) {
      dragging_ = true;
      dragOffset_ = native.x - center;
    } else {
      MoveTo(owner, win, position_ + (native.x < center ? -pageSize_ : pageSize_), true);
    }
  } else if (native.type == MotionNotify && dragging_) {
    int32_t position = PositionAt(win.bounds.width, native.x - dragOffset_);
    if (position != position_) MoveTo(owner, win, position, true);
  } else if (native.type == ButtonRelease && native.button == Button1 && dragging_) {
    dragging_ = false;
  }
}

}  // namespace morumoru::platform::x11
