#pragma once
// Texts at the Win32 boundary: UTF-8 on the program's side, UTF-16 for the
// W calls; and the fonts the controls draw their captions with.

#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win32/utf16.h"

namespace morumoru::platform::win32 {

// Japanese gothic faces tried, in order, when the asked-for face is missing,
// so that captions never turn into boxes.
inline constexpr const wchar_t* kFallbackFaces[] = {
    L"MS PGothic",       L"IPAPGothic",          L"IPAGothic",    L"VL PGothic",
    L"Noto Sans CJK JP", L"Droid Sans Japanese", L"TakaoPGothic",
};

bool FaceInstalled(const std::wstring& face);

// One font per (face, pixel height), kept until the cache goes.
class FontCache {
 public:
  FontCache() = default;
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  // Empty face: the system's dialog font.
  HFONT Get(std::string_view face, int height);
  // The face the cache really uses for a requested one.
  std::wstring ResolveFace(const std::wstring& face);

 private:
  std::map<std::pair<std::wstring, int>, HFONT> fonts_;
  std::map<std::wstring, std::wstring> faces_;
};

}  // namespace morumoru::platform::win32
