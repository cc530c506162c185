#include "settings/settings_path.h"

namespace morumoru {

std::string SettingsFilePath(std::string_view modulePath, platform::PathStyle style) {
  // Byte-wise scanning is safe for UTF-8: every byte of a multibyte character
  // is 0x80 or above, so none can look like '.', '\\', ':' or '/'.
  std::string_view stops = style == platform::PathStyle::Windows ? ".\\:" : "./";
  size_t last = modulePath.find_last_of(stops);
  std::string_view stem = modulePath;
  if (last != std::string_view::npos && modulePath[last] == '.') stem = modulePath.substr(0, last);
  std::string result;
  result.reserve(stem.size() + 4);
  result.append(stem);
  result.append(".ini");
  return result;
}

std::string SettingsFileOf(platform::OsServices& os) {
  return os.SettingsFileFor(SettingsFilePath(os.ModulePath(), os.ModulePathStyle()));
}

}  // namespace morumoru
