// The pictures and the dialog icon: decoded once from the embedded files and
// put into server-side pixmaps, so that drawing them is a copy inside the
// server.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11/x11_assets.h"
#include "platform/x11/x11_window_system.h"

namespace morumoru::platform::x11 {

namespace {

uint32_t Read16(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Read32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
constexpr int32_t kMaxSide = 16384;

// The value of one channel (0..255) placed under a visual's mask.
unsigned long Channel(uint32_t value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctzl(mask);
  unsigned long bits = mask >> shift;
  return ((value * bits + 127) / 255) << shift;
}

// What a BMP file's headers say, once they are found sound for DecodeBmp.
struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;
  uint32_t offset = 0;
  size_t stride = 0;
};

bool ReadBmpLayout(const unsigned char* data, size_t size, BmpLayout& layout) {
  if (!data || size < kFileHeader + kInfoHeader) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  uint32_t offset = Read32(data + 10);
  const unsigned char* info = data + kFileHeader;
  uint32_t infoSize = Read32(info);
  if (infoSize < kInfoHeader || kFileHeader + infoSize > size) return false;
  int32_t width = static_cast<int32_t>(Read32(info + 4));
  int32_t height = static_cast<int32_t>(Read32(info + 8));
  if (Read16(info + 12) != 1 || Read16(info + 14) != 24 || Read32(info + 16) != 0) return false;
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  size_t stride = (size_t(width) * 3 + 3) & ~size_t{3};
  if (offset < kFileHeader + infoSize || offset > size ||
      (size - offset) / stride < size_t(height)) {
    return false;
  }
  layout = {width, height, topDown, offset, stride};
  return true;
}

}  // namespace

bool DecodeBmp(const unsigned char* data, size_t size, DecodedImage& image) {
  BmpLayout layout;
  if (!ReadBmpLayout(data, size, layout)) return false;
  auto [width, height, topDown, offset, stride] = layout;
  image.width = width;
  image.height = height;
  image.pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    const unsigned char* row = data + offset + stride * size_t(topDown ? y : height - 1 - y);
    uint32_t* out = image.pixels.data() + size_t(y) * size_t(width);
    for (int32_t x = 0; x < width; ++x, row += 3) {
      out[x] = uint32_t(row[2]) << 16 | uint32_t(row[1]) << 8 | uint32_t(row[0]);
    }
  }
  return true;
}

bool DecodeIcon(const unsigned char* data, size_t size, uint32_t background, DecodedImage& image) {
  if (!data || size < 6 || Read16(data) != 0 || Read16(data + 2) != 1) return false;
  uint32_t count = Read16(data + 4);
  if (count == 0 || 6 + size_t(count) * 16 > size) return false;
  // The 32x32 entry, or the first one.
  const unsigned char* entry = data + 6;
  for (uint32_t i = 0; i < count; ++i) {
    const unsigned char* e = data + 6 + i * 16;
    if (e[0] == 32 && e[1] == 32) {
      entry = e;
      break;
    }
  }
  uint32_t offset = Read32(entry + 12);
  if (offset > size || size - offset < kInfoHeader) return false;
  const unsigned char* info = data + offset;
  uint32_t infoSize = Read32(info);
  int32_t width = static_cast<int32_t>(Read32(info + 4));
  int32_t height = static_cast<int32_t>(Read32(info + 8)) / 2;  // image and mask
  uint32_t bits = Read16(info + 14);
  if (infoSize < kInfoHeader || width <= 0 || height <= 0 || width > 256 || height > 256) {
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8) return false;
  uint32_t colors = Read32(info + 32);
  if (colors == 0) colors = 1u << bits;
  size_t paletteAt = offset + infoSize;
  size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
  size_t maskStride = ((size_t(width) + 31) / 32) * 4;
  size_t pixelsAt = paletteAt + size_t(colors) * 4;
  size_t maskAt = pixelsAt + stride * size_t(height);
  if (maskAt + maskStride * size_t(height) > size) return false;
  image.width = width;
  image.height = height;
  image.pixels.assign(size_t(width) * size_t(height), background);
  for (int32_t y = 0; y < height; ++y) {
    const unsigned char* row = data + pixelsAt + stride * size_t(height - 1 - y);
    const unsigned char* mask = data + maskAt + maskStride * size_t(height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      if (mask[x / 8] & (0x80 >> (x % 8))) continue;  // transparent
      uint32_t index;
      if (bits == 8) {
        index = row[x];
      } else if (bits == 4) {
        index = (row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F;
      } else {
        index = (row[x / 8] >> (7 - x % 8)) & 1;
      }
      if (index >= colors) continue;
      const unsigned char* rgb = data + paletteAt + index * 4;
      image.pixels[size_t(y) * size_t(width) + size_t(x)] =
          uint32_t(rgb[2]) << 16 | uint32_t(rgb[1]) << 8 | uint32_t(rgb[0]);
    }
  }
  return true;
}

unsigned long X11WindowSystem::Pixel(uint32_t rgb) {
  if (visual_->c_class == TrueColor || visual_->c_class == DirectColor) {
    return Channel(rgb >> 16 & 0xFF, visual_->red_mask) |
           Channel(rgb >> 8 & 0xFF, visual_->green_mask) | Channel(rgb & 0xFF, visual_->blue_mask);
  }
  XColor color{};
  color.red = static_cast<unsigned short>((rgb >> 16 & 0xFF) * 257);
  color.green = static_cast<unsigned short>((rgb >> 8 & 0xFF) * 257);
  color.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
  color.flags = DoRed | DoGreen | DoBlue;
  if (!XAllocColor(display_, colormap_, &color)) return BlackPixel(display_, screen_);
  return color.pixel;
}

Pixmap X11WindowSystem::MakePixmap(const DecodedImage& picture) {
  Pixmap pixmap =
      XCreatePixmap(display_, root_, static_cast<unsigned>(picture.width),
                    static_cast<unsigned>(picture.height), static_cast<unsigned>(depth_));
  PutPixels(pixmap, picture);
  return pixmap;
}

void X11WindowSystem::PutPixels(Pixmap pixmap, const DecodedImage& picture) {
  XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                               nullptr, static_cast<unsigned>(picture.width),
                               static_cast<unsigned>(picture.height), 32, 0);
  if (!image) return;
  image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * picture.height));
  if (!image->data) {
    XDestroyImage(image);
    return;
  }
  bool direct = image->bits_per_pixel == 32 && visual_->red_mask == 0xFF0000 &&
                visual_->green_mask == 0xFF00 && visual_->blue_mask == 0xFF &&
                image->byte_order == LSBFirst && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint32_t* row = picture.pixels.data() + size_t(y) * size_t(picture.width);
    if (direct) {
      std::memcpy(image->data + size_t(y) * size_t(image->bytes_per_line), row,
                  size_t(picture.width) * 4);
      continue;
    }
    for (int32_t x = 0; x < picture.width; ++x) XPutPixel(image, x, y, Pixel(row[x]));
  }
  XPutImage(display_, pixmap, gc_, image, 0, 0, 0, 0, static_cast<unsigned>(picture.width),
            static_cast<unsigned>(picture.height));
  XDestroyImage(image);
}

PictureId X11WindowSystem::LoadPicture(int index) {
  // Only the pixmap is made here. The pixels go in when a panel first shows
  // the picture: the saver's first frame needs one picture of nine, and the
  // others are each put in at the choice of a slide, off the screen.
  Blob blob = EmbeddedPicture(index);
  BmpLayout layout;
  if (!ReadBmpLayout(blob.data, blob.size, layout)) return kNoPicture;
  Pixmap pixmap =
      XCreatePixmap(display_, root_, static_cast<unsigned>(layout.width),
                    static_cast<unsigned>(layout.height), static_cast<unsigned>(depth_));
  if (pixmap) pictures_.push_back({pixmap, {layout.width, layout.height}, index});
  return pixmap;
}

void X11WindowSystem::FillPicture(Picture& picture) {
  if (picture.pending < 0) return;
  Blob blob = EmbeddedPicture(picture.pending);
  picture.pending = -1;
  DecodedImage pixels;
  if (DecodeBmp(blob.data, blob.size, pixels)) PutPixels(picture.pixmap, pixels);
}

void X11WindowSystem::FreePicture(PictureId picture) {
  auto it = std::find_if(pictures_.begin(), pictures_.end(),
                         [&](const Picture& held) { return held.pixmap == picture; });
  if (it == pictures_.end()) return;
  for (auto& [xid, win] : windows_) {
    if (win->picture != it->pixmap) continue;
    win->picture = 0;
    FitPanelBackground(*win);
  }
  XFreePixmap(display_, it->pixmap);
  pictures_.erase(it);
}

void X11WindowSystem::SetPanelPicture(WindowId panel, PictureId picture) {
  Win* win = Find(panel);
  if (!win || win->kind != WindowKind::kPanel) return;
  auto it = std::find_if(pictures_.begin(), pictures_.end(),
                         [&](const Picture& held) { return held.pixmap == picture; });
  if (it != pictures_.end()) FillPicture(*it);
  win->picture = it == pictures_.end() ? 0 : it->pixmap;
  win->pictureSize = it == pictures_.end() ? Size{} : it->size;
  FitPanelBackground(*win);
  PaintPanel(*win);
}

void X11WindowSystem::PaintPanel(Win& win) {
  // No clearing first: the picture covers what it covers in one copy, and
  // only the rest (a panel wider than its picture) is filled black.
  int32_t covered_width = 0;
  int32_t covered_height = 0;
  if (win.picture) {
    covered_width = std::min(win.bounds.width, win.pictureSize.width);
    covered_height = std::min(win.bounds.height, win.pictureSize.height);
    XCopyArea(display_, win.picture, win.xid, gc_, 0, 0, static_cast<unsigned>(covered_width),
              static_cast<unsigned>(covered_height), 0, 0);
  }
  XSetForeground(display_, gc_, BlackPixel(display_, screen_));
  if (covered_width < win.bounds.width) {
    XFillRectangle(display_, win.xid, gc_, covered_width, 0,
                   static_cast<unsigned>(win.bounds.width - covered_width),
                   static_cast<unsigned>(std::max(win.bounds.height, 1)));
  }
  if (covered_height < win.bounds.height && covered_width > 0) {
    XFillRectangle(display_, win.xid, gc_, 0, covered_height, static_cast<unsigned>(covered_width),
                   static_cast<unsigned>(win.bounds.height - covered_height));
  }
}

void X11WindowSystem::PaintPanelComingIntoView(Win& win, const Rect& before) {
  // The server copies what was in view along with the window and asks for
  // the rest with an exposure, but the panel has no background: until that
  // exposure is answered the strip that came in from the edge would show
  // what was there. Paint it in the same flush as the move instead.
  const Win* parent = Find(win.parent);
  if (!parent) return;
  Size extra = FrameExtra(*parent);
  int32_t parentWidth = parent->bounds.width - extra.width;
  int32_t parentHeight = parent->bounds.height - extra.height;
  struct Span {
    int32_t left, top, right, bottom;  // in the panel's coordinates
    bool Empty() const { return left >= right || top >= bottom; }
  };
  auto inView = [&](const Rect& at) {
    return Span{std::max(0, -at.left), std::max(0, -at.top),
                std::min(at.width, parentWidth - at.left),
                std::min(at.height, parentHeight - at.top)};
  };
  Span now = inView(win.bounds);
  Span was = inView(before);
  if (now.Empty()) return;
  if (was.Empty()) {
    CopyPanelPart(win, now.left, now.top, now.right - now.left, now.bottom - now.top);
    return;
  }
  // Beside what was in view, then above and below it.
  int32_t middleLeft = std::max(now.left, was.left);
  int32_t middleRight = std::min(now.right, was.right);
  CopyPanelPart(win, now.left, now.top, std::min(now.right, was.left) - now.left,
                now.bottom - now.top);
  CopyPanelPart(win, middleRight, now.top, now.right - middleRight, now.bottom - now.top);
  CopyPanelPart(win, middleLeft, now.top, middleRight - middleLeft,
                std::min(now.bottom, was.top) - now.top);
  int32_t below = std::max(now.top, was.bottom);
  CopyPanelPart(win, middleLeft, below, middleRight - middleLeft, now.bottom - below);
}

void X11WindowSystem::CopyPanelPart(Win& win, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  if (!win.picture || x + width > win.pictureSize.width || y + height > win.pictureSize.height) {
    PaintPanel(win);  // past the picture: black, which PaintPanel fills
    return;
  }
  XCopyArea(display_, win.picture, win.xid, gc_, x, y, static_cast<unsigned>(width),
            static_cast<unsigned>(height), x, y);
}

}  // namespace morumoru::platform::x11
