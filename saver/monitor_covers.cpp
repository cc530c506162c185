#include "saver/monitor_covers.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "forms/application.h"

namespace morumoru {

using platform::Event;
using platform::EventType;
using platform::Rect;
using platform::WindowId;

namespace {

// `area` without `taken`: up to four bands, above, below, left and right of
// what they share.
std::vector<Rect> Outside(const Rect& area, const Rect& taken) {
  int64_t left = area.left;
  int64_t top = area.top;
  int64_t right = left + area.width;
  int64_t bottom = top + area.height;
  int64_t takenLeft = std::max<int64_t>(left, taken.left);
  int64_t takenTop = std::max<int64_t>(top, taken.top);
  int64_t takenRight = std::min<int64_t>(right, int64_t{taken.left} + taken.width);
  int64_t takenBottom = std::min<int64_t>(bottom, int64_t{taken.top} + taken.height);
  if (takenLeft >= takenRight || takenTop >= takenBottom) return {area};
  std::vector<Rect> bands;
  auto add = [&bands](int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l < r && t < b) {
      bands.push_back({static_cast<int32_t>(l), static_cast<int32_t>(t),
                       static_cast<int32_t>(r - l), static_cast<int32_t>(b - t)});
    }
  };
  add(left, top, right, takenTop);
  add(left, takenBottom, right, bottom);
  add(left, takenTop, takenLeft, takenBottom);
  add(takenRight, takenTop, right, takenBottom);
  return bands;
}

// A cover's point in the saver's client coordinates. Screen coordinates are
// far inside 32 bits; the clamp only keeps the arithmetic defined.
int32_t Shifted(int32_t at, int32_t from, int32_t to) {
  int64_t shifted = int64_t{at} + from - to;
  return static_cast<int32_t>(std::clamp<int64_t>(shifted, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool IsMouse(EventType type) {
  return type == EventType::kMouseMove || type == EventType::kMouseDown ||
         type == EventType::kMouseUp || type == EventType::kMouseWheel;
}

}  // namespace

std::vector<Rect> CoverRects(const std::vector<Rect>& monitors) {
  std::vector<Rect> parts;
  if (monitors.size() < 2) return parts;
  const Rect& primary = monitors.front();
  for (auto monitor = monitors.begin() + 1; monitor != monitors.end(); ++monitor) {
    if (monitor->width <= 0 || monitor->height <= 0) continue;
    for (const Rect& part : Outside(*monitor, primary)) {
      if (std::find(parts.begin(), parts.end(), part) == parts.end()) parts.push_back(part);
    }
  }
  return parts;
}

MonitorCovers::MonitorCovers(TForm& saver)
    : saver_(saver), windows_(saver.Application().Windows()) {}

MonitorCovers::~MonitorCovers() {
  Remove();
}

void MonitorCovers::Follow() {
  std::vector<Rect> wanted = CoverRects(windows_.Monitors());
  auto covered = [this](const Rect& bounds) {
    return std::any_of(covers_.begin(), covers_.end(),
                       [&bounds](const Cover& cover) { return cover.bounds == bounds; });
  };
  for (const Rect& bounds : wanted) {
    if (covered(bounds)) continue;
    platform::WindowSpec params;
    params.kind = platform::WindowKind::kCover;
    params.owner = saver_.Application().Handle();
    params.bounds = bounds;
    params.events = this;
    WindowId window = windows_.NewWindow(params);
    if (window == platform::kNoWindow) continue;
    covers_.push_back({bounds, window});
    windows_.ShowWindow(window, platform::ShowCommand::kNormal);
  }
  auto unwanted = [&wanted](const Cover& cover) {
    return std::find(wanted.begin(), wanted.end(), cover.bounds) == wanted.end();
  };
  for (const Cover& cover : covers_) {
    if (unwanted(cover)) windows_.DestroyWindow(cover.window);
  }
  covers_.erase(std::remove_if(covers_.begin(), covers_.end(), unwanted), covers_.end());
}

void MonitorCovers::Remove() {
  for (const Cover& cover : covers_) windows_.DestroyWindow(cover.window);
  covers_.clear();
}

std::vector<WindowId> MonitorCovers::Windows() const {
  std::vector<WindowId> windows;
  windows.reserve(covers_.size());
  for (const Cover& cover : covers_) windows.push_back(cover.window);
  return windows;
}

void MonitorCovers::HandleEvent(const Event& event) noexcept {
  Event onBackground = event;
  onBackground.window = saver_.Handle();
  bool input = event.type == EventType::kKeyDown || IsMouse(event.type);
  // While an error box holds the saver disabled, its background takes no
  // input, and neither do the covers.
  if (input && !windows_.IsEnabled(saver_.Handle())) return;
  if (IsMouse(event.type)) {
    Rect cover = windows_.GetBounds(event.window);
    Rect background = windows_.GetBounds(saver_.Handle());
    onBackground.x = Shifted(event.x, cover.left, background.left);
    onBackground.y = Shifted(event.y, cover.top, background.top);
  }
  saver_.HandleEvent(onBackground);
}

}  // namespace morumoru
