#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/settings_place.h"

namespace morumoru::platform {

namespace {

bool Absolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::string FolderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return file.substr(0, slash);
}

}  // namespace

std::string ConfigSettingsFile(const char* configHome, const char* home) {
  std::string folder;
  if (Absolute(configHome)) {
    folder = configHome;
  } else if (Absolute(home)) {
    folder = home;
    if (folder.back() != '/') folder += '/';
    folder += ".config";
  } else {
    return {};
  }
  if (folder.back() != '/') folder += '/';
  return folder + "morumoru/morumoru.ini";
}

std::string ChooseSettingsFile(const std::string& besideFile, const std::string& configFile) {
  if (configFile.empty()) return besideFile;
  // A file already there is the user's choice, even one we cannot write:
  // the failed write then names it, rather than settings quietly moving.
  struct stat info;
  if (lstat(besideFile.c_str(), &info) == 0) return besideFile;
  // The effective ids decide, as they do for the write itself; EROFS stops
  // root as well.
  if (faccessat(AT_FDCWD, FolderOf(besideFile).c_str(), W_OK | X_OK, AT_EACCESS) == 0) {
    return besideFile;
  }
  return configFile;
}

bool MakeFoldersAbove(const std::string& file) {
  std::string folder = FolderOf(file);
  // Each level from the top: "/a", "/a/b", ... A folder that exists, or that
  // another process makes at the same moment, is left as it is.
  for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    std::string level = folder.substr(0, end);
    if (mkdir(level.c_str(), 0700) == 0) {
      // Exactly 0700, whatever the umask takes away.
      chmod(level.c_str(), 0700);
    } else if (errno != EEXIST) {
      return false;
    }
    if (end == std::string::npos) break;
  }
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace morumoru::platform
