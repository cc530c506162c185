#pragma once
// The OS services on Linux and other POSIX systems: /proc for the process,
// the monotonic clock for the counters, our own file profile for the
// settings, xdg-open for the browser. Nothing here needs a display.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_services.h"
#include "platform/posix/posix_settings.h"

namespace morumoru::platform::posix {

// The process's arguments as the kernel holds them, the program's name first.
std::vector<std::string> ProcessArguments();

class PosixOsServices : public OsServices {
 public:
  bool QueryCounter(uint64_t& count) override;
  uint32_t TickCount() override;
  // The arguments from /proc/self/cmdline, joined with blanks; an argument
  // that is empty or holds a blank is quoted, so FirstArgument reads it back.
  std::string CommandLine() override;
  StartupShow StartupShowValue() override { return StartupShow::kNormal; }
  std::string ModulePath() override;
  PathStyle ModulePathStyle() override { return PathStyle::Posix; }
  std::string ModuleOfAddress(const void* code_address, uint32_t& offset) override;
  ProfileService& Profile() override { return profile_; }
  // Beside the program when that file exists or the folder can be written,
  // else in the user's configuration folder.
  std::string SettingsFileFor(const std::string& besideProgram) override;
  std::optional<std::string> SettingOverride(std::string_view key) override;
  void OpenUrl(std::string_view url) override;

  // Sets the value SettingOverride gives for `key` in this run.
  void OverrideSetting(const std::string& key, const std::string& value) {
    overrides_.insert_or_assign(key, value);
  }

 private:
  ConfigFolderProfile profile_;
  std::map<std::string, std::string, std::less<>> overrides_;
};

}  // namespace morumoru::platform::posix
