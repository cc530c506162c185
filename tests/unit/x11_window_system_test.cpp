// The X11 backend. The pure parts run everywhere the backend builds; the rest
// needs a display and is skipped without one.
#if defined(MORUMORU_BACKEND_X11)

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "foreign_window_support.h"
#include "platform/x11/x11_assets.h"
#include "platform/x11/x11_backend.h"
#include "test_support.h"

// After gtest: X's None would name one of gtest's types.
#include <X11/extensions/Xrandr.h>

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// Counts every allocation of the test program, so a test can tell whether a
// call allocated at all.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
// Every form of delete pairs with the malloc above (sanitizers check the pairing).
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace morumoru::platform {
namespace {

using x11::DecodeBmp;
using x11::DecodedImage;
using x11::VirtualKeyFromKeysym;

// Keysym values as the X protocol defines them.
TEST(X11Keys, MapsKeysymsToWindowsVirtualKeys) {
  struct Case {
    unsigned long keysym;
    uint16_t key;
  };
  const Case cases[] = {
      {0x61, 'A'},    {0x7A, 'Z'},    {0x41, 'A'},    {0x30, '0'},    {0x39, '9'},
      {0xFFBE, 0x70}, {0xFFC9, 0x7B}, {0xFF51, 0x25}, {0xFF52, 0x26}, {0xFF53, 0x27},
      {0xFF54, 0x28}, {0xFF09, 0x09}, {0xFE20, 0x09}, {0xFF0D, 0x0D}, {0xFF8D, 0x0D},
      {0xFF1B, 0x1B}, {0xFFE1, 0x10}, {0xFFE2, 0x10}, {0xFFE3, 0x11}, {0xFFE4, 0x11},
      {0xFFE9, 0x12}, {0xFFEA, 0x12}, {0xFF55, 0x21}, {0xFF56, 0x22}, {0xFF50, 0x24},
      {0xFF57, 0x23}, {0x20, 0x20},   {0xFF08, 0x08}, {0xFF96, 0x25}, {0xFFB5, 0x65},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VirtualKeyFromKeysym(c.keysym), c.key) << std::hex << "keysym 0x" << c.keysym;
  }
  // Keys Windows has no code for still come through as a key.
  EXPECT_EQ(VirtualKeyFromKeysym(0x1008FF14), 0xFF);
}

std::vector<unsigned char> SmallBmp(int32_t width, int32_t height) {
  uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
  uint32_t size = 54 + stride * uint32_t(height < 0 ? -height : height);
  std::vector<unsigned char> file(size, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  file[26] = 1;
  file[28] = 24;
  return file;
}

TEST(X11Pictures, DecodesBottomUpBgrRows) {
  std::vector<unsigned char> file = SmallBmp(2, 2);
  // Bottom row first, each pixel blue, green, red.
  const unsigned char bottom[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  const unsigned char top[] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  std::copy(std::begin(bottom), std::end(bottom), file.begin() + 54);
  std::copy(std::begin(top), std::end(top), file.begin() + 54 + 8);
  DecodedImage image;
  ASSERT_TRUE(DecodeBmp(file.data(), file.size(), image));
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x302010, 0x605040, 0x030201, 0x060504}));
}

TEST(X11Pictures, RejectsBrokenFiles) {
  DecodedImage image;
  std::vector<unsigned char> file = SmallBmp(2, 2);
  EXPECT_FALSE(DecodeBmp(file.data(), 53, image)) << "truncated header";
  EXPECT_FALSE(DecodeBmp(file.data(), file.size() - 1, image)) << "truncated pixels";
  EXPECT_FALSE(DecodeBmp(nullptr, 0, image));
  std::vector<unsigned char> wrongDepth = file;
  wrongDepth[28] = 32;
  EXPECT_FALSE(DecodeBmp(wrongDepth.data(), wrongDepth.size(), image));
  std::vector<unsigned char> notBmp = file;
  notBmp[0] = 'X';
  EXPECT_FALSE(DecodeBmp(notBmp.data(), notBmp.size(), image));
  std::vector<unsigned char> hugeWidth = file;
  hugeWidth[21] = 0x7F;  // width 0x7F000002: rows far past the file's end
  EXPECT_FALSE(DecodeBmp(hugeWidth.data(), hugeWidth.size(), image));
}

TEST(X11Pictures, EmbeddedAssetsDecode) {
  for (int i = 0; i < 9; ++i) {
    x11::Blob blob = x11::EmbeddedPicture(i);
    DecodedImage image;
    ASSERT_TRUE(DecodeBmp(blob.data, blob.size, image)) << "picture " << i;
    EXPECT_EQ(image.width, 335);
    EXPECT_EQ(image.height, 300);
  }
  x11::Blob icon = x11::EmbeddedDialogIcon();
  DecodedImage image;
  ASSERT_TRUE(x11::DecodeIcon(icon.data, icon.size, 0xF0F0F0, image));
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.height, 32);
  size_t drawn = 0;
  for (uint32_t pixel : image.pixels) drawn += pixel != 0xF0F0F0;
  EXPECT_GT(drawn, 100u);
}

TEST(X11Pictures, IconRejectsTruncatedFiles) {
  x11::Blob icon = x11::EmbeddedDialogIcon();
  DecodedImage image;
  EXPECT_FALSE(x11::DecodeIcon(icon.data, icon.size - 1, 0, image));
  EXPECT_FALSE(x11::DecodeIcon(icon.data, 20, 0, image));
}

TEST(X11Text, AccessMarkersAreHiddenAndTheirLetterUnderlined) {
  int32_t start = 0, length = 0;
  EXPECT_EQ(x11::StripAccessMarker("OK(&O)", start, length), "OK(O)");
  EXPECT_EQ(start, 3);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(x11::StripAccessMarker("Fish && &Chips", start, length), "Fish & Chips");
  EXPECT_EQ(start, 7);
  EXPECT_EQ(x11::StripAccessMarker("no marker", start, length), "no marker");
  EXPECT_EQ(start, -1);
  EXPECT_EQ(x11::StripAccessMarker("&移動", start, length), "移動");
  EXPECT_EQ(start, 0);
  EXPECT_EQ(length, 3) << "a whole UTF-8 character";
  EXPECT_EQ(x11::StripAccessMarker("end&", start, length), "end&");
}

TEST(X11Text, DialogTextsAlwaysHaveGlyphs) {
  std::string resolved;
  bool covers = false;
  const std::string texts =
      "移動スピードはやいゆっくりOK(O)CANCEL(C)morumoru のホームページへ"
      "スライドショーのスクリーンセーバー  morumoru 1.2";
  // The layouts' face, whether or not it is installed, and one that is not.
  for (const char* family : {"ＭＳ Ｐゴシック", "No Such Face At All"}) {
    if (!x11::ResolveFont(family, 12, texts, resolved, covers)) GTEST_SKIP() << "no X display";
    EXPECT_TRUE(covers) << family << " resolved to " << resolved;
  }
}

class X11PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = CreateX11WindowSystem();
    if (!platform_) GTEST_SKIP() << "no X display";
    WindowSpec app;
    app.kind = WindowKind::kApplication;
    app.text = Title();
    app.events = &recorder_;
    application_ = platform_->NewWindow(app);
  }

  std::string Title() const { return "MoruTest-" + std::to_string(getpid()); }

  // A saver form covering the screen, shown.
  WindowId ShownSaver() {
    WindowSpec params;
    params.kind = WindowKind::kForm;
    params.style = FormStyle::kSaver;
    params.owner = application_;
    params.text = "saver";
    params.events = &recorder_;
    WindowId saver = platform_->NewWindow(params);
    platform_->ShowWindow(saver, ShowCommand::kMaximized);
    return saver;
  }

  WindowId Dialog() {
    WindowSpec params;
    params.kind = WindowKind::kForm;
    params.style = FormStyle::kDialog;
    params.owner = application_;
    params.bounds = {10, 10, 369, 171};
    params.text = "dialog";
    params.events = &recorder_;
    return platform_->NewWindow(params);
  }

  // A window of `kind` inside `parent`, its events recorded.
  static WindowSpec ChildParams(WindowKind kind, WindowId parent, Rect bounds,
                                WindowEvents* events) {
    WindowSpec params;
    params.kind = kind;
    params.parent = parent;
    params.bounds = bounds;
    params.events = events;
    return params;
  }
  WindowId Child(WindowKind kind, WindowId parent, Rect bounds) {
    return platform_->NewWindow(ChildParams(kind, parent, bounds, &recorder_));
  }

  // Handles messages until `count` events were recorded or a second passed.
  void PumpUntil(size_t count) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (recorder_.events.size() < count && std::chrono::steady_clock::now() < end) {
      Message message;
      if (platform_->Peek(message)) {
        messages_.push_back(message);
        platform_->Dispatch(message);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }

  void Drain() {
    Message message;
    while (platform_->Peek(message)) platform_->Dispatch(message);
  }

  std::unique_ptr<WindowSystem> platform_;
  test_support::EventRecorder recorder_;
  WindowId application_ = kNoWindow;
  std::vector<Message> messages_;
};

TEST_F(X11PlatformTest, EmptyPeekIsFalseAndAllocatesNothing) {
  Drain();
  Message message;
  constexpr int kPeeks = 200000;
  long before = g_allocations.load();
  auto start = std::chrono::steady_clock::now();
  int taken = 0;
  for (int i = 0; i < kPeeks; ++i) taken += platform_->Peek(message);
  auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(taken, 0);
  EXPECT_EQ(g_allocations.load(), before);
  double ns = std::chrono::duration<double, std::nano>(spent).count() / kPeeks;
  RecordProperty("empty_peek_ns", std::to_string(ns));
  std::printf("one empty Peek: %.1f ns\n", ns);
}

double ThreadCpuSeconds() {
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0.0;
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median3(double a, double b, double c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// The saver's pace is a count of empty looks at the queue: each costs the
// nominal time, and that time is spent asleep. Each run ends as a step does,
// with a request and one more look, which settles what the looks still owe.
// Three seconds judged as a whole; the processor share by the median.
TEST_F(X11PlatformTest, EmptyLooksCostTheirNominalTimeAsleep) {
  Drain();
  constexpr int kLooks = 1'000'000;
  const double nominal = kLooks * std::chrono::duration<double>(x11::kEmptyInspectionCost).count();
  double total = 0;
  double busy[3];
  for (double& share : busy) {
    Message message;
    int taken = 0;
    double cpu = ThreadCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kLooks; ++i) taken += platform_->Peek(message);
    platform_->SetText(application_, Title());
    taken += platform_->Peek(message);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(taken, 0);
    total += wall;
    share = (ThreadCpuSeconds() - cpu) / wall;
    std::printf("%d empty looks: %.3f s (%.3f of nominal), CPU %.1f %% of it\n", kLooks, wall,
                wall / nominal, 100 * share);
  }
  EXPECT_NEAR(total / (3 * nominal), 1.0, 0.1);
  EXPECT_LT(Median3(busy[0], busy[1], busy[2]), 0.25) << "the looks spin instead of sleeping";
}

// A step's looks handed over at once are one wait: their nominal time, asleep,
// with one wake-up, not a spin.
TEST_F(X11PlatformTest, LooksHandedOverAtOnceCostTheirTimeInOneWait) {
  Drain();
  constexpr int64_t kLooks = 300'000;
  const double nominal = kLooks * std::chrono::duration<double>(x11::kEmptyInspectionCost).count();
  double total = 0;
  double busy[3];
  long wakeUps[3];
  for (int run = 0; run < 3; ++run) {
    platform_->SetText(application_, Title());  // a request to send, as a step's move
    Message message;
    int64_t looks = kLooks;
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    double cpu = ThreadCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    bool taken = platform_->PeekWithin(message, looks);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_THREAD, &after);
    EXPECT_FALSE(taken);
    EXPECT_EQ(looks, 0);
    total += wall;
    busy[run] = (ThreadCpuSeconds() - cpu) / wall;
    wakeUps[run] = after.ru_nvcsw - before.ru_nvcsw;
    std::printf("%lld looks at once: %.4f s (%.3f of nominal), CPU %.2f %%, %ld wake-ups\n",
                static_cast<long long>(kLooks), wall, wall / nominal, 100 * busy[run],
                wakeUps[run]);
  }
  EXPECT_NEAR(total / (3 * nominal), 1.0, 0.1);
  EXPECT_LT(Median3(busy[0], busy[1], busy[2]), 0.05) << "the looks spin instead of sleeping";
  EXPECT_LE(std::min({wakeUps[0], wakeUps[1], wakeUps[2]}), 2) << "more than one wait";
}

// Input during such a wait comes out at once, with the looks its time did
// not cover left over; spending those keeps the pace the input interrupted.
TEST_F(X11PlatformTest, InputDuringLooksHandedOverAtOnceLeavesTheRestOfThem) {
  WindowId form = Dialog();
  platform_->SetFocus(form);
  Drain();
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  using Clock = std::chrono::steady_clock;
  constexpr int64_t kLooks = 1'000'000;  // a second
  std::atomic<Clock::rep> sentAt{0};
  std::thread client([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sender.SendKey(form, 0x61);
    sentAt = Clock::now().time_since_epoch().count();
  });
  auto start = Clock::now();
  int64_t looks = kLooks;
  Message message;
  bool gotKey = false;
  int64_t leftAtKey = 0;
  Clock::time_point keyAt;
  while (platform_->PeekWithin(message, looks)) {
    if (message.kind == Message::Kind::kKeyDown && !gotKey) {
      gotKey = true;
      leftAtKey = looks;
      keyAt = Clock::now();
    }
    platform_->Dispatch(message);
  }
  double wall = std::chrono::duration<double>(Clock::now() - start).count();
  client.join();
  ASSERT_TRUE(gotKey);
  double late =
      std::chrono::duration<double>(keyAt.time_since_epoch() - Clock::duration(sentAt.load()))
          .count();
  EXPECT_LT(late, 0.2) << "the key waited for the looks to run out";
  EXPECT_GT(leftAtKey, kLooks / 2) << "the key came 0.3 s in: most looks were still to go";
  EXPECT_LT(leftAtKey, kLooks * 9 / 10);
  EXPECT_NEAR(wall, 1.0, 0.1) << "the input changed the pace";
}

// Input that comes while a look waits ends the wait: the look returns it.
// Looks of two seconds each make the difference plain.
TEST_F(X11PlatformTest, InputWhileALookWaitsIsReturnedAtOnce) {
  auto slow = CreateX11WindowSystem(std::chrono::seconds(2));
  ASSERT_TRUE(slow);
  WindowSpec params;
  params.kind = WindowKind::kForm;
  params.style = FormStyle::kDialog;
  params.bounds = {10, 10, 369, 171};
  params.events = &recorder_;
  WindowId form = slow->NewWindow(params);
  slow->SetFocus(form);
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  using Clock = std::chrono::steady_clock;
  std::atomic<Clock::rep> sentAt{0};
  std::thread client([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sender.SendKey(form, 0x61);  // returns once the server has handled it
    sentAt = Clock::now().time_since_epoch().count();
  });
  int emptyLooks = 0;
  bool gotKey = false;
  auto end = Clock::now() + std::chrono::seconds(10);
  while (!gotKey && Clock::now() < end) {
    Message message;
    if (!slow->Peek(message)) {
      ++emptyLooks;
    } else {
      gotKey = message.kind == Message::Kind::kKeyDown;
    }
  }
  auto receivedAt = Clock::now();
  client.join();
  ASSERT_TRUE(gotKey);
  EXPECT_LE(emptyLooks, 1) << "every look must wait its two seconds";
  double late =
      std::chrono::duration<double>(receivedAt.time_since_epoch() - Clock::duration(sentAt.load()))
          .count();
  EXPECT_LT(late, 1.0) << "the key came only at the end of the wait";
}

// Between waits the looks only count; the connection must still be read
// soon enough that every key comes out promptly, over and over.
TEST_F(X11PlatformTest, EveryKeyComesOutPromptlyWhileLooking) {
  WindowId form = Dialog();
  platform_->SetFocus(form);
  Drain();
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  using Clock = std::chrono::steady_clock;
  constexpr int kKeys = 20;
  std::atomic<int> sent{0};
  std::atomic<Clock::rep> sentAt{0};
  std::thread client([&] {
    for (int i = 0; i < kKeys; ++i) {
      // A little apart, so each key finds the looks in a different phase.
      std::this_thread::sleep_for(std::chrono::milliseconds(7 + 3 * (i % 5)));
      while (sent.load() != i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sender.SendKey(form, 0x61);
      sentAt = Clock::now().time_since_epoch().count();
      ++sent;
    }
  });
  int received = 0;
  double worst = 0;
  auto end = Clock::now() + std::chrono::seconds(20);
  while (received < kKeys && Clock::now() < end) {
    Message message;
    if (platform_->Peek(message) && message.kind == Message::Kind::kKeyDown) {
      ++received;
      while (sent.load() < received) std::this_thread::yield();
      double late = std::chrono::duration<double>(Clock::now().time_since_epoch() -
                                                  Clock::duration(sentAt.load()))
                        .count();
      worst = std::max(worst, late);
    }
  }
  client.join();
  EXPECT_EQ(received, kKeys);
  std::printf("worst delay from a key sent to its message: %.1f ms\n", worst * 1e3);
  EXPECT_LT(worst, 0.5);
}

// The dialog's loop blocks in Wait while nothing comes, paced looks before
// it or not: no timer wakes it.
TEST_F(X11PlatformTest, WaitSleepsWithoutWakeUps) {
  WindowId form = Dialog();
  platform_->SetFocus(form);
  Drain();
  Message message;
  for (int i = 0; i < 20'000; ++i) platform_->Peek(message);  // the pace clock ahead
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  std::thread client([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sender.SendKey(form, 0x61);
  });
  rusage before{}, after{};
  getrusage(RUSAGE_THREAD, &before);
  auto start = std::chrono::steady_clock::now();
  platform_->Wait();
  auto waited = std::chrono::steady_clock::now() - start;
  getrusage(RUSAGE_THREAD, &after);
  client.join();
  ASSERT_TRUE(platform_->Peek(message));
  EXPECT_EQ(message.kind, Message::Kind::kKeyDown);
  EXPECT_GE(waited, std::chrono::milliseconds(400));
  EXPECT_LE(after.ru_nvcsw - before.ru_nvcsw, 2) << "woken while nothing came";
}

TEST_F(X11PlatformTest, PostedQuitComesOutOnce) {
  Drain();
  platform_->PostQuit(0);
  Message message;
  ASSERT_TRUE(platform_->Peek(message));
  EXPECT_EQ(message.kind, Message::Kind::kQuit);
  EXPECT_FALSE(platform_->Peek(message));
}

TEST_F(X11PlatformTest, ChildBoundsAreWhatWasSet) {
  WindowId form = Dialog();
  WindowId panel = Child(WindowKind::kPanel, form, {8, 8, 545, 300});
  ASSERT_NE(panel, kNoWindow);
  EXPECT_EQ(platform_->GetBounds(panel), (Rect{8, 8, 545, 300}));
  platform_->SetBounds(panel, {-335, 100, 335, 300});
  EXPECT_EQ(platform_->GetBounds(panel), (Rect{-335, 100, 335, 300}));
  platform_->SetBounds(panel, {-334, 100, 335, 300});
  EXPECT_EQ(platform_->GetBounds(panel), (Rect{-334, 100, 335, 300}));
  // A form's bounds are its outer rectangle, frame included.
  platform_->SetBounds(form, {100, 50, 369, 171});
  EXPECT_EQ(platform_->GetBounds(form), (Rect{100, 50, 369, 171}));
  platform_->DestroyWindow(form);
  EXPECT_EQ(platform_->GetBounds(panel), Rect{}) << "children go with their form";
}

TEST_F(X11PlatformTest, RunningCopyIsAnotherProgramsWindowInAnyCaseButNotOurs) {
  std::string title = Title();  // our application window bears it already
  EXPECT_FALSE(platform_->ActivateRunningCopy(title));
  x11::ForeignWindow longer(title + "x");
  ASSERT_TRUE(longer.Opened());
  EXPECT_FALSE(platform_->ActivateRunningCopy(title)) << "a longer title differs";
  std::string upper = title;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  x11::ForeignWindow other(upper);
  ASSERT_TRUE(other.Opened());
  EXPECT_TRUE(platform_->ActivateRunningCopy(title));
}

TEST_F(X11PlatformTest, RunningCopyBringsItsOwnerToTheFront) {
  x11::ForeignWindow owner("owner");
  x11::ForeignWindow copy(Title());
  x11::ForeignWindow elsewhere("elsewhere");
  ASSERT_TRUE(owner.Opened() && copy.Opened() && elsewhere.Opened());
  copy.SetOwner(owner.id());
  owner.TakeFocus();
  elsewhere.TakeFocus();  // the user is in another program
  ASSERT_EQ(elsewhere.FocusNow(), elsewhere.id());
  EXPECT_TRUE(platform_->ActivateRunningCopy(Title()));
  // Our requests went out on another connection: give the server a moment.
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (elsewhere.FocusNow() != owner.id() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(elsewhere.FocusNow(), owner.id());
}

TEST_F(X11PlatformTest, KeysGoToTheFocusWindowWithWindowsKeyCodes) {
  WindowId form = Dialog();
  platform_->SetFocus(form);
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  sender.SendKey(form, 0x61);          // a
  sender.SendKey(form, 0xFFBF, true);  // Alt+F2
  PumpUntil(2);
  ASSERT_EQ(recorder_.events.size(), 2u);
  EXPECT_EQ(recorder_.events[0].type, EventType::kKeyDown);
  EXPECT_EQ(recorder_.events[0].key, 'A');
  EXPECT_EQ(recorder_.events[0].window, form);
  EXPECT_EQ(recorder_.events[1].key, 0x71);
  EXPECT_EQ(recorder_.events[1].shift & shift::kAlt, shift::kAlt);
  std::vector<bool> systemKeys;
  for (const Message& m : messages_) {
    if (m.kind == Message::Kind::kKeyDown) systemKeys.push_back(m.systemKey);
  }
  EXPECT_EQ(systemKeys, (std::vector<bool>{false, true})) << "Alt makes a system key";
}

TEST_F(X11PlatformTest, SliderKeysMoveAndReport) {
  WindowId form = Dialog();
  WindowSpec params = ChildParams(WindowKind::kTrackBar, form, {52, 16, 189, 32}, &recorder_);
  params.min = 1;
  params.max = 7;
  params.tabStop = true;
  WindowId slider = platform_->NewWindow(params);
  platform_->SetSliderPosition(slider, 9);
  EXPECT_EQ(platform_->GetSliderPosition(slider), 7) << "clamped to the range";
  platform_->SetSliderPosition(slider, 2);
  platform_->SetFocus(slider);
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  sender.SendKey(form, 0xFF53);  // Right: +1
  sender.SendKey(form, 0xFF56);  // Page Down: +2
  sender.SendKey(form, 0xFF57);  // End
  sender.SendKey(form, 0xFF51);  // Left: -1
  sender.SendKey(form, 0xFF55);  // Page Up: -2
  sender.SendKey(form, 0xFF50);  // Home
  PumpUntil(12);
  std::vector<int32_t> scrolls;
  for (const Event& e : recorder_.events) {
    if (e.type == EventType::kScroll) scrolls.push_back(e.position);
  }
  EXPECT_EQ(scrolls, (std::vector<int32_t>{3, 5, 7, 6, 4, 1}));
  EXPECT_EQ(platform_->GetSliderPosition(slider), 1);
}

TEST_F(X11PlatformTest, ButtonsClickOnReleaseInside) {
  WindowId form = Dialog();
  WindowSpec params = ChildParams(WindowKind::kButton, form, {8, 84, 76, 28}, &recorder_);
  params.text = "OK(&O)";
  params.tabStop = true;
  WindowId button = platform_->NewWindow(params);
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  sender.SendButton(button, 1, true, 10, 10);
  sender.SendButton(button, 1, false, 12, 12);
  PumpUntil(3);
  std::vector<EventType> types;
  types.reserve(recorder_.events.size());
  for (const Event& e : recorder_.events) types.push_back(e.type);
  EXPECT_EQ(types, (std::vector<EventType>{EventType::kMouseDown, EventType::kClick,
                                           EventType::kMouseUp}));
  EXPECT_EQ(platform_->GetFocus(), button) << "a pressed button takes the focus";

  recorder_.events.clear();
  sender.SendButton(button, 1, true, 10, 10);
  sender.SendButton(button, 1, false, -5, 10);  // let go beside it
  PumpUntil(2);
  for (const Event& e : recorder_.events) EXPECT_NE(e.type, EventType::kClick);
}

TEST_F(X11PlatformTest, WheelAndExtraButtonsAreNotClicks) {
  WindowId form = Dialog();
  WindowId panel = Child(WindowKind::kPanel, form, {0, 0, 100, 100});
  x11::ForeignWindow sender("sender");
  ASSERT_TRUE(sender.Opened());
  sender.SendButton(panel, 4, true, 5, 5);
  sender.SendButton(panel, 4, false, 5, 5);  // a notch's release means nothing
  sender.SendButton(panel, 8, true, 5, 5);
  sender.SendButton(panel, 3, true, 5, 6);
  PumpUntil(3);
  ASSERT_EQ(recorder_.events.size(), 3u);
  EXPECT_EQ(recorder_.events[0].type, EventType::kMouseWheel);
  EXPECT_EQ(recorder_.events[1].type, EventType::kMouseDown);
  EXPECT_EQ(recorder_.events[1].button, MouseButton::kOther);
  EXPECT_EQ(recorder_.events[2].button, MouseButton::kRight);
  EXPECT_EQ(recorder_.events[2].y, 6);
  EXPECT_EQ(recorder_.events[2].window, panel);
}

size_t DeactivationsOf(const std::vector<Event>& events, WindowId window) {
  return std::count_if(events.begin(), events.end(), [window](const Event& event) {
    return event.type == EventType::kAppDeactivate && event.window == window;
  });
}

// The standalone saver hears of every focus taken by another client, under
// its own keyboard grab too; its own grab and its own windows are no loss.
TEST_F(X11PlatformTest, FocusTakenByAnotherClientDeactivatesTheSaver) {
  WindowId saver = ShownSaver();
  WindowId dialog = Dialog();
  platform_->ShowWindow(dialog, ShowCommand::kNormal);
  for (int round = 0; round < 5; ++round) {
    platform_->SetActiveWindow(saver);
    platform_->SetActiveWindow(dialog);
    platform_->SetActiveWindow(saver);
    // The focus events of our own moves come back from the server first.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Drain();
    EXPECT_EQ(DeactivationsOf(recorder_.events, saver), size_t(round))
        << "own windows, round " << round;
    x11::ForeignWindow other("other-" + std::to_string(round));
    ASSERT_TRUE(other.Opened());
    other.TakeFocus();
    size_t before = recorder_.events.size();
    PumpUntil(before + 1);
    Drain();
    EXPECT_EQ(DeactivationsOf(recorder_.events, saver), size_t(round + 1)) << "round " << round;
  }
  platform_->DestroyWindow(dialog);
  platform_->DestroyWindow(saver);
}

// Under xscreensaver the keyboard is xscreensaver's: another client's focus
// ends nothing of the hack.
TEST(X11Hack, FocusTakenByAnotherClientIsNotItsBusiness) {
  x11::ForeignWindow host("xscreensaver-host");
  if (!host.Opened()) GTEST_SKIP() << "no X display";
  std::string error;
  Launch launch;
  launch.host.kind = HostChoice::Kind::kWindow;
  launch.host.window = host.id();
  std::unique_ptr<WindowSystem> hack = CreateX11WindowSystemForLaunch(launch, error);
  ASSERT_TRUE(hack) << error;
  test_support::EventRecorder recorder;
  WindowSpec params;
  params.kind = WindowKind::kForm;
  params.style = FormStyle::kSaver;
  params.text = "saver";
  params.events = &recorder;
  WindowId saver = hack->NewWindow(params);
  hack->ShowWindow(saver, ShowCommand::kMaximized);
  host.TakeFocus();
  x11::ForeignWindow other("other");
  other.TakeFocus();
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (std::chrono::steady_clock::now() < end) {
    Message message;
    if (hack->Peek(message)) hack->Dispatch(message);
  }
  EXPECT_EQ(DeactivationsOf(recorder.events, saver), 0u);
  hack->DestroyWindow(saver);
}

TEST_F(X11PlatformTest, DestroyedWindowsLoseFocusAndCapture) {
  WindowId form = Dialog();
  WindowSpec params = ChildParams(WindowKind::kButton, form, {8, 84, 76, 28}, nullptr);
  params.tabStop = true;
  WindowId button = platform_->NewWindow(params);
  platform_->SetFocus(button);
  platform_->SetCapture(button);
  EXPECT_EQ(platform_->GetCapture(), button);
  platform_->DestroyWindow(form);
  EXPECT_EQ(platform_->GetFocus(), kNoWindow);
  EXPECT_EQ(platform_->GetCapture(), kNoWindow);
  EXPECT_FALSE(platform_->IsVisible(button));
}

// A panel sliding in from the edge shows its picture in every column that
// came into view, and the program has no exposure to wake up for: the server
// fills the new columns from the picture itself.
TEST_F(X11PlatformTest, APanelSlidingInShowsItsPictureWithNothingToAnswer) {
  x11::ForeignWindow viewer("viewer");
  ASSERT_TRUE(viewer.Opened());
  WindowId saver = ShownSaver();
  WindowSpec params = ChildParams(WindowKind::kPanel, saver, {-335, 100, 335, 300}, &recorder_);
  params.visible = true;
  WindowId panel = platform_->NewWindow(params);
  PictureId picture = platform_->LoadPicture(0);
  platform_->SetPanelPicture(panel, picture);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!viewer.Viewable(saver) && std::chrono::steady_clock::now() < deadline) Drain();
  ASSERT_TRUE(viewer.Viewable(saver));

  for (int32_t left = -334; left <= -300; ++left)
    platform_->SetBounds(panel, {left, 100, 335, 300});
  // Another client's requests may overtake ours: read until the last move
  // is in, with nothing pumped meanwhile.
  std::vector<uint32_t> want = viewer.Pixels(picture, {300, 0, 35, 300});
  ASSERT_EQ(want.size(), size_t(35 * 300));
  std::vector<uint32_t> seen;
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    seen = viewer.Pixels(saver, {0, 100, 35, 300});
  } while (seen != want && std::chrono::steady_clock::now() < deadline);
  EXPECT_TRUE(seen == want) << "the columns that came into view show the picture's right edge";
  EXPECT_FALSE(viewer.SomeClientWantsExposures(panel));
  platform_->DestroyWindow(saver);
  platform_->FreePicture(picture);
}

// Monitors set and removed by another client (xrandr --setmonitor and
// --delmonitor) are told to the forms and read at once. RandR lists a
// monitor set by hand first, yet one that shows no output is not the
// primary one.
TEST_F(X11PlatformTest, MonitorsSetAndRemovedWithRandrAreToldAndRead) {
  WindowId saver = ShownSaver();
  Drain();
  const std::vector<Rect> before = platform_->Monitors();
  ASSERT_FALSE(before.empty());
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  int major = 0;
  int minor = 0;
  if (!XRRQueryVersion(other, &major, &minor) || major * 100 + minor < 105) {
    XCloseDisplay(other);
    GTEST_SKIP() << "the server has no RandR 1.5 monitors";
  }
  const Rect& primary = before.front();
  const Rect added{primary.left + primary.width / 2, primary.top, primary.width / 2,
                   primary.height / 2};
  Window root = DefaultRootWindow(other);
  Atom name = XInternAtom(other, ("morumoru-test-" + std::to_string(getpid())).c_str(), False);
  auto changesTold = [&] {
    return std::count_if(recorder_.events.begin(), recorder_.events.end(), [&](const Event& e) {
      return e.type == EventType::kDisplayChange && e.window == saver;
    });
  };

  XRRMonitorInfo* monitor = XRRAllocateMonitor(other, 0);
  monitor->name = name;
  monitor->x = added.left;
  monitor->y = added.top;
  monitor->width = added.width;
  monitor->height = added.height;
  monitor->mwidth = 100;
  monitor->mheight = 100;
  XRRSetMonitor(other, root, monitor);
  XRRFreeMonitors(monitor);
  XSync(other, False);
  PumpUntil(recorder_.events.size() + 1);
  EXPECT_GE(changesTold(), 1) << "the new monitor was not told";
  std::vector<Rect> with = platform_->Monitors();
  EXPECT_EQ(with.size(), before.size() + 1);
  EXPECT_EQ(with.front(), primary) << "a monitor without an output taken for the primary one";
  EXPECT_NE(std::find(with.begin(), with.end(), added), with.end());
  EXPECT_EQ(platform_->ScreenSize(), (Size{primary.width, primary.height}));

  auto told = changesTold();
  XRRDeleteMonitor(other, root, name);
  XSync(other, False);
  PumpUntil(recorder_.events.size() + 1);
  EXPECT_GT(changesTold(), told) << "the removal was not told";
  EXPECT_EQ(platform_->Monitors(), before);
  XCloseDisplay(other);
  platform_->DestroyWindow(saver);
}

// A cover is a black viewable window of its own, with no title for a
// running-copy check to find.
TEST_F(X11PlatformTest, ACoverIsBlackAndUntitled) {
  x11::ForeignWindow viewer("viewer");
  ASSERT_TRUE(viewer.Opened());
  WindowSpec params;
  params.kind = WindowKind::kCover;
  params.owner = application_;
  params.bounds = {100, 50, 64, 48};
  params.events = &recorder_;
  WindowId cover = platform_->NewWindow(params);
  ASSERT_NE(cover, kNoWindow);
  platform_->ShowWindow(cover, ShowCommand::kNormal);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!viewer.Viewable(cover) && std::chrono::steady_clock::now() < deadline) Drain();
  ASSERT_TRUE(viewer.Viewable(cover));
  std::vector<uint32_t> pixels = viewer.Pixels(cover, {0, 0, 64, 48});
  ASSERT_EQ(pixels.size(), size_t(64 * 48));
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 64 * 48) << "not all black";
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  char* title = nullptr;
  EXPECT_FALSE(XFetchName(other, static_cast<Window>(cover), &title) && title);
  if (title) XFree(title);
  XCloseDisplay(other);
  platform_->DestroyWindow(cover);
}

}  // namespace
}  // namespace morumoru::platform

#endif  // MORUMORU_BACKEND_X11
