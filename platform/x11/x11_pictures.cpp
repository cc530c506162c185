// The pictures and the dialog icon: decoded once from the embedded files and
// put into server-side pixmaps, so that drawing them is a copy inside the
// server. The decoders are pure, for the tests.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11/x11_assets.h"
#include "platform/x11/x11_painter.h"

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
    const unsigned char* e = data + 6 + size_t(i) * 16;
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
      const unsigned char* rgb = data + paletteAt + size_t(index) * 4;
      image.pixels[size_t(y) * size_t(width) + size_t(x)] =
          uint32_t(rgb[2]) << 16 | uint32_t(rgb[1]) << 8 | uint32_t(rgb[0]);
    }
  }
  return true;
}

Pixmap Painter::MakePixmap(const DecodedImage& picture) {
  Pixmap pixmap =
      XCreatePixmap(x_.display, x_.root, static_cast<unsigned>(picture.width),
                    static_cast<unsigned>(picture.height), static_cast<unsigned>(x_.depth));
  PutPixels(pixmap, picture);
  return pixmap;
}

void Painter::PutPixels(Pixmap pixmap, const DecodedImage& picture) {
  XImage* image = XCreateImage(x_.display, x_.visual, static_cast<unsigned>(x_.depth), ZPixmap, 0,
                               nullptr, static_cast<unsigned>(picture.width),
                               static_cast<unsigned>(picture.height), 32, 0);
  if (!image) return;
  image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * picture.height));
  if (!image->data) {
    XDestroyImage(image);
    return;
  }
  bool direct = image->bits_per_pixel == 32 && x_.visual->red_mask == 0xFF0000 &&
                x_.visual->green_mask == 0xFF00 && x_.visual->blue_mask == 0xFF &&
                image->byte_order == LSBFirst && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint32_t* row = picture.pixels.data() + size_t(y) * size_t(picture.width);
    if (direct) {
      std::memcpy(image->data + size_t(y) * size_t(image->bytes_per_line), row,
                  size_t(picture.width) * 4);
      continue;
    }
    for (int32_t x = 0; x < picture.width; ++x) XPutPixel(image, x, y, x_.Pixel(row[x]));
  }
  XPutImage(x_.display, pixmap, x_.gc, image, 0, 0, 0, 0, static_cast<unsigned>(picture.width),
            static_cast<unsigned>(picture.height));
  XDestroyImage(image);
}

PictureId Painter::LoadPicture(int index) {
  // Only the pixmap is made here. The pixels go in when a panel first shows
  // the picture: the saver's first frame needs one picture of nine, and the
  // others are each put in at the choice of a slide, off the screen.
  Blob blob = EmbeddedPicture(index);
  BmpLayout layout;
  if (!ReadBmpLayout(blob.data, blob.size, layout)) return kNoPicture;
  Pixmap pixmap =
      XCreatePixmap(x_.display, x_.root, static_cast<unsigned>(layout.width),
                    static_cast<unsigned>(layout.height), static_cast<unsigned>(x_.depth));
  if (pixmap) pictures_.push_back({pixmap, {layout.width, layout.height}, index});
  return pixmap;
}

void Painter::FillPicture(Picture& picture) {
  if (picture.pending < 0) return;
  Blob blob = EmbeddedPicture(picture.pending);
  picture.pending = -1;
  DecodedImage pixels;
  if (DecodeBmp(blob.data, blob.size, pixels)) PutPixels(picture.pixmap, pixels);
}

bool Painter::Holds(PictureId picture) const {
  return std::any_of(pictures_.begin(), pictures_.end(),
                     [&](const Picture& held) { return held.pixmap == picture; });
}

void Painter::FreePicture(PictureId picture) {
  auto it = std::find_if(pictures_.begin(), pictures_.end(),
                         [&](const Picture& held) { return held.pixmap == picture; });
  if (it == pictures_.end()) return;
  XFreePixmap(x_.display, it->pixmap);
  pictures_.erase(it);
}

void Painter::ShowPicture(WindowRecord& panel, PictureId picture) {
  auto it = std::find_if(pictures_.begin(), pictures_.end(),
                         [&](const Picture& held) { return held.pixmap == picture; });
  if (it != pictures_.end()) FillPicture(*it);
  panel.picture = it == pictures_.end() ? 0 : it->pixmap;
  panel.pictureSize = it == pictures_.end() ? Size{} : it->size;
  FitPanelBackground(panel);
  PaintPanel(panel);
}

Pixmap Painter::DialogIcon(Size& size) {
  if (!iconPixmap_) {
    Blob blob = EmbeddedDialogIcon();
    DecodedImage icon;
    if (!DecodeIcon(blob.data, blob.size, kDialogFace, icon)) return 0;
    iconPixmap_ = MakePixmap(icon);
    iconSize_ = {icon.width, icon.height};
  }
  size = iconSize_;
  return iconPixmap_;
}

Painter::~Painter() {
  for (const Picture& picture : pictures_) XFreePixmap(x_.display, picture.pixmap);
  if (iconPixmap_) XFreePixmap(x_.display, iconPixmap_);
}

}  // namespace morumoru::platform::x11
