#include "platform/posix/posix_settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/settings_place.h"
#include "platform/posix/posix_os_services.h"

namespace morumoru::platform::posix {

namespace {

// $HOME, or the password database's home when it is unset (a hack started
// from a bare environment).
const char* HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? entry->pw_dir : nullptr;
}

}  // namespace

std::string ConfigFileNow() {
  return ConfigSettingsFile(std::getenv("XDG_CONFIG_HOME"), HomeFolder());
}

bool ConfigFolderProfile::Write(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view value) {
  if (path == ConfigFileNow() && !MakeFoldersAbove(path)) return false;
  return file_.Write(path, section, key, value);
}

std::string PosixOsServices::SettingsFileFor(const std::string& besideProgram) {
  return ChooseSettingsFile(besideProgram, ConfigFileNow());
}

std::optional<std::string> PosixOsServices::SettingOverride(std::string_view key) {
  auto found = overrides_.find(key);
  if (found == overrides_.end()) return std::nullopt;
  return found->second;
}

}  // namespace morumoru::platform::posix
