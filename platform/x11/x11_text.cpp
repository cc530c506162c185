// Text through Xft. The layouts name a Windows font; when it is missing we
// take a Japanese gothic face, and in the end any face that has the glyphs,
// so no text ever shows as boxes.

#include "platform/x11/x11_text.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>

#include "platform/lower_case.h"
#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

// Faces close to the layouts' own, best first.
const char* const kFallbackFamilies[] = {"IPAPGothic",   "IPAGothic",        "VL PGothic",
                                         "TakaoPGothic", "Noto Sans CJK JP", "Droid Sans Japanese"};

// Texts the dialog shows; a face must have all of them.
const char kSample[] = "移動スピードはやいゆっくりスライドショーのホームページへOKCANCEL";

FcCharSet* SampleCharSet() {
  FcCharSet* set = FcCharSetCreate();
  const FcChar8* p = reinterpret_cast<const FcChar8*>(kSample);
  int left = static_cast<int>(std::strlen(kSample));
  while (left > 0) {
    FcChar32 c;
    int used = FcUtf8ToUcs4(p, &c, left);
    if (used <= 0) break;
    FcCharSetAddChar(set, c);
    p += used;
    left -= used;
  }
  return set;
}

// The matched face, when it is really `family` (not a stand-in fontconfig
// chose) and has the glyphs we need.
FcPattern* MatchFamily(Display* display, int screen, const char* family, int32_t pixelSize,
                       FcCharSet* sample) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
  FcResult result;
  FcPattern* match = XftFontMatch(display, screen, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  bool named = false;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (SameIgnoringAsciiCase(reinterpret_cast<const char*>(name), family)) named = true;
  }
  FcCharSet* charset = nullptr;
  bool covers = FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch &&
                FcCharSetIsSubset(sample, charset);
  if (named && covers) return match;
  FcPatternDestroy(match);
  return nullptr;
}

}  // namespace

FontCache::~FontCache() {
  for (auto& [key, font] : fonts_) {
    if (font) XftFontClose(display_, font);
  }
}

XftFont* FontCache::Get(const std::string& family, int32_t pixelSize) {
  auto key = std::make_pair(family, pixelSize);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;

  FcCharSet* sample = SampleCharSet();
  FcPattern* match = nullptr;
  if (!family.empty()) match = MatchFamily(display_, screen_, family.c_str(), pixelSize, sample);
  for (const char* fallback : kFallbackFamilies) {
    if (match) break;
    match = MatchFamily(display_, screen_, fallback, pixelSize, sample);
  }
  if (!match) {
    // Any face with the glyphs.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddCharSet(pattern, FC_CHARSET, sample);
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
    FcResult result;
    match = XftFontMatch(display_, screen_, pattern, &result);
    FcPatternDestroy(pattern);
  }
  FcCharSetDestroy(sample);
  XftFont* font = match ? XftFontOpenPattern(display_, match) : nullptr;
  if (!font && match) FcPatternDestroy(match);
  if (!font) {
    font =
        XftFontOpen(display_, screen_, XFT_PIXEL_SIZE, XftTypeDouble, double(pixelSize), nullptr);
  }
  fonts_[key] = font;
  return font;
}

std::string FontCache::ResolvedFamily(XftFont* font) {
  FcChar8* name = nullptr;
  if (font && FcPatternGetString(font->pattern, FC_FAMILY, 0, &name) == FcResultMatch) {
    return reinterpret_cast<const char*>(name);
  }
  return {};
}

int32_t TextWidth(Display* display, XftFont* font, std::string_view text) {
  if (!font || text.empty()) return 0;
  XGlyphInfo extents;
  XftTextExtentsUtf8(display, font, reinterpret_cast<const FcChar8*>(text.data()),
                     static_cast<int>(text.size()), &extents);
  return extents.xOff;
}

int32_t TextHeight(Display* display, XftFont* font, std::string_view text) {
  if (!font || text.empty()) return 0;
  // Xft's extents give the ink of the glyphs ("0" is shorter than the line);
  // a text extent on Windows is as high as the font's cell, ascent plus
  // descent, whatever the glyphs. The dialog scales by the latter.
  XGlyphInfo extents;
  XftTextExtentsUtf8(display, font, reinterpret_cast<const FcChar8*>(text.data()),
                     static_cast<int>(text.size()), &extents);
  return std::max<int32_t>(font->ascent + font->descent, extents.height);
}

int32_t X11WindowSystem::FontTextHeight(std::string_view fontName, int32_t height) {
  return TextHeight(x_.display, x_.fonts->Get(std::string(fontName), height), "0");
}

std::string StripAccessMarker(std::string_view caption, int32_t& underlineStart,
                              int32_t& underlineLength) {
  std::string shown;
  underlineStart = -1;
  underlineLength = 0;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && underlineStart < 0) {
        underlineStart = static_cast<int32_t>(shown.size());
        unsigned char lead = static_cast<unsigned char>(caption[i]);
        underlineLength = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      }
    }
    shown += caption[i];
  }
  return shown;
}

bool ResolveFont(const std::string& family, int32_t pixelSize, const std::string& utf8,
                 std::string& resolved, bool& covers) {
  Display* display = OpenDisplay();
  if (!display) return false;
  bool found = false;
  {
    FontCache fonts(display, DefaultScreen(display));
    XftFont* font = fonts.Get(family, pixelSize);
    if (font) {
      found = true;
      resolved = FontCache::ResolvedFamily(font);
      covers = true;
      const FcChar8* p = reinterpret_cast<const FcChar8*>(utf8.data());
      int left = static_cast<int>(utf8.size());
      while (left > 0) {
        FcChar32 c;
        int used = FcUtf8ToUcs4(p, &c, left);
        if (used <= 0) break;
        if (!XftCharExists(display, font, c)) covers = false;
        p += used;
        left -= used;
      }
    }
  }
  XCloseDisplay(display);
  return found;
}

}  // namespace morumoru::platform::x11
