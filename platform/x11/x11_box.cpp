// The error box: a small modal window with its own event handling until the
// user dismisses it. It needs no window manager; over the saver it is an
// override-redirect window raised above it.

#include "platform/x11/x11_box.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace morumoru::platform::x11 {

namespace {

constexpr int32_t kMargin = 16;
constexpr int32_t kIconSize = 32;
constexpr int32_t kButtonWidth = 88;
constexpr int32_t kButtonHeight = 26;

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  while (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

class BoxWindow {
 public:
  BoxWindow(BoxHost& host, WindowId owner, std::string_view text, std::string_view caption,
            BoxKind kind)
      : host_(host), x_(host.connection()), d_(x_.display), lines_(SplitLines(text)) {
    font_ = x_.fonts->Get("", 12);
    lineHeight_ = font_ ? font_->ascent + font_->descent + 2 : 14;
    int32_t textWidth = 0;
    for (const std::string& line : lines_) {
      textWidth = std::max(textWidth, TextWidth(d_, font_, line));
    }
    int32_t textHeight = lineHeight_ * static_cast<int32_t>(lines_.size());
    width_ = std::max(kMargin * 3 + kIconSize + textWidth + kMargin, 220);
    int32_t top = std::max(kIconSize, textHeight);
    height_ = kMargin + top + kMargin + kButtonHeight + 12;
    textTop_ = kMargin + std::max(0, (kIconSize - textHeight) / 2);
    button_ = {(width_ - kButtonWidth) / 2, height_ - 12 - kButtonHeight, kButtonWidth,
               kButtonHeight};

    // On the owner's monitor, as the program moves its owner where the user is.
    Rect screen = host_.BoxScreen(owner);
    int32_t left = screen.left + std::max(0, (screen.width - width_) / 2);
    int32_t topAt = screen.top + std::max(0, (screen.height - height_) / 2);

    XSetWindowAttributes attributes{};
    attributes.background_pixel = x_.Pixel(kDialogFace);
    attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                            ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
    attributes.override_redirect = kind == BoxKind::kErrorTopMost ? True : False;
    attributes.border_pixel = x_.Pixel(0x646464);
    window_ = XCreateWindow(
        d_, x_.root, left, topAt, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
        kind == BoxKind::kErrorTopMost ? 1 : 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWEventMask | CWOverrideRedirect | CWBorderPixel, &attributes);
    host_.SetTitle(window_, caption);
    if (owner != kNoWindow && kind == BoxKind::kError) {
      XSetTransientForHint(d_, window_, static_cast<Window>(owner));
    }
    XSetWMProtocols(d_, window_, &x_.atoms.wmDeleteWindow, 1);
    XChangeProperty(d_, window_, x_.atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&x_.atoms.netWmWindowTypeDialog), 1);
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | PMinSize | PMaxSize;
    hints.x = left;
    hints.y = topAt;
    hints.min_width = hints.max_width = width_;
    hints.min_height = hints.max_height = height_;
    XSetWMNormalHints(d_, window_, &hints);
    if (kind == BoxKind::kErrorTopMost) {
      XChangeProperty(d_, window_, x_.atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&x_.atoms.netWmStateAbove), 1);
    }
    host_.ApplyCursor(window_);
    draw_ = XftDrawCreate(d_, window_, x_.visual, x_.colormap);
    XMapRaised(d_, window_);
    XSync(d_, False);
    if (kind == BoxKind::kErrorTopMost || !host_.WindowManagerRunning()) {
      XSetInputFocus(d_, window_, RevertToParent, CurrentTime);
    }
    XFlush(d_);
  }

  ~BoxWindow() {
    XftDrawDestroy(draw_);
    XDestroyWindow(d_, window_);
    XFlush(d_);
  }

  void Run() {
    bool done = false;
    while (!done) {
      XEvent event;
      XNextEvent(d_, &event);
      if (event.xany.window == window_) {
        done = Handle(event);
        continue;
      }
      // The program's other windows take no input meanwhile, but they
      // still paint, and a key pressed anywhere of ours answers the box.
      bool ours = host_.IsOurs(event.xany.window);
      if (event.type == Expose && ours && event.xexpose.count == 0)
        host_.Repaint(event.xany.window);
      if (event.type == KeyPress && ours) done = Key(event.xkey);
      if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    }
  }

 private:
  bool Key(XKeyEvent& key) {
    KeySym keysym = XLookupKeysym(&key, 0);
    return keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_space ||
           keysym == XK_Escape;
  }

  bool Inside(int x, int y) const {
    return x >= button_.left && y >= button_.top && x < button_.left + button_.width &&
           y < button_.top + button_.height;
  }

  bool Handle(XEvent& event) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) Draw();
        return false;
      case KeyPress:
        return Key(event.xkey);
      case ButtonPress:
        if (event.xbutton.button == Button1 && Inside(event.xbutton.x, event.xbutton.y)) {
          tracking_ = pressed_ = true;
          Draw();
        }
        return false;
      case MotionNotify:
        if (tracking_ && Inside(event.xmotion.x, event.xmotion.y) != pressed_) {
          pressed_ = !pressed_;
          Draw();
        }
        return false;
      case ButtonRelease:
        if (event.xbutton.button == Button1 && tracking_) {
          tracking_ = pressed_ = false;
          Draw();
          return Inside(event.xbutton.x, event.xbutton.y);
        }
        return false;
      case ClientMessage:
        return static_cast<Atom>(event.xclient.data.l[0]) == x_.atoms.wmDeleteWindow;
      default:
        return false;
    }
  }

  void Draw() {
    GC gc = x_.gc;
    XSetForeground(d_, gc, x_.Pixel(kDialogFace));
    XFillRectangle(d_, window_, gc, 0, 0, static_cast<unsigned>(width_),
                   static_cast<unsigned>(height_));
    // The stop sign: a red disc with a white cross.
    XSetForeground(d_, gc, x_.Pixel(0xE81123));
    XFillArc(d_, window_, gc, kMargin, kMargin, kIconSize, kIconSize, 0, 360 * 64);
    XSetForeground(d_, gc, x_.Pixel(0xFFFFFF));
    XSetLineAttributes(d_, gc, 3, LineSolid, CapRound, JoinRound);
    int32_t a = kMargin + 10, b = kMargin + kIconSize - 11;
    XDrawLine(d_, window_, gc, a, a, b, b);
    XDrawLine(d_, window_, gc, a, b, b, a);
    XSetLineAttributes(d_, gc, 1, LineSolid, CapButt, JoinMiter);
    int32_t x = kMargin * 2 + kIconSize;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (!font_ || lines_[i].empty()) continue;
      XftDrawStringUtf8(draw_, &x_.black, font_, x,
                        textTop_ + static_cast<int32_t>(i) * lineHeight_ + font_->ascent,
                        reinterpret_cast<const FcChar8*>(lines_[i].data()),
                        static_cast<int>(lines_[i].size()));
    }
    // The OK button, which always has the focus.
    XSetForeground(d_, gc, x_.Pixel(pressed_ ? 0xCCE4F7 : 0xE1E1E1));
    XFillRectangle(d_, window_, gc, button_.left, button_.top, static_cast<unsigned>(button_.width),
                   static_cast<unsigned>(button_.height));
    XSetForeground(d_, gc, x_.Pixel(pressed_ ? 0x005499 : 0x0078D7));
    XDrawRectangle(d_, window_, gc, button_.left, button_.top,
                   static_cast<unsigned>(button_.width - 1),
                   static_cast<unsigned>(button_.height - 1));
    XDrawRectangle(d_, window_, gc, button_.left + 1, button_.top + 1,
                   static_cast<unsigned>(button_.width - 3),
                   static_cast<unsigned>(button_.height - 3));
    if (font_) {
      int32_t textWidth = TextWidth(d_, font_, "OK");
      int32_t textHeight = font_->ascent + font_->descent;
      XftDrawStringUtf8(draw_, &x_.black, font_, button_.left + (button_.width - textWidth) / 2,
                        button_.top + (button_.height - textHeight) / 2 + font_->ascent,
                        reinterpret_cast<const FcChar8*>("OK"), 2);
    }
    XFlush(d_);
  }

  BoxHost& host_;
  Connection& x_;
  Display* d_;
  std::vector<std::string> lines_;
  XftFont* font_ = nullptr;
  XftDraw* draw_ = nullptr;
  Window window_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t lineHeight_ = 14;
  int32_t textTop_ = 0;
  Rect button_;
  bool pressed_ = false;
  bool tracking_ = false;
};

}  // namespace

void RunBox(BoxHost& host, WindowId owner, std::string_view text, std::string_view caption,
            BoxKind kind) {
  BoxWindow box(host, owner, text, caption, kind);
  box.Run();
}

}  // namespace morumoru::platform::x11
