// Painting the backend's windows: a panel's picture, copied in the server,
// and our own controls, each paint through a pixmap so that a control never
// shows half drawn.

#include "platform/x11/x11_painter.h"

#include <algorithm>

namespace morumoru::platform::x11 {

void Painter::Paint(WindowRecord& win, bool focused) {
  switch (win.kind) {
    case WindowKind::kPanel:
      PaintPanel(win);
      break;
    case WindowKind::kIcon:
    case WindowKind::kGroupBox:
    case WindowKind::kLabel:
    case WindowKind::kButton:
    case WindowKind::kTrackBar:
      if (win.draw) PaintWidget(win, focused);
      break;
    default:
      break;  // the window's background is all there is
  }
}

void Painter::PaintWidget(WindowRecord& win, bool focused) {
  if (!win.widget) return;
  if (!win.font && win.widget->ShowsText()) {
    win.font = x_.fonts->Get(win.fontFamily, win.fontHeight);
  }
  unsigned width = static_cast<unsigned>(std::max(win.bounds.width, 1));
  unsigned height = static_cast<unsigned>(std::max(win.bounds.height, 1));
  Pixmap back = XCreatePixmap(x_.display, win.xid, width, height, static_cast<unsigned>(x_.depth));
  XftDrawChange(win.draw, back);
  XSetForeground(x_.display, x_.gc, x_.Pixel(kDialogFace));
  XFillRectangle(x_.display, back, x_.gc, 0, 0, width, height);
  Size iconSize;
  Pixmap icon = win.kind == WindowKind::kIcon ? DialogIcon(iconSize) : 0;
  Canvas canvas{x_,       back,        win.draw, win.font, {win.bounds.width, win.bounds.height},
                win.text, win.enabled, focused,  icon,     iconSize};
  win.widget->Draw(canvas);
  XCopyArea(x_.display, back, win.xid, x_.gc, 0, 0, width, height, 0, 0);
  XftDrawChange(win.draw, win.xid);
  XFreePixmap(x_.display, back);
}

bool Painter::PanelFilledByServer(const WindowRecord& panel) {
  return panel.picture && panel.bounds.width <= panel.pictureSize.width &&
         panel.bounds.height <= panel.pictureSize.height;
}

void Painter::FitPanelBackground(const WindowRecord& panel) {
  // A picture that covers the whole panel is its background: the server then
  // fills what a move brings into view in the same request, so a step costs
  // no exposure to wake up for and answer. Otherwise (no picture, or a panel
  // larger than it) the panel has no background and is painted on exposure.
  bool filled = PanelFilledByServer(panel);
  XSetWindowAttributes attributes{};
  attributes.background_pixmap = filled ? panel.picture : None;
  attributes.event_mask = filled ? kPointerEvents : ExposureMask | kPointerEvents;
  XChangeWindowAttributes(x_.display, panel.xid, CWBackPixmap | CWEventMask, &attributes);
}

void Painter::PaintPanel(const WindowRecord& panel) {
  // No clearing first: the picture covers what it covers in one copy, and
  // only the rest (a panel wider than its picture) is filled black.
  int32_t covered_width = 0;
  int32_t covered_height = 0;
  if (panel.picture) {
    covered_width = std::min(panel.bounds.width, panel.pictureSize.width);
    covered_height = std::min(panel.bounds.height, panel.pictureSize.height);
    XCopyArea(x_.display, panel.picture, panel.xid, x_.gc, 0, 0,
              static_cast<unsigned>(covered_width), static_cast<unsigned>(covered_height), 0, 0);
  }
  XSetForeground(x_.display, x_.gc, BlackPixel(x_.display, x_.screen));
  if (covered_width < panel.bounds.width) {
    XFillRectangle(x_.display, panel.xid, x_.gc, covered_width, 0,
                   static_cast<unsigned>(panel.bounds.width - covered_width),
                   static_cast<unsigned>(std::max(panel.bounds.height, 1)));
  }
  if (covered_height < panel.bounds.height && covered_width > 0) {
    XFillRectangle(x_.display, panel.xid, x_.gc, 0, covered_height,
                   static_cast<unsigned>(covered_width),
                   static_cast<unsigned>(panel.bounds.height - covered_height));
  }
}

void Painter::PaintPanelComingIntoView(const WindowRecord& panel, const Rect& before,
                                       Size parentInside) {
  // The server copies what was in view along with the window and asks for
  // the rest with an exposure, but the panel has no background: until that
  // exposure is answered the strip that came in from the edge would show
  // what was there. Paint it in the same flush as the move instead.
  int32_t parentWidth = parentInside.width;
  int32_t parentHeight = parentInside.height;
  struct Span {
    int32_t left, top, right, bottom;  // in the panel's coordinates
    bool Empty() const { return left >= right || top >= bottom; }
  };
  auto inView = [&](const Rect& at) {
    return Span{std::max(0, -at.left), std::max(0, -at.top),
                std::min(at.width, parentWidth - at.left),
                std::min(at.height, parentHeight - at.top)};
  };
  Span now = inView(panel.bounds);
  Span was = inView(before);
  if (now.Empty()) return;
  if (was.Empty()) {
    CopyPanelPart(panel, now.left, now.top, now.right - now.left, now.bottom - now.top);
    return;
  }
  // Beside what was in view, then above and below it.
  int32_t middleLeft = std::max(now.left, was.left);
  int32_t middleRight = std::min(now.right, was.right);
  CopyPanelPart(panel, now.left, now.top, std::min(now.right, was.left) - now.left,
                now.bottom - now.top);
  CopyPanelPart(panel, middleRight, now.top, now.right - middleRight, now.bottom - now.top);
  CopyPanelPart(panel, middleLeft, now.top, middleRight - middleLeft,
                std::min(now.bottom, was.top) - now.top);
  int32_t below = std::max(now.top, was.bottom);
  CopyPanelPart(panel, middleLeft, below, middleRight - middleLeft, now.bottom - below);
}

void Painter::CopyPanelPart(const WindowRecord& panel, int32_t x, int32_t y, int32_t width,
                            int32_t height) {
  if (width <= 0 || height <= 0) return;
  if (!panel.picture || x + width > panel.pictureSize.width ||
      y + height > panel.pictureSize.height) {
    PaintPanel(panel);  // past the picture: black, which PaintPanel fills
    return;
  }
  XCopyArea(x_.display, panel.picture, panel.xid, x_.gc, x, y, static_cast<unsigned>(width),
            static_cast<unsigned>(height), x, y);
}

}  // namespace morumoru::platform::x11
