// What the program relies on from every window system, checked the same way
// over each backend this build has: the in-memory one always, and the real
// one (X11 natively, Win32 under Wine). A backend that cannot open a display
// is skipped, never passed.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/headless/headless_platform.h"

#if defined(MORUMORU_BACKEND_X11)
#include <X11/extensions/Xrandr.h>

#include "foreign_window_support.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_window_system.h"
#endif
#if defined(_WIN32)
#include <windows.h>

#include "platform/win32/win32_window_system.h"
#endif

namespace morumoru::platform {
namespace {

// Input as the user would give it: a key press or a left-button press.
struct Input {
  enum class Kind { kKey, kPress };
  Kind kind = Kind::kKey;
  WindowId target = kNoWindow;
  uint16_t key = 0;  // a letter's virtual key, 'A' to 'Z'
  int32_t x = 0;
  int32_t y = 0;
};

// One backend, and the means to put input on its queue the way its own
// window system delivers it. `post` may be called from another thread while
// the program's thread waits; `settle` returns once posted input can be
// taken off the queue. `changeMonitors` makes the system tell `form` of a
// change of the monitors, as far as a test can change them: the layout it
// leaves is the one it found.
struct Backend {
  std::unique_ptr<WindowSystem> system;
  std::function<void(const Input&)> post;
  std::function<void()> settle = [] {};
  std::function<void(WindowId form)> changeMonitors;
};

struct Factory {
  const char* name;
  Backend (*make)();
};
void PrintTo(const Factory& factory, std::ostream* out) {
  *out << factory.name;
}

Backend MakeHeadless() {
  auto headless = std::make_unique<HeadlessPlatform>();
  HeadlessPlatform* queue = headless.get();
  Backend backend;
  backend.post = [queue](const Input& input) {
    if (input.kind == Input::Kind::kKey) {
      queue->PostKey(input.target, input.key);
    } else {
      queue->PostMouse(input.target, EventType::kMouseDown, input.x, input.y);
    }
  };
  backend.changeMonitors = [queue](WindowId) { queue->ChangeMonitors(queue->Monitors()); };
  backend.system = std::move(headless);
  return backend;
}

#if defined(MORUMORU_BACKEND_X11)
// Input comes from another client through the server, as a user's does.
Backend MakeX11() {
  Backend backend;
  backend.system = CreateX11WindowSystem();
  if (!backend.system) return backend;
  auto sender = std::make_shared<x11::ForeignWindow>("contract-sender");
  backend.post = [sender](const Input& input) {
    if (input.kind == Input::Kind::kKey) {
      sender->SendKey(input.target, input.key - 'A' + 'a');  // the letter's keysym
    } else {
      sender->SendButton(input.target, 1, true, input.x, input.y);
    }
  };
  // A round trip reads everything the server queued for the connection.
  Display* display = static_cast<x11::X11WindowSystem*>(backend.system.get())->display();
  backend.settle = [display] { XSync(display, False); };
  // A monitor as large as the screen, set and removed again, as xrandr
  // --setmonitor and --delmonitor do: the layout ends as it was.
  backend.changeMonitors = [display](WindowId) {
    Window root = DefaultRootWindow(display);
    Atom name = XInternAtom(display, "morumoru-contract", False);
    XRRMonitorInfo* monitor = XRRAllocateMonitor(display, 0);
    monitor->name = name;
    monitor->width = DisplayWidth(display, DefaultScreen(display));
    monitor->height = DisplayHeight(display, DefaultScreen(display));
    monitor->mwidth = DisplayWidthMM(display, DefaultScreen(display));
    monitor->mheight = DisplayHeightMM(display, DefaultScreen(display));
    XRRSetMonitor(display, root, monitor);
    XRRFreeMonitors(monitor);
    XRRDeleteMonitor(display, root, name);
    XSync(display, False);
  };
  return backend;
}
#endif

#if defined(_WIN32)
Backend MakeWin32() {
  Backend backend;
  backend.system = std::make_unique<win32::Win32WindowSystem>();
  backend.post = [](const Input& input) {
    HWND target = reinterpret_cast<HWND>(input.target);
    if (input.kind == Input::Kind::kKey) {
      PostMessageW(target, WM_KEYDOWN, input.key, 0);
    } else {
      PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(input.x, input.y));
    }
  };
  // What Windows sends every top-level window after a change; the monitors
  // of a test machine cannot be changed.
  backend.changeMonitors = [](WindowId form) {
    PostMessageW(reinterpret_cast<HWND>(form), WM_DISPLAYCHANGE, 32,
                 MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  };
  return backend;
}
#endif

struct Recorder : WindowEvents {
  void HandleEvent(const Event& event) noexcept override { events.push_back(event); }
  std::vector<Event> Of(EventType type) const {
    std::vector<Event> found;
    for (const Event& event : events) {
      if (event.type == type) found.push_back(event);
    }
    return found;
  }
  std::vector<Event> events;
};

constexpr const char* kFace = "ＭＳ Ｐゴシック";

class WindowSystemContract : public ::testing::TestWithParam<Factory> {
 protected:
  void SetUp() override {
    backend_ = GetParam().make();
    ws_ = backend_.system.get();
    if (!ws_) GTEST_SKIP() << GetParam().name << ": no display";
    WindowSpec params;
    params.kind = WindowKind::kForm;
    params.style = FormStyle::kDialog;
    params.bounds = {10, 20, 369, 171};
    params.text = "contract";
    params.events = &recorder_;
    form_ = ws_->NewWindow(params);
    if (form_ == kNoWindow) GTEST_SKIP() << GetParam().name << ": no display, windows refused";
    Drain();
  }
  void TearDown() override {
    if (ws_ && form_ != kNoWindow) ws_->DestroyWindow(form_);
  }

  WindowId Child(WindowKind kind, WindowId parent, Rect bounds, bool visible = true) {
    WindowSpec params;
    params.kind = kind;
    params.parent = parent;
    params.bounds = bounds;
    params.visible = visible;
    params.tabStop = kind == WindowKind::kButton || kind == WindowKind::kTrackBar;
    params.fontName = kFace;
    params.fontHeight = 12;
    params.min = 1;
    params.max = 7;
    params.events = &recorder_;
    return ws_->NewWindow(params);
  }

  // One message off the queue, if any: a quit is counted, anything else
  // handed on, as the loop does.
  bool TakeOne() {
    Message message;
    if (!ws_->Peek(message)) return false;
    if (message.kind == Message::Kind::kQuit) {
      ++quits_;
    } else {
      ws_->Dispatch(message);
    }
    return true;
  }
  // Until `done` holds; false when two seconds pass first.
  bool PumpUntil(const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      if (!TakeOne()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  void Drain() {
    while (TakeOne()) {
    }
  }

  Backend backend_;
  WindowSystem* ws_ = nullptr;
  Recorder recorder_;
  WindowId form_ = kNoWindow;
  int quits_ = 0;
};

TEST_P(WindowSystemContract, InputComesOffTheQueueInTheOrderItWasGiven) {
  WindowId panel = Child(WindowKind::kPanel, form_, {8, 8, 100, 100});
  ASSERT_NE(panel, kNoWindow);
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  ws_->SetFocus(form_);
  Drain();
  recorder_.events.clear();
  const Input given[] = {{Input::Kind::kKey, form_, 'A'},
                         {Input::Kind::kPress, panel, 0, 3, 4},
                         {Input::Kind::kKey, form_, 'B'},
                         {Input::Kind::kPress, panel, 0, 5, 6},
                         {Input::Kind::kKey, form_, 'C'}};
  for (const Input& input : given) backend_.post(input);
  auto taken = [&] {
    std::vector<Event> input;
    for (const Event& event : recorder_.events) {
      if (event.type == EventType::kKeyDown || event.type == EventType::kMouseDown) {
        input.push_back(event);
      }
    }
    return input;
  };
  PumpUntil([&] { return taken().size() >= std::size(given); });
  std::vector<Event> events = taken();
  ASSERT_EQ(events.size(), std::size(given));
  for (size_t i = 0; i < events.size(); ++i) {
    const Input& input = given[i];
    const Event& event = events[i];
    EXPECT_EQ(event.window, input.target) << "input " << i;
    if (input.kind == Input::Kind::kKey) {
      EXPECT_EQ(event.type, EventType::kKeyDown) << "input " << i;
      EXPECT_EQ(event.key, input.key) << "input " << i;
    } else {
      EXPECT_EQ(event.type, EventType::kMouseDown) << "input " << i;
      EXPECT_EQ(event.x, input.x) << "input " << i;
      EXPECT_EQ(event.y, input.y) << "input " << i;
      EXPECT_EQ(event.button, MouseButton::kLeft) << "input " << i;
    }
  }
}

// A step's looks handed over at once: what already waits comes out with no
// look spent on it, an empty queue takes every look, and no look takes
// nothing off the queue.
TEST_P(WindowSystemContract, LooksHandedOverAtOnceAreSpentOnlyOnAnEmptyQueue) {
  ws_->SetFocus(form_);
  Drain();
  backend_.post({Input::Kind::kKey, form_, 'A'});
  backend_.settle();
  Message message;
  int64_t looks = 0;
  EXPECT_FALSE(ws_->PeekWithin(message, looks)) << "no look, yet something was taken";
  looks = 40;
  bool first = true;
  bool keyTaken = false;
  while (ws_->PeekWithin(message, looks)) {
    if (first) {
      EXPECT_EQ(looks, 40) << "a look was spent although a message waited";
      first = false;
    }
    if (message.kind == Message::Kind::kKeyDown && message.key == 'A') keyTaken = true;
    if (message.kind != Message::Kind::kQuit) ws_->Dispatch(message);
    ASSERT_GE(looks, 1) << "a message came out after the last look";
  }
  EXPECT_TRUE(keyTaken);
  EXPECT_EQ(looks, 0);
}

// The loop ends on the quit: it must come out once, after what was already
// waiting, and a wait must not hold it back.
TEST_P(WindowSystemContract, PostedQuitComesOutOnceAfterWhatWasWaiting) {
  ws_->SetFocus(form_);
  backend_.post({Input::Kind::kKey, form_, 'Q'});
  backend_.settle();
  ws_->PostQuit(0);
  ASSERT_TRUE(PumpUntil([&] { return quits_ > 0; })) << "no quit came out";
  EXPECT_EQ(recorder_.Of(EventType::kKeyDown).size(), 1u)
      << "the key that was waiting must come out before the quit";
  Drain();
  EXPECT_EQ(quits_, 1);

  // A wait with a quit pending returns at once; a key sent after two
  // seconds ends a wait that does not.
  std::atomic<bool> returned{false};
  ws_->PostQuit(0);
  std::thread rescue([&] {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!returned && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!returned) backend_.post({Input::Kind::kKey, form_, 'R'});
  });
  auto start = std::chrono::steady_clock::now();
  ws_->Wait();
  returned = true;
  auto waited = std::chrono::steady_clock::now() - start;
  rescue.join();
  EXPECT_LT(waited, std::chrono::seconds(1)) << "the wait held a pending quit back";
  Drain();
  EXPECT_EQ(quits_, 2);
}

// A window shows only while it and every window above it are shown.
TEST_P(WindowSystemContract, VisibleOnlyWhenEveryParentIs) {
  WindowId group = Child(WindowKind::kGroupBox, form_, {60, 8, 293, 64});
  WindowId label = Child(WindowKind::kLabel, group, {8, 16, 100, 14});
  WindowId hidden = Child(WindowKind::kLabel, form_, {8, 90, 100, 14}, false);
  ASSERT_NE(label, kNoWindow);
  ASSERT_NE(hidden, kNoWindow);
  EXPECT_FALSE(ws_->IsVisible(form_)) << "forms start hidden";
  EXPECT_FALSE(ws_->IsVisible(group)) << "a child of a hidden form";
  EXPECT_FALSE(ws_->IsVisible(label)) << "a grandchild of a hidden form";

  ws_->ShowWindow(form_, ShowCommand::kNormal);
  EXPECT_TRUE(ws_->IsVisible(form_));
  EXPECT_TRUE(ws_->IsVisible(group));
  EXPECT_TRUE(ws_->IsVisible(label));
  EXPECT_FALSE(ws_->IsVisible(hidden)) << "made hidden, stays hidden";

  ws_->ShowWindow(group, ShowCommand::kHide);
  EXPECT_TRUE(ws_->IsVisible(form_));
  EXPECT_FALSE(ws_->IsVisible(label)) << "its group is hidden";
  ws_->ShowWindow(group, ShowCommand::kNormal);
  EXPECT_TRUE(ws_->IsVisible(label));

  ws_->ShowWindow(form_, ShowCommand::kHide);
  EXPECT_FALSE(ws_->IsVisible(label)) << "the form was hidden again";
}

TEST_P(WindowSystemContract, BoundsReadBackAsSetAndGoWithTheWindow) {
  WindowId group = Child(WindowKind::kGroupBox, form_, {60, 8, 293, 64});
  WindowId panel = Child(WindowKind::kPanel, group, {8, 8, 335, 300});
  ASSERT_NE(panel, kNoWindow);
  EXPECT_EQ(ws_->GetBounds(panel), (Rect{8, 8, 335, 300})) << "as created";
  // Off the parent's left edge, and one pixel on: the saver's panel does both.
  ws_->SetBounds(panel, {-335, 100, 335, 300});
  EXPECT_EQ(ws_->GetBounds(panel), (Rect{-335, 100, 335, 300}));
  ws_->SetBounds(panel, {-334, 100, 335, 300});
  EXPECT_EQ(ws_->GetBounds(panel), (Rect{-334, 100, 335, 300}));
  ws_->SetBounds(panel, {4, 5, 120, 90});
  EXPECT_EQ(ws_->GetBounds(panel), (Rect{4, 5, 120, 90})) << "moved and resized at once";
  EXPECT_EQ(ws_->GetBounds(group), (Rect{60, 8, 293, 64})) << "the parent stays";
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  ws_->SetBounds(form_, {100, 50, 400, 200});
  EXPECT_EQ(ws_->GetBounds(form_), (Rect{100, 50, 400, 200})) << "a form's outer rectangle";

  ws_->DestroyWindow(group);
  EXPECT_EQ(ws_->GetBounds(panel), Rect{}) << "children go with their parent";
  EXPECT_FALSE(ws_->IsVisible(panel));
}

TEST_P(WindowSystemContract, CaptureIsHeldUntilReleasedOrItsWindowGoes) {
  WindowId button = Child(WindowKind::kButton, form_, {8, 84, 76, 28});
  WindowId panel = Child(WindowKind::kPanel, form_, {100, 8, 100, 60});
  ASSERT_NE(panel, kNoWindow);
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  EXPECT_EQ(ws_->GetCapture(), kNoWindow);
  ws_->SetCapture(button);
  EXPECT_EQ(ws_->GetCapture(), button);
  ws_->SetCapture(panel);
  EXPECT_EQ(ws_->GetCapture(), panel) << "taken over";
  ws_->ReleaseCapture();
  EXPECT_EQ(ws_->GetCapture(), kNoWindow);
  ws_->SetCapture(button);
  ws_->DestroyWindow(button);
  EXPECT_EQ(ws_->GetCapture(), kNoWindow) << "held by a destroyed window";
}

TEST_P(WindowSystemContract, FocusIsWhereItWasSetUntilItsWindowGoes) {
  WindowId first = Child(WindowKind::kButton, form_, {8, 84, 76, 28});
  WindowId group = Child(WindowKind::kGroupBox, form_, {60, 8, 293, 64});
  WindowId slider = Child(WindowKind::kTrackBar, group, {52, 16, 189, 32});
  ASSERT_NE(slider, kNoWindow);
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  ws_->SetFocus(first);
  EXPECT_EQ(ws_->GetFocus(), first);
  ws_->SetFocus(slider);
  EXPECT_EQ(ws_->GetFocus(), slider) << "inside a group";
  ws_->SetFocus(first);
  EXPECT_EQ(ws_->GetFocus(), first);
  ws_->SetFocus(slider);
  ws_->DestroyWindow(group);
  EXPECT_NE(ws_->GetFocus(), slider) << "held by a destroyed window";
}

TEST_P(WindowSystemContract, SliderKeepsItsPositionInItsRangeWithoutReporting) {
  WindowId slider = Child(WindowKind::kTrackBar, form_, {52, 16, 189, 32});
  ASSERT_NE(slider, kNoWindow);
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  EXPECT_EQ(ws_->GetSliderPosition(slider), 1) << "starts at its minimum";
  const std::pair<int32_t, int32_t> setAndRead[] = {{4, 4}, {7, 7}, {8, 7},  {9, 7},
                                                    {1, 1}, {0, 1}, {-3, 1}, {2, 2}};
  for (auto [set, read] : setAndRead) {
    ws_->SetSliderPosition(slider, set);
    EXPECT_EQ(ws_->GetSliderPosition(slider), read) << "set to " << set;
  }
  Drain();
  // The program sets the position itself; only the user's moves report.
  EXPECT_TRUE(recorder_.Of(EventType::kScroll).empty());
}

TEST_P(WindowSystemContract, TextHeightIsPositiveStableAndGrowsWithTheFont) {
  for (const char* face : {kFace, "No Such Face At All"}) {
    int32_t twelve = ws_->FontTextHeight(face, 12);
    EXPECT_GT(twelve, 0) << face;
    EXPECT_EQ(ws_->FontTextHeight(face, 12), twelve) << face << ": asked again";
    EXPECT_GT(ws_->FontTextHeight(face, 24), twelve) << face;
    EXPECT_EQ(ws_->FontTextHeight(face, 12), twelve) << face << ": after another size";
  }
}

// Monitors in screen coordinates, the primary one first: the screen the
// saver fills, and the monitor a window on it is said to lie on.
TEST_P(WindowSystemContract, MonitorsBeginWithThePrimaryScreen) {
  std::vector<Rect> monitors = ws_->Monitors();
  ASSERT_FALSE(monitors.empty());
  const Rect& primary = monitors.front();
  Size screen = ws_->ScreenSize();
  EXPECT_EQ(primary.width, screen.width);
  EXPECT_EQ(primary.height, screen.height);
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  ws_->SetBounds(form_, {primary.left + 10, primary.top + 20, 369, 171});
  Drain();
  EXPECT_EQ(ws_->MonitorOf(form_), primary);
}

// A cover shows where it was put without taking the activation or the
// keyboard from the form that has them; the mouse on it reaches its own
// receiver, in its own coordinates.
TEST_P(WindowSystemContract, ACoverShowsWithoutTakingTheKeyboard) {
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  ws_->SetActiveWindow(form_);
  ws_->SetFocus(form_);
  Drain();
  const Rect primary = ws_->Monitors().front();
  Recorder onCover;
  WindowSpec params;
  params.kind = WindowKind::kCover;
  params.bounds = {primary.left + 400, primary.top + 300, 200, 100};
  params.events = &onCover;
  WindowId cover = ws_->NewWindow(params);
  ASSERT_NE(cover, kNoWindow);
  EXPECT_FALSE(ws_->IsVisible(cover)) << "top-level windows start hidden";
  ws_->ShowWindow(cover, ShowCommand::kNormal);
  Drain();
  EXPECT_TRUE(ws_->IsVisible(cover));
  EXPECT_EQ(ws_->GetBounds(cover), params.bounds);
  EXPECT_EQ(ws_->GetActiveWindow(), form_);
  EXPECT_EQ(ws_->GetFocus(), form_);

  backend_.post({Input::Kind::kPress, cover, 0, 7, 9});
  ASSERT_TRUE(PumpUntil([&] { return !onCover.Of(EventType::kMouseDown).empty(); }))
      << "the press never came";
  Event press = onCover.Of(EventType::kMouseDown).front();
  EXPECT_EQ(press.window, cover);
  EXPECT_EQ(press.x, 7);
  EXPECT_EQ(press.y, 9);
  EXPECT_TRUE(recorder_.Of(EventType::kMouseDown).empty()) << "the form got it too";

  ws_->DestroyWindow(cover);
  EXPECT_FALSE(ws_->IsVisible(cover));
}

// A change of the monitors comes to the forms, and the monitors read after it
// still begin with the primary screen.
TEST_P(WindowSystemContract, AChangeOfTheMonitorsReachesTheForms) {
  ws_->ShowWindow(form_, ShowCommand::kNormal);
  Drain();
  recorder_.events.clear();
  backend_.changeMonitors(form_);
  ASSERT_TRUE(PumpUntil([&] { return !recorder_.Of(EventType::kDisplayChange).empty(); }))
      << "no news of the change";
  for (const Event& event : recorder_.Of(EventType::kDisplayChange)) {
    EXPECT_EQ(event.window, form_);
  }
  Size screen = ws_->ScreenSize();
  EXPECT_EQ(ws_->Monitors().front().width, screen.width);
  EXPECT_EQ(ws_->Monitors().front().height, screen.height);
}

std::vector<Factory> Backends() {
  std::vector<Factory> backends{{"Headless", MakeHeadless}};
#if defined(MORUMORU_BACKEND_X11)
  backends.push_back({"X11", MakeX11});
#endif
#if defined(_WIN32)
  backends.push_back({"Win32", MakeWin32});
#endif
  return backends;
}

INSTANTIATE_TEST_SUITE_P(Backends, WindowSystemContract, ::testing::ValuesIn(Backends()),
                         [](const ::testing::TestParamInfo<Factory>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace morumoru::platform
