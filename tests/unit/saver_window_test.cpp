#include "saver/saver_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "forms/application.h"
#include "platform/headless/headless_platform.h"

namespace morumoru {
namespace {

using platform::EventType;
using platform::MouseButton;
namespace vk = platform::vk;

class SaverWindowTest : public ::testing::Test {
 protected:
  SaverWindowTest() : app(headless, headless) {
    app.SetTitle("morumoru");
    headless.memoryProfile.files["C:\\saver\\morumoru.ini"]["moruscr"]["speed"] = "1";
  }
  void Create() {
    app.AddForm(saver);
    saver->Show();
    app.PumpMessages();
  }
  bool Quit() const { return headless.quitPosts > 0; }
  std::vector<platform::WindowId> Covers() const {
    return headless.LiveWindowsOf(platform::WindowKind::kCover);
  }
  platform::HeadlessPlatform headless;
  TApplication app;
  Tmorumoru* saver = nullptr;
};

TEST_F(SaverWindowTest, CreationState) {
  Engine.moveKind = 3;
  Engine.lastDraw = 4321;
  MouseRef = {5, 5};
  Create();
  EXPECT_EQ(headless.cursorCounter, -1);
  EXPECT_EQ(MouseRef.x, -1);
  EXPECT_EQ(MouseRef.y, -1);
  EXPECT_FALSE(MouseRef.latched);
  EXPECT_EQ(Engine.moveKind, 0);
  EXPECT_EQ(Engine.lastDraw, 0);
  EXPECT_EQ(saver->speed, 1);
  EXPECT_EQ(saver->power, 6);
  EXPECT_TRUE(static_cast<bool>(app.OnIdle()));
  EXPECT_EQ(saver->Panel1->Bounds(), (platform::Rect{8, 8, 335, 300}));
  EXPECT_EQ(headless.At(saver->Panel1->Handle()).bounds, (platform::Rect{8, 8, 335, 300}));
  EXPECT_EQ(saver->Image1->Bounds(), (platform::Rect{232, 120, 105, 105}));
  auto& window = headless.At(saver->Handle());
  EXPECT_EQ(window.text, "morumoru");
  EXPECT_EQ(window.owner, app.Handle());
  EXPECT_EQ(window.params.style, platform::FormStyle::kSaver);
  EXPECT_EQ(window.shown, platform::ShowCommand::kMaximized);
  EXPECT_EQ(headless.GetFocus(), saver->Handle());
  // Until the first step the panel shows the last visible view, jpg8.
  platform::PictureId first = headless.At(saver->Panel1->Handle()).picture;
  ASSERT_NE(first, platform::kNoPicture);
  EXPECT_EQ(headless.pictureIndex.at(first), 8);
  EXPECT_EQ(headless.livePictures.size(), 9u);
  EXPECT_TRUE(Covers().empty()) << "one monitor: the saver's window alone";

  app.DestroyForms();
  EXPECT_EQ(headless.cursorCounter, 0);
  EXPECT_TRUE(headless.livePictures.empty());
}

// Values given for the run (xscreensaver's -speed and -power) win over the
// file; one that is no integer by the settings' own rule leaves the file's.
TEST_F(SaverWindowTest, ValuesGivenForTheRunWinOverTheFile) {
  auto& stored = headless.memoryProfile.files["C:\\saver\\morumoru.ini"]["moruscr"];
  stored["speed"] = "2";
  stored["power"] = "4";
  struct Case {
    std::map<std::string, std::string> given;
    int32_t speed;
    int32_t power;
  };
  const Case cases[] = {
      {{}, 2, 4},
      {{{"speed", "7"}}, 7, 4},
      {{{"speed", " $A"}, {"power", "-1"}}, 10, -1},
      {{{"speed", "fast"}, {"power", "1.5"}}, 2, 4},
      {{{"speed", ""}, {"power", "2147483648"}}, 2, 4},
  };
  for (const Case& c : cases) {
    headless.settingOverrides = c.given;
    Tmorumoru form(app);
    form.Create();
    EXPECT_EQ(form.speed, c.speed) << testing::PrintToString(c.given);
    EXPECT_EQ(form.power, c.power) << testing::PrintToString(c.given);
    form.Destroy();
    app.SetOnIdle(nullptr);
  }
  EXPECT_EQ(stored["speed"], "2");
}

// Tab alone and Shift+Tab are focus navigation, taken before the key handler;
// with Ctrl or Alt held, Tab is an ordinary key and ends the saver.
TEST_F(SaverWindowTest, AnyKeyEndsButTabAlone) {
  Create();
  const std::pair<uint16_t, bool> cases[] = {
      {0, false}, {vk::kShift, false}, {vk::kControl, true}, {vk::kMenu, true}};
  for (const auto& [modifier, ends] : cases) {
    headless.quitPosts = 0;
    if (modifier) headless.Hold(modifier, true);
    headless.PostKey(saver->Handle(), vk::kTab, /*system=*/modifier == vk::kMenu);
    app.PumpMessages();
    if (modifier) headless.Hold(modifier, false);
    EXPECT_EQ(Quit(), ends) << "modifier " << modifier;
  }
}

TEST_F(SaverWindowTest, ArrowsEnterEscapeAndAltKeysEnd) {
  for (uint16_t key : {vk::kLeft, vk::kReturn, vk::kEscape, vk::kShift, uint16_t('O')}) {
    headless.quitPosts = 0;
    if (!saver) Create();
    headless.PostKey(saver->Handle(), key, key == 'O');
    app.PumpMessages();
    EXPECT_TRUE(Quit()) << "key " << key;
  }
}

// The first move only latches its position, whatever it is: only (-1, -1)
// means "not latched". A move to the same place ends nothing; the next one
// elsewhere, along either axis, ends the saver.
TEST_F(SaverWindowTest, FirstMoveOnlyLatches) {
  Create();
  const std::pair<MousePosition, MousePosition> cases[] = {
      {{900, 700}, {901, 700}}, {{900, 700}, {900, 699}}, {{-1, 700}, {5, 700}}};
  for (const auto& [first, next] : cases) {
    SCOPED_TRACE(testing::Message() << first.x << "," << first.y);
    headless.quitPosts = 0;
    MouseRef = {-1, -1};  // as creation leaves it
    headless.PostMouse(saver->Handle(), EventType::kMouseMove, first.x, first.y);
    headless.PostMouse(saver->Handle(), EventType::kMouseMove, first.x, first.y);
    app.PumpMessages();
    EXPECT_FALSE(Quit());
    EXPECT_EQ(MouseRef.x, first.x);
    EXPECT_EQ(MouseRef.y, first.y);
    headless.PostMouse(saver->Handle(), EventType::kMouseMove, next.x, next.y);
    app.PumpMessages();
    EXPECT_TRUE(Quit());
  }
}

TEST_F(SaverWindowTest, ButtonsOnBackgroundEnd) {
  Create();
  headless.PostMouse(saver->Handle(), EventType::kMouseWheel, 10, 10);
  headless.PostMouse(saver->Handle(), EventType::kMouseDown, 10, 10, MouseButton::kOther);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  for (MouseButton button : {MouseButton::kLeft, MouseButton::kRight, MouseButton::kMiddle}) {
    headless.quitPosts = 0;
    headless.PostMouse(saver->Handle(), EventType::kMouseDown, 10, 10, button);
    app.PumpMessages();
    EXPECT_TRUE(Quit());
  }
}

TEST_F(SaverWindowTest, InputOverPanelOrImage1DoesNothing) {
  Create();
  for (platform::WindowId child : {saver->Panel1->Handle(), saver->Image1->Handle()}) {
    headless.PostMouse(child, EventType::kMouseMove, 1, 1);
    headless.PostMouse(child, EventType::kMouseMove, 2, 2);
    headless.PostMouse(child, EventType::kMouseDown, 2, 2, MouseButton::kRight);
    app.PumpMessages();
  }
  EXPECT_FALSE(Quit());
  // A left press over the picture keeps the mouse until it is released.
  headless.PostMouse(saver->Panel1->Handle(), EventType::kMouseDown, 5, 5);
  app.PumpMessages();
  headless.PostMouse(saver->Handle(), EventType::kMouseMove, 700, 10);
  headless.PostMouse(saver->Handle(), EventType::kMouseMove, 710, 10);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  headless.PostMouse(saver->Handle(), EventType::kMouseUp, 710, 10);
  app.PumpMessages();
  headless.PostMouse(saver->Handle(), EventType::kMouseMove, 720, 10);
  headless.PostMouse(saver->Handle(), EventType::kMouseMove, 730, 10);
  app.PumpMessages();
  EXPECT_TRUE(Quit());
}

// Another program taking the activation ends the saver, every time; the same
// news for a control of ours (never sent by a backend) ends nothing.
TEST_F(SaverWindowTest, AnotherProgramActivatedEnds) {
  Create();
  platform::Event deactivated;
  deactivated.type = EventType::kAppDeactivate;
  deactivated.window = saver->Panel1->Handle();
  headless.PostEvent(deactivated);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  deactivated.window = saver->Handle();
  for (int i = 0; i < 20; ++i) {
    headless.quitPosts = 0;
    headless.PostEvent(deactivated);
    app.PumpMessages();
    EXPECT_EQ(headless.quitPosts, 1) << "time " << i;
  }
}

TEST_F(SaverWindowTest, StepsMoveAndRepaintThePanel) {
  Create();
  bool idleDone = true;
  saver->Effect(app, idleDone);  // choose step
  EXPECT_FALSE(idleDone);
  int paintsBefore = headless.At(saver->Panel1->Handle()).paints;
  platform::Rect before = saver->Panel1->Bounds();
  saver->Effect(app, idleDone);
  platform::Rect after = saver->Panel1->Bounds();
  EXPECT_EQ(std::abs(after.left - before.left) + std::abs(after.top - before.top), 1);
  EXPECT_EQ(headless.At(saver->Panel1->Handle()).paints, paintsBefore + 1)
      << "each move repaints the panel during the step's own pumping";
}

// Changed views reach the panel only once it is placed, never where the last
// slide left it.
TEST_F(SaverWindowTest, ANewPictureShowsOnlyOnceThePanelIsPlaced) {
  Create();
  platform::WindowId panel = saver->Panel1->Handle();
  platform::PictureId before = headless.At(panel).picture;
  SlideStage& stage = *saver;  // as the engine sees the saver
  for (int view = 0; view < kViewCount; ++view) stage.SetViewVisible(view, false);
  stage.SetViewVisible(3, true);
  EXPECT_EQ(headless.At(panel).picture, before);
  stage.PlacePanel(400, 8);
  ASSERT_NE(headless.At(panel).picture, platform::kNoPicture);
  EXPECT_EQ(headless.pictureIndex.at(headless.At(panel).picture), saver->jpg[3]->Picture());
}

TEST_F(SaverWindowTest, FailingStepShowsOneBoxAndKeepsTheShowStill) {
  headless.memoryProfile.files["C:\\saver\\morumoru.ini"]["moruscr"]["speed"] = "7";
  headless.memoryProfile.files["C:\\saver\\morumoru.ini"]["moruscr"]["power"] = "12";
  Create();
  int turns = 0;
  headless.onWait = [&] {
    if (++turns < 5) {
      headless.PostOther(saver->Handle());  // some unrelated message wakes the loop
    } else if (turns == 5) {
      headless.PostKey(saver->Handle(), 'Q');
    }
  };
  // Steps that pump instead of failing end here instead of running forever.
  headless.onEmptyPeek = [&](int count) {
    if (count == 1000000) headless.PostKey(saver->Handle(), 'Q');
  };
  app.RunMessageLoop();
  ASSERT_EQ(headless.boxes.size(), 1u);
  EXPECT_EQ(headless.boxes[0].text, "範囲チェックエラー.");
  EXPECT_EQ(headless.boxes[0].caption, "morumoru");
  EXPECT_EQ(headless.boxes[0].kind, platform::BoxKind::kErrorTopMost);
  EXPECT_EQ(headless.cursorCounter, -1) << "the cursor is hidden again after the box";
}

using platform::Rect;
using platform::WindowId;

constexpr Rect kPrimary{0, 0, 1024, 768};
constexpr Rect kRight{1024, -100, 1280, 1024};
constexpr Rect kAboveLeft{-800, -600, 800, 600};

// Every other monitor gets a black cover while the saver shows; the covers
// carry no title, take neither the activation nor the focus, and go with
// the saver.
TEST_F(SaverWindowTest, OtherMonitorsAreCoveredWhileTheSaverShows) {
  headless.monitors = {kPrimary, kRight, kAboveLeft};
  app.AddForm(saver);
  EXPECT_TRUE(Covers().empty()) << "nothing before the saver shows";
  saver->Show();
  app.PumpMessages();
  std::vector<WindowId> covers = Covers();
  ASSERT_EQ(covers.size(), 2u);
  EXPECT_EQ(covers, saver->Covers());
  EXPECT_EQ(headless.At(covers[0]).bounds, kRight);
  EXPECT_EQ(headless.At(covers[1]).bounds, kAboveLeft);
  for (WindowId cover : covers) {
    EXPECT_TRUE(headless.IsVisible(cover));
    EXPECT_EQ(headless.At(cover).owner, app.Handle());
    EXPECT_EQ(headless.At(cover).text, "");
  }
  EXPECT_EQ(headless.WindowsTitled("morumoru"),
            (std::vector<WindowId>{app.Handle(), saver->Handle()}));
  EXPECT_EQ(headless.GetActiveWindow(), saver->Handle());
  EXPECT_EQ(headless.GetFocus(), saver->Handle());

  app.DestroyForms();
  EXPECT_TRUE(Covers().empty());
  EXPECT_EQ(headless.cursorCounter, 0);
}

// A key, a left, right or middle press or a move on a cover is input on the
// black background; the wheel, other buttons and releases are nothing.
TEST_F(SaverWindowTest, InputOnACoverEndsAsOnTheBackground) {
  headless.monitors = {kPrimary, kRight};
  Create();
  ASSERT_EQ(Covers().size(), 1u);
  WindowId cover = Covers().front();
  headless.PostMouse(cover, EventType::kMouseWheel, 10, 10);
  headless.PostMouse(cover, EventType::kMouseDown, 10, 10, MouseButton::kOther);
  headless.PostMouse(cover, EventType::kMouseUp, 10, 10);
  headless.PostMouse(cover, EventType::kMouseMove, 10, 10);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  for (MouseButton button : {MouseButton::kLeft, MouseButton::kRight, MouseButton::kMiddle}) {
    headless.quitPosts = 0;
    headless.PostMouse(cover, EventType::kMouseDown, 500, 900, button);
    app.PumpMessages();
    EXPECT_TRUE(Quit());
  }
  headless.quitPosts = 0;
  headless.PostKey(cover, 'A');
  app.PumpMessages();
  EXPECT_TRUE(Quit());
}

// Moves on a cover reach the latch in the saver's coordinates, so one latch
// serves every monitor: the first move anywhere is remembered, a move at the
// same screen point is none, and a move to another monitor ends the saver.
// (-1, -1) is a real point on a monitor above left of the primary one.
TEST_F(SaverWindowTest, OneLatchForEveryMonitor) {
  headless.monitors = {kPrimary, kRight, kAboveLeft};
  Create();
  ASSERT_EQ(Covers().size(), 2u);
  WindowId right = Covers()[0];
  WindowId aboveLeft = Covers()[1];

  headless.PostMouse(right, EventType::kMouseMove, 20, 130);
  headless.PostMouse(right, EventType::kMouseMove, 20, 130);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  EXPECT_TRUE(MouseRef.latched);
  EXPECT_EQ(MouseRef.x, 1044);
  EXPECT_EQ(MouseRef.y, 30);
  headless.PostMouse(saver->Handle(), EventType::kMouseMove, 1000, 30);
  app.PumpMessages();
  EXPECT_TRUE(Quit()) << "moved from the right monitor onto the primary one";

  headless.quitPosts = 0;
  MouseRef = {-1, -1};
  headless.PostMouse(aboveLeft, EventType::kMouseMove, 799, 599);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  EXPECT_TRUE(MouseRef.latched) << "latched at -1, -1";
  headless.PostMouse(aboveLeft, EventType::kMouseMove, 799, 599);
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  headless.PostMouse(aboveLeft, EventType::kMouseMove, 798, 599);
  app.PumpMessages();
  EXPECT_TRUE(Quit());
}

// While the error box holds the saver disabled its background takes no
// input, and the covers take none either.
TEST_F(SaverWindowTest, CoversTakeNoInputWhileTheSaverIsDisabled) {
  headless.monitors = {kPrimary, kRight};
  Create();
  WindowId cover = Covers().front();
  headless.EnableWindow(saver->Handle(), false);
  headless.PostMouse(cover, EventType::kMouseDown, 5, 5);
  headless.PostMouse(cover, EventType::kMouseMove, 5, 5);
  headless.PostMouse(cover, EventType::kMouseMove, 50, 50);
  headless.PostKey(cover, 'A');
  app.PumpMessages();
  EXPECT_FALSE(Quit());
  EXPECT_FALSE(MouseRef.latched);
  headless.EnableWindow(saver->Handle(), true);
  headless.PostMouse(cover, EventType::kMouseDown, 5, 5);
  app.PumpMessages();
  EXPECT_TRUE(Quit());
}

// Monitors plugged in, taken away or resized while the saver runs: after
// each change exactly the monitors beside the primary one are covered, no
// cover is left over, and a cover still right is kept as it is.
TEST_F(SaverWindowTest, CoversFollowTheMonitors) {
  Create();
  auto byPlace = [](std::vector<Rect> rects) {
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
      return std::tie(a.left, a.top, a.width, a.height) <
             std::tie(b.left, b.top, b.width, b.height);
    });
    return rects;
  };
  auto coveredRects = [&] {
    std::vector<Rect> rects;
    for (WindowId cover : Covers()) {
      EXPECT_TRUE(headless.IsVisible(cover));
      rects.push_back(headless.At(cover).bounds);
    }
    return byPlace(rects);
  };
  constexpr Rect kRightLarger{1024, -100, 1920, 1200};
  const std::vector<std::vector<Rect>> layouts = {
      {kPrimary, kRight}, {kPrimary, kRight, kAboveLeft}, {kPrimary, kRightLarger, kAboveLeft},
      {kPrimary},         {kPrimary, kAboveLeft},         {kPrimary, kRight}};
  for (const std::vector<Rect>& layout : layouts) {
    headless.ChangeMonitors(layout);
    app.PumpMessages();
    EXPECT_EQ(coveredRects(), byPlace({layout.begin() + 1, layout.end()}))
        << "after a change to " << layout.size() << " monitors";
  }
  WindowId kept = Covers().front();
  headless.ChangeMonitors({kPrimary, kRight});
  app.PumpMessages();
  EXPECT_EQ(Covers(), std::vector<WindowId>{kept}) << "the same layout told again";
  EXPECT_FALSE(Quit()) << "monitor changes end nothing";
  app.DestroyForms();
  EXPECT_TRUE(Covers().empty());
}

// A saver never shown (started minimized) covers nothing, whatever the
// monitors do.
TEST_F(SaverWindowTest, AHiddenSaverCoversNothing) {
  app.AddForm(saver);
  headless.ChangeMonitors({kPrimary, kRight});
  app.PumpMessages();
  EXPECT_TRUE(Covers().empty());
}

}  // namespace
}  // namespace morumoru
