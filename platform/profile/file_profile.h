#pragma once
// Our own private-profile service, used where there is no GetPrivateProfileString.
// It reads a file as Windows does and changes only the one value it is asked to,
// so a file edited by hand or carried over from Windows keeps its look.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/profile/profile_service.h"

namespace morumoru::platform {

// A settings file is a few hundred bytes; anything past this is not loaded at all.
inline constexpr uint64_t kMaxProfileFileSize = uint64_t{64} << 20;

// The line end for lines added to `text`: CR LF when its first line ends with
// CR LF, otherwise LF (also for text with no line end yet, as a new file).
std::string_view ProfileLineEnd(std::string_view text);

// The value of `key` in `section` of INI text, or nullopt when either is absent.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// `text` with key=value set in `section`; every byte not part of that one line stays.
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

class FileProfile : public ProfileService {
 public:
  std::optional<std::string> Read(const std::string& path, std::string_view section,
                                  std::string_view key) override;
  // Replaces the file as a whole (temporary file, then rename), so a failure
  // at any point leaves the old file exactly as it was.
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override;
  // Nothing is cached.
  void Flush(const std::string&) override {}
};

}  // namespace morumoru::platform
