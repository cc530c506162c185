#include "settings/file_profile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace morumoru {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Unquote(std::string_view text) {
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

size_t FirstLineStart(std::string_view text) {
  return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

struct ProfileLine {
  enum class Kind { kOther, kSection, kKey };
  Kind kind = Kind::kOther;
  size_t start = 0;        // first byte of the line
  size_t end = 0;          // end of its text, before the CR LF or LF
  size_t next = 0;         // first byte of the following line
  std::string_view name;   // section or key name, blanks dropped
  std::string_view value;  // key value, blanks and enclosing quotes dropped
};

// The one parser: reads and writes both walk the text line by line with it, so
// they always agree on what a line is. Nothing is stored per line, so a file of
// millions of empty lines costs no memory.
ProfileLine ParseLine(std::string_view text, size_t start) {
  ProfileLine line;
  line.start = start;
  size_t lf = text.find('\n', start);
  line.end = lf == std::string_view::npos ? text.size() : lf;
  line.next = lf == std::string_view::npos ? text.size() : lf + 1;
  if (line.end > start && text[line.end - 1] == '\r') --line.end;

  std::string_view body = TrimBlanks(text.substr(start, line.end - start));
  if (body.empty() || body.front() == ';') return line;
  if (body.front() == '[') {
    size_t close = body.find(']');
    if (close != std::string_view::npos) {
      line.kind = ProfileLine::Kind::kSection;
      line.name = TrimBlanks(body.substr(1, close - 1));
    }
    return line;
  }
  size_t equals = body.find('=');
  if (equals != std::string_view::npos) {
    line.kind = ProfileLine::Kind::kKey;
    line.name = TrimBlanks(body.substr(0, equals));
    line.value = Unquote(TrimBlanks(body.substr(equals + 1)));
  }
  return line;
}

struct KeyLocation {
  bool sectionFound = false;
  std::optional<ProfileLine> keyLine;
  size_t insertAt = 0;  // where a missing key goes: after the section's last key line
};

// Only the first section of a name counts, as with the Windows profile
// functions: keys under a repeated [section] further down are never read, and
// writes go to the first one. Likewise the first of two equal keys wins.
KeyLocation LocateKey(std::string_view text, std::string_view section, std::string_view key) {
  KeyLocation found;
  bool inSection = false;
  for (size_t pos = FirstLineStart(text); pos < text.size();) {
    ProfileLine line = ParseLine(text, pos);
    pos = line.next;
    if (line.kind == ProfileLine::Kind::kSection) {
      if (inSection) break;
      if (SameName(line.name, section)) {
        inSection = found.sectionFound = true;
        found.insertAt = line.next;
      }
    } else if (inSection && line.kind == ProfileLine::Kind::kKey) {
      if (SameName(line.name, key)) {
        found.keyLine = line;
        break;
      }
      found.insertAt = line.next;
    }
  }
  return found;
}

// What has to precede text appended at the very end so that it starts a line.
std::string_view BreakBeforeAppend(std::string_view text) {
  if (text.size() <= FirstLineStart(text) || text.back() == '\n') return "";
  if (text.back() == '\r') return "\n";
  return ProfileLineEnd(text);
}

std::string UniqueSuffix() {
  static std::atomic<uint64_t> counter{0};
#ifdef _WIN32
  uint64_t process = GetCurrentProcessId();
#else
  uint64_t process = static_cast<uint64_t>(getpid());
#endif
  uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (process << 40) ^ (++counter * 0x9E3779B97F4A7C15ull);
  // splitmix64 finaliser: neighbouring inputs give unrelated names.
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 10; ++i, x /= 36) suffix.push_back(kDigits[x % 36]);
  return suffix;
}

// ".<name>.<random>" beside `path`, so the final rename stays on one file system.
std::string TemporaryNameBeside(const std::string& path) {
#ifdef _WIN32
  size_t cut = path.find_last_of("\\/:");
#else
  size_t cut = path.rfind('/');
#endif
  size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + "." + UniqueSuffix();
}

enum class LoadStatus { kLoaded, kMissing, kFailed };

constexpr int kTemporaryNameAttempts = 100;

#ifdef _WIN32

struct FileFacts {
  bool readOnly = false;
  DWORD attributes = 0;
};

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

LoadStatus LoadFile(const std::string& path, std::string& content, FileFacts& facts) {
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? LoadStatus::kMissing : LoadStatus::kFailed;
  }
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            ((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow) <= kMaxProfileFileSize;
  if (ok) {
    facts.attributes = info.dwFileAttributes;
    facts.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    content.clear();
    content.reserve(info.nFileSizeLow);
    char buffer[65536];
    DWORD got = 0;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) {
      content.append(buffer, got);
      if (content.size() > kMaxProfileFileSize) {
        ok = false;
        break;
      }
    }
  }
  CloseHandle(file);
  return ok ? LoadStatus::kLoaded : LoadStatus::kFailed;
}

bool WriteAll(HANDLE file, std::string_view content) {
  while (!content.empty()) {
    DWORD chunk = static_cast<DWORD>((std::min<size_t>)(content.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) return false;
    content.remove_prefix(written);
  }
  return true;
}

bool ReplaceContents(const std::string& path, std::string_view content, const FileFacts* old) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::wstring temporary = Widen(TemporaryNameBeside(path));
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

#else  // POSIX

struct FileFacts {
  bool readOnly = false;
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
};

LoadStatus LoadFile(const std::string& path, std::string& content, FileFacts& facts) {
  // O_NONBLOCK so that a FIFO in the file's place cannot hang us before fstat.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? LoadStatus::kMissing : LoadStatus::kFailed;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<uint64_t>(info.st_size) <= kMaxProfileFileSize;
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
      if (content.size() > kMaxProfileFileSize) {
        ok = false;
        break;
      }
    }
  }
  close(fd);
  return ok ? LoadStatus::kLoaded : LoadStatus::kFailed;
}

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

bool ReplaceContents(const std::string& path, std::string_view content, const FileFacts* old) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::string temporary = TemporaryNameBeside(path);
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

#endif

}  // namespace

std::string_view ProfileLineEnd(std::string_view text) {
  size_t lf = text.find('\n');
  return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  KeyLocation at = LocateKey(text, section, key);
  if (!at.keyLine) return std::nullopt;
  return std::string(at.keyLine->value);
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  KeyLocation at = LocateKey(text, section, key);
  std::string result;
  result.reserve(text.size() + section.size() + key.size() + value.size() + 8);
  if (at.keyLine) {
    // The line becomes name=value under the name as the file spells it; its
    // own line end stays.
    result.append(text.substr(0, at.keyLine->start));
    result.append(at.keyLine->name).append("=").append(value);
    result.append(text.substr(at.keyLine->end));
    return result;
  }
  std::string_view lineEnd = ProfileLineEnd(text);
  size_t insertAt = at.sectionFound ? at.insertAt : text.size();
  result.append(text.substr(0, insertAt));
  if (insertAt == text.size()) result.append(BreakBeforeAppend(text));
  if (!at.sectionFound) result.append("[").append(section).append("]").append(lineEnd);
  result.append(key).append("=").append(value).append(lineEnd);
  result.append(text.substr(insertAt));
  return result;
}

std::optional<std::string> FileProfile::Read(const std::string& path, std::string_view section,
                                             std::string_view key) {
  try {
    std::string content;
    FileFacts facts;
    if (LoadFile(path, content, facts) != LoadStatus::kLoaded) return std::nullopt;
    return FindProfileValue(content, section, key);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

bool FileProfile::Write(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (path.empty()) return false;
  try {
    std::string target = path;
#ifndef _WIN32
    // Write through a symbolic link rather than replacing the link itself.
    struct stat link;
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      char* resolved = realpath(path.c_str(), nullptr);
      if (resolved == nullptr) return false;
      target = resolved;
      free(resolved);
    }
#endif
    std::string content;
    FileFacts facts;
    LoadStatus status = LoadFile(target, content, facts);
    if (status == LoadStatus::kFailed) return false;
    bool exists = status == LoadStatus::kLoaded;
    if (exists && facts.readOnly) return false;
    std::string updated = SetProfileValue(content, section, key, value);
    if (exists && updated == content) return true;
    return ReplaceContents(target, updated, exists ? &facts : nullptr);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace morumoru
