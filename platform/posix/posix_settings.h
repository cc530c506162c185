#pragma once
// Settings files of the native build outside the program's folder: the
// user's configuration folder, made on the first write into it.

#include <optional>
#include <string>
#include <string_view>

#include "platform/profile/file_profile.h"
#include "platform/profile/profile_service.h"

namespace morumoru::platform::posix {

// The configuration file from $XDG_CONFIG_HOME and $HOME (the password
// database's home when that is unset) as they are now; empty without a home.
std::string ConfigFileNow();

// Our file profile; a write into the configuration file makes its folders
// first. Reads never create anything.
class ConfigFolderProfile : public ProfileService {
 public:
  std::optional<std::string> Read(const std::string& path, std::string_view section,
                                  std::string_view key) override {
    return file_.Read(path, section, key);
  }
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override;
  void Flush(const std::string& path) override { file_.Flush(path); }

 private:
  FileProfile file_;
};

}  // namespace morumoru::platform::posix
