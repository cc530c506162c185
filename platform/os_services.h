#pragma once
// The operating system as the program needs it apart from windows: counters
// and clock, the process (command line, module, start-up show value), the
// settings files and the hyperlink service. Each backend implements all of it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/profile/path_style.h"
#include "platform/profile/profile_service.h"

namespace morumoru::platform {

// How whoever started the process asked its first window to be shown.
enum class StartupShow {
  kNormal,     // no request, or one the program treats as normal
  kMaximized,  // SW_SHOWMAXIMIZED
  kMinimized,  // SW_SHOWMINNOACTIVE
};

class OsServices {
 public:
  virtual ~OsServices() = default;

  // Counters that seed the random source.
  virtual bool QueryCounter(uint64_t& count) = 0;  // high-resolution counter
  virtual uint32_t TickCount() = 0;                // milliseconds since start

  // The process.
  virtual std::string CommandLine() = 0;  // the whole line, program name first
  virtual StartupShow StartupShowValue() = 0;
  virtual std::string ModulePath() = 0;  // full path of the running executable
  virtual PathStyle ModulePathStyle() = 0;
  // File name of the module holding code_address, and the offset into it.
  virtual std::string ModuleOfAddress(const void* code_address, uint32_t& offset) = 0;

  // Settings files and the web browser.
  virtual ProfileService& Profile() = 0;
  // The file a settings store made now uses, given the one beside the
  // program: that one, unless the system keeps the settings of a program
  // whose folder cannot take them elsewhere. Looks only, creates nothing.
  virtual std::string SettingsFileFor(const std::string& besideProgram) = 0;
  // A value given for this run in place of the stored setting `key` (the
  // options xscreensaver passes its hacks), or nullopt.
  virtual std::optional<std::string> SettingOverride(std::string_view key) = 0;
  virtual void OpenUrl(std::string_view url) = 0;
};

}  // namespace morumoru::platform
