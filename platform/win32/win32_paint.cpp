#include "platform/win32/win32_paint.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace morumoru::platform::win32 {

namespace {
std::unordered_set<const Picture*> live;  // the user interface runs on one thread
}  // namespace

bool IsLivePicture(const Picture* picture) {
  return picture && live.contains(picture);
}

Picture* LoadPictureResource(HINSTANCE instance, int index) {
  std::wstring name = L"PICTURE" + std::to_wstring(index);
  // Without LR_CREATEDIBSECTION the system converts the bits once into a
  // bitmap of the screen's format: every later paint is a plain copy.
  auto* bitmap =
      static_cast<HBITMAP>(LoadImageW(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (!bitmap) return nullptr;
  BITMAP info{};
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc || !GetObjectW(bitmap, sizeof info, &info)) {
    if (dc) DeleteDC(dc);
    DeleteObject(bitmap);
    return nullptr;
  }
  auto* picture = new Picture;
  picture->bitmap = bitmap;
  picture->dc = dc;
  picture->previous = SelectObject(dc, bitmap);
  picture->width = info.bmWidth;
  picture->height = info.bmHeight;
  live.insert(picture);
  return picture;
}

void FreePictureResource(Picture* picture) {
  if (!live.erase(picture)) return;
  SelectObject(picture->dc, picture->previous);
  DeleteDC(picture->dc);
  DeleteObject(picture->bitmap);
  delete picture;
}

void PaintPanel(HWND window, const Picture* picture) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  auto* black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  int width = 0;
  int height = 0;
  if (IsLivePicture(picture)) {
    width = std::min<int>(picture->width, client.right);
    height = std::min<int>(picture->height, client.bottom);
    BitBlt(dc, 0, 0, width, height, picture->dc, 0, 0, SRCCOPY);
  }
  // Only what the picture leaves uncovered is filled, so nothing flickers.
  RECT right{width, 0, client.right, client.bottom};
  RECT below{0, height, width, client.bottom};
  if (right.left < right.right) FillRect(dc, &right, black);
  if (below.top < below.bottom) FillRect(dc, &below, black);
  EndPaint(window, &paint);
}

void PaintIcon(HWND window, HICON icon) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (icon) DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  EndPaint(window, &paint);
}

}  // namespace morumoru::platform::win32
