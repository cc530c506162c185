// Holds the desktop for a whole run of scenarios, as a Windows shell does.
// Wine closes a desktop a moment after the last program on it ends, and a
// program started in that moment can land on the closing desktop, where
// other programs cannot find its windows. With this program waiting on the
// desktop, it never closes between scenarios. It shows nothing: its one
// window is message-only, so no search, focus or click ever meets it.
// Ends when killed or sent WM_QUIT.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (!CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
