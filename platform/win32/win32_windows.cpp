#include "platform/win32/win32_windows.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/win32/resource_ids.h"
#include "platform/win32/win32_dialog_scroll.h"
#include "platform/win32/win32_text.h"

namespace morumoru::platform::win32 {

namespace {

constexpr wchar_t kApplicationClass[] = L"MorumoruApplication";
constexpr wchar_t kSaverClass[] = L"MorumoruSaver";
constexpr wchar_t kDialogClass[] = L"MorumoruDialog";
constexpr wchar_t kPanelClass[] = L"MorumoruPanel";
constexpr wchar_t kBlankClass[] = L"MorumoruBlank";
constexpr wchar_t kIconClass[] = L"MorumoruIcon";
constexpr wchar_t kCoverClass[] = L"MorumoruCover";

constexpr UINT_PTR kSubclassId = 1;
// Marks a common control as one of ours. A window property rather than
// GetWindowSubclass, which 64-bit mingw-w64 does not export.
constexpr wchar_t kControlProperty[] = L"morumoru.control";
// Posted to the application window: hand the activation on to its form.
constexpr UINT kActivateForm = WM_APP + 1;

// Handed to CreateWindowExW: the procedure takes the data over at
// WM_NCCREATE and says so, so a failed creation frees it exactly once.
struct Creation {
  WindowData* data = nullptr;
  bool attached = false;
};

LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                             DWORD_PTR ref);

bool IsChildKind(WindowKind kind) {
  return kind != WindowKind::kApplication && kind != WindowKind::kForm &&
         kind != WindowKind::kCover;
}

// The window class of each kind that sits in a form, and the style bits it
// adds to those every child has.
struct ChildClass {
  WindowKind kind;
  const wchar_t* name;
  DWORD style;
};
constexpr ChildClass kChildClasses[] = {
    {WindowKind::kPanel, kPanelClass, 0},
    {WindowKind::kBlank, kBlankClass, 0},
    {WindowKind::kIcon, kIconClass, 0},
    {WindowKind::kGroupBox, WC_BUTTONW, BS_GROUPBOX | WS_CLIPCHILDREN},
    {WindowKind::kLabel, WC_STATICW, SS_LEFTNOWORDWRAP},
    {WindowKind::kButton, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP},
    {WindowKind::kTrackBar, TRACKBAR_CLASSW,
     TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | TBS_FIXEDLENGTH | WS_TABSTOP},
};

const ChildClass& ChildClassOf(WindowKind kind) {
  const ChildClass* found =
      std::find_if(std::begin(kChildClasses), std::end(kChildClasses),
                   [kind](const ChildClass& child) { return child.kind == kind; });
  // A kind added to the program but not to the table gets a plain window of
  // ours rather than a read past the table's end.
  static constexpr ChildClass kPlain{WindowKind::kBlank, kBlankClass, 0};
  return found != std::end(kChildClasses) ? *found : kPlain;
}

bool IsOwnClass(WindowKind kind) {
  switch (kind) {
    case WindowKind::kGroupBox:
    case WindowKind::kLabel:
    case WindowKind::kButton:
    case WindowKind::kTrackBar:
      return false;
    default:
      return true;
  }
}

// The mouse buttons' messages: a double click is one more press.
struct ButtonMessage {
  UINT message;
  EventType type;
  MouseButton button;
};
constexpr ButtonMessage kButtonMessages[] = {
    {WM_LBUTTONDOWN, EventType::kMouseDown, MouseButton::kLeft},
    {WM_LBUTTONDBLCLK, EventType::kMouseDown, MouseButton::kLeft},
    {WM_RBUTTONDOWN, EventType::kMouseDown, MouseButton::kRight},
    {WM_RBUTTONDBLCLK, EventType::kMouseDown, MouseButton::kRight},
    {WM_MBUTTONDOWN, EventType::kMouseDown, MouseButton::kMiddle},
    {WM_MBUTTONDBLCLK, EventType::kMouseDown, MouseButton::kMiddle},
    {WM_XBUTTONDOWN, EventType::kMouseDown, MouseButton::kOther},
    {WM_XBUTTONDBLCLK, EventType::kMouseDown, MouseButton::kOther},
    {WM_LBUTTONUP, EventType::kMouseUp, MouseButton::kLeft},
    {WM_RBUTTONUP, EventType::kMouseUp, MouseButton::kRight},
    {WM_MBUTTONUP, EventType::kMouseUp, MouseButton::kMiddle},
    {WM_XBUTTONUP, EventType::kMouseUp, MouseButton::kOther},
};

// Mouse and key messages as events; false for every other message.
bool TranslateInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Event& event) {
  event.window = reinterpret_cast<WindowId>(window);
  event.x = GET_X_LPARAM(lParam);
  event.y = GET_Y_LPARAM(lParam);
  event.shift = ShiftState();
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      event.type = EventType::kKeyDown;
      event.key = static_cast<uint16_t>(wParam);
      event.x = event.y = 0;
      return true;
    case WM_MOUSEMOVE:
      event.type = EventType::kMouseMove;
      return true;
    case WM_MOUSEWHEEL: {
      POINT point{event.x, event.y};  // the wheel reports screen coordinates
      ScreenToClient(window, &point);
      event.type = EventType::kMouseWheel;
      event.x = point.x;
      event.y = point.y;
      event.position = GET_WHEEL_DELTA_WPARAM(wParam);
      return true;
    }
    default:
      for (const ButtonMessage& entry : kButtonMessages) {
        if (entry.message != message) continue;
        event.type = entry.type;
        event.button = entry.button;
        return true;
      }
      return false;
  }
}

bool IsButtonMessage(UINT message) {
  return std::any_of(std::begin(kButtonMessages), std::end(kButtonMessages),
                     [message](const ButtonMessage& entry) { return entry.message == message; });
}

// A child control reports to its parent; the event goes to the control's
// own receiver, with the control as its window.
bool Notify(UINT message, WPARAM wParam, LPARAM lParam) {
  auto control = reinterpret_cast<HWND>(lParam);
  WindowData* data = DataOf(control);
  if (!data) return false;
  Event event;
  event.window = reinterpret_cast<WindowId>(control);
  if (message == WM_COMMAND) {
    if (HIWORD(wParam) != BN_CLICKED || data->kind != WindowKind::kButton) return false;
    event.type = EventType::kClick;
  } else {
    if (data->kind != WindowKind::kTrackBar) return false;
    event.type = EventType::kScroll;
    event.position = static_cast<int32_t>(SendMessageW(control, TBM_GETPOS, 0, 0));
  }
  Deliver(data->events, event);
  return true;
}

// --- Window procedures.

// Whether a thread (the one whose window is being activated, from
// WM_ACTIVATEAPP) belongs to this process; no thread at all does not.
bool ThreadOfThisProcess(DWORD threadId) {
  if (threadId == 0) return false;
  HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
  if (!thread) return false;
  bool ours = GetProcessIdOfThread(thread) == GetCurrentProcessId();
  CloseHandle(thread);
  return ours;
}

HWND lastActiveForm = nullptr;  // the user interface runs on one thread

bool Activatable(HWND window) {
  return IsWindowVisible(window) && IsWindowEnabled(window);
}

BOOL CALLBACK FindOwnedPopup(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(context);  // owner, found
  if (GetWindow(window, GW_OWNER) != search->first || !Activatable(window)) return TRUE;
  search->second = window;
  return FALSE;
}

// The window the application window hands its activation to: the form last
// active, else any shown window it owns (an error box over disabled forms).
HWND PopupToActivate(HWND application) {
  if (lastActiveForm && IsWindow(lastActiveForm) &&
      GetWindow(lastActiveForm, GW_OWNER) == application && Activatable(lastActiveForm)) {
    return lastActiveForm;
  }
  std::pair<HWND, HWND> search{application, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwnedPopup, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

void Activate(WindowData& data, WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(data.handle, focus)) data.lastFocus = focus;
    return;
  }
  lastActiveForm = data.handle;
  if (HIWORD(wParam)) return;  // minimized
  // The focus comes back where the user left it, else to the form itself so
  // that keys reach it.
  HWND target = data.handle;
  if (data.lastFocus && IsChild(data.handle, data.lastFocus) && IsWindowVisible(data.lastFocus) &&
      IsWindowEnabled(data.lastFocus)) {
    target = data.lastFocus;
  }
  SetFocus(target);
}

LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* data = reinterpret_cast<WindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    auto* creation =
        static_cast<Creation*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    creation->attached = true;
    data = creation->data;
    data->handle = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
  }
  if (!data) return DefWindowProcW(window, message, wParam, lParam);

  switch (message) {
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete data;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_ERASEBKGND:
      if (data->kind == WindowKind::kPanel) return 1;  // the picture covers it all
      break;
    case WM_PAINT:
      if (data->kind == WindowKind::kPanel) {
        PaintPanel(window, data->picture);
        return 0;
      }
      if (data->kind == WindowKind::kIcon) {
        PaintIcon(window, data->icon);
        return 0;
      }
      break;
    case WM_MOUSEACTIVATE:
      // A click on a cover leaves the activation, and the keys, with the saver.
      if (data->kind == WindowKind::kCover) return MA_NOACTIVATE;
      break;
    case WM_DISPLAYCHANGE:
      // Sent to every top-level window; the forms pass it on.
      if (data->kind == WindowKind::kForm) {
        DeliverSignal(data->events, window, EventType::kDisplayChange);
      }
      break;
    case WM_GETMINMAXINFO:
      if (data->kind == WindowKind::kForm && data->style == FormStyle::kSaver) {
        // Maximized, the saver covers exactly the primary screen.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxPosition = {0, 0};
        info->ptMaxSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        info->ptMaxTrackSize.x = std::max(info->ptMaxTrackSize.x, info->ptMaxSize.x);
        info->ptMaxTrackSize.y = std::max(info->ptMaxTrackSize.y, info->ptMaxSize.y);
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (data->kind == WindowKind::kForm) {
        Activate(*data, wParam);
        return 0;
      }
      if (data->kind == WindowKind::kApplication && LOWORD(wParam) != WA_INACTIVE &&
          !HIWORD(wParam)) {
        // The zero-size window takes no input: when the task bar or another
        // copy of the program brings it forward, its form gets the keys.
        PostMessageW(window, kActivateForm, 0, 0);
      }
      break;
    case WM_ACTIVATEAPP:
      // Activation left for another program's window. Sent to every
      // top-level window of ours: the forms pass it on.
      if (data->kind == WindowKind::kForm && !wParam &&
          !ThreadOfThisProcess(static_cast<DWORD>(lParam))) {
        DeliverSignal(data->events, window, EventType::kAppDeactivate);
        return 0;
      }
      break;
    case kActivateForm:
      if (data->kind == WindowKind::kApplication && GetActiveWindow() == window) {
        if (HWND popup = PopupToActivate(window)) SetActiveWindow(popup);
      }
      return 0;
    case WM_SIZE:
      if (data->kind == WindowKind::kForm && data->style == FormStyle::kDialog &&
          wParam != SIZE_MINIMIZED) {
        UpdateScrollBars(*data);
      }
      break;
    case WM_COMMAND:
      if (lParam && Notify(message, wParam, lParam)) return 0;
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam) {
        if (Notify(message, wParam, lParam)) return 0;
      } else if (data->kind == WindowKind::kForm && data->style == FormStyle::kDialog) {
        ScrollDialog(*data, message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
        return 0;
      }
      break;
    case WM_CLOSE:
      DeliverSignal(data->events, window, EventType::kClose);
      return 0;  // closing is the program's decision
    case WM_CANCELMODE:
      DeliverSignal(data->events, window, EventType::kCancelMode);
      break;
    default: {
      Event event;
      if (!TranslateInput(window, message, wParam, lParam, event)) break;
      Deliver(data->events, event);  // data may be gone from here on
      // Alt+F4, Alt+Space and the like keep their system meaning.
      if (message == WM_SYSKEYDOWN) return DefWindowProcW(window, message, wParam, lParam);
      return message == WM_XBUTTONDOWN || message == WM_XBUTTONUP || message == WM_XBUTTONDBLCLK
                 ? TRUE
                 : 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR /*id*/, DWORD_PTR ref) {
  auto* data = reinterpret_cast<WindowData*>(ref);
  switch (message) {
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, ControlProc, kSubclassId);
      RemovePropW(window, kControlProperty);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete data;
      return DefSubclassProc(window, message, wParam, lParam);
    case WM_ERASEBKGND:
      if (data->kind == WindowKind::kGroupBox) {
        // A group frame draws only its edge and caption: fill the inside.
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
      }
      break;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
      // A group frame passes on what its own controls report.
      if (lParam && Notify(message, wParam, lParam)) return 0;
      break;
    case WM_CANCELMODE:
      DeliverSignal(data->events, window, EventType::kCancelMode);
      break;
    default: {
      Event event;
      if (!TranslateInput(window, message, wParam, lParam, event)) break;
      WindowEvents* events = data->events;
      if (IsButtonMessage(message)) {
        // The control first takes or releases the mouse and clicks; the
        // program's own capture handling follows and must not undo that.
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (IsWindow(window)) Deliver(events, event);
        return result;
      }
      Deliver(events, event);
      if (!IsWindow(window)) return 0;
      break;
    }
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

WNDCLASSEXW ClassOf(HINSTANCE instance, const wchar_t* name, HBRUSH background) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = OwnWindowProc;
  c.hInstance = instance;
  c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  c.hbrBackground = background;
  c.lpszClassName = name;
  return c;
}

}  // namespace

void RegisterWindowClasses(HINSTANCE instance) {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  auto face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  WNDCLASSEXW application = ClassOf(instance, kApplicationClass, nullptr);
  application.hIcon = LoadIconW(instance, L"MAINICON");
  RegisterClassExW(&application);
  WNDCLASSEXW saver = ClassOf(instance, kSaverClass, black);
  saver.hIcon = application.hIcon;
  RegisterClassExW(&saver);
  WNDCLASSEXW dialog = ClassOf(instance, kDialogClass, face);
  dialog.hIcon = application.hIcon;
  RegisterClassExW(&dialog);
  WNDCLASSEXW panel = ClassOf(instance, kPanelClass, nullptr);
  RegisterClassExW(&panel);
  WNDCLASSEXW blank = ClassOf(instance, kBlankClass, black);
  RegisterClassExW(&blank);
  WNDCLASSEXW icon = ClassOf(instance, kIconClass, face);
  RegisterClassExW(&icon);
  WNDCLASSEXW cover = ClassOf(instance, kCoverClass, black);
  RegisterClassExW(&cover);
}

HWND CreateWindowFor(const WindowSpec& params, HINSTANCE instance, HFONT font) {
  const wchar_t* className = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  Rect bounds = params.bounds;
  HWND parent = nullptr;
  HMENU id = nullptr;
  if (IsChildKind(params.kind)) {
    const ChildClass& child = ChildClassOf(params.kind);
    className = child.name;
    // Siblings overlap (the panel slides over the black square): each paints
    // only its own visible part.
    style = WS_CHILD | WS_CLIPSIBLINGS | child.style;
    if (params.visible) style |= WS_VISIBLE;
    if (!params.enabled) style |= WS_DISABLED;
    if (params.tabStop) style |= WS_TABSTOP;
    parent = reinterpret_cast<HWND>(params.parent);
    static UINT_PTR nextId = 100;
    id = reinterpret_cast<HMENU>(nextId++);
  } else if (params.kind == WindowKind::kApplication) {
    className = kApplicationClass;
    style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    bounds = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0};
  } else if (params.kind == WindowKind::kCover) {
    // Owned by the application window, so neither the task bar nor Alt+Tab
    // lists it; never activated, so the keys stay with the saver.
    className = kCoverClass;
    parent = reinterpret_cast<HWND>(params.owner);
    style = WS_POPUP;
    exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  } else {
    parent = reinterpret_cast<HWND>(params.owner);
    if (params.style == FormStyle::kSaver) {
      className = kSaverClass;
      style = WS_POPUP | WS_CLIPCHILDREN;
      exStyle = WS_EX_TOPMOST;
    } else {
      className = kDialogClass;
      style = WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
    }
  }

  auto* data = new WindowData;
  data->kind = params.kind;
  data->style = params.style;
  data->events = params.events;
  if (params.kind == WindowKind::kIcon) {
    data->icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(DIALOGICON), IMAGE_ICON, 32, 32, LR_SHARED));
  }
  bool own = IsOwnClass(params.kind);
  Creation creation{data, false};
  HWND window = CreateWindowExW(exStyle, className, Widen(params.text).c_str(), style, bounds.left,
                                bounds.top, bounds.width, bounds.height, parent, id, instance,
                                own ? &creation : nullptr);
  if (!window) {
    if (!creation.attached) delete data;  // else WM_NCDESTROY has freed it
    return nullptr;
  }
  if (!own) {
    data->handle = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    SetPropW(window, kControlProperty, reinterpret_cast<HANDLE>(data));
    SetWindowSubclass(window, ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(data));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (params.kind == WindowKind::kTrackBar) {
    SendMessageW(window, TBM_SETRANGE, TRUE, MAKELPARAM(params.min, params.max));
    SendMessageW(window, TBM_SETTICFREQ, 1, 0);
    SendMessageW(window, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(params.thumbLength), 0);
    SendMessageW(window, TBM_SETLINESIZE, 0, params.lineSize);
    SendMessageW(window, TBM_SETPAGESIZE, 0, params.pageSize);
  }
  if (IsChildKind(params.kind)) {
    // A later sibling lies below the earlier ones, whatever the default.
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return window;
}

WindowData* DataOf(HWND window) {
  if (!window) return nullptr;
  DWORD process = 0;
  if (!GetWindowThreadProcessId(window, &process) || process != GetCurrentProcessId()) {
    return nullptr;
  }
  WNDPROC procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
  if (procedure == OwnWindowProc || GetPropW(window, kControlProperty)) {
    return reinterpret_cast<WindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  return nullptr;
}

void Deliver(WindowEvents* events, const Event& event) {
  // HandleEvent is noexcept: no C++ unwinding can reach user32's frames.
  if (events) events->HandleEvent(event);
}

void DeliverSignal(WindowEvents* events, HWND window, EventType type) {
  Event event;
  event.type = type;
  event.window = reinterpret_cast<WindowId>(window);
  Deliver(events, event);
}

uint32_t ShiftState() {
  auto held = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  uint32_t bits = 0;
  if (held(VK_SHIFT)) bits |= shift::kShift;
  if (held(VK_MENU)) bits |= shift::kAlt;
  if (held(VK_CONTROL)) bits |= shift::kCtrl;
  if (held(VK_LBUTTON)) bits |= shift::kLeft;
  if (held(VK_RBUTTON)) bits |= shift::kRight;
  if (held(VK_MBUTTON)) bits |= shift::kMiddle;
  return bits;
}

}  // namespace morumoru::platform::win32
