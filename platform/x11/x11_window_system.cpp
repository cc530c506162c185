// The backend's start and end, the screen and the cursor, and what the
// other parts (the error box, the pictures, other programs' windows) are
// handed.

#include "platform/x11/x11_window_system.h"

#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "platform/native.h"

namespace morumoru::platform {

namespace x11 {

namespace {

// What makes a monitor the primary one, weakest first: being listed first,
// showing any output (one set by hand without an output is listed first,
// yet is no screen of its own), showing the primary output, being marked so.
enum class PrimaryClaim { kListed, kShowsAnOutput, kShowsThePrimaryOutput, kMarked };

PrimaryClaim ClaimOf(const XRRMonitorInfo& monitor, RROutput primaryOutput) {
  if (monitor.primary) return PrimaryClaim::kMarked;
  const RROutput* outputs = monitor.outputs;
  const RROutput* end = outputs ? outputs + monitor.noutput : outputs;
  if (primaryOutput != None && std::find(outputs, end, primaryOutput) != end) {
    return PrimaryClaim::kShowsThePrimaryOutput;
  }
  return monitor.noutput > 0 ? PrimaryClaim::kShowsAnOutput : PrimaryClaim::kListed;
}

}  // namespace

X11WindowSystem::X11WindowSystem(Display* display, Window host,
                                 std::chrono::nanoseconds inspectionCost)
    : x_(display, host),
      foreign_(x_, [this](Window xid) { return Find(xid) != nullptr; }),
      inspectionCost_(std::max(inspectionCost, std::chrono::nanoseconds(1))),
      hostSize_(x_.hostSizeAtStart) {
  pace_ = checkedAt_ = readAt_ = Clock::now();
  int errorBase = 0;
  if (XRRQueryExtension(x_.display, &randrEventBase_, &errorBase)) {
    XRRSelectInput(x_.display, x_.root, RRScreenChangeNotifyMask);
    int major = 0;
    int minor = 0;
    randrMonitors_ =
        XRRQueryVersion(x_.display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5));
  } else {
    randrEventBase_ = -1;
  }
  // A resized root (xrandr, a nested server) must show in ScreenSize.
  XSelectInput(x_.display, x_.root, StructureNotifyMask);
  // The host's size is the screen of the slide show, and the host going away
  // ends it. Only structure events: its input belongs to xscreensaver.
  if (x_.host && !x_.hostIsRoot) XSelectInput(x_.display, x_.host, StructureNotifyMask);
}

X11WindowSystem::~X11WindowSystem() {
  if (saverGrab_) {
    XUngrabPointer(x_.display, CurrentTime);
    XUngrabKeyboard(x_.display, CurrentTime);
  }
  HideFrameRate();
  for (auto& [xid, win] : windows_) {
    if (win->draw) XftDrawDestroy(win->draw);
  }
  for (auto& [xid, win] : windows_) {
    if (!win->parent) XDestroyWindow(x_.display, xid);
  }
  windows_.clear();
  if (blankCursor_) XFreeCursor(x_.display, blankCursor_);
  // The pictures, then the connection, go with the members.
}

Rect X11WindowSystem::BoxScreen(WindowId owner) {
  if (!screenValid_) RefreshScreen();
  return owner != kNoWindow ? MonitorOf(owner) : primary_;
}

void X11WindowSystem::ShowBox(WindowId owner, std::string_view text, std::string_view caption,
                              BoxKind kind) {
  if (x_.host) {
    // xscreensaver holds the keyboard and the mouse, so a box could never be
    // dismissed; it logs what its hacks print instead.
    std::string line = "morumoru: " + std::string(caption) + ": " + std::string(text) + "\n";
    std::fputs(line.c_str(), stderr);
    return;
  }
  // The box takes the pointer while it is up, even from a control that had
  // captured it.
  if (capture_ != kNoWindow) ReleaseCapture();
  RunBox(*this, owner, text, caption, kind);
}

void X11WindowSystem::Repaint(Window xid) {
  if (WindowRecord* win = Find(xid)) Paint(*win);
}

bool X11WindowSystem::ActivateRunningCopy(std::string_view title) {
  // A preview and the real saver run side by side: no running-copy check.
  if (x_.host) return false;
  return foreign_.ActivateRunningCopy(title);
}

// ---- Pictures -----------------------------------------------------------

PictureId X11WindowSystem::LoadPicture(int index) {
  return painter_.LoadPicture(index);
}

void X11WindowSystem::FreePicture(PictureId picture) {
  if (!painter_.Holds(picture)) return;
  for (auto& [xid, win] : windows_) {
    if (win->picture != picture) continue;
    win->picture = 0;
    painter_.FitPanelBackground(*win);
  }
  painter_.FreePicture(picture);
}

void X11WindowSystem::SetPanelPicture(WindowId panel, PictureId picture) {
  WindowRecord* win = Find(panel);
  if (!win || win->kind != WindowKind::kPanel) return;
  painter_.ShowPicture(*win, picture);
}

// ---- Screen and cursor --------------------------------------------------

// The monitors as RandR 1.5 tells them, the primary one first. A screen cut
// into monitors by hand (xrandr --setmonitor) counts as cut. Older servers
// give the primary output's CRTC, and without RandR the whole screen is one
// monitor.
void X11WindowSystem::RefreshScreen() {
  monitors_ = RandrMonitors();
  if (monitors_.empty()) monitors_.push_back(PrimaryOutput());
  primary_ = monitors_.front();
  screenValid_ = true;
}

std::vector<Rect> X11WindowSystem::RandrMonitors() const {
  std::vector<Rect> found;
  if (!randrMonitors_) return found;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(x_.display, x_.root, True, &count);
  RROutput primaryOutput = XRRGetOutputPrimary(x_.display, x_.root);
  size_t primary = 0;
  PrimaryClaim strongest = PrimaryClaim::kListed;
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& monitor = monitors[i];
    if (monitor.width <= 0 || monitor.height <= 0) continue;
    PrimaryClaim claim = ClaimOf(monitor, primaryOutput);
    if (found.empty() || claim > strongest) {
      primary = found.size();
      strongest = claim;
    }
    found.push_back({monitor.x, monitor.y, monitor.width, monitor.height});
  }
  if (monitors) XRRFreeMonitors(monitors);
  if (primary > 0) {
    std::rotate(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(primary),
                found.begin() + static_cast<std::ptrdiff_t>(primary) + 1);
  }
  return found;
}

Rect X11WindowSystem::PrimaryOutput() const {
  Rect whole{0, 0, DisplayWidth(x_.display, x_.screen), DisplayHeight(x_.display, x_.screen)};
  if (randrEventBase_ < 0) return whole;
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x_.display, x_.root);
  if (!resources) return whole;
  RROutput primary = XRRGetOutputPrimary(x_.display, x_.root);
  Rect found = whole;
  bool done = false;
  for (int pass = 0; pass < 2 && !done; ++pass) {
    for (int i = 0; i < resources->noutput && !done; ++i) {
      RROutput output = resources->outputs[i];
      if (pass == 0 && output != primary) continue;
      XRROutputInfo* info = XRRGetOutputInfo(x_.display, resources, output);
      if (info && info->connection == RR_Connected && info->crtc) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(x_.display, resources, info->crtc);
        if (crtc && crtc->width > 0 && crtc->height > 0) {
          found = {crtc->x, crtc->y, static_cast<int32_t>(crtc->width),
                   static_cast<int32_t>(crtc->height)};
          done = true;
        }
        if (crtc) XRRFreeCrtcInfo(crtc);
      }
      if (info) XRRFreeOutputInfo(info);
    }
  }
  XRRFreeScreenResources(resources);
  return found;
}

Size X11WindowSystem::ScreenSize() {
  if (x_.host) return hostSize_;
  if (!screenValid_) RefreshScreen();
  return {primary_.width, primary_.height};
}

Size X11WindowSystem::VirtualScreenSize() {
  if (x_.host) return hostSize_;
  if (!screenValid_) RefreshScreen();
  return {DisplayWidth(x_.display, x_.screen), DisplayHeight(x_.display, x_.screen)};
}

std::vector<Rect> X11WindowSystem::Monitors() {
  // In xscreensaver's window the show has that window alone: xscreensaver
  // runs a hack on each monitor itself.
  if (x_.host) return {{0, 0, hostSize_.width, hostSize_.height}};
  if (!screenValid_) RefreshScreen();
  return monitors_;
}

// The monitor that holds the window's centre, else the nearest one.
Rect X11WindowSystem::MonitorOf(WindowId window) {
  if (!screenValid_) RefreshScreen();
  XWindowAttributes attributes;
  if (!Find(static_cast<Window>(window)) ||
      !XGetWindowAttributes(x_.display, static_cast<Window>(window), &attributes)) {
    return primary_;
  }
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(x_.display, static_cast<Window>(window), x_.root, attributes.width / 2,
                        attributes.height / 2, &x, &y, &child);
  Rect nearest = primary_;
  int64_t best = -1;
  for (const Rect& monitor : monitors_) {
    int64_t dx = std::max({0, monitor.left - x, x - (monitor.left + monitor.width - 1)});
    int64_t dy = std::max({0, monitor.top - y, y - (monitor.top + monitor.height - 1)});
    if (best < 0 || dx * dx + dy * dy < best) {
      best = dx * dx + dy * dy;
      nearest = monitor;
    }
  }
  return nearest;
}

int32_t X11WindowSystem::PixelsPerInch() {
  if (pixelsPerInch_ == 0) {
    pixelsPerInch_ = 96;
    if (const char* dpi = XGetDefault(x_.display, "Xft", "dpi")) {
      double value = std::atof(dpi);
      if (value >= 24 && value <= 960) pixelsPerInch_ = static_cast<int32_t>(value + 0.5);
    }
  }
  return pixelsPerInch_;
}

void X11WindowSystem::ApplyCursor(Window xid) {
  if (x_.host) return;  // the cursor is xscreensaver's business
  if (cursorCounter_ < 0) {
    if (!blankCursor_) {
      char zero = 0;
      Pixmap bitmap = XCreateBitmapFromData(x_.display, x_.root, &zero, 1, 1);
      XColor black{};
      blankCursor_ = XCreatePixmapCursor(x_.display, bitmap, bitmap, &black, &black, 0, 0);
      XFreePixmap(x_.display, bitmap);
    }
    XDefineCursor(x_.display, xid, blankCursor_);
  } else {
    XUndefineCursor(x_.display, xid);
  }
}

int X11WindowSystem::ShowCursor(bool show) {
  bool wasShown = cursorCounter_ >= 0;
  cursorCounter_ += show ? 1 : -1;
  if (wasShown != (cursorCounter_ >= 0)) {
    for (auto& [xid, win] : windows_) {
      if (!win->parent) ApplyCursor(xid);
    }
    XFlush(x_.display);
  }
  return cursorCounter_;
}

}  // namespace x11

std::unique_ptr<WindowSystem> CreateX11WindowSystem(std::chrono::nanoseconds inspectionCost) {
  Display* display = x11::OpenDisplay();
  if (!display) return nullptr;
  return std::make_unique<x11::X11WindowSystem>(display, 0, inspectionCost);
}

}  // namespace morumoru::platform
