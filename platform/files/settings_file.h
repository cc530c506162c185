#pragma once
// Reading and replacing a settings file as a whole, so that a failed write
// never leaves a half-written file: the new text goes to a temporary file in
// the same folder, which then takes the old one's place.

#include <cstdint>
#include <string>
#include <string_view>

namespace morumoru::platform {

enum class LoadStatus { kLoaded, kMissing, kFailed };

// What a replacement keeps of the old file.
struct FileFacts {
  bool readOnly = false;  // no write permission bits, or the read-only attribute
  uint32_t mode = 0;      // POSIX permission bits
  uint32_t owner = 0;     // POSIX owner and group
  uint32_t group = 0;
  uint32_t attributes = 0;  // Windows file attributes
};

// Loads a regular file of at most maxSize bytes.
LoadStatus LoadFile(const std::string& path, uint64_t maxSize, std::string& content,
                    FileFacts& facts);

// Writes content to a temporary file beside path, syncs it and renames it
// over path; old (when the file existed) says what to keep. On failure the
// temporary file is removed and path is untouched.
bool ReplaceWholeFile(const std::string& path, std::string_view content, const FileFacts* old);

// The file a write must replace: the target of a symbolic link, else path
// itself; empty when a link cannot be resolved.
std::string WriteTarget(const std::string& path);

// ".<name>.<random>" beside path; separators are the folder separators.
std::string TemporaryNameBeside(const std::string& path, std::string_view separators,
                                uint64_t processId);

}  // namespace morumoru::platform
