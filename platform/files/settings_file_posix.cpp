// Settings files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files/settings_file.h"

namespace morumoru::platform {

namespace {

constexpr int kTemporaryNameAttempts = 100;

}  // namespace

LoadStatus LoadFile(const std::string& path, uint64_t maxSize, std::string& content,
                    FileFacts& facts) {
  // O_NONBLOCK so that a FIFO in the file's place cannot hang us before fstat.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? LoadStatus::kMissing : LoadStatus::kFailed;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<uint64_t>(info.st_size) <= maxSize;
  if (ok) {
    facts.mode = info.st_mode;
    facts.owner = info.st_uid;
    facts.group = info.st_gid;
    // No write bit at all counts as read-only even for root, as the read-only
    // attribute does on Windows; otherwise the file system decides.
    facts.readOnly =
        (info.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
    content.clear();
    content.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
      ssize_t got = read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        ok = got == 0;
        break;
      }
      content.append(buffer, static_cast<size_t>(got));
      if (content.size() > maxSize) {
        ok = false;
        break;
      }
    }
  }
  close(fd);
  return ok ? LoadStatus::kLoaded : LoadStatus::kFailed;
}

namespace {

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t written = write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void SyncFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

bool ReplaceWholeFile(const std::string& path, std::string_view content, const FileFacts* old) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::string temporary = TemporaryNameBeside(path, "/", static_cast<uint64_t>(getpid()));
    // 0666 lets the umask decide for a new file, as it would for the file itself.
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    bool ok = WriteAll(fd, content);
    if (ok && old != nullptr) {
      // Owner first: changing it may clear set-id bits that fchmod then restores.
      // Only root can give the file back to its owner; others keep it as theirs.
      [[maybe_unused]] int ignored = fchown(fd, old->owner, old->group);
      ok = fchmod(fd, old->mode & 07777) == 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) {
      SyncFolderOf(path);
      return true;
    }
    unlink(temporary.c_str());
    return false;
  }
  return false;
}

std::string WriteTarget(const std::string& path) {
  // Write through a symbolic link rather than replacing the link itself.
  struct stat link;
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string target = resolved;
  free(resolved);
  return target;
}

}  // namespace morumoru::platform
