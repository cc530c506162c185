#pragma once
// The OS services on Windows: kernel32 for the process and the counters, the
// system's private-profile calls for the settings, urlmon for the browser.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/os_services.h"
#include "platform/win32/win32_profile.h"

namespace morumoru::platform::win32 {

// The module's full path, however long: the buffer grows from firstSize
// until the whole path fits.
std::wstring ModuleFileName(HMODULE module, DWORD firstSize = MAX_PATH);

// The start-up show value for a Windows SW_* number: only maximised and
// shown-minimised-without-activation change how the main form comes up.
StartupShow StartupShowFromWindows(int showCommand);

class Win32OsServices : public OsServices {
 public:
  Win32OsServices() = default;
  ~Win32OsServices() override;
  Win32OsServices(const Win32OsServices&) = delete;
  Win32OsServices& operator=(const Win32OsServices&) = delete;

  bool QueryCounter(uint64_t& count) override;
  uint32_t TickCount() override;
  std::string CommandLine() override;
  StartupShow StartupShowValue() override;
  std::string ModulePath() override;
  PathStyle ModulePathStyle() override { return PathStyle::Windows; }
  std::string ModuleOfAddress(const void* code_address, uint32_t& offset) override;
  ProfileService& Profile() override { return profile_; }
  // Always beside the program, and no options in place of the settings.
  std::string SettingsFileFor(const std::string& besideProgram) override { return besideProgram; }
  std::optional<std::string> SettingOverride(std::string_view) override { return std::nullopt; }
  void OpenUrl(std::string_view url) override;

 private:
  Win32Profile profile_;
  bool comStarted_ = false;
};

}  // namespace morumoru::platform::win32
