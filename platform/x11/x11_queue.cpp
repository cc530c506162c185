// The queue: X events as the program's messages, at the pace of the empty
// looks (see Peek), and their dispatch to the windows and controls.

#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

// The pace clock (see Peek). A lead shorter than this is not worth a wake-up;
// it is carried to the next check.
constexpr auto kPaceSlack = std::chrono::milliseconds(2);
// Real time may run this far ahead of the pace clock (a late wake-up, a slow
// step) and the looks that follow make it up without a wait; beyond it the
// clock is set to real time, so a pause or a slow machine builds no debt.
constexpr auto kMostBehind = std::chrono::milliseconds(100);
// Looks are added to the clock at least this often in real time, and while
// the clock does not run ahead the connection is read as often.
constexpr auto kCheckEvery = std::chrono::milliseconds(1);
// The most time one check adds: a little more than the longest step (117.65
// ms at speed 7), so that a step is one wake-up at every speed; each wake-up
// costs more than all the looks of a millisecond.
constexpr auto kLongestWait = std::chrono::milliseconds(125);

}  // namespace

// ---- The queue ----------------------------------------------------------

bool X11WindowSystem::Peek(Message& message) {
  // What Xlib has already read: one load, without the call and the display
  // lock of XEventsQueued (only this thread uses the connection).
  if (QLength(x_.display) > 0) return TakeEvent(message);
  if (quitPending_) {
    quitPending_ = false;
    message.kind = Message::Kind::kQuit;
    message.systemKey = false;
    message.target = kNoWindow;
    message.key = 0;
    return true;
  }
  // An empty look. The saver's pace is a count of these, so each costs a
  // fixed time, as a PeekMessage does on Windows; here it is spent asleep on
  // the connection rather than spinning. Counting is all a look does until
  // enough have gathered or a request went out (a step's move): then
  // KeepPace adds them to the pace clock and sleeps off its lead.
  if (++looksOwed_ < looksPerCheck_ && NextRequest(x_.display) == requestAtCheck_) return false;
  return KeepPace(message);
}

bool X11WindowSystem::PeekWithin(Message& message, int64_t& looks) {
  if (looks <= 0) return false;
  if (looks == 1 || QLength(x_.display) > 0 || quitPending_) {
    if (Peek(message)) return true;
    looks = 0;
    return false;
  }
  return SpendLooks(message, looks);
}

// A step's looks as one stretch of the pace clock: one flush, one wait on
// the connection, no spinning. Input that comes during the wait is returned
// at once, with the looks its time did not cover left to the caller, so the
// show keeps its pace whatever the input.
bool X11WindowSystem::SpendLooks(Message& message, int64_t& looks) {
  Clock::time_point now = Clock::now();
  if (pace_ < now - kMostBehind) pace_ = now;
  pace_ += looksOwed_ * inspectionCost_;
  looksOwed_ = 0;
  const Clock::time_point start = pace_;
  const Clock::time_point end = start + looks * inspectionCost_;
  bool requested = NextRequest(x_.display) != requestAtCheck_;
  requestAtCheck_ = NextRequest(x_.display);
  checkedAt_ = now;
  if (end - now <= kPaceSlack) {
    // Not worth a wake-up (speed 1, a slow machine): the looks are paid, and
    // the connection read now and then, as in Peek.
    pace_ = end;
    if (requested) XFlush(x_.display);
    if (now - readAt_ >= kCheckEvery) {
      readAt_ = now;
      if (XEventsQueued(x_.display, QueuedAfterReading) > 0) {
        looks = 1;
        return TakeEvent(message);
      }
    }
    looks = 0;
    return false;
  }
  // What the step drew goes out before the wait (a move has gone already).
  // An event read while flushing is in Xlib's queue, where poll cannot see it.
  if (NextRequest(x_.display) != requestsSent_) SendRequests();
  if (QLength(x_.display) > 0) return TakeEvent(message);
  // The server catches up while the show sleeps: no round trip needed.
  panelMovesSinceSync_ = 0;
  pollfd fd{x_.fd, POLLIN, 0};
  while (now < end) {
    auto lead = std::chrono::duration_cast<std::chrono::nanoseconds>(end - now);
    timespec timeout{static_cast<time_t>(lead.count() / 1'000'000'000),
                     static_cast<long>(lead.count() % 1'000'000'000)};
    int ready = ppoll(&fd, 1, &timeout, nullptr);
    now = Clock::now();
    if (ready > 0 && XEventsQueued(x_.display, QueuedAfterReading) > 0) {
      int64_t spent = now > start ? (now - start) / inspectionCost_ : 0;
      spent = std::min(spent, looks - 1);
      pace_ = start + spent * inspectionCost_;
      looks -= spent;
      checkedAt_ = readAt_ = now;
      return TakeEvent(message);
    }
  }
  pace_ = end;
  looks = 0;
  checkedAt_ = readAt_ = now;
  return false;
}

void X11WindowSystem::SendRequests() {
  // XFlush also reads what the server sent meanwhile into Xlib's queue.
  XFlush(x_.display);
  requestsSent_ = NextRequest(x_.display);
}

bool X11WindowSystem::KeepPace(Message& message) {
  Clock::time_point now = Clock::now();
  // Check again after as many looks as took kCheckEvery this time (the
  // spinning between waits), but never owe more than kLongestWait at once.
  int64_t spent = std::chrono::duration_cast<std::chrono::nanoseconds>(now - checkedAt_).count();
  int64_t most = std::max<int64_t>(1, kLongestWait / inspectionCost_);
  int64_t fit =
      spent > 0 ? looksOwed_ * std::chrono::nanoseconds(kCheckEvery).count() / spent : most;
  looksPerCheck_ = static_cast<long>(std::clamp<int64_t>(fit, 1, most));
  // Real time too far ahead: the clock starts again from now, with these
  // looks still to pay.
  if (pace_ < now - kMostBehind) pace_ = now;
  pace_ += looksOwed_ * inspectionCost_;
  looksOwed_ = 0;
  bool requested = NextRequest(x_.display) != requestAtCheck_;
  requestAtCheck_ = NextRequest(x_.display);
  checkedAt_ = now;
  if (pace_ - now <= kPaceSlack) {
    // No wait worth a wake-up: the looks cost more than their time (a slow
    // machine, speed 1). What was drawn goes out (a paint between moves);
    // the connection is read now and then, as a look must.
    if (requested) XFlush(x_.display);
    if (now - readAt_ < kCheckEvery) return false;
    readAt_ = now;
    return XEventsQueued(x_.display, QueuedAfterReading) > 0 && TakeEvent(message);
  }
  // Send the show's requests, then wait on the connection until the clock is
  // reached or the server sends something, which this look returns at once.
  if (XEventsQueued(x_.display, QueuedAfterFlush) > 0) return TakeEvent(message);
  pollfd fd{x_.fd, POLLIN, 0};
  while (now < pace_) {
    auto lead = std::chrono::duration_cast<std::chrono::nanoseconds>(pace_ - now);
    timespec timeout{static_cast<time_t>(lead.count() / 1'000'000'000),
                     static_cast<long>(lead.count() % 1'000'000'000)};
    int ready = ppoll(&fd, 1, &timeout, nullptr);
    now = Clock::now();
    if (ready > 0 && XEventsQueued(x_.display, QueuedAfterReading) > 0) {
      checkedAt_ = readAt_ = now;
      return TakeEvent(message);
    }
  }
  checkedAt_ = readAt_ = now;
  return false;
}

bool X11WindowSystem::TakeEvent(Message& message) {
  XEvent event;
  XNextEvent(x_.display, &event);
  NativeEvent native;
  native.type = static_cast<uint8_t>(event.type);
  native.window = event.xany.window;
  native.sendEvent = event.xany.send_event;
  message.kind = Message::Kind::kOther;
  message.systemKey = false;
  message.target = event.xany.window;
  message.key = 0;
  // Buttons and motion carry the pointer alike; their modifiers are the ones
  // the handler asks about, with no key behind them.
  auto takePointer = [&](const auto& pointer) {
    native.state = pointer.state;
    native.x = pointer.x;
    native.y = pointer.y;
    currentState_ = pointer.state;
    currentKeysym_ = 0;
  };
  // An exposed area and a window's new geometry, both a rectangle.
  auto takeArea = [&](const auto& area) {
    native.x = area.x;
    native.y = area.y;
    native.width = area.width;
    native.height = area.height;
  };
  switch (event.type) {
    case KeyPress:
    case KeyRelease: {
      KeySym keysym = XLookupKeysym(&event.xkey, 0);
      uint16_t key = VirtualKeyFromKeysym(keysym);
      bool alt = (event.xkey.state & Mod1Mask) != 0 || key == vk::kMenu || keysym == XK_F10;
      native.state = event.xkey.state;
      native.keysym = static_cast<uint32_t>(keysym);
      // Like Windows, keys go to the window that has the focus.
      Window target = event.xkey.window;
      if (focus_ != kNoWindow && Find(focus_)) target = focus_;
      message.target = target;
      message.kind = event.type == KeyPress ? Message::Kind::kKeyDown : Message::Kind::kKeyUp;
      message.systemKey = alt;
      message.key = key;
      currentState_ = event.xkey.state;
      currentKeysym_ = static_cast<uint32_t>(keysym);
      break;
    }
    case ButtonPress:
    case ButtonRelease:
      native.button = static_cast<uint8_t>(event.xbutton.button);
      takePointer(event.xbutton);
      if (event.xbutton.button == Button4 || event.xbutton.button == Button5) {
        message.kind = Message::Kind::kMouseWheel;
      } else {
        message.kind =
            event.type == ButtonPress ? Message::Kind::kMouseDown : Message::Kind::kMouseUp;
      }
      break;
    case MotionNotify:
      takePointer(event.xmotion);
      message.kind = Message::Kind::kMouseMove;
      break;
    case Expose:
      takeArea(event.xexpose);
      native.count = static_cast<uint16_t>(event.xexpose.count);
      message.kind = Message::Kind::kPaint;
      break;
    case ConfigureNotify:
      message.target = event.xconfigure.window;
      native.window = event.xconfigure.window;
      takeArea(event.xconfigure);
      if (event.xconfigure.window == x_.root) HandleSystemEvent(event);
      if (x_.host && event.xconfigure.window == x_.host) {
        HostResized(event.xconfigure.width, event.xconfigure.height);
      }
      break;
    case DestroyNotify:
      // xscreensaver took its window away (a closed preview): nothing left
      // to draw into.
      if (x_.host && event.xdestroywindow.window == x_.host) quitPending_ = true;
      break;
    case MapNotify:
    case UnmapNotify:
      message.target = event.xmap.window;
      native.window = event.xmap.window;
      break;
    case ClientMessage:
      native.data = static_cast<uint64_t>(event.xclient.data.l[0]);
      if (event.xclient.message_type == x_.atoms.wmProtocols &&
          static_cast<Atom>(event.xclient.data.l[0]) == x_.atoms.wmDeleteWindow) {
        message.kind = Message::Kind::kClose;
      }
      break;
    case MappingNotify:
      XRefreshKeyboardMapping(&event.xmapping);
      break;
    case FocusOut:
      native.state = static_cast<uint32_t>(event.xfocus.mode);
      native.data = static_cast<uint64_t>(event.xfocus.detail);
      break;
    default:
      if (randrEventBase_ >= 0 && event.type == randrEventBase_ + RRScreenChangeNotify) {
        HandleSystemEvent(event);
      }
      break;
  }
  std::memcpy(message.native, &native, sizeof native);
  return true;
}

void X11WindowSystem::HandleSystemEvent(const XEvent& event) {
  XEvent copy = event;
  if (randrEventBase_ >= 0) XRRUpdateConfiguration(&copy);
  screenValid_ = false;
}

uint32_t X11WindowSystem::ShiftBits(uint32_t state) {
  uint32_t bits = 0;
  if (state & ShiftMask) bits |= shift::kShift;
  if (state & Mod1Mask) bits |= shift::kAlt;
  if (state & ControlMask) bits |= shift::kCtrl;
  if (state & Button1Mask) bits |= shift::kLeft;
  if (state & Button3Mask) bits |= shift::kRight;
  if (state & Button2Mask) bits |= shift::kMiddle;
  return bits;
}

Event X11WindowSystem::MakeEvent(EventType type, const WindowRecord& win,
                                 const NativeEvent& native) const {
  Event event;
  event.type = type;
  event.window = win.xid;
  event.x = native.x;
  event.y = native.y;
  event.shift = ShiftBits(native.state);
  return event;
}

void X11WindowSystem::Deliver(const WindowRecord& win, const Event& event) {
  if (win.events) win.events->HandleEvent(event);
}

void X11WindowSystem::DeliverSignal(const WindowRecord& win, EventType type) {
  Event event;
  event.type = type;
  event.window = win.xid;
  Deliver(win, event);
}

bool X11WindowSystem::AcceptsInput(const WindowRecord& win) const {
  if (!win.enabled) return false;
  Window top = TopLevelOf(win.xid);
  const WindowRecord* form = Find(top);
  return !form || form->enabled;
}

void X11WindowSystem::DeliverDisplayChange() {
  // xscreensaver places its hacks itself.
  if (x_.host) return;
  // A form's handler may make and destroy windows: the forms are picked first.
  std::vector<Window> forms;
  for (const auto& [xid, win] : windows_) {
    if (!win->parent && win->kind == WindowKind::kForm) forms.push_back(xid);
  }
  for (Window xid : forms) {
    if (const WindowRecord* win = Find(xid)) DeliverSignal(*win, EventType::kDisplayChange);
  }
}

void X11WindowSystem::Dispatch(Message& message) {
  NativeEvent native;
  std::memcpy(&native, message.native, sizeof native);
  // The root's new size, or monitors set or removed (which RandR tells as a
  // root ConfigureNotify).
  if ((native.type == ConfigureNotify && native.window == x_.root) ||
      (randrEventBase_ >= 0 && native.type == randrEventBase_ + RRScreenChangeNotify)) {
    DeliverDisplayChange();
    return;
  }
  WindowRecord* win = Find(message.target);
  if (!win) return;
  switch (native.type) {
    case KeyPress: {
      if (!AcceptsInput(*win)) return;
      Window xid = win->xid;
      if (win->widget) {
        win->widget->Key(*this, *win, message.key);
        win = Find(xid);  // a click may have closed the form
        if (!win) return;
      }
      Event event = MakeEvent(EventType::kKeyDown, *win, native);
      event.x = event.y = 0;
      event.key = message.key;
      Deliver(*win, event);
      return;
    }
    case ButtonPress:
    case ButtonRelease: {
      if (!AcceptsInput(*win)) return;
      Event event = MakeEvent(
          native.type == ButtonPress ? EventType::kMouseDown : EventType::kMouseUp, *win, native);
      switch (native.button) {
        case Button1:
          event.button = MouseButton::kLeft;
          break;
        case Button2:
          event.button = MouseButton::kMiddle;
          break;
        case Button3:
          event.button = MouseButton::kRight;
          break;
        case Button4:
        case Button5:
          // The wheel: one press per notch, and its release means nothing.
          if (native.type == ButtonRelease) return;
          event.type = EventType::kMouseWheel;
          event.position = native.button == Button4 ? 120 : -120;
          break;
        default:
          event.button = MouseButton::kOther;
          break;
      }
      Window xid = win->xid;
      if (win->widget) {
        win->widget->Mouse(*this, *win, native);
        win = Find(xid);
        if (!win) return;
      }
      Deliver(*win, event);
      return;
    }
    case MotionNotify: {
      if (!AcceptsInput(*win)) return;
      Window xid = win->xid;
      if (win->widget) {
        win->widget->Mouse(*this, *win, native);
        win = Find(xid);
        if (!win) return;
      }
      Deliver(*win, MakeEvent(EventType::kMouseMove, *win, native));
      return;
    }
    case Expose:
      if (win->kind == WindowKind::kPanel && win->picture) {
        // A panel sliding in from off the screen gets one of these for every
        // step, after its full repaint: copy back only the exposed part.
        int32_t width = std::min(native.width, win->pictureSize.width - native.x);
        int32_t height = std::min(native.height, win->pictureSize.height - native.y);
        if (width == native.width && height == native.height) {
          XCopyArea(x_.display, win->picture, win->xid, x_.gc, native.x, native.y,
                    static_cast<unsigned>(width), static_cast<unsigned>(height), native.x,
                    native.y);
          return;
        }
      }
      if (native.count == 0) Paint(*win);
      return;
    case ClientMessage:
      if (message.kind == Message::Kind::kClose) DeliverSignal(*win, EventType::kClose);
      return;
    case FocusOut:
      if (FocusTakenByOtherClient(*win, native)) DeliverSignal(*win, EventType::kAppDeactivate);
      return;
    case ConfigureNotify:
      if (!win->parent && win->kind == WindowKind::kForm) {
        Size extra = FrameExtra(*win);
        win->bounds.width = native.width + extra.width;
        win->bounds.height = native.height + extra.height;
        // Only a synthetic notice (from a window manager) gives root
        // coordinates; a real one is relative to the frame.
        if (native.sendEvent || win->style == FormStyle::kSaver) {
          win->bounds.left = native.x;
          win->bounds.top = native.y;
        }
      }
      return;
    default:
      return;
  }
}

bool X11WindowSystem::FocusTakenByOtherClient(const WindowRecord& win, const NativeEvent& native) {
  // Under xscreensaver the keyboard is its business; only our own forms'
  // focus counts.
  if (x_.host || win.parent || win.kind != WindowKind::kForm) return false;
  return foreign_.FocusWentToAnotherClient(static_cast<int>(native.state),
                                           static_cast<int>(native.data));
}

void X11WindowSystem::Wait() {
  if (quitPending_) return;
  if (XEventsQueued(x_.display, QueuedAfterFlush) > 0) return;
  pollfd fd{x_.fd, POLLIN, 0};
  while (poll(&fd, 1, -1) < 0 && errno == EINTR) {
  }
  // Read what woke us, so the next Peek finds it queued.
  XEventsQueued(x_.display, QueuedAfterReading);
}

void X11WindowSystem::PostQuit(int /*exitCode*/) {
  quitPending_ = true;
}

bool X11WindowSystem::KeyHeld(uint16_t key) {
  switch (key) {
    case vk::kShift:
      return (currentState_ & ShiftMask) != 0;
    case vk::kControl:
      return (currentState_ & ControlMask) != 0;
    case vk::kMenu:
      return (currentState_ & Mod1Mask) != 0;
    default:
      return currentKeysym_ != 0 && VirtualKeyFromKeysym(currentKeysym_) == key;
  }
}

}  // namespace morumoru::platform::x11
