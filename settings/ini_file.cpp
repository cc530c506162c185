#include "settings/ini_file.h"

#include "errors/exceptions.h"
#include "settings/parse_integer.h"

namespace morumoru {
namespace {

// Cuts `text` to at most `maxBytes`, backing up to the start of a character
// that would otherwise be split. Gives up after three continuation bytes, the
// most a valid sequence has, so malformed input is cut by bytes as before.
std::string CutAtCharacter(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  size_t cut = maxBytes;
  for (int back = 0; back < 3 && cut > 0; ++back) {
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) break;
    --cut;
  }
  if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) cut = maxBytes;
  return std::string(text.substr(0, cut));
}

std::string CannotWriteMessage(const std::string& path) {
  std::string_view message = kCannotWriteTemplate;
  size_t at = message.find("%s");
  if (at == std::string_view::npos) return std::string(message);
  return std::string(message.substr(0, at)) + path + std::string(message.substr(at + 2));
}

}  // namespace

int32_t TCustomIniFile::ReadNumber(std::string_view section, std::string_view key,
                                   int32_t defaultValue) {
  return ParseInteger(ReadText(section, key, ""), defaultValue);
}

void TCustomIniFile::WriteNumber(std::string_view section, std::string_view key, int32_t value) {
  WriteText(section, key, std::to_string(value));
}

TIniFile::~TIniFile() {
  // A destructor must not throw; a service that fails to flush has nothing
  // more to tell us here.
  try {
    TIniFile::FlushFile();
  } catch (...) {
  }
}

std::string TIniFile::ReadText(std::string_view section, std::string_view key,
                               std::string_view defaultValue) {
  std::optional<std::string> value = service_.Read(FileName(), section, key);
  return CutAtCharacter(value ? std::string_view(*value) : defaultValue, kReadBufferSize - 1);
}

void TIniFile::WriteText(std::string_view section, std::string_view key, std::string_view value) {
  if (!service_.Write(FileName(), section, key, value)) {
    Raise<EIniFileException>(CannotWriteMessage(FileName()));
  }
}

void TIniFile::FlushFile() {
  service_.Flush(FileName());
}

}  // namespace morumoru
