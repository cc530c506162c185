// -fps: one line in the saver window's lower-left corner. It is drawn on the
// saver window itself, below the picture panel, so the server clips it
// against the panel and it never lands on the picture's pixels.

#include "platform/x11/x11_frame_rate.h"

#include <time.h>

#include <algorithm>
#include <cstdio>

#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

constexpr int64_t kSecond = 1000000;
constexpr int32_t kMargin = 8;
constexpr int32_t kFontPixels = 16;

int64_t Micros(clockid_t clock) {
  timespec now{};
  if (clock_gettime(clock, &now) != 0) return 0;
  return int64_t{now.tv_sec} * kSecond + now.tv_nsec / 1000;
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace

bool FrameRateMeter::Step(int64_t wallMicros, int64_t cpuMicros) {
  if (!started_) {
    started_ = true;
    wallStart_ = wallMicros;
    cpuStart_ = cpuMicros;
    steps_ = 0;
    return false;
  }
  ++steps_;
  int64_t elapsed = wallMicros - wallStart_;
  if (elapsed < kSecond) return false;
  double seconds = static_cast<double>(elapsed) / kSecond;
  double load = 100.0 * static_cast<double>(cpuMicros - cpuStart_) / static_cast<double>(elapsed);
  text_ = FrameRateText(static_cast<double>(steps_) / seconds, load);
  wallStart_ = wallMicros;
  cpuStart_ = cpuMicros;
  steps_ = 0;
  return true;
}

std::string FrameRateText(double stepsPerSecond, double loadPercent) {
  char text[64];
  (void)std::snprintf(text, sizeof text, "Steps/s: %.1f  CPU: %.1f%%", stepsPerSecond,
                      std::max(0.0, loadPercent));
  return text;
}

void X11WindowSystem::ShowFrameRate() {
  frameRate_ = std::make_unique<FrameRate>();
}

void X11WindowSystem::CountFrame(const WindowRecord& panel) {
  FrameRate& rate = *frameRate_;
  bool figure = rate.meter.Step(Micros(CLOCK_MONOTONIC), Micros(CLOCK_PROCESS_CPUTIME_ID));
  const WindowRecord* saver = Find(panel.parent);
  if (!saver || rate.meter.Text().empty()) return;
  // Where the panel was may have covered part of the line: the server has
  // just filled that strip with black again.
  bool uncovered = Overlap(rate.lastPanel, rate.line);
  rate.lastPanel = panel.bounds;
  if (!figure && !uncovered && saver->xid == rate.window) return;

  if (saver->xid != rate.window) {
    if (rate.draw) XftDrawDestroy(rate.draw);
    rate.window = saver->xid;
    rate.draw = XftDrawCreate(x_.display, rate.window, x_.visual, x_.colormap);
    if (!rate.font) rate.font = x_.fonts->Get("monospace", kFontPixels);
    if (!rate.colorAllocated) {
      rate.colorAllocated =
          XftColorAllocName(x_.display, x_.visual, x_.colormap, "#FFFFFF", &rate.color);
    }
  }
  if (!rate.draw || !rate.font || !rate.colorAllocated) return;
  const std::string& text = rate.meter.Text();
  int32_t height = rate.font->ascent + rate.font->descent;
  int32_t width = TextWidth(x_.display, rate.font, text);
  // A shorter figure must not leave the end of a longer one behind.
  int32_t cleared = std::max(width, rate.line.width);
  rate.line = {kMargin, saver->bounds.height - kMargin - height, cleared, height};
  XClearArea(x_.display, rate.window, rate.line.left, rate.line.top,
             static_cast<unsigned>(rate.line.width), static_cast<unsigned>(height), False);
  XftDrawStringUtf8(rate.draw, &rate.color, rate.font, rate.line.left,
                    rate.line.top + rate.font->ascent,
                    reinterpret_cast<const FcChar8*>(text.data()), static_cast<int>(text.size()));
}

void X11WindowSystem::HideFrameRate() {
  if (!frameRate_) return;
  if (frameRate_->draw) XftDrawDestroy(frameRate_->draw);
  if (frameRate_->colorAllocated)
    XftColorFree(x_.display, x_.visual, x_.colormap, &frameRate_->color);
  frameRate_.reset();
}

}  // namespace morumoru::platform::x11
