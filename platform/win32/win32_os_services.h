#pragma once
// The OS services on Windows: kernel32 for the process and the counters, the
// system's private-profile calls for the settings, urlmon (loaded from the
// system folder on first use; the shell when it fails) for the browser.

#include <unknwn.h>
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/os_services.h"
#include "platform/win32/win32_profile.h"

namespace morumoru::platform::win32 {

// The module's full path, however long: the buffer grows from firstSize
// until the whole path fits.
std::wstring ModuleFileName(HMODULE module, DWORD firstSize = MAX_PATH);

// `path` in its long form (a launch by the short 8.3 name gives that form),
// or `path` itself when the system cannot tell.
std::wstring LongPathOf(const std::wstring& path);

// The settings file in the user's roaming application data, from
// SHGetKnownFolderPath; empty when the system has no such folder.
std::string AppDataFileNow();

// Our profile service; a write into the application-data file makes its
// folder first. Reads never create anything.
class AppDataFolderProfile : public ProfileService {
 public:
  std::optional<std::string> Read(const std::string& path, std::string_view section,
                                  std::string_view key) override {
    return profile_.Read(path, section, key);
  }
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override;
  void Flush(const std::string& path) override { profile_.Flush(path); }

 private:
  Win32Profile profile_;
};

// The two ways to the web browser: the hyperlink service first, the shell
// when that fails. Tests put fakes here.
struct UrlOpeners {
  HRESULT(WINAPI* navigate)(IUnknown* context, LPCWSTR target) = nullptr;
  HINSTANCE(WINAPI* shellExecute)
  (HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, INT show) = nullptr;
};
UrlOpeners SystemUrlOpeners();

// The start-up show value for a Windows SW_* number: only maximised and
// shown-minimised-without-activation change how the main form comes up.
StartupShow StartupShowFromWindows(int showCommand);

class Win32OsServices : public OsServices {
 public:
  explicit Win32OsServices(UrlOpeners openers = SystemUrlOpeners()) : openers_(openers) {}
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
  // Beside the program, or in the roaming application data when the
  // program's folder cannot take the file. No options in place of the settings.
  std::string SettingsFileFor(const std::string& besideProgram) override;
  std::optional<std::string> SettingOverride(std::string_view) override { return std::nullopt; }
  void OpenUrl(std::string_view url) override;

 private:
  AppDataFolderProfile profile_;
  UrlOpeners openers_;
  bool comStarted_ = false;
};

}  // namespace morumoru::platform::win32
