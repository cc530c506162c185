// The dialog's controls, drawn by us: X has no controls of its own. Each
// paint goes through a pixmap, so a control never shows half drawn.

#include <algorithm>

#include "platform/x11/x11_assets.h"
#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

constexpr uint32_t kFace = 0xF0F0F0;
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

}  // namespace

XftColor* X11WindowSystem::TextColor(bool grayed) {
  return grayed ? &gray_ : &black_;
}

int32_t X11WindowSystem::SliderX(const Win& win, int32_t position) const {
  int32_t left = ChannelLeft(win.thumbLength);
  int32_t right = win.bounds.width - left;
  if (win.max <= win.min) return left;
  int64_t span = int64_t(right - left) * (position - win.min);
  return left + static_cast<int32_t>((span + (win.max - win.min) / 2) / (win.max - win.min));
}

int32_t X11WindowSystem::SliderPositionAt(const Win& win, int32_t x) const {
  int32_t left = ChannelLeft(win.thumbLength);
  int32_t right = win.bounds.width - left;
  if (right <= left || win.max <= win.min) return win.min;
  int64_t steps = int64_t(x - left) * (win.max - win.min);
  int64_t width = right - left;
  int64_t rounded = steps >= 0 ? (steps + width / 2) / width : -((-steps + width / 2) / width);
  return std::clamp(static_cast<int32_t>(win.min + rounded), win.min, win.max);
}

void X11WindowSystem::DrawText(Win& win, int32_t x, int32_t y, std::string_view text, bool grayed) {
  if (!win.font || text.empty()) return;
  XftDrawStringUtf8(win.draw, TextColor(grayed), win.font, x, y + win.font->ascent,
                    reinterpret_cast<const FcChar8*>(text.data()), static_cast<int>(text.size()));
}

void X11WindowSystem::DrawFocusRect(Win& win, int32_t x, int32_t y, int32_t width, int32_t height) {
  static const char kDots[] = {1, 1};
  XSetForeground(display_, gc_, Pixel(0x000000));
  XSetLineAttributes(display_, gc_, 1, LineOnOffDash, CapButt, JoinMiter);
  XSetDashes(display_, gc_, 0, kDots, 2);
  XDrawRectangle(display_, paintTarget_, gc_, x, y, static_cast<unsigned>(width - 1),
                 static_cast<unsigned>(height - 1));
  XSetLineAttributes(display_, gc_, 1, LineSolid, CapButt, JoinMiter);
  (void)win;
}

void X11WindowSystem::PaintWidget(Win& win) {
  if (!win.font && win.kind != WindowKind::kTrackBar && win.kind != WindowKind::kIcon) {
    win.font = fonts_->Get(win.fontFamily, win.fontHeight);
  }
  unsigned width = static_cast<unsigned>(std::max(win.bounds.width, 1));
  unsigned height = static_cast<unsigned>(std::max(win.bounds.height, 1));
  Pixmap back = XCreatePixmap(display_, win.xid, width, height, static_cast<unsigned>(depth_));
  XftDrawChange(win.draw, back);
  paintTarget_ = back;
  XSetForeground(display_, gc_, Pixel(kFace));
  XFillRectangle(display_, back, gc_, 0, 0, width, height);
  switch (win.kind) {
    case WindowKind::kIcon:
      DrawIcon(win);
      break;
    case WindowKind::kGroupBox:
      DrawGroupBox(win);
      break;
    case WindowKind::kLabel:
      DrawLabel(win);
      break;
    case WindowKind::kButton:
      DrawButton(win);
      break;
    case WindowKind::kTrackBar:
      DrawSlider(win);
      break;
    default:
      break;
  }
  XCopyArea(display_, back, win.xid, gc_, 0, 0, width, height, 0, 0);
  XftDrawChange(win.draw, win.xid);
  paintTarget_ = 0;
  XFreePixmap(display_, back);
}

void X11WindowSystem::DrawIcon(Win& /*win*/) {
  if (!iconPixmap_) {
    Blob blob = EmbeddedDialogIcon();
    DecodedImage icon;
    if (!DecodeIcon(blob.data, blob.size, kFace, icon)) return;
    iconPixmap_ = MakePixmap(icon);
    iconSize_ = {icon.width, icon.height};
  }
  if (!iconPixmap_) return;
  // The icon's natural size, whatever the control's.
  XCopyArea(display_, iconPixmap_, paintTarget_, gc_, 0, 0, static_cast<unsigned>(iconSize_.width),
            static_cast<unsigned>(iconSize_.height), 0, 0);
}

void X11WindowSystem::DrawGroupBox(Win& win) {
  int32_t textHeight = win.font ? win.font->ascent + win.font->descent : 12;
  int32_t lineTop = textHeight / 2;
  XSetForeground(display_, gc_, Pixel(kGroupLine));
  XDrawRectangle(display_, paintTarget_, gc_, 0, lineTop,
                 static_cast<unsigned>(std::max(win.bounds.width - 1, 1)),
                 static_cast<unsigned>(std::max(win.bounds.height - 1 - lineTop, 1)));
  if (win.text.empty()) return;
  int32_t width = TextWidth(display_, win.font, win.text);
  XSetForeground(display_, gc_, Pixel(kFace));
  XFillRectangle(display_, paintTarget_, gc_, 6, 0, static_cast<unsigned>(width + 4),
                 static_cast<unsigned>(textHeight));
  DrawText(win, 8, 0, win.text, !win.enabled);
}

void X11WindowSystem::DrawLabel(Win& win) {
  DrawText(win, 0, 0, win.text, !win.enabled);
}

void X11WindowSystem::DrawButton(Win& win) {
  int32_t w = win.bounds.width, h = win.bounds.height;
  bool focused = focus_ == win.xid;
  uint32_t border = win.pressed ? kButtonPressedBorder
                    : focused   ? kButtonFocusBorder
                                : kButtonBorder;
  XSetForeground(display_, gc_, Pixel(win.pressed ? kButtonPressedFill : kButtonFill));
  XFillRectangle(display_, paintTarget_, gc_, 1, 1, static_cast<unsigned>(std::max(w - 2, 1)),
                 static_cast<unsigned>(std::max(h - 2, 1)));
  XSetForeground(display_, gc_, Pixel(border));
  XDrawRectangle(display_, paintTarget_, gc_, 0, 0, static_cast<unsigned>(std::max(w - 1, 1)),
                 static_cast<unsigned>(std::max(h - 1, 1)));
  if (focused) {
    XDrawRectangle(display_, paintTarget_, gc_, 1, 1, static_cast<unsigned>(std::max(w - 3, 1)),
                   static_cast<unsigned>(std::max(h - 3, 1)));
    DrawFocusRect(win, 3, 3, w - 6, h - 6);
  }
  int32_t start = 0, length = 0;
  std::string shown = StripAccessMarker(win.text, start, length);
  int32_t textWidth = TextWidth(display_, win.font, shown);
  int32_t textHeight = win.font ? win.font->ascent + win.font->descent : 12;
  int32_t x = (w - textWidth) / 2;
  int32_t y = (h - textHeight) / 2;
  bool grayed = !win.enabled;
  DrawText(win, x, y, shown, grayed);
  if (start >= 0 && win.font) {
    int32_t before = TextWidth(display_, win.font, std::string_view(shown).substr(0, start));
    int32_t letter = TextWidth(display_, win.font, std::string_view(shown).substr(start, length));
    XftDrawRect(win.draw, TextColor(grayed), x + before, y + win.font->ascent + 1,
                static_cast<unsigned>(std::max(letter, 1)), 1);
  }
}

void X11WindowSystem::DrawSlider(Win& win) {
  int32_t w = win.bounds.width;
  int32_t thumb = std::max(win.thumbLength, 4);
  int32_t left = ChannelLeft(thumb);
  int32_t right = w - left;
  // The channel.
  XSetForeground(display_, gc_, Pixel(kChannelFill));
  XFillRectangle(display_, paintTarget_, gc_, left - 2, kChannelTop,
                 static_cast<unsigned>(std::max(right - left + 4, 1)), kChannelHeight);
  XSetForeground(display_, gc_, Pixel(kChannelBorder));
  XDrawRectangle(display_, paintTarget_, gc_, left - 2, kChannelTop,
                 static_cast<unsigned>(std::max(right - left + 3, 1)), kChannelHeight - 1);
  // A tick below the channel at every position.
  XSetForeground(display_, gc_, Pixel(kTick));
  for (int32_t p = win.min; p <= win.max; ++p) {
    int32_t x = SliderX(win, p);
    XDrawLine(display_, paintTarget_, gc_, x, kTickTop, x, kTickTop + kTickLength - 1);
  }
  // The thumb: a square top with a point towards the ticks.
  int32_t center = SliderX(win, win.position);
  int32_t half = thumb / 2;
  XPoint shape[] = {
      {static_cast<short>(center - half), static_cast<short>(kThumbTop)},
      {static_cast<short>(center - half + thumb - 1), static_cast<short>(kThumbTop)},
      {static_cast<short>(center - half + thumb - 1), static_cast<short>(kThumbTop + kThumbBody)},
      {static_cast<short>(center), static_cast<short>(kThumbTop + kThumbBody + half)},
      {static_cast<short>(center - half), static_cast<short>(kThumbTop + kThumbBody)},
  };
  XSetForeground(display_, gc_, Pixel(win.enabled ? kThumbFill : kThumbGrayed));
  XFillPolygon(display_, paintTarget_, gc_, shape, 5, Convex, CoordModeOrigin);
  if (focus_ == win.xid) DrawFocusRect(win, 0, 0, w, win.bounds.height);
}

void X11WindowSystem::SliderMoveTo(Win& win, int32_t position, bool report) {
  position = std::clamp(position, win.min, win.max);
  if (position != win.position) {
    win.position = position;
    PaintWidget(win);
    XFlush(display_);
  }
  if (!report) return;
  Event event;
  event.type = EventType::kScroll;
  event.window = win.xid;
  event.position = position;
  Deliver(win, event);
}

void X11WindowSystem::SetSliderPosition(WindowId slider, int32_t position) {
  Win* win = Find(slider);
  if (!win || win->kind != WindowKind::kTrackBar) return;
  SliderMoveTo(*win, position, false);
}

int32_t X11WindowSystem::GetSliderPosition(WindowId slider) {
  const Win* win = Find(slider);
  return win && win->kind == WindowKind::kTrackBar ? win->position : 0;
}

void X11WindowSystem::WidgetKey(Win& win, uint16_t key) {
  if (win.kind == WindowKind::kButton) {
    // Enter is the loop's; Space belongs to the button itself.
    if (key != vk::kSpace) return;
    Event click;
    click.type = EventType::kClick;
    click.window = win.xid;
    Deliver(win, click);
    return;
  }
  int32_t position = win.position;
  switch (key) {
    case vk::kLeft:
    case vk::kUp:
      position -= win.lineSize;
      break;
    case vk::kRight:
    case vk::kDown:
      position += win.lineSize;
      break;
    case vk::kPrior:
      position -= win.pageSize;
      break;
    case vk::kNext:
      position += win.pageSize;
      break;
    case vk::kHome:
      position = win.min;
      break;
    case vk::kEnd:
      position = win.max;
      break;
    default:
      return;
  }
  SliderMoveTo(win, position, true);
}

void X11WindowSystem::WidgetMouse(Win& win, const NativeEvent& native) {
  bool inside =
      native.x >= 0 && native.y >= 0 && native.x < win.bounds.width && native.y < win.bounds.height;
  if (win.kind == WindowKind::kButton) {
    if (native.type == ButtonPress && native.button == Button1) {
      if (win.tabStop) SetFocus(win.xid);
      win.tracking = win.pressed = true;
      PaintWidget(win);
    } else if (native.type == MotionNotify && win.tracking && inside != win.pressed) {
      win.pressed = inside;
      PaintWidget(win);
    } else if (native.type == ButtonRelease && native.button == Button1 && win.tracking) {
      bool click = win.pressed && inside;
      win.tracking = win.pressed = false;
      PaintWidget(win);
      XFlush(display_);
      if (click) {
        Event event;
        event.type = EventType::kClick;
        event.window = win.xid;
        Deliver(win, event);
      }
      return;
    }
    XFlush(display_);
    return;
  }
  // The slider: drag the thumb, or page towards a click beside it.
  if (native.type == ButtonPress && native.button == Button1) {
    if (win.tabStop) SetFocus(win.xid);
    int32_t center = SliderX(win, win.position);
    if (std::abs(native.x - center) <= win.thumbLength / 2) {
      win.dragging = true;
      win.dragOffset = native.x - center;
    } else {
      SliderMoveTo(win, win.position + (native.x < center ? -win.pageSize : win.pageSize), true);
    }
  } else if (native.type == MotionNotify && win.dragging) {
    int32_t position = SliderPositionAt(win, native.x - win.dragOffset);
    if (position != win.position) SliderMoveTo(win, position, true);
  } else if (native.type == ButtonRelease && native.button == Button1 && win.dragging) {
    win.dragging = false;
  }
}

}  // namespace morumoru::platform::x11
