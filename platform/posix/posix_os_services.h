#pragma once
// The OS services on Linux and other POSIX systems: /proc for the process,
// the monotonic clock for the counters, our own file profile for the
// settings, xdg-open for the browser. Nothing here needs a display.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/os_services.h"
#include "platform/posix/posix_settings.h"

namespace morumoru::platform::posix {

// The process's arguments as the kernel holds them, the program's name first.
std::vector<std::string> ProcessArguments();
// The arguments joined with blanks; an argument that is empty or holds a
// blank is quoted, so FirstArgument reads it back.
std::string JoinedCommandLine(const std::vector<std::string>& arguments);

class PosixOsServices : public OsServices {
 public:
  using Settings = std::vector<std::pair<std::string, std::string>>;
  // `overrides`: the values SettingOverride gives in this run, the last one
  // given for a key winning.
  explicit PosixOsServices(const Settings& overrides = {});

  bool QueryCounter(uint64_t& count) override;
  uint32_t TickCount() override;
  // JoinedCommandLine of ProcessArguments.
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

 private:
  ConfigFolderProfile profile_;
  std::map<std::string, std::string, std::less<>> overrides_;
};

}  // namespace morumoru::platform::posix
