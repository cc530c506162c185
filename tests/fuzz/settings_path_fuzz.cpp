// Properties of the settings path for any executable path: it ends in
// ".ini", and what stands before that is the whole path or the path cut at
// a period of its file name.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "settings/settings_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path(reinterpret_cast<const char*>(data), size);
  for (auto style :
       {morumoru::platform::PathStyle::Windows, morumoru::platform::PathStyle::Posix}) {
    std::string ini = morumoru::SettingsFilePath(path, style);
    FUZZ_CHECK(ini.size() >= 4 && ini.compare(ini.size() - 4, 4, ".ini") == 0);
    std::string stem = ini.substr(0, ini.size() - 4);
    FUZZ_CHECK(path.compare(0, stem.size(), stem) == 0);
    std::string cut = path.substr(stem.size());
    const char* separators = style == morumoru::platform::PathStyle::Windows ? "\\:" : "/";
    FUZZ_CHECK(cut.empty() || cut[0] == '.');
    FUZZ_CHECK(cut.find_first_of(separators) == std::string::npos);
    if (!cut.empty()) FUZZ_CHECK(cut.find('.', 1) == std::string::npos);
  }
  return 0;
}
