#pragma once
// An in-memory window system for unit tests: a scripted queue, a window tree
// with bounds, visibility, focus and capture, and recorders for what the
// program asks of the system.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru::platform {

// Settings kept in memory, keyed by path, section and key (case as given).
class MemoryProfile : public ProfileService {
 public:
  std::optional<std::string> Read(const std::string& path, std::string_view section,
                                  std::string_view key) override;
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override;
  void Flush(const std::string& path) override { ++flushes[path]; }

  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> files;
  std::set<std::string> readOnly;
  std::map<std::string, int> flushes;
  int writes = 0;
};

// Both halves of the platform in one object, so a test sets up and inspects
// everything the program asks of the system in one place.
class HeadlessPlatform : public WindowSystem, public OsServices {
 public:
  struct Window {
    WindowSpec params;
    Rect bounds;
    std::string text;
    bool visible = false;
    bool enabled = true;
    bool alive = true;
    bool foreign = false;
    bool iconic = false;
    ShowCommand shown = ShowCommand::kHide;
    PictureId picture = kNoPicture;
    int32_t sliderPosition = 0;
    int paints = 0;
    WindowId owner = kNoWindow;
  };
  struct Box {
    WindowId owner;
    std::string text;
    std::string caption;
    BoxKind kind;
  };

  HeadlessPlatform();

  // Script: messages as a window system would queue them.
  void PostKey(WindowId target, uint16_t key, bool system = false);
  void PostKeyUp(WindowId target, uint16_t key);
  void PostMouse(WindowId target, EventType type, int32_t x, int32_t y,
                 MouseButton button = MouseButton::kLeft);
  void PostEvent(const Event& event);  // queued with the kind its type calls for
  void PostOther(WindowId target);     // a message no window code sees
  void Hold(uint16_t key, bool held) { held_[key] = held; }

  // Inspection.
  Window& At(WindowId window) { return windows_.at(window); }
  bool Exists(WindowId window) const {
    auto found = windows_.find(window);
    return found != windows_.end() && found->second.alive;
  }
  size_t Pending() const { return queue_.size(); }
  WindowId AddForeignWindow(std::string title, WindowId owner = kNoWindow, bool iconic = false);
  std::vector<WindowId> LiveWindows() const;
  std::vector<WindowId> WindowsTitled(std::string_view text) const;  // dead ones too
  // Live windows of one kind.
  std::vector<WindowId> LiveWindowsOf(WindowKind kind) const;
  // Another layout of monitors, the primary first, told to every live form
  // as the real systems tell their top-level windows.
  void ChangeMonitors(std::vector<Rect> layout);

  Size screen{1024, 768};
  Size virtualScreen{1024, 768};
  std::vector<Rect> monitors;  // none: one monitor, the screen
  int32_t pixelsPerInch = 96;
  uint64_t counter = 0;
  bool counterWorks = true;
  uint32_t ticks = 0;
  int cursorCounter = 0;
  StartupShow startupShow = StartupShow::kNormal;
  std::string commandLine = "morumoru.scr";
  std::string modulePath = "C:\\saver\\morumoru.scr";
  // What ModuleOfAddress reports as the offset into the module.
  uint32_t moduleOffset = 0x1234;
  PathStyle pathStyle = PathStyle::Windows;
  std::vector<Box> boxes;
  std::function<void(const Box&)> onBox;  // runs while the box is "shown"
  std::function<void()> onWait;           // runs when the program blocks
  std::function<void(int)> onEmptyPeek;   // runs when a peek finds nothing, with the count
  std::vector<std::string> urls;
  std::vector<WindowId> foregrounded;
  std::vector<WindowId> opened;
  int peeks = 0;
  int emptyPeeks = 0;
  int waits = 0;
  int quitPosts = 0;
  int moves = 0;
  MemoryProfile memoryProfile;
  ProfileService* profile = &memoryProfile;

  // WindowSystem.
  bool Peek(Message& message) override;
  bool PeekWithin(Message& message, int64_t& looks) override;
  void Dispatch(Message& message) override;
  void Wait() override;
  void PostQuit(int exitCode) override;
  WindowId NewWindow(const WindowSpec& params) override;
  void DestroyWindow(WindowId window) override;
  void SetText(WindowId window, std::string_view text) override;
  void SetBounds(WindowId window, const Rect& bounds) override;
  Rect GetBounds(WindowId window) override;
  void ShowWindow(WindowId window, ShowCommand command) override;
  bool IsVisible(WindowId window) override;
  void EnableWindow(WindowId window, bool enabled) override;
  bool IsEnabled(WindowId window) override;
  void SetFocus(WindowId window) override { focus_ = window; }
  WindowId GetFocus() override { return focus_; }
  WindowId GetActiveWindow() override { return active_; }
  void SetActiveWindow(WindowId window) override { active_ = window; }
  void SetCapture(WindowId window) override { capture_ = window; }
  void ReleaseCapture() override { capture_ = kNoWindow; }
  WindowId GetCapture() override { return capture_; }
  bool KeyHeld(uint16_t key) override { return held_[key]; }
  PictureId LoadPicture(int index) override;
  void FreePicture(PictureId picture) override;
  void SetPanelPicture(WindowId panel, PictureId picture) override;
  void SetSliderPosition(WindowId slider, int32_t position) override;
  int32_t GetSliderPosition(WindowId slider) override;
  bool ActivateRunningCopy(std::string_view title) override;
  Size ScreenSize() override { return screen; }
  Size VirtualScreenSize() override { return virtualScreen; }
  Rect MonitorOf(WindowId window) override;
  std::vector<Rect> Monitors() override;
  int32_t PixelsPerInch() override { return pixelsPerInch; }
  int32_t FontTextHeight(std::string_view, int32_t height) override {
    return height + textHeightBias;
  }
  int32_t textHeightBias = 0;  // how far a font's text height differs from its pixel height
  int ShowCursor(bool show) override { return cursorCounter += show ? 1 : -1; }
  void ShowBox(WindowId owner, std::string_view text, std::string_view caption,
               BoxKind kind) override;

  // OsServices.
  bool QueryCounter(uint64_t& count) override;
  uint32_t TickCount() override { return ticks; }
  std::string CommandLine() override { return commandLine; }
  StartupShow StartupShowValue() override { return startupShow; }
  std::string ModulePath() override { return modulePath; }
  PathStyle ModulePathStyle() override { return pathStyle; }
  std::string ModuleOfAddress(const void* address, uint32_t& offset) override;
  ProfileService& Profile() override { return *profile; }
  std::string SettingsFileFor(const std::string& besideProgram) override { return besideProgram; }
  std::optional<std::string> SettingOverride(std::string_view key) override {
    auto found = settingOverrides.find(std::string(key));
    if (found == settingOverrides.end()) return std::nullopt;
    return found->second;
  }
  std::map<std::string, std::string> settingOverrides;
  void OpenUrl(std::string_view url) override { urls.emplace_back(url); }

  std::set<PictureId> livePictures;
  std::map<PictureId, int> pictureIndex;  // which of the nine each picture is

 private:
  // event: what the window's code gets on Dispatch; none for a message
  // that reaches no window code.
  void Enqueue(Message::Kind kind, WindowId target, const Event* event);

  std::map<WindowId, Window> windows_;
  std::deque<Message> queue_;
  std::set<WindowId> invalid_;  // windows waiting for a paint
  std::map<uint16_t, bool> held_;
  WindowId next_ = 100;
  PictureId nextPicture_ = 1;
  WindowId focus_ = kNoWindow;
  WindowId active_ = kNoWindow;
  WindowId capture_ = kNoWindow;
  bool quitPending_ = false;
};

}  // namespace morumoru::platform
