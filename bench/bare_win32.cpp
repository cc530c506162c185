// The floor for the whole-process figures under Wine: the least a Win32
// program does to look like the saver's first frame. A black top-most
// window over the screen with a 335x300 child at (8,8) that paints a bitmap
// held by the system; the first key ends it.
#include <windows.h>

#include "bare_scene_win32.h"

namespace {

LRESULT CALLBACK TopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  morumoru::bench::BareWin32Scene scene(TopProc);
  ShowWindow(scene.Top(), SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
