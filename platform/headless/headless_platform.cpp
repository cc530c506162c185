#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/lower_case.h"

namespace morumoru::platform {

namespace {

// What a queued message carries for Dispatch: the event its window gets,
// if it gets one.
struct Carried {
  bool delivered = false;
  Event event;
};
static_assert(sizeof(Carried) <= sizeof(Message::native), "an event must fit in a message");

// The message kind each event type arrives as, in EventType's order.
constexpr Message::Kind kKindOfEvent[] = {
    Message::Kind::kKeyDown, Message::Kind::kMouseMove,  Message::Kind::kMouseDown,
    Message::Kind::kMouseUp, Message::Kind::kMouseWheel, Message::Kind::kClick,
    Message::Kind::kScroll,  Message::Kind::kClose,
    Message::Kind::kOther,  // kCancelMode
    Message::Kind::kOther,  // kAppDeactivate
    Message::Kind::kOther,  // kDisplayChange
};
static_assert(std::size(kKindOfEvent) == static_cast<size_t>(EventType::kDisplayChange) + 1,
              "one kind for every event type");

Message::Kind KindOf(EventType type) {
  return kKindOfEvent[static_cast<size_t>(type)];
}

}  // namespace

std::optional<std::string> MemoryProfile::Read(const std::string& path, std::string_view section,
                                               std::string_view key) {
  auto file = files.find(path);
  if (file == files.end()) return std::nullopt;
  auto sec = file->second.find(std::string(section));
  if (sec == file->second.end()) return std::nullopt;
  auto value = sec->second.find(std::string(key));
  if (value == sec->second.end()) return std::nullopt;
  return value->second;
}

bool MemoryProfile::Write(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value) {
  ++writes;
  if (readOnly.count(path)) return false;
  files[path][std::string(section)][std::string(key)] = std::string(value);
  return true;
}

HeadlessPlatform::HeadlessPlatform() = default;

void HeadlessPlatform::Enqueue(Message::Kind kind, WindowId target, const Event* event) {
  Message message;
  message.kind = kind;
  message.target = target;
  Carried carried;
  if (event) {
    carried.delivered = true;
    carried.event = *event;
    message.key = event->key;
  }
  std::memcpy(message.native, &carried, sizeof carried);
  queue_.push_back(message);
}

void HeadlessPlatform::PostKey(WindowId target, uint16_t key, bool system) {
  Event event;
  event.type = EventType::kKeyDown;
  event.window = target;
  event.key = key;
  if (held_[vk::kShift]) event.shift |= shift::kShift;
  if (held_[vk::kControl]) event.shift |= shift::kCtrl;
  if (held_[vk::kMenu] || system) event.shift |= shift::kAlt;
  Enqueue(Message::Kind::kKeyDown, target, &event);
  queue_.back().systemKey = system;
}

void HeadlessPlatform::PostKeyUp(WindowId target, uint16_t key) {
  // The program has no key-up handler: the message reaches no window code.
  Enqueue(Message::Kind::kKeyUp, target, nullptr);
  queue_.back().key = key;
}

void HeadlessPlatform::PostMouse(WindowId target, EventType type, int32_t x, int32_t y,
                                 MouseButton button) {
  // As on Windows, a window that holds the capture gets every mouse message.
  if (capture_ != kNoWindow) target = capture_;
  Event event;
  event.type = type;
  event.window = target;
  event.x = x;
  event.y = y;
  event.button = button;
  Enqueue(KindOf(type), target, &event);
}

void HeadlessPlatform::PostEvent(const Event& event) {
  Enqueue(KindOf(event.type), event.window, &event);
}

void HeadlessPlatform::PostOther(WindowId target) {
  Enqueue(Message::Kind::kOther, target, nullptr);
}

bool HeadlessPlatform::Peek(Message& message) {
  ++peeks;
  if (!queue_.empty()) {
    message = queue_.front();
    queue_.pop_front();
    return true;
  }
  if (quitPending_) {
    quitPending_ = false;
    message = Message{};
    message.kind = Message::Kind::kQuit;
    return true;
  }
  // Paint messages come only when nothing else waits, as on Windows.
  for (auto it = invalid_.begin(); it != invalid_.end();) {
    WindowId window = *it;
    it = invalid_.erase(it);
    if (!Exists(window)) continue;
    message = Message{};
    message.kind = Message::Kind::kPaint;
    message.target = window;
    return true;
  }
  ++emptyPeeks;
  if (onEmptyPeek) {
    onEmptyPeek(emptyPeeks);
    if (!queue_.empty() || quitPending_) return Peek(message);
  }
  return false;
}

// Look by look, as Windows does: each empty look is counted and seen.
bool HeadlessPlatform::PeekWithin(Message& message, int64_t& looks) {
  for (; looks > 0; --looks) {
    if (Peek(message)) return true;
  }
  return false;
}

void HeadlessPlatform::Dispatch(Message& message) {
  if (!Exists(message.target)) return;
  Window& window = windows_.at(message.target);
  if (message.kind == Message::Kind::kPaint) {
    ++window.paints;
    return;
  }
  Carried carried;
  std::memcpy(&carried, message.native, sizeof carried);
  if (carried.delivered && window.params.events) window.params.events->HandleEvent(carried.event);
}

void HeadlessPlatform::Wait() {
  ++waits;
  if (onWait) onWait();
}

void HeadlessPlatform::PostQuit(int /*exitCode*/) {
  ++quitPosts;
  quitPending_ = true;
}

WindowId HeadlessPlatform::NewWindow(const WindowSpec& params) {
  WindowId id = next_++;
  Window& window = windows_[id];
  window.params = params;
  window.bounds = params.bounds;
  window.text = params.text;
  window.enabled = params.enabled;
  window.owner = params.owner;
  bool child = params.parent != kNoWindow;
  window.visible = child && params.visible;
  if (params.kind == WindowKind::kTrackBar) window.sliderPosition = params.min;
  return id;
}

void HeadlessPlatform::DestroyWindow(WindowId id) {
  if (!Exists(id)) return;
  // As on the real systems, the children go with their parent.
  for (auto& [child, window] : windows_) {
    if (window.alive && window.params.parent == id) DestroyWindow(child);
  }
  windows_.at(id).alive = false;
  windows_.at(id).visible = false;
  if (focus_ == id) focus_ = kNoWindow;
  if (capture_ == id) capture_ = kNoWindow;
  if (active_ == id) active_ = kNoWindow;
  invalid_.erase(id);
}

void HeadlessPlatform::SetText(WindowId id, std::string_view text) {
  if (Exists(id)) windows_.at(id).text = std::string(text);
}

void HeadlessPlatform::SetBounds(WindowId id, const Rect& bounds) {
  if (!Exists(id)) return;
  ++moves;
  windows_.at(id).bounds = bounds;
  invalid_.insert(id);
}

Rect HeadlessPlatform::GetBounds(WindowId id) {
  return Exists(id) ? windows_.at(id).bounds : Rect{};
}

void HeadlessPlatform::ShowWindow(WindowId id, ShowCommand command) {
  if (!Exists(id)) return;
  Window& window = windows_.at(id);
  window.shown = command;
  window.visible = command != ShowCommand::kHide;
  if (command == ShowCommand::kMaximized) window.bounds = {0, 0, screen.width, screen.height};
  if (window.visible) invalid_.insert(id);
}

// Shown only while every window above it is shown too, as the real systems
// answer.
bool HeadlessPlatform::IsVisible(WindowId id) {
  while (Exists(id) && windows_.at(id).visible) {
    id = windows_.at(id).params.parent;
    if (id == kNoWindow) return true;
  }
  return false;
}

void HeadlessPlatform::EnableWindow(WindowId id, bool enabled) {
  if (Exists(id)) windows_.at(id).enabled = enabled;
}

bool HeadlessPlatform::IsEnabled(WindowId id) {
  return Exists(id) && windows_.at(id).enabled;
}

PictureId HeadlessPlatform::LoadPicture(int index) {
  PictureId id = nextPicture_++;
  livePictures.insert(id);
  pictureIndex[id] = index;
  return id;
}

void HeadlessPlatform::FreePicture(PictureId picture) {
  livePictures.erase(picture);
}

void HeadlessPlatform::SetPanelPicture(WindowId panel, PictureId picture) {
  if (!Exists(panel)) return;
  windows_.at(panel).picture = picture;
  invalid_.insert(panel);
}

void HeadlessPlatform::SetSliderPosition(WindowId slider, int32_t position) {
  if (!Exists(slider)) return;
  Window& window = windows_.at(slider);
  window.sliderPosition = std::clamp(position, window.params.min, window.params.max);
}

int32_t HeadlessPlatform::GetSliderPosition(WindowId slider) {
  return Exists(slider) ? windows_.at(slider).sliderPosition : 0;
}

WindowId HeadlessPlatform::AddForeignWindow(std::string title, WindowId owner, bool iconic) {
  WindowId id = next_++;
  Window& window = windows_[id];
  window.text = std::move(title);
  window.foreign = true;
  window.visible = true;
  window.owner = owner;
  window.iconic = iconic;
  return id;
}

std::vector<WindowId> HeadlessPlatform::LiveWindows() const {
  std::vector<WindowId> result;
  for (const auto& [id, window] : windows_) {
    if (window.alive && !window.foreign) result.push_back(id);
  }
  return result;
}

std::vector<WindowId> HeadlessPlatform::WindowsTitled(std::string_view text) const {
  std::vector<WindowId> result;
  for (const auto& [id, window] : windows_) {
    if (!window.foreign && window.text == text) result.push_back(id);
  }
  return result;
}

std::vector<WindowId> HeadlessPlatform::LiveWindowsOf(WindowKind kind) const {
  std::vector<WindowId> result;
  for (const auto& [id, window] : windows_) {
    if (window.alive && !window.foreign && window.params.kind == kind) result.push_back(id);
  }
  return result;
}

void HeadlessPlatform::ChangeMonitors(std::vector<Rect> layout) {
  monitors = std::move(layout);
  for (WindowId form : LiveWindowsOf(WindowKind::kForm)) {
    Event changed;
    changed.type = EventType::kDisplayChange;
    changed.window = form;
    PostEvent(changed);
  }
}

bool HeadlessPlatform::ActivateRunningCopy(std::string_view title) {
  std::string wanted = LowerCase(title);
  for (const auto& [id, window] : windows_) {
    if (!window.alive || !window.foreign || LowerCase(window.text) != wanted) continue;
    WindowId owner = window.owner;
    if (Exists(owner) && windows_.at(owner).iconic) {
      opened.push_back(owner);
      windows_.at(owner).iconic = false;
    }
    if (owner != kNoWindow) foregrounded.push_back(owner);
    return true;
  }
  return false;
}

void HeadlessPlatform::ShowBox(WindowId owner, std::string_view text, std::string_view caption,
                               BoxKind kind) {
  boxes.push_back({owner, std::string(text), std::string(caption), kind});
  if (onBox) onBox(boxes.back());
}

std::string HeadlessPlatform::ModuleOfAddress(const void* /*address*/, uint32_t& offset) {
  offset = moduleOffset;
  size_t slash = modulePath.find_last_of("\\/");
  return slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
}

bool HeadlessPlatform::QueryCounter(uint64_t& count) {
  count = counter;
  return counterWorks;
}

std::vector<Rect> HeadlessPlatform::Monitors() {
  if (monitors.empty()) return {{0, 0, screen.width, screen.height}};
  return monitors;
}

// As the system picks one: the monitor that holds the window's centre, or
// else the nearest to it.
Rect HeadlessPlatform::MonitorOf(WindowId window) {
  if (monitors.empty()) return {0, 0, screen.width, screen.height};
  Rect bounds = GetBounds(window);
  int64_t x = bounds.left + bounds.width / 2;
  int64_t y = bounds.top + bounds.height / 2;
  const Rect* nearest = &monitors.front();
  int64_t best = -1;
  for (const Rect& monitor : monitors) {
    int64_t dx = std::max<int64_t>({0, monitor.left - x, x - (monitor.left + monitor.width - 1)});
    int64_t dy = std::max<int64_t>({0, monitor.top - y, y - (monitor.top + monitor.height - 1)});
    if (best < 0 || dx * dx + dy * dy < best) {
      best = dx * dx + dy * dy;
      nearest = &monitor;
    }
  }
  return *nearest;
}

}  // namespace morumoru::platform
