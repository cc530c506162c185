#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/win32/win32_paint.h"
#include "platform/win32/win32_window_system.h"
#include "platform/win32/win32_windows.h"

namespace morumoru::platform::win32 {

namespace {

static_assert(sizeof(MSG) <= sizeof(Message::native), "a MSG must fit in a message");

// The queue's messages in the program's terms; the rest are kOther.
struct KindOfMessage {
  UINT message;
  Message::Kind kind;
};
constexpr KindOfMessage kKinds[] = {
    {WM_KEYDOWN, Message::Kind::kKeyDown},
    {WM_SYSKEYDOWN, Message::Kind::kKeyDown},
    {WM_KEYUP, Message::Kind::kKeyUp},
    {WM_SYSKEYUP, Message::Kind::kKeyUp},
    {WM_LBUTTONDOWN, Message::Kind::kMouseDown},
    {WM_RBUTTONDOWN, Message::Kind::kMouseDown},
    {WM_MBUTTONDOWN, Message::Kind::kMouseDown},
    {WM_XBUTTONDOWN, Message::Kind::kMouseDown},
    {WM_LBUTTONDBLCLK, Message::Kind::kMouseDown},
    {WM_RBUTTONDBLCLK, Message::Kind::kMouseDown},
    {WM_MBUTTONDBLCLK, Message::Kind::kMouseDown},
    {WM_XBUTTONDBLCLK, Message::Kind::kMouseDown},
    {WM_MOUSEMOVE, Message::Kind::kMouseMove},
    {WM_LBUTTONUP, Message::Kind::kMouseUp},
    {WM_RBUTTONUP, Message::Kind::kMouseUp},
    {WM_MBUTTONUP, Message::Kind::kMouseUp},
    {WM_XBUTTONUP, Message::Kind::kMouseUp},
    {WM_MOUSEWHEEL, Message::Kind::kMouseWheel},
    {WM_COMMAND, Message::Kind::kClick},
    {WM_HSCROLL, Message::Kind::kScroll},
    {WM_VSCROLL, Message::Kind::kScroll},
    {WM_CLOSE, Message::Kind::kClose},
    {WM_PAINT, Message::Kind::kPaint},
    {WM_QUIT, Message::Kind::kQuit},
};

Message::Kind KindOf(UINT message) {
  for (const KindOfMessage& entry : kKinds) {
    if (entry.message == message) return entry.kind;
  }
  return Message::Kind::kOther;
}

HWND H(WindowId window) {
  return reinterpret_cast<HWND>(window);
}
WindowId Id(HWND window) {
  return reinterpret_cast<WindowId>(window);
}

struct Search {
  std::wstring title;
  DWORD process = 0;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->process) return TRUE;
  // One unit more than the title: a longer caption reads longer and differs.
  std::vector<wchar_t> text(search->title.size() + 2);
  int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  if (length != static_cast<int>(search->title.size())) return TRUE;
  if (length > 0 && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, text.data(), length,
                                   search->title.data(), length) != CSTR_EQUAL) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// Collects the monitors in the virtual screen's coordinates (the primary
// one's top-left is 0, 0; others may lie at negative ones), the primary one
// first. The program is aware of the system's density, not of each
// monitor's: Windows scales a monitor of another density, cover and all.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC /*dc*/, LPRECT /*clip*/, LPARAM context) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  Rect rect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right - info.rcMonitor.left,
            info.rcMonitor.bottom - info.rcMonitor.top};
  auto* monitors = reinterpret_cast<std::vector<Rect>*>(context);
  try {
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
      monitors->insert(monitors->begin(), rect);
    } else {
      monitors->push_back(rect);
    }
  } catch (const std::bad_alloc&) {
    return FALSE;  // no unwinding through user32
  }
  return TRUE;
}

}  // namespace

Win32WindowSystem::Win32WindowSystem() : instance_(GetModuleHandleW(nullptr)) {
  RegisterWindowClasses(instance_);
}

Win32WindowSystem::~Win32WindowSystem() = default;

// --- Message queue.

bool Win32WindowSystem::Peek(Message& message) {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  message.kind = KindOf(msg.message);
  message.systemKey = msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP;
  message.target = Id(msg.hwnd);
  bool key = message.kind == Message::Kind::kKeyDown || message.kind == Message::Kind::kKeyUp;
  message.key = key ? static_cast<uint16_t>(msg.wParam) : 0;
  std::memcpy(message.native, &msg, sizeof msg);
  return true;
}

// One PeekMessage per look: on Windows the looks themselves are the pace.
bool Win32WindowSystem::PeekWithin(Message& message, int64_t& looks) {
  for (; looks > 0; --looks) {
    if (Peek(message)) return true;
  }
  return false;
}

void Win32WindowSystem::Dispatch(Message& message) {
  MSG msg;
  std::memcpy(&msg, message.native, sizeof msg);
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32WindowSystem::Wait() {
  WaitMessage();
}

void Win32WindowSystem::PostQuit(int exitCode) {
  PostQuitMessage(exitCode);
}

// --- Windows.

WindowId Win32WindowSystem::NewWindow(const WindowSpec& params) {
  HFONT font = nullptr;
  switch (params.kind) {
    case WindowKind::kGroupBox:
    case WindowKind::kLabel:
    case WindowKind::kButton:
    case WindowKind::kTrackBar:
      font = fonts_.Get(params.fontName, params.fontHeight);
      break;
    default:
      break;
  }
  return Id(CreateWindowFor(params, instance_, font));
}

void Win32WindowSystem::DestroyWindow(WindowId window) {
  if (IsWindow(H(window))) ::DestroyWindow(H(window));
}

void Win32WindowSystem::SetText(WindowId window, std::string_view text) {
  SetWindowTextW(H(window), Widen(text).c_str());
}

void Win32WindowSystem::SetBounds(WindowId window, const Rect& bounds) {
  HWND handle = H(window);
  bool child = (GetWindowLongPtrW(handle, GWL_STYLE) & WS_CHILD) != 0;
  // A moved child is repainted whole: copying its old pixels along first
  // would be wasted work. Its panel procedure erases nothing, so nothing
  // flickers.
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (child ? SWP_NOCOPYBITS : 0);
  if (!SetWindowPos(handle, nullptr, bounds.left, bounds.top, bounds.width, bounds.height, flags)) {
    return;
  }
  // Painted now rather than when the queue is next found empty: the strip
  // the move uncovers and the child itself, in one update of the parent.
  // Paints that wait for the queue cost the saver a third of its steps.
  if (child) UpdateWindow(GetParent(handle));
}

Rect Win32WindowSystem::GetBounds(WindowId window) {
  HWND handle = H(window);
  RECT rect;
  if (!GetWindowRect(handle, &rect)) return {};
  if (GetWindowLongPtrW(handle, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(handle), reinterpret_cast<POINT*>(&rect), 2);
  }
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32WindowSystem::ShowWindow(WindowId window, ShowCommand command) {
  HWND handle = H(window);
  WindowData* data = DataOf(handle);
  switch (command) {
    case ShowCommand::kHide:
      ::ShowWindow(handle, SW_HIDE);
      break;
    case ShowCommand::kNormal:
      if (data && (data->kind == WindowKind::kApplication || data->kind == WindowKind::kCover)) {
        ::ShowWindow(handle, SW_SHOWNOACTIVATE);
        break;
      }
      ::ShowWindow(handle, SW_SHOWNORMAL);
      if (data && data->kind == WindowKind::kForm) {
        // Access-key underlines and the focus mark show from the start, as
        // the captions promise them.
        SendMessageW(handle, WM_CHANGEUISTATE,
                     MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
      }
      break;
    case ShowCommand::kMaximized:
      if (data && data->kind == WindowKind::kForm && data->style == FormStyle::kSaver &&
          !IsWindowVisible(handle)) {
        // Already the screen's size when it appears: where no window manager
        // carries out the maximize (Wine on a bare X server) it still covers
        // the screen, and nothing is resized on screen.
        SetWindowPos(handle, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                     GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ::ShowWindow(handle, SW_SHOWMAXIMIZED);
      if (GetWindowLongPtrW(handle, GWL_EXSTYLE) & WS_EX_TOPMOST) {
        SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      break;
    case ShowCommand::kMinimized:
      ::ShowWindow(handle, SW_MINIMIZE);
      break;
  }
}

bool Win32WindowSystem::IsVisible(WindowId window) {
  return IsWindowVisible(H(window)) != FALSE;
}

void Win32WindowSystem::EnableWindow(WindowId window, bool enabled) {
  ::EnableWindow(H(window), enabled ? TRUE : FALSE);
}

bool Win32WindowSystem::IsEnabled(WindowId window) {
  return IsWindowEnabled(H(window)) != FALSE;
}

void Win32WindowSystem::SetFocus(WindowId window) {
  ::SetFocus(H(window));
}

WindowId Win32WindowSystem::GetFocus() {
  return Id(::GetFocus());
}

WindowId Win32WindowSystem::GetActiveWindow() {
  return Id(::GetActiveWindow());
}

void Win32WindowSystem::SetActiveWindow(WindowId window) {
  ::SetForegroundWindow(H(window));
  ::SetActiveWindow(H(window));
}

void Win32WindowSystem::SetCapture(WindowId window) {
  // Taking the capture again would tell the holder it lost it: a pressed
  // button would forget its press.
  if (::GetCapture() != H(window)) ::SetCapture(H(window));
}

void Win32WindowSystem::ReleaseCapture() {
  ::ReleaseCapture();
}

WindowId Win32WindowSystem::GetCapture() {
  return Id(::GetCapture());
}

bool Win32WindowSystem::KeyHeld(uint16_t virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// --- Pictures.

PictureId Win32WindowSystem::LoadPicture(int index) {
  return reinterpret_cast<PictureId>(LoadPictureResource(instance_, index));
}

void Win32WindowSystem::FreePicture(PictureId picture) {
  FreePictureResource(reinterpret_cast<Picture*>(picture));
}

void Win32WindowSystem::SetPanelPicture(WindowId panel, PictureId picture) {
  WindowData* data = DataOf(H(panel));
  if (!data || data->kind != WindowKind::kPanel) return;
  data->picture = reinterpret_cast<const Picture*>(picture);
  InvalidateRect(H(panel), nullptr, FALSE);
}

// --- Sliders.

void Win32WindowSystem::SetSliderPosition(WindowId slider, int32_t position) {
  SendMessageW(H(slider), TBM_SETPOS, TRUE, position);
}

int32_t Win32WindowSystem::GetSliderPosition(WindowId slider) {
  return static_cast<int32_t>(SendMessageW(H(slider), TBM_GETPOS, 0, 0));
}

// --- Other programs' windows.

bool Win32WindowSystem::ActivateRunningCopy(std::string_view title) {
  // The search skips this process's windows: its own application window
  // starts with a title made from the file name, which may read the same.
  Search search;
  search.title = Widen(title);
  search.process = GetCurrentProcessId();
  EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  // A copy in saver mode is found through its saver window, whose owner is
  // that copy's application window; a copy in configuration mode through
  // the application window itself, which has no owner: nothing to activate.
  HWND owner = GetWindow(search.found, GW_OWNER);
  if (::IsIconic(owner)) ::OpenIcon(owner);
  ::SetForegroundWindow(owner);
  return true;
}

// --- Screen, cursor, boxes.

Size Win32WindowSystem::ScreenSize() {
  // Asked of the system at every use: a display change takes effect at once.
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Size Win32WindowSystem::VirtualScreenSize() {
  return {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

Rect Win32WindowSystem::MonitorOf(WindowId window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromWindow(H(window), MONITOR_DEFAULTTONEAREST);
  if (!monitor || !GetMonitorInfoW(monitor, &info)) {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right - info.rcMonitor.left,
          info.rcMonitor.bottom - info.rcMonitor.top};
}

std::vector<Rect> Win32WindowSystem::Monitors() {
  std::vector<Rect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) {
    monitors.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  }
  return monitors;
}

int32_t Win32WindowSystem::PixelsPerInch() {
  HDC screen = GetDC(nullptr);
  int32_t ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi;
}

int32_t Win32WindowSystem::FontTextHeight(std::string_view fontName, int32_t height) {
  // What a control created with this font measures the text "0" as.
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, fonts_.Get(fontName, height));
  SIZE extent{};
  BOOL measured = GetTextExtentPoint32W(screen, L"0", 1, &extent);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return measured ? extent.cy : 0;
}

int Win32WindowSystem::ShowCursor(bool show) {
  return ::ShowCursor(show ? TRUE : FALSE);
}

void Win32WindowSystem::ShowBox(WindowId owner, std::string_view text, std::string_view caption,
                                BoxKind kind) {
  UINT flags = MB_OK | MB_ICONERROR;
  HWND parent = H(owner);
  switch (kind) {
    case BoxKind::kError:
      break;
    case BoxKind::kErrorTopMost:
      flags |= MB_TOPMOST | MB_SETFOREGROUND;
      break;
    case BoxKind::kTaskModalError:
      flags |= MB_TASKMODAL;
      parent = nullptr;
      break;
  }
  MessageBoxW(parent, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

}  // namespace morumoru::platform::win32
