// Where the settings live on Windows, through the wide calls so any path works.
#include <windows.h>

#include "platform/files/settings_file.h"
#include "platform/files/settings_place.h"
#include "platform/win32/utf16.h"

namespace morumoru::platform {

namespace {

using win32::Widen;

constexpr int kProbeAttempts = 100;

std::string FolderOf(const std::string& file) {
  size_t cut = file.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  // "C:\saver.ini": the folder is the drive's root, "C:\".
  if (cut == 0 || file[cut - 1] == ':') return file.substr(0, cut + 1);
  return file.substr(0, cut);
}

// The system calls refuse a path of MAX_PATH characters or more unless it is
// in its extended-length form.
std::wstring ForTheSystem(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() < MAX_PATH - 20 || wide.starts_with(L"\\\\?\\")) return wide;
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

// Whether a new file can be made beside `file`. No access check answers this
// for a read-only medium or mount, nor the same way on every system, so the
// answer is a real file, made and gone again when its handle closes (also
// when the process is killed).
bool FolderTakesAFile(const std::string& file) {
  for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
    std::wstring probe = ForTheSystem(TemporaryNameBeside(file, "\\/:", GetCurrentProcessId()));
    HANDLE handle = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return true;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace

std::string AppDataSettingsFile(const std::string& roamingAppData) {
  if (roamingAppData.empty()) return {};
  std::string folder = roamingAppData;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + "morumoru\\morumoru.ini";
}

std::string ChooseSettingsFile(const std::string& besideFile, const std::string& configFile) {
  if (configFile.empty()) return besideFile;
  // A file already there is the user's choice, even one we cannot write:
  // the failed write then names it, rather than settings quietly moving.
  if (GetFileAttributesW(ForTheSystem(besideFile).c_str()) != INVALID_FILE_ATTRIBUTES) {
    return besideFile;
  }
  return FolderTakesAFile(besideFile) ? besideFile : configFile;
}

bool MakeFoldersAbove(const std::string& file) {
  std::string folder = FolderOf(file);
  // Each level from the top; a level that exists, or that another process
  // makes at the same moment, is left as it is. The drive or share itself
  // cannot be made and is only checked at the end.
  for (size_t end = folder.find_first_of("\\/", 3); end != std::string::npos;
       end = folder.find_first_of("\\/", end + 1)) {
    if (end + 1 == folder.size()) break;
    CreateDirectoryW(ForTheSystem(folder.substr(0, end)).c_str(), nullptr);
  }
  CreateDirectoryW(ForTheSystem(folder).c_str(), nullptr);
  DWORD attributes = GetFileAttributesW(ForTheSystem(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace morumoru::platform
