#include "platform/lower_case.h"

#ifdef _WIN32
#include "platform/win32/utf16.h"
#else
#include <locale.h>
#include <wctype.h>
#endif

namespace morumoru::platform {

#ifdef _WIN32

std::string LowerCase(std::string_view text) {
  std::wstring wide = win32::Widen(text);
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return win32::Narrow(wide);
}

#else

namespace {

// The whole character at `at` and its length; a broken sequence is one byte
// that stands for itself (code 0 then, so it is copied as it is).
char32_t Decode(std::string_view text, size_t at, size_t& length) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  length = 1;
  if (lead < 0x80) return lead;
  size_t need = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (need == 0 || at + need > text.size()) return 0;
  char32_t code = lead & (0x7F >> need);
  for (size_t i = 1; i < need; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(at + i) & 0x3F);
  }
  length = need;
  return code;
}

void Encode(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The C library's Unicode case table, whatever locale the process runs in.
locale_t Utf8Locale() {
  static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return locale;
}

}  // namespace

std::string LowerCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  locale_t locale = Utf8Locale();
  for (size_t at = 0; at < text.size();) {
    size_t length = 0;
    char32_t code = Decode(text, at, length);
    if (code == 0) {
      out += text.substr(at, length);
    } else if (locale) {
      Encode(static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), locale)), out);
    } else {
      Encode(code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code, out);
    }
    at += length;
  }
  return out;
}

#endif

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace morumoru::platform
