#pragma once
// The settings store: named text and numbers in sections of an INI file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/profile/profile_service.h"

namespace morumoru {

class TCustomIniFile {
 public:
  // Only remembers the path; the file is first touched by a read or write.
  explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadText(std::string_view section, std::string_view key,
                               std::string_view defaultValue) = 0;
  virtual void WriteText(std::string_view section, std::string_view key,
                         std::string_view value) = 0;
  // Anything but a whole integer (see ParseInteger) gives `defaultValue`.
  int32_t ReadNumber(std::string_view section, std::string_view key, int32_t defaultValue);
  // Plain decimal: "-12", never "+12" or "012".
  void WriteNumber(std::string_view section, std::string_view key, int32_t value);
  virtual void FlushFile() {}

 private:
  std::string fileName_;
};

class TIniFile : public TCustomIniFile {
 public:
  // The Windows profile functions read into a buffer of this many characters,
  // so no value is ever longer than one byte less.
  static constexpr size_t kReadBufferSize = 2048;

  TIniFile(std::string fileName, platform::ProfileService& service)
      : TCustomIniFile(std::move(fileName)), service_(service) {}
  // Releasing the store writes out whatever the service still caches.
  ~TIniFile() override;

  // The stored value or `defaultValue`, at most kReadBufferSize - 1 bytes and
  // never ending in a partial UTF-8 character.
  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view defaultValue) override;
  // Raises EIniFileException ("<path> に書き込めません") when the service fails.
  void WriteText(std::string_view section, std::string_view key, std::string_view value) override;
  void FlushFile() override;

 private:
  platform::ProfileService& service_;
};

}  // namespace morumoru
