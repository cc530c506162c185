#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <urlmon.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/native.h"
#include "platform/win32/win32_paint.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_windows.h"

namespace morumoru::platform {

namespace win32 {

namespace {

static_assert(sizeof(MSG) <= sizeof(Message::native), "a MSG must fit in a message");

constexpr UINT kFirstKeyMessage = 0x0100;  // WM_KEYDOWN
constexpr UINT kLastKeyMessage = 0x0108;   // up to WM_SYSDEADCHAR and the reserved 0x108

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

}  // namespace

std::wstring ModuleFileName(HMODULE module, DWORD firstSize) {
  std::vector<wchar_t> buffer(std::max<DWORD>(firstSize, 1));
  while (true) {
    DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // A path cut to fit fills the whole buffer.
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

Win32Platform::Win32Platform() : instance_(GetModuleHandleW(nullptr)) {
  RegisterWindowClasses(instance_);
}

Win32Platform::~Win32Platform() {
  if (comStarted_) CoUninitialize();
}

// --- Message queue.

bool Win32Platform::Peek(Message& message) {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  message.code = msg.message;
  message.target = Id(msg.hwnd);
  message.key = 0;
  if (msg.message == WM_QUIT) {
    message.kind = Message::Kind::kQuit;
  } else if (msg.message >= kFirstKeyMessage && msg.message <= kLastKeyMessage) {
    message.kind = Message::Kind::kKeyboard;
    message.key = static_cast<uint16_t>(msg.wParam);
  } else {
    message.kind = Message::Kind::kOther;
  }
  std::memcpy(message.native, &msg, sizeof msg);
  return true;
}

void Win32Platform::Dispatch(Message& message) {
  MSG msg;
  std::memcpy(&msg, message.native, sizeof msg);
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32Platform::Wait() {
  WaitMessage();
}

void Win32Platform::PostQuit(int exitCode) {
  PostQuitMessage(exitCode);
}

// --- Windows.

WindowId Win32Platform::NewWindow(const WindowSpec& params) {
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

void Win32Platform::DestroyWindow(WindowId window) {
  if (IsWindow(H(window))) ::DestroyWindow(H(window));
}

void Win32Platform::SetText(WindowId window, std::string_view text) {
  SetWindowTextW(H(window), Widen(text).c_str());
}

void Win32Platform::SetBounds(WindowId window, const Rect& bounds) {
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

Rect Win32Platform::GetBounds(WindowId window) {
  HWND handle = H(window);
  RECT rect;
  if (!GetWindowRect(handle, &rect)) return {};
  if (GetWindowLongPtrW(handle, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(handle), reinterpret_cast<POINT*>(&rect), 2);
  }
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32Platform::ShowWindow(WindowId window, ShowCommand command) {
  HWND handle = H(window);
  WindowData* data = DataOf(handle);
  switch (command) {
    case ShowCommand::kHide:
      ::ShowWindow(handle, SW_HIDE);
      break;
    case ShowCommand::kNormal:
      if (data && data->kind == WindowKind::kApplication) {
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

bool Win32Platform::IsVisible(WindowId window) {
  return IsWindowVisible(H(window)) != FALSE;
}

void Win32Platform::EnableWindow(WindowId window, bool enabled) {
  ::EnableWindow(H(window), enabled ? TRUE : FALSE);
}

bool Win32Platform::IsEnabled(WindowId window) {
  return IsWindowEnabled(H(window)) != FALSE;
}

void Win32Platform::SetFocus(WindowId window) {
  ::SetFocus(H(window));
}

WindowId Win32Platform::GetFocus() {
  return Id(::GetFocus());
}

WindowId Win32Platform::GetActiveWindow() {
  return Id(::GetActiveWindow());
}

void Win32Platform::SetActiveWindow(WindowId window) {
  ::SetForegroundWindow(H(window));
  ::SetActiveWindow(H(window));
}

void Win32Platform::SetCapture(WindowId window) {
  // Taking the capture again would tell the holder it lost it: a pressed
  // button would forget its press.
  if (::GetCapture() != H(window)) ::SetCapture(H(window));
}

void Win32Platform::ReleaseCapture() {
  ::ReleaseCapture();
}

WindowId Win32Platform::GetCapture() {
  return Id(::GetCapture());
}

bool Win32Platform::KeyHeld(uint16_t virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// --- Pictures.

PictureId Win32Platform::LoadPicture(int index) {
  return reinterpret_cast<PictureId>(LoadPictureResource(instance_, index));
}

void Win32Platform::FreePicture(PictureId picture) {
  FreePictureResource(reinterpret_cast<Picture*>(picture));
}

void Win32Platform::SetPanelPicture(WindowId panel, PictureId picture) {
  WindowData* data = DataOf(H(panel));
  if (!data || data->kind != WindowKind::kPanel) return;
  data->picture = reinterpret_cast<const Picture*>(picture);
  InvalidateRect(H(panel), nullptr, FALSE);
}

// --- Sliders.

void Win32Platform::SetSliderPosition(WindowId slider, int32_t position) {
  SendMessageW(H(slider), TBM_SETPOS, TRUE, position);
}

int32_t Win32Platform::GetSliderPosition(WindowId slider) {
  return static_cast<int32_t>(SendMessageW(H(slider), TBM_GETPOS, 0, 0));
}

// --- Other programs' windows.

WindowId Win32Platform::FindForeignWindow(std::string_view title) {
  Search search;
  search.title = Widen(title);
  search.process = GetCurrentProcessId();
  EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
  return Id(search.found);
}

WindowId Win32Platform::GetOwner(WindowId window) {
  return Id(GetWindow(H(window), GW_OWNER));
}

bool Win32Platform::IsIconic(WindowId window) {
  return ::IsIconic(H(window)) != FALSE;
}

void Win32Platform::OpenIcon(WindowId window) {
  ::OpenIcon(H(window));
}

void Win32Platform::SetForegroundWindow(WindowId window) {
  ::SetForegroundWindow(H(window));
}

// --- Screen, cursor, boxes.

Size Win32Platform::ScreenSize() {
  // Asked of the system at every use: a display change takes effect at once.
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Size Win32Platform::VirtualScreenSize() {
  return {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

int32_t Win32Platform::PixelsPerInch() {
  HDC screen = GetDC(nullptr);
  int32_t ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi;
}

int Win32Platform::ShowCursor(bool show) {
  return ::ShowCursor(show ? TRUE : FALSE);
}

void Win32Platform::ShowBox(WindowId owner, std::string_view text, std::string_view caption,
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

// --- Process.

std::string Win32Platform::CommandLine() {
  return Narrow(GetCommandLineW());
}

int Win32Platform::StartupShowCommand() {
  STARTUPINFOW info{};
  info.cb = sizeof info;
  GetStartupInfoW(&info);
  return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

std::string Win32Platform::ModulePath() {
  return Narrow(ModuleFileName(nullptr));
}

std::string Win32Platform::ModuleOfAddress(const void* code_address, uint32_t& offset) {
  HMODULE module = nullptr;
  if (!code_address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                           static_cast<LPCWSTR>(code_address), &module)) {
    module = GetModuleHandleW(nullptr);
  }
  offset = code_address ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code_address) -
                                                reinterpret_cast<uintptr_t>(module))
                        : 0;
  std::wstring path = ModuleFileName(module);
  size_t slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

bool Win32Platform::QueryCounter(uint64_t& count) {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) return false;
  count = static_cast<uint64_t>(value.QuadPart);
  return true;
}

uint32_t Win32Platform::TickCount() {
  return GetTickCount();
}

void Win32Platform::OpenUrl(std::string_view url) {
  if (!comStarted_) {
    // S_FALSE (already started on this thread) also needs its CoUninitialize.
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  HlinkNavigateString(nullptr, Widen(url).c_str());
}

}  // namespace win32

std::unique_ptr<Platform> CreateNativePlatform() {
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace morumoru::platform
