// Any bytes as an INI file; then one key is written. The result must read the
// key back as written, parse again, and keep every other line byte for byte:
// between the common head and tail of lines, at most one old line is replaced
// and at most two new lines appear (besides a line end added to the last line).
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/profile/file_profile.h"

namespace {

std::string Name(const uint8_t*& data, size_t& size, const char* fallback) {
  // Names a user could give: letters and digits, never empty.
  std::string name;
  while (size > 0 && name.size() < 8) {
    char c = static_cast<char>(*data);
    ++data;
    --size;
    if (c == 0) break;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) name += c;
  }
  return name.empty() ? fallback : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string section = Name(data, size, "moruscr");
  std::string key = Name(data, size, "speed");
  std::string value = Name(data, size, "42");
  std::string old(reinterpret_cast<const char*>(data), size);

  (void)morumoru::platform::FindProfileValue(old, section, key);
  std::string updated = morumoru::platform::SetProfileValue(old, section, key, value);
  auto readBack = morumoru::platform::FindProfileValue(updated, section, key);
  FUZZ_CHECK(readBack.has_value());
  FUZZ_CHECK(*readBack == value);
  FUZZ_CHECK(morumoru::platform::SetProfileValue(updated, section, key, value) == updated);

  // A byte-order mark is no line; a last line without a line end gets one
  // before anything is appended.
  std::string base = old;
  const std::string bom = "\xEF\xBB\xBF";
  if (base.rfind(bom, 0) == 0 && updated.rfind(bom, 0) == 0) {
    base.erase(0, 3);
    updated.erase(0, 3);
  }
  std::string trimmed = base;
  if (!trimmed.empty() && trimmed.back() != '\n') {
    for (const char* end : {"\r\n", "\n"}) {
      if (updated.rfind(trimmed + end, 0) == 0) {
        base = trimmed + end;
        break;
      }
    }
  }
  auto before = SplitLines(base);
  auto after = SplitLines(updated);
  size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  size_t removed = before.size() - head - tail;
  size_t added = after.size() - head - tail;
  FUZZ_CHECK(removed <= 1);
  FUZZ_CHECK(added <= 2);
  return 0;
}
