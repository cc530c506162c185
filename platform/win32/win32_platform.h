#pragma once
// The Win32 backend: the program's platform realised with user32, gdi32 and
// the common controls. Window ids are HWNDs, picture ids Picture pointers.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/profile_win32.h"
#include "platform/win32/win32_text.h"

namespace morumoru::platform::win32 {

// The module's full path, however long: the buffer grows from firstSize
// until the whole path fits.
std::wstring ModuleFileName(HMODULE module, DWORD firstSize = MAX_PATH);

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  bool Peek(Message& message) override;
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

  WindowId FindForeignWindow(std::string_view title) override;
  WindowId GetOwner(WindowId window) override;
  bool IsIconic(WindowId window) override;
  void OpenIcon(WindowId window) override;
  void SetForegroundWindow(WindowId window) override;

  Size ScreenSize() override;
  Size VirtualScreenSize() override;
  int32_t PixelsPerInch() override;
  int ShowCursor(bool show) override;
  void ShowBox(WindowId owner, std::string_view text, std::string_view caption,
               BoxKind kind) override;

  std::string CommandLine() override;
  int StartupShowCommand() override;
  std::string ModulePath() override;
  morumoru::PathStyle ModulePathStyle() override { return morumoru::PathStyle::Windows; }
  std::string ModuleOfAddress(const void* code_address, uint32_t& offset) override;
  bool QueryCounter(uint64_t& count) override;
  uint32_t TickCount() override;
  ProfileService& Profile() override { return profile_; }
  void OpenUrl(std::string_view url) override;

 private:
  HINSTANCE instance_;
  FontCache fonts_;
  Win32Profile profile_;
  bool comStarted_ = false;
};

}  // namespace morumoru::platform::win32
