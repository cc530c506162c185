#pragma once
// The Win32 window system: user32, gdi32 and the common controls. Window ids
// are HWNDs, picture ids Picture pointers.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/win32_text.h"
#include "platform/window_system.h"

namespace morumoru::platform::win32 {

class Win32WindowSystem : public WindowSystem {
 public:
  Win32WindowSystem();
  ~Win32WindowSystem() override;

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
  void SetFocus(WindowId window) override;
  WindowId GetFocus() override;
  WindowId GetActiveWindow() override;
  void SetActiveWindow(WindowId window) override;
  void SetCapture(WindowId window) override;
  void ReleaseCapture() override;
  WindowId GetCapture() override;
  bool KeyHeld(uint16_t virtualKey) override;

  PictureId LoadPicture(int index) override;
  void FreePicture(PictureId picture) override;
  void SetPanelPicture(WindowId panel, PictureId picture) override;

  void SetSliderPosition(WindowId slider, int32_t position) override;
  int32_t GetSliderPosition(WindowId slider) override;

  bool ActivateRunningCopy(std::string_view title) override;

  Size ScreenSize() override;
  Size VirtualScreenSize() override;
  Rect MonitorOf(WindowId window) override;
  std::vector<Rect> Monitors() override;
  int32_t PixelsPerInch() override;
  int32_t FontTextHeight(std::string_view fontName, int32_t height) override;
  int ShowCursor(bool show) override;
  void ShowBox(WindowId owner, std::string_view text, std::string_view caption,
               BoxKind kind) override;

 private:
  HINSTANCE instance_;
  FontCache fonts_;
};

}  // namespace morumoru::platform::win32
