#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_os_services.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"
#include "test_support.h"

namespace morumoru::platform {
namespace {

using win32::Narrow;
using win32::Widen;

HWND H(WindowId window) {
  return reinterpret_cast<HWND>(window);
}

class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MSG stale;
    while (PeekMessageW(&stale, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) platform_.DestroyWindow(*it);
  }

  // Windows need a display; Wine without one refuses them.
  WindowId Make(WindowSpec params) {
    params.events = &recorder_;
    WindowId window = platform_.NewWindow(params);
    if (window != kNoWindow) made_.push_back(window);
    return window;
  }
  WindowId MakeForm(FormStyle style, std::string title = "form") {
    WindowSpec params;
    params.kind = WindowKind::kForm;
    params.style = style;
    params.bounds = {10, 20, 369, 171};
    params.text = std::move(title);
    return Make(params);
  }
  WindowId MakeChild(WindowKind kind, WindowId parent, Rect bounds, std::string text = {}) {
    WindowSpec params;
    params.kind = kind;
    params.parent = parent;
    params.bounds = bounds;
    params.text = std::move(text);
    params.min = 1;
    params.max = 7;
    params.fontName = "ＭＳ Ｐゴシック";
    params.fontHeight = 12;
    return Make(params);
  }

  win32::Win32WindowSystem platform_;
  win32::Win32OsServices os_;
  test_support::EventRecorder recorder_;
  std::vector<WindowId> made_;
};

#define FORM_OR_SKIP(var, style)  \
  WindowId var = MakeForm(style); \
  if (var == kNoWindow) GTEST_SKIP() << "no display: windows refused"

TEST(Win32Text, Utf8RoundTrip) {
  const std::string text = "移動スピード 😀 ok";  // one character beyond UTF-16's plane 0
  std::wstring wide = Widen(text);
  EXPECT_EQ(wide, L"移動スピード \xD83D\xDE00 ok");
  EXPECT_EQ(Narrow(wide), text);
  EXPECT_EQ(Widen(""), L"");
}

TEST(Win32Text, MissingFaceFallsBackToAnInstalledGothic) {
  bool anyInstalled = false;
  for (const wchar_t* face : win32::kFallbackFaces) anyInstalled |= win32::FaceInstalled(face);
  if (!anyInstalled) GTEST_SKIP() << "no Japanese gothic installed";
  win32::FontCache fonts;
  std::wstring used = fonts.ResolveFace(L"ＭＳ Ｐゴシック");
  EXPECT_TRUE(win32::FaceInstalled(used)) << Narrow(used);
  EXPECT_EQ(fonts.Get("ＭＳ Ｐゴシック", 12), fonts.Get("ＭＳ Ｐゴシック", 12));
  EXPECT_NE(fonts.Get("ＭＳ Ｐゴシック", 12), fonts.Get("ＭＳ Ｐゴシック", 14));
}

TEST_F(Win32PlatformTest, ModulePathIsTheWholePathOfThisExecutable) {
  std::string path = os_.ModulePath();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\");
  EXPECT_EQ(path.substr(path.size() - 15), "\\unit_tests.exe");
  wchar_t big[32768];
  DWORD length = GetModuleFileNameW(nullptr, big, 32768);
  EXPECT_EQ(path, Narrow(std::wstring(big, length)));
}

TEST(Win32StartupShow, OnlyMaximisedAndMinimisedWithoutActivationCount) {
  EXPECT_EQ(win32::StartupShowFromWindows(SW_SHOWMAXIMIZED), StartupShow::kMaximized);
  EXPECT_EQ(win32::StartupShowFromWindows(SW_SHOWMINNOACTIVE), StartupShow::kMinimized);
  // Minimised with activation, hidden, the default: the form comes up normally.
  for (int other :
       {SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWNOACTIVATE, SW_SHOWDEFAULT}) {
    EXPECT_EQ(win32::StartupShowFromWindows(other), StartupShow::kNormal) << other;
  }
}

TEST(Win32ModuleFileName, GrowsItsBufferUntilThePathFits) {
  std::wstring whole = win32::ModuleFileName(nullptr);
  ASSERT_GT(whole.size(), 8u);
  // Started small, the buffer must grow past a cut-off path (as with a path
  // longer than MAX_PATH).
  EXPECT_EQ(win32::ModuleFileName(nullptr, 4), whole);
  EXPECT_EQ(win32::ModuleFileName(nullptr, static_cast<DWORD>(whole.size())), whole);
}

TEST_F(Win32PlatformTest, ModuleOfAddressNamesModuleAndOffset) {
  auto base = reinterpret_cast<const char*>(GetModuleHandleW(nullptr));
  uint32_t offset = 0;
  EXPECT_EQ(os_.ModuleOfAddress(base + 0x1234, offset), "unit_tests.exe");
  EXPECT_EQ(offset, 0x1234u);
  EXPECT_EQ(os_.ModuleOfAddress(nullptr, offset), "unit_tests.exe");
  EXPECT_EQ(offset, 0u);
  auto kernel = reinterpret_cast<const char*>(GetModuleHandleW(L"kernel32.dll"));
  std::string name = os_.ModuleOfAddress(kernel + 0x1000, offset);
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, "kernel32.dll", -1),
            CSTR_EQUAL)
      << name;
  EXPECT_EQ(offset, 0x1000u);
}

TEST_F(Win32PlatformTest, QueueMessagesAreSortedByKind) {
  Message message;
  EXPECT_FALSE(platform_.Peek(message));
  PostMessageW(nullptr, WM_KEYDOWN, 'A', 0);
  PostMessageW(nullptr, WM_SYSKEYDOWN, VK_MENU, 0);
  PostMessageW(nullptr, WM_SYSKEYUP, VK_MENU, 0);
  PostMessageW(nullptr, WM_CHAR, 'a', 0);  // translated text: nothing the loop reads
  PostMessageW(nullptr, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  PostMessageW(nullptr, WM_MOUSEMOVE, 0, 0);
  PostMessageW(nullptr, WM_XBUTTONUP, 0, 0);
  PostMessageW(nullptr, WM_CLOSE, 0, 0);
  PostMessageW(nullptr, WM_USER, 5, 6);
  platform_.PostQuit(3);

  struct Expected {
    Message::Kind kind;
    bool systemKey;
    uint16_t key;
  };
  const Expected expected[] = {
      {Message::Kind::kKeyDown, false, 'A'},  {Message::Kind::kKeyDown, true, VK_MENU},
      {Message::Kind::kKeyUp, true, VK_MENU}, {Message::Kind::kOther, false, 0},
      {Message::Kind::kMouseDown, false, 0},  {Message::Kind::kMouseMove, false, 0},
      {Message::Kind::kMouseUp, false, 0},    {Message::Kind::kClose, false, 0},
  };
  for (const Expected& want : expected) {
    ASSERT_TRUE(platform_.Peek(message));
    EXPECT_EQ(message.kind, want.kind);
    EXPECT_EQ(message.systemKey, want.systemKey);
    EXPECT_EQ(message.key, want.key);
    EXPECT_EQ(message.target, kNoWindow);
  }
  ASSERT_TRUE(platform_.Peek(message));
  EXPECT_EQ(message.kind, Message::Kind::kOther);
  MSG native;
  std::memcpy(&native, message.native, sizeof native);
  EXPECT_EQ(native.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(native.wParam, 5u);
  EXPECT_EQ(native.lParam, 6);
  platform_.Dispatch(message);  // a thread message reaches no window, and nothing breaks
  ASSERT_TRUE(platform_.Peek(message));
  EXPECT_EQ(message.kind, Message::Kind::kQuit);
  EXPECT_FALSE(platform_.Peek(message));
}

// On Windows the looks themselves are the pace: a step's count handed over at
// once is that many looks at the queue, one PeekMessage each, and a posted
// message stops them with the rest of the count left.
TEST(Win32Looks, HandedOverAtOnceTheyAreOnePeekMessageEach) {
  struct CountingLooks : win32::Win32WindowSystem {
    int64_t looks = 0;
    bool Peek(Message& message) override {
      ++looks;
      return Win32WindowSystem::Peek(message);
    }
  };
  CountingLooks platform;
  MSG stale;
  while (PeekMessageW(&stale, nullptr, 0, 0, PM_REMOVE)) {
  }
  Message message;
  int64_t count = 15626;
  EXPECT_FALSE(platform.PeekWithin(message, count));
  EXPECT_EQ(platform.looks, 15626);
  EXPECT_EQ(count, 0);

  platform.looks = 0;
  PostMessageW(nullptr, WM_USER, 1, 2);
  count = 100;
  ASSERT_TRUE(platform.PeekWithin(message, count));
  EXPECT_EQ(platform.looks, 1);
  EXPECT_EQ(count, 100) << "the look that found a message is not an empty one";
  EXPECT_FALSE(platform.PeekWithin(message, count));
  EXPECT_EQ(platform.looks, 101);
}

TEST_F(Win32PlatformTest, PicturesMissingFromTheExecutableLoadAsNone) {
  EXPECT_EQ(platform_.LoadPicture(0), kNoPicture);
  EXPECT_EQ(platform_.LoadPicture(8), kNoPicture);
  platform_.FreePicture(kNoPicture);
}

TEST_F(Win32PlatformTest, RunningCopySearchSkipsOurOwnWindows) {
  FORM_OR_SKIP(form, FormStyle::kDialog);
  // A title no other program on a shared desktop bears.
  std::string title = "MoruTest-" + std::to_string(GetCurrentProcessId());
  std::string upper = title;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  platform_.SetText(form, title);
  WindowSpec params;
  params.kind = WindowKind::kApplication;
  params.text = upper;
  ASSERT_NE(Make(params), kNoWindow);
  EXPECT_FALSE(platform_.ActivateRunningCopy(title));
  EXPECT_FALSE(platform_.ActivateRunningCopy(upper));
}

TEST_F(Win32PlatformTest, ChildBoundsAreRelativeToTheirParent) {
  FORM_OR_SKIP(form, FormStyle::kDialog);
  WindowId group = MakeChild(WindowKind::kGroupBox, form, {60, 8, 293, 64}, "移動スピード");
  WindowId slider = MakeChild(WindowKind::kTrackBar, group, {52, 16, 189, 32});
  ASSERT_NE(slider, kNoWindow);
  EXPECT_EQ(platform_.GetBounds(group), (Rect{60, 8, 293, 64}));
  EXPECT_EQ(platform_.GetBounds(slider), (Rect{52, 16, 189, 32}));
  platform_.SetBounds(slider, {-30, 5, 100, 20});
  EXPECT_EQ(platform_.GetBounds(slider), (Rect{-30, 5, 100, 20}));
  EXPECT_EQ(platform_.GetBounds(form), (Rect{10, 20, 369, 171}));  // top level: the outer rect
}

TEST_F(Win32PlatformTest, LaterSiblingsLieBelowEarlierOnes) {
  FORM_OR_SKIP(form, FormStyle::kSaver);
  WindowId panel = MakeChild(WindowKind::kPanel, form, {8, 8, 335, 300});
  WindowId blank = MakeChild(WindowKind::kBlank, form, {232, 120, 105, 105});
  ASSERT_NE(blank, kNoWindow);
  EXPECT_EQ(GetWindow(H(form), GW_CHILD), H(panel));
  EXPECT_EQ(GetWindow(H(panel), GW_HWNDNEXT), H(blank));
}

TEST_F(Win32PlatformTest, WindowMessagesBecomeEvents) {
  FORM_OR_SKIP(form, FormStyle::kSaver);
  HWND window = H(form);
  SendMessageW(window, WM_KEYDOWN, 'X', 0);
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 7));
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4));
  SendMessageW(window, WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(3, 4));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(1, 2));
  SendMessageW(window, WM_CLOSE, 0, 0);
  SendMessageW(window, WM_CANCELMODE, 0, 0);

  const auto& e = recorder_.events;
  ASSERT_EQ(e.size(), 7u);
  for (const Event& event : e) EXPECT_EQ(event.window, form);
  EXPECT_EQ(e[0].type, EventType::kKeyDown);
  EXPECT_EQ(e[0].key, 'X');
  EXPECT_EQ(e[1].type, EventType::kMouseMove);
  EXPECT_EQ(e[1].x, -5);  // left of the window: a signed coordinate
  EXPECT_EQ(e[1].y, 7);
  EXPECT_EQ(e[2].type, EventType::kMouseDown);
  EXPECT_EQ(e[2].button, MouseButton::kRight);
  EXPECT_EQ(e[3].type, EventType::kMouseDown);
  EXPECT_EQ(e[3].button, MouseButton::kOther);
  EXPECT_EQ(e[4].type, EventType::kMouseUp);
  EXPECT_EQ(e[4].button, MouseButton::kLeft);
  EXPECT_EQ(e[5].type, EventType::kClose);
  EXPECT_TRUE(IsWindow(window));  // closing is left to the program
  EXPECT_EQ(e[6].type, EventType::kCancelMode);
}

TEST_F(Win32PlatformTest, ControlsReportClicksAndScrollsToTheirOwnReceiver) {
  FORM_OR_SKIP(form, FormStyle::kDialog);
  WindowId button = MakeChild(WindowKind::kButton, form, {8, 84, 76, 28}, "OK(&O)");
  WindowId group = MakeChild(WindowKind::kGroupBox, form, {60, 8, 293, 64}, "group");
  WindowId slider = MakeChild(WindowKind::kTrackBar, group, {52, 16, 189, 32});
  ASSERT_NE(slider, kNoWindow);
  platform_.SetSliderPosition(slider, 9);
  EXPECT_EQ(platform_.GetSliderPosition(slider), 7);  // held to the range
  platform_.SetSliderPosition(slider, 2);
  recorder_.events.clear();

  SendMessageW(H(button), BM_CLICK, 0, 0);
  // The slider sits in the group frame, which must pass its report on.
  SendMessageW(H(slider), WM_KEYDOWN, VK_NEXT, 0);

  std::vector<Event> reports;
  for (const Event& event : recorder_.events) {
    if (event.type == EventType::kClick || event.type == EventType::kScroll) {
      reports.push_back(event);
    }
  }
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports[0].type, EventType::kClick);
  EXPECT_EQ(reports[0].window, button);
  EXPECT_EQ(reports[1].type, EventType::kScroll);
  EXPECT_EQ(reports[1].window, slider);
  EXPECT_EQ(reports[1].position, 4);  // PageDown moves two steps
}

TEST_F(Win32PlatformTest, KeysCarryTheModifiersHeld) {
  FORM_OR_SKIP(form, FormStyle::kSaver);
  BYTE saved[256];
  GetKeyboardState(saved);
  BYTE keys[256] = {};
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  bool shiftHeld = platform_.KeyHeld(VK_SHIFT);
  bool altHeld = platform_.KeyHeld(VK_MENU);
  SendMessageW(H(form), WM_KEYDOWN, VK_F1, 0);
  SetKeyboardState(saved);
  EXPECT_TRUE(shiftHeld);
  EXPECT_FALSE(altHeld);
  ASSERT_EQ(recorder_.events.size(), 1u);
  EXPECT_EQ(recorder_.events[0].shift, shift::kShift | shift::kCtrl);
}

// The program takes the capture on every left press over a control; a
// button that already holds it must keep its press and still click.
TEST_F(Win32PlatformTest, ButtonClicksSurviveTheProgramsCapture) {
  FORM_OR_SKIP(form, FormStyle::kDialog);
  WindowId button = MakeChild(WindowKind::kButton, form, {8, 84, 76, 28}, "OK(&O)");
  ASSERT_NE(button, kNoWindow);
  SendMessageW(H(button), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  platform_.SetCapture(button);
  EXPECT_EQ(platform_.GetCapture(), button);
  EXPECT_TRUE(SendMessageW(H(button), BM_GETSTATE, 0, 0) & BST_PUSHED);
  SendMessageW(H(button), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  platform_.ReleaseCapture();
  int clicks = 0;
  for (const Event& event : recorder_.events) clicks += event.type == EventType::kClick;
  EXPECT_EQ(clicks, 1);
}

TEST_F(Win32PlatformTest, ShrunkDialogScrollsItsControlsIntoReach) {
  FORM_OR_SKIP(form, FormStyle::kDialog);
  WindowId button = MakeChild(WindowKind::kButton, form, {176, 84, 176, 28}, "far");
  ASSERT_NE(button, kNoWindow);
  auto style = [&] { return GetWindowLongPtrW(H(form), GWL_STYLE); };
  EXPECT_FALSE(style() & (WS_HSCROLL | WS_VSCROLL));
  platform_.SetBounds(form, {10, 20, 200, 171});
  EXPECT_TRUE(style() & WS_HSCROLL);
  SendMessageW(H(form), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(platform_.GetBounds(button).left, 176 - 8);
  SendMessageW(H(form), WM_HSCROLL, SB_BOTTOM, 0);
  RECT client;
  GetClientRect(H(form), &client);
  Rect reached = platform_.GetBounds(button);
  EXPECT_EQ(reached.left + reached.width, client.right);  // the far edge shows
  platform_.SetBounds(form, {10, 20, 369, 171});          // room again: back in place, no bars
  EXPECT_FALSE(style() & WS_HSCROLL);
  EXPECT_EQ(platform_.GetBounds(button).left, 176);
}

}  // namespace
}  // namespace morumoru::platform

#endif  // _WIN32
