#pragma once
// The settings store's service on Windows: the system's own private-profile
// functions, so the file reads and changes exactly as other Windows programs expect.

#include <optional>
#include <string>
#include <string_view>

#include "platform/profile/profile_service.h"

namespace morumoru::platform::win32 {

class Win32Profile : public ProfileService {
 public:
  // Values longer than 2047 UTF-16 units come back cut to that length.
  std::optional<std::string> Read(const std::string& path, std::string_view section,
                                  std::string_view key) override;
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override;
  void Flush(const std::string& path) override;
};

}  // namespace morumoru::platform::win32
