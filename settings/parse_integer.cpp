#include "settings/parse_integer.h"

namespace morumoru {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

int32_t ParseInteger(std::string_view text, int32_t defaultValue) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }

  // "0" followed by anything but x/X is an ordinary decimal zero.
  bool hex = false;
  if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
    hex = true;
    pos += 1;
  } else if (pos + 1 < text.size() && text[pos] == '0' &&
             (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }

  if (pos >= text.size()) return defaultValue;  // empty, sign alone or marker alone

  if (hex) {
    uint32_t value = 0;
    int significant = 0;
    for (; pos < text.size(); ++pos) {
      int digit = HexDigitValue(text[pos]);
      if (digit < 0) return defaultValue;
      if (significant > 0 || digit != 0) ++significant;
      if (significant > 8) return defaultValue;
      value = (value << 4) | static_cast<uint32_t>(digit);
    }
    // Unsigned arithmetic wraps, so "-$80000000" stays -2147483648.
    return static_cast<int32_t>(negative ? 0u - value : value);
  }

  // Accumulate the magnitude; 2147483648 is only valid with a minus sign.
  constexpr int64_t kLimit = int64_t{1} << 31;
  int64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    if (!IsDecimalDigit(text[pos])) return defaultValue;
    magnitude = magnitude * 10 + (text[pos] - '0');
    if (magnitude > kLimit) return defaultValue;
  }
  if (!negative && magnitude == kLimit) return defaultValue;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace morumoru
