// Properties: the result never depends on the default unless parsing failed;
// a parsed value prints back to a text that parses to the same value; a
// trailing blank always makes the text fail.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "settings/parse_integer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  int32_t a = morumoru::ParseInteger(text, 5);
  int32_t b = morumoru::ParseInteger(text, 6);
  bool failed = a == 5 && b == 6;
  FUZZ_CHECK(a == b || failed);
  if (!failed) {
    FUZZ_CHECK(morumoru::ParseInteger(std::to_string(a), a == 7 ? 8 : 7) == a);
    FUZZ_CHECK(morumoru::ParseInteger(text + " ", a == 7 ? 8 : 7) == (a == 7 ? 8 : 7));
    FUZZ_CHECK(morumoru::ParseInteger("  " + text, a == 7 ? 8 : 7) == a);
  }
  return 0;
}
