// Records every place a child window takes, as "x y width height" lines
// (parent client coordinates), in the file named by PANEL_MOVES_FILE in the
// environment of the process that owns the window. Under Wine a child window
// has no X window of its own, so nothing outside the program sees it move.
//
//   rundll32 panel_moves.dll,Install SECONDS
//
// Install sets a global hook on the calling desktop and holds it for SECONDS
// (default 600), and says so in the file named by PANEL_MOVES_STATUS (Wine
// 10 gives a GUI program such as rundll32 no standard output). Windows loads
// the DLL into every process of that desktop whose messages the hook sees,
// and the hook runs there, in line with the move, so no place is missed and
// none is read late.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

FILE* output = nullptr;
bool outputTried = false;

void Record(const WINDOWPOS& place) {
  if (!outputTried) {
    outputTried = true;
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("PANEL_MOVES_FILE", path, sizeof path);
    if (length > 0 && length < sizeof path) output = std::fopen(path, "a");
  }
  if (!output) return;
  std::fprintf(output, "%d %d %d %d\n", place.x, place.y, place.cx, place.cy);
  // The program may be ended by force: each line must be on disk at once.
  std::fflush(output);
}

void Status(const char* text) {
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("PANEL_MOVES_STATUS", path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  if (FILE* status = std::fopen(path, "w")) {
    std::fprintf(status, "%s\n", text);
    std::fclose(status);
  }
}

}  // namespace

// Declared apart from its definition, which inherits the export: one line
// that clang-format 14 and 19 both leave as it is.
extern "C" __declspec(dllexport) LRESULT CALLBACK PanelMovesHook(int, WPARAM, LPARAM);

LRESULT CALLBACK PanelMovesHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    // WM_WINDOWPOSCHANGED carries the place the window really took, after
    // the window manager's own adjustments.
    if (message->message == WM_WINDOWPOSCHANGED &&
        (GetWindowLongW(message->hwnd, GWL_STYLE) & WS_CHILD)) {
      const auto* place = reinterpret_cast<const WINDOWPOS*>(message->lParam);
      if (!(place->flags & SWP_NOMOVE) || !(place->flags & SWP_NOSIZE)) Record(*place);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) void CALLBACK Install(HWND, HINSTANCE, LPSTR commandLine, int) {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&PanelMovesHook), &self);
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, PanelMovesHook, self, 0);
  if (!hook) {
    char text[64];
    std::snprintf(text, sizeof text, "SetWindowsHookEx failed (%lu)", GetLastError());
    Status(text);
    std::exit(2);
  }
  Status("hook set");
  long seconds = commandLine ? std::strtol(commandLine, nullptr, 10) : 0;
  Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 600) * 1000);
  UnhookWindowsHookEx(hook);
}
