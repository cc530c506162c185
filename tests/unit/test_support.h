#pragma once
// Helpers the unit tests share: a temporary folder, a settings store that
// fails on demand, and a recorder of what a window system hands on.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "errors/exceptions.h"
#include "platform/profile/profile_service.h"
#include "platform/window_system.h"

namespace morumoru::test_support {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes, even files a test made read-only.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(std::string_view prefix) {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            (std::string(prefix) + "-" + std::to_string(stamp));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (const auto& entry : fs::recursive_directory_iterator(path_, error)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(path_, error);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A settings store that raises a range error when the key `failing` is read
// (any key when it is empty), reads nothing else and writes nothing.
struct ThrowingProfile : platform::ProfileService {
  explicit ThrowingProfile(std::string key = {}) : failing(std::move(key)) {}
  std::optional<std::string> Read(const std::string&, std::string_view,
                                  std::string_view key) override {
    if (failing.empty() || key == failing) Raise<ERangeError>(kRangeErrorText);
    return std::nullopt;
  }
  bool Write(const std::string&, std::string_view, std::string_view, std::string_view) override {
    return false;
  }
  void Flush(const std::string&) override {}
  std::string failing;
};

// Records what a window system hands to the program.
struct EventRecorder : platform::WindowEvents {
  void HandleEvent(const platform::Event& event) noexcept override { events.push_back(event); }
  std::vector<platform::Event> events;
};

}  // namespace morumoru::test_support
