#pragma once
// Fonts and text measures through Xft.

#include <X11/Xft/Xft.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace morumoru::platform::x11 {

// Fonts by family and pixel size, found through fontconfig so that Japanese
// texts always have glyphs.
class FontCache {
 public:
  explicit FontCache(Display* display, int screen) : display_(display), screen_(screen) {}
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  XftFont* Get(const std::string& family, int32_t pixelSize);
  static std::string ResolvedFamily(XftFont* font);

 private:
  Display* display_;
  int screen_;
  std::map<std::pair<std::string, int32_t>, XftFont*> fonts_;
};

int32_t TextWidth(Display* display, XftFont* font, std::string_view text);
// The height of a line of `text` in the font, as a Windows text extent
// measures it (the cell, not the ink).
int32_t TextHeight(Display* display, XftFont* font, std::string_view text);

}  // namespace morumoru::platform::x11
