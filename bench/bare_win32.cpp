// The floor for the whole-process figures under Wine: the least a Win32
// program does to look like the saver's first frame. A black top-most
// window over the screen with a 335x300 child at (8,8) that paints a bitmap
// held by the system; the first key ends it.
#include <windows.h>

#include <vector>

namespace {

HDC pictureDc = nullptr;

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BitBlt(dc, 0, 0, 335, 300, pictureDc, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSEXW top{};
  top.cbSize = sizeof top;
  top.lpfnWndProc = TopProc;
  top.hInstance = instance;
  top.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  top.lpszClassName = L"BareTop";
  RegisterClassExW(&top);
  WNDCLASSEXW panel = top;
  panel.lpfnWndProc = PanelProc;
  panel.hbrBackground = nullptr;
  panel.lpszClassName = L"BarePanel";
  RegisterClassExW(&panel);

  // The picture: converted once into a bitmap of the screen's format.
  std::vector<DWORD> pixels(335 * 300);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 335; ++x)
      pixels[y * 335 + x] = (x * 255 / 335) << 16 | (y * 255 / 300) << 8 | 0x40;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 335;
  info.bmiHeader.biHeight = -300;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 335, 300);
  SetDIBits(screen, bitmap, 0, 300, pixels.data(), &info, DIB_RGB_COLORS);
  pictureDc = CreateCompatibleDC(screen);
  SelectObject(pictureDc, bitmap);
  ReleaseDC(nullptr, screen);

  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"BareTop", L"bare", WS_POPUP | WS_CLIPCHILDREN, 0,
                                0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                nullptr, nullptr, instance, nullptr);
  CreateWindowExW(0, L"BarePanel", nullptr, WS_CHILD | WS_VISIBLE, 8, 8, 335, 300, window, nullptr,
                  instance, nullptr);
  ShowWindow(window, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
