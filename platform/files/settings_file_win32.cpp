// Settings files on Windows, through the wide calls so any path works.
#include <windows.h>

#include <algorithm>

#include "platform/files/settings_file.h"
#include "platform/win32/utf16.h"

namespace morumoru::platform {

namespace {

using win32::Widen;

constexpr int kTemporaryNameAttempts = 100;

}  // namespace

LoadStatus LoadFile(const std::string& path, uint64_t maxSize, std::string& content,
                    FileFacts& facts) {
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? LoadStatus::kMissing : LoadStatus::kFailed;
  }
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            ((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow) <= maxSize;
  if (ok) {
    facts.attributes = info.dwFileAttributes;
    facts.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    content.clear();
    content.reserve(info.nFileSizeLow);
    char buffer[65536];
    DWORD got = 0;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) {
      content.append(buffer, got);
      if (content.size() > maxSize) {
        ok = false;
        break;
      }
    }
  }
  CloseHandle(file);
  return ok ? LoadStatus::kLoaded : LoadStatus::kFailed;
}

namespace {

bool WriteAll(HANDLE file, std::string_view content) {
  while (!content.empty()) {
    DWORD chunk = static_cast<DWORD>((std::min<size_t>)(content.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) return false;
    content.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool ReplaceWholeFile(const std::string& path, std::string_view content, const FileFacts* old) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::wstring temporary = Widen(TemporaryNameBeside(path, "\\/:", GetCurrentProcessId()));
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    bool ok = WriteAll(file, content) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok && MoveFileExW(temporary.c_str(), Widen(path).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      // Keep a hidden or system settings file hidden or system.
      constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
      if (old != nullptr && (old->attributes & kKept) != 0) {
        SetFileAttributesW(Widen(path).c_str(), old->attributes & kKept);
      }
      return true;
    }
    DeleteFileW(temporary.c_str());
    return false;
  }
  return false;
}

std::string WriteTarget(const std::string& path) {
  return path;
}

}  // namespace morumoru::platform
