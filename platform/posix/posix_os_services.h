#pragma once
// The OS services on Linux and other POSIX systems: /proc for the process,
// the monotonic clock for the counters, our own file profile for the
// settings, xdg-open for the browser. Nothing here needs a display.

#include <string>
#include <string_view>
#include <vector>

#include "platform/os_services.h"
#include "platform/profile/file_profile.h"

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
  void OpenUrl(std::string_view url) override;

 private:
  FileProfile profile_;
};

}  // namespace morumoru::platform::posix
