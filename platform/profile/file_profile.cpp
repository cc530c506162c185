#include "platform/profile/file_profile.h"

#include <algorithm>
#include <new>

#include "platform/files/settings_file.h"
#include "platform/lower_case.h"

namespace morumoru::platform {
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
      if (SameIgnoringAsciiCase(line.name, section)) {
        inSection = found.sectionFound = true;
        found.insertAt = line.next;
      }
    } else if (inSection && line.kind == ProfileLine::Kind::kKey) {
      if (SameIgnoringAsciiCase(line.name, key)) {
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
    platform::FileFacts facts;
    if (platform::LoadFile(path, kMaxProfileFileSize, content, facts) !=
        platform::LoadStatus::kLoaded) {
      return std::nullopt;
    }
    return FindProfileValue(content, section, key);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

bool FileProfile::Write(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (path.empty()) return false;
  try {
    std::string target = platform::WriteTarget(path);
    if (target.empty()) return false;
    std::string content;
    platform::FileFacts facts;
    platform::LoadStatus status = platform::LoadFile(target, kMaxProfileFileSize, content, facts);
    if (status == platform::LoadStatus::kFailed) return false;
    bool exists = status == platform::LoadStatus::kLoaded;
    if (exists && facts.readOnly) return false;
    std::string updated = SetProfileValue(content, section, key, value);
    if (exists && updated == content) return true;
    return platform::ReplaceWholeFile(target, updated, exists ? &facts : nullptr);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace morumoru::platform
