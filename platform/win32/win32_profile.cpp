#ifdef _WIN32

#include "platform/win32/win32_profile.h"

#include <windows.h>

#include "platform/profile/file_profile.h"
#include "platform/win32/utf16.h"

namespace morumoru::platform::win32 {
namespace {

constexpr DWORD kBufferSize = 2048;

// A default no settings file holds: getting it back means the key is absent.
constexpr wchar_t kAbsent[] = L"\x01\x02";

// The system's profile functions take no path of MAX_PATH characters or more
// (they fail, as Wine's do), so a settings file that deep goes through our own
// store, which reaches it by the extended-length form of its path.
bool TooLongForTheSystem(std::wstring_view path) {
  return path.size() >= MAX_PATH;
}

// Windows reads a file that begins with the UTF-8 mark as ANSI text: its first
// section becomes "\xEF\xBB\xBF[moruscr]" and is never found, and a write adds
// a second section that reads then miss. Such a file (an editor's "UTF-8 with
// BOM") goes through our own store, which reads past the mark and keeps it.
bool BeginsWithUtf8Mark(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char head[3] = {};
  DWORD got = 0;
  bool marked = ReadFile(file, head, sizeof head, &got, nullptr) && got == sizeof head &&
                head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
  CloseHandle(file);
  return marked;
}

std::string ExtendedLength(const std::string& path) {
  if (path.starts_with(R"(\\?\)")) return path;
  if (path.starts_with(R"(\\)")) return R"(\\?\UNC\)" + path.substr(2);
  return R"(\\?\)" + path;
}

}  // namespace

std::optional<std::string> Win32Profile::Read(const std::string& path, std::string_view section,
                                              std::string_view key) {
  std::wstring widePath = Widen(path);
  if (TooLongForTheSystem(widePath)) return FileProfile().Read(ExtendedLength(path), section, key);
  if (BeginsWithUtf8Mark(widePath)) return FileProfile().Read(path, section, key);
  wchar_t buffer[kBufferSize];
  DWORD length = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), kAbsent,
                                          buffer, kBufferSize, widePath.c_str());
  std::wstring_view value(buffer, length);
  if (value == kAbsent) return std::nullopt;
  // A long value may be cut between the halves of a surrogate pair; drop the
  // stray half rather than turn it into U+FFFD.
  if (!value.empty() && value.back() >= 0xD800 && value.back() <= 0xDBFF) value.remove_suffix(1);
  return Narrow(value);
}

bool Win32Profile::Write(const std::string& path, std::string_view section, std::string_view key,
                         std::string_view value) {
  std::wstring widePath = Widen(path);
  // Our store refuses a read-only file by itself.
  if (TooLongForTheSystem(widePath)) {
    return FileProfile().Write(ExtendedLength(path), section, key, value);
  }
  if (BeginsWithUtf8Mark(widePath)) return FileProfile().Write(path, section, key, value);
  // Windows itself refuses a read-only file; Wine running as root does not,
  // so say no here and behave the same everywhere.
  DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                    Widen(value).c_str(), widePath.c_str()) != FALSE;
}

void Win32Profile::Flush(const std::string& path) {
  std::wstring widePath = Widen(path);
  if (TooLongForTheSystem(widePath)) return;  // our store caches nothing
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, widePath.c_str());
}

}  // namespace morumoru::platform::win32

#endif  // _WIN32
