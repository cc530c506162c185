#pragma once
// The bare Win32 scene the saver is measured against: a black top-most
// window over the screen and a 335x300 child at (8,8) that paints a bitmap
// held by the system, converted once into the screen's format.

#include <windows.h>

#include <vector>

#include "bare_picture.h"

namespace morumoru::bench {

class BareWin32Scene {
 public:
  // `topProc` handles the top window's messages; the scene is not shown yet.
  explicit BareWin32Scene(WNDPROC topProc = DefWindowProcW) {
    instance_ = GetModuleHandleW(nullptr);
    WNDCLASSEXW top{};
    top.cbSize = sizeof top;
    top.lpfnWndProc = topProc;
    top.hInstance = instance_;
    top.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    top.lpszClassName = L"BareTop";
    RegisterClassExW(&top);
    WNDCLASSEXW panel = top;
    panel.lpfnWndProc = PanelProc;
    panel.hbrBackground = nullptr;
    panel.lpszClassName = L"BarePanel";
    RegisterClassExW(&panel);

    std::vector<DWORD> pixels(size_t(kBareWidth) * kBareHeight);
    for (int y = 0; y < kBareHeight; ++y) {
      for (int x = 0; x < kBareWidth; ++x) pixels[y * kBareWidth + x] = BarePixel(x, y);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kBareWidth;
    info.bmiHeader.biHeight = -kBareHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(screen, kBareWidth, kBareHeight);
    SetDIBits(screen, bitmap_, 0, kBareHeight, pixels.data(), &info, DIB_RGB_COLORS);
    PictureDc() = CreateCompatibleDC(screen);
    previous_ = SelectObject(PictureDc(), bitmap_);
    ReleaseDC(nullptr, screen);

    width_ = GetSystemMetrics(SM_CXSCREEN);
    top_ = CreateWindowExW(WS_EX_TOPMOST, L"BareTop", L"bare", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                           width_, GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance_,
                           nullptr);
    panel_ = CreateWindowExW(0, L"BarePanel", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 8,
                             8, kBareWidth, kBareHeight, top_, nullptr, instance_, nullptr);
  }
  ~BareWin32Scene() {
    DestroyWindow(top_);
    SelectObject(PictureDc(), previous_);
    DeleteDC(PictureDc());
    DeleteObject(bitmap_);
  }
  BareWin32Scene(const BareWin32Scene&) = delete;
  BareWin32Scene& operator=(const BareWin32Scene&) = delete;

  // The saver's window tree besides: a black square below the panel.
  void AddSquare() {
    CreateWindowExW(0, L"BareTop", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 232, 120, 105,
                    105, top_, nullptr, instance_, nullptr);
  }

  HWND Top() const { return top_; }
  HWND Panel() const { return panel_; }
  int ScreenWidth() const { return width_; }

 private:
  static HDC& PictureDc() {
    static HDC dc = nullptr;
    return dc;
  }
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      BitBlt(dc, 0, 0, kBareWidth, kBareHeight, PictureDc(), 0, 0, SRCCOPY);
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HINSTANCE instance_ = nullptr;
  HWND top_ = nullptr;
  HWND panel_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0;
};

}  // namespace morumoru::bench
