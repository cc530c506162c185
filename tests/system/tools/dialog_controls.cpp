// Lists the controls of a top-level window (by title) with their places in its
// client area, and checks the layout: every control inside its parent's client
// area, no two controls of one parent overlapping. Prints the density the
// system reports, so a caller can tell that its setting took. Exit code 0 when
// the layout holds, 1 when it does not, 2 when there is no such window.
// A window class as a second argument picks among windows of one title (a
// message box is "#32770"). Texts are printed in UTF-8. When there is no
// such window it lists the top-level windows it can see, to tell a missing
// window from one on another desktop.
// A Windows console program: it runs under Wine beside the program it looks at.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Control {
  HWND window;
  HWND parent;
  RECT rect;  // screen coordinates
  wchar_t kind[64];
  wchar_t text[128];
};

BOOL CALLBACK Collect(HWND window, LPARAM context) {
  auto* controls = reinterpret_cast<std::vector<Control>*>(context);
  Control control{};
  control.window = window;
  control.parent = GetParent(window);
  GetWindowRect(window, &control.rect);
  GetClassNameW(window, control.kind, 64);
  GetWindowTextW(window, control.text, 128);
  controls->push_back(control);
  return TRUE;
}

RECT ClientOnScreen(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(&client, origin.x, origin.y);
  return client;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

void Print(const char* label, const Control& c, const RECT& origin) {
  std::printf("%s %s \"%s\" %ld,%ld %ldx%ld\n", label, Utf8(c.kind).c_str(), Utf8(c.text).c_str(),
              c.rect.left - origin.left, c.rect.top - origin.top, c.rect.right - c.rect.left,
              c.rect.bottom - c.rect.top);
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
  wchar_t kind[64] = L"", text[128] = L"";
  GetClassNameW(window, kind, 64);
  GetWindowTextW(window, text, 128);
  std::printf("top-level %s \"%s\"%s\n", Utf8(kind).c_str(), Utf8(text).c_str(),
              IsWindowVisible(window) ? " visible" : "");
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: dialog_controls TITLE [CLASS]\n", stderr);
    return 2;
  }
  // As the program itself (its manifest says dpiAware): Wine 10, as Windows,
  // tells a process that is not aware 96 ppi and scales the places it reads.
  SetProcessDPIAware();
  HWND dialog = FindWindowW(argc == 3 ? argv[2] : nullptr, argv[1]);
  if (!dialog) {
    std::printf("no window titled %ls\n", argv[1]);
    EnumWindows(PrintTopLevel, 0);
    return 2;
  }
  HDC screen = GetDC(nullptr);
  std::printf("ppi %d\n", GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  RECT client = ClientOnScreen(dialog);
  std::printf("client %ldx%ld\n", client.right - client.left, client.bottom - client.top);

  std::vector<Control> controls;
  EnumChildWindows(dialog, Collect, reinterpret_cast<LPARAM>(&controls));
  int faults = 0;
  for (const Control& c : controls) {
    Print("control", c, client);
    RECT parent = c.parent == dialog ? client : ClientOnScreen(c.parent);
    if (!Inside(c.rect, parent)) {
      Print("OUTSIDE its parent:", c, client);
      ++faults;
    }
  }
  for (size_t i = 0; i < controls.size(); ++i) {
    for (size_t j = i + 1; j < controls.size(); ++j) {
      if (controls[i].parent != controls[j].parent) continue;
      RECT common;
      if (IntersectRect(&common, &controls[i].rect, &controls[j].rect)) {
        Print("OVERLAP:", controls[i], client);
        Print("   with:", controls[j], client);
        ++faults;
      }
    }
  }
  std::printf("%zu controls, %d faults\n", controls.size(), faults);
  return faults == 0 && !controls.empty() ? 0 : 1;
}
