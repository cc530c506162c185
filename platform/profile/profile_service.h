#pragma once
// The private-profile service behind the settings store: on Windows the
// system's own INI functions, elsewhere our file-based copy of them (the
// program's settings store reaches it through OsServices::Profile).

#include <optional>
#include <string>
#include <string_view>

namespace morumoru::platform {

class ProfileService {
 public:
  virtual ~ProfileService() = default;
  // The key's value text, or nullopt when the file, the section or the key is absent.
  virtual std::optional<std::string> Read(const std::string& path, std::string_view section,
                                          std::string_view key) = 0;
  // Sets key=value in section, creating file and section as needed and keeping the rest.
  // false on failure.
  virtual bool Write(const std::string& path, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
  // Asks the service to write out any cached copy; result ignored by callers.
  virtual void Flush(const std::string& path) = 0;
};

}  // namespace morumoru::platform
