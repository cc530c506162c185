#include "platform/win32/win32_text.h"

namespace morumoru::platform::win32 {

namespace {

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

}  // namespace

bool FaceInstalled(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  face.copy(wanted.lfFaceName, face.size());
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

FontCache::~FontCache() {
  for (auto& [key, font] : fonts_) DeleteObject(font);
}

std::wstring FontCache::ResolveFace(const std::wstring& face) {
  auto known = faces_.find(face);
  if (known != faces_.end()) return known->second;
  std::wstring used = face;
  if (!FaceInstalled(face)) {
    for (const wchar_t* fallback : kFallbackFaces) {
      if (FaceInstalled(fallback)) {
        used = fallback;
        break;
      }
    }
  }
  faces_[face] = used;
  return used;
}

HFONT FontCache::Get(std::string_view face, int height) {
  if (face.empty()) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  std::wstring wide = Widen(face);
  auto key = std::make_pair(wide, height);
  auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second;
  std::wstring used = ResolveFace(wide);
  HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, used.c_str());
  if (!font) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_[key] = font;
  return font;
}

}  // namespace morumoru::platform::win32
