#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstring>

namespace morumoru::platform {

namespace {

constexpr uint32_t kPaintCode = 0x000F;
constexpr uint32_t kKeyUpCode = 0x0101;

static_assert(sizeof(Event) <= sizeof(Message::native), "an event must fit in a message");

std::string Lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
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

void HeadlessPlatform::Enqueue(Message::Kind kind, WindowId target, uint32_t code,
                               const Event& event) {
  Queued queued;
  queued.message.kind = kind;
  queued.message.target = target;
  queued.message.code = code;
  queued.message.key = event.key;
  queued.event = event;
  queue_.push_back(queued);
}

void HeadlessPlatform::PostKey(WindowId target, uint16_t key, bool system) {
  Event event;
  event.type = EventType::kKeyDown;
  event.window = target;
  event.key = key;
  if (held_[vk::kShift]) event.shift |= shift::kShift;
  if (held_[vk::kControl]) event.shift |= shift::kCtrl;
  if (held_[vk::kMenu] || system) event.shift |= shift::kAlt;
  Enqueue(Message::Kind::kKeyboard, target, system ? kSysKeyDownCode : kKeyDownCode, event);
}

void HeadlessPlatform::PostKeyUp(WindowId target, uint16_t key) {
  Event event;
  event.window = target;
  event.key = key;
  Enqueue(Message::Kind::kKeyboard, target, kKeyUpCode, event);
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
  Enqueue(Message::Kind::kOther, target, 0x0200, event);
}

void HeadlessPlatform::PostEvent(const Event& event, uint32_t code) {
  Enqueue(Message::Kind::kOther, event.window, code, event);
}

void HeadlessPlatform::PostOther(WindowId target) {
  Event event;
  event.type = EventType::kCancelMode;  // ignored: code 0x0400 is not delivered
  event.window = target;
  Enqueue(Message::Kind::kOther, target, 0x0401, event);
}

bool HeadlessPlatform::Peek(Message& message) {
  ++peeks;
  if (!queue_.empty()) {
    Queued queued = queue_.front();
    queue_.pop_front();
    message = queued.message;
    std::memcpy(message.native, &queued.event, sizeof(Event));
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
    message.target = window;
    message.code = kPaintCode;
    return true;
  }
  ++emptyPeeks;
  if (onEmptyPeek) {
    onEmptyPeek(emptyPeeks);
    if (!queue_.empty() || quitPending_) return Peek(message);
  }
  return false;
}

void HeadlessPlatform::Dispatch(Message& message) {
  if (!Exists(message.target)) return;
  Window& window = windows_.at(message.target);
  if (message.code == kPaintCode) {
    ++window.paints;
    return;
  }
  if (message.code == kKeyUpCode || message.code == 0x0401) return;
  Event event;
  std::memcpy(&event, message.native, sizeof(Event));
  if (window.params.events) window.params.events->HandleEvent(event);
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

bool HeadlessPlatform::IsVisible(WindowId id) {
  return Exists(id) && windows_.at(id).visible;
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

WindowId HeadlessPlatform::FindForeignWindow(std::string_view title) {
  std::string wanted = Lower(title);
  for (const auto& [id, window] : windows_) {
    if (window.alive && window.foreign && Lower(window.text) == wanted) return id;
  }
  return kNoWindow;
}

WindowId HeadlessPlatform::GetOwner(WindowId id) {
  return windows_.count(id) ? windows_.at(id).owner : kNoWindow;
}

bool HeadlessPlatform::IsIconic(WindowId id) {
  return Exists(id) && windows_.at(id).iconic;
}

void HeadlessPlatform::OpenIcon(WindowId id) {
  opened.push_back(id);
  if (Exists(id)) windows_.at(id).iconic = false;
}

void HeadlessPlatform::SetForegroundWindow(WindowId id) {
  if (id != kNoWindow) foregrounded.push_back(id);
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
