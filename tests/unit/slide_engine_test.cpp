#include "saver/slide_engine.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "errors/exceptions.h"
#include "platform/headless/headless_platform.h"
#include "saver/random_source.h"

namespace morumoru {
namespace {

// A stage that records what the engine does to it.
struct FakeStage : SlideStage {
  platform::Size screen{1024, 768};
  platform::Rect panel{8, 8, 545, 300};
  std::array<bool, kViewCount> views{};
  int64_t pumps = 0;
  int moves = 0;
  std::vector<platform::Rect> places;  // every place the panel was put

  platform::Size Screen() override { return screen; }
  platform::Rect Panel() override { return panel; }
  void MoveTo(int32_t left, int32_t top) {
    if (left == panel.left && top == panel.top) return;
    ++moves;
    panel.left = left;
    panel.top = top;
    places.push_back(panel);
  }
  void SetPanelLeft(int32_t left) override { MoveTo(left, panel.top); }
  void SetPanelTop(int32_t top) override { MoveTo(panel.left, top); }
  void PlacePanel(int32_t left, int32_t top) override { MoveTo(left, top); }
  void SetPanelWidth(int32_t width) override { panel.width = width; }
  void SetViewVisible(int view, bool visible) override { views[view] = visible; }
  void Pump(int64_t times) override { pumps += times; }

  int VisibleView() const {
    int shown = -1;
    for (int i = 0; i < kViewCount; ++i) {
      if (views[i]) {
        EXPECT_EQ(shown, -1) << "more than one view visible";
        shown = i;
      }
    }
    return shown;
  }
};

class SlideEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = EngineState{};
    headless.counter = 0;
  }
  // Steps at speed 1, power 0: two pump calls each.
  void Step(int times = 1) {
    bool idleDone = true;
    for (int i = 0; i < times; ++i) EffectStep(stage, headless, 1, 0, idleDone);
  }
  // Mid-slide in direction `kind`, the panel at `panel` on a `screen`.
  void Sliding(int32_t kind, platform::Rect panel, platform::Size screen = {1024, 768}) {
    Engine.moveKind = kind;
    Engine.lastKind = kind;
    stage.panel = panel;
    stage.screen = screen;
  }
  // Runs steps until the slide ends; returns the number of one-pixel moves.
  int RunSlide() {
    int moves = 0;
    for (int steps = 0; steps < 100000; ++steps) {
      int before = stage.moves;
      Step();
      if (Engine.moveKind == 0) return moves;
      moves += stage.moves - before;
      headless.counter += 977;
    }
    ADD_FAILURE() << "slide never ended";
    return moves;
  }
  platform::HeadlessPlatform headless;
  FakeStage stage;
};

TEST_F(SlideEngineTest, FirstChooseStepFromStateZero) {
  bool idleDone = true;
  EffectStep(stage, headless, 5, 6, idleDone);
  EXPECT_EQ(stage.VisibleView(), 0);
  EXPECT_EQ(Engine.lastDraw, 0);
  EXPECT_EQ(Engine.lastBucket, 0);
  EXPECT_EQ(Engine.moveKind, 1);
  EXPECT_EQ(Engine.lastKind, 1);
  EXPECT_EQ(stage.panel, (platform::Rect{-335, 402, 335, 300}));
  EXPECT_EQ(stage.pumps, 15626);
  EXPECT_FALSE(idleDone);
}

TEST_F(SlideEngineTest, WholeSlidesAlternateAxes) {
  Step();  // chooses a right slide (worked example)
  ASSERT_EQ(Engine.moveKind, 1);
  EXPECT_EQ(RunSlide(), 1359);
  EXPECT_EQ(stage.panel.left, 1024) << "the ending step does not move";

  Step();
  ASSERT_TRUE(Engine.moveKind == 3 || Engine.moveKind == 4);
  int32_t edge = Engine.moveKind == 3 ? -300 : 768;
  EXPECT_EQ(stage.panel.top, edge);
  EXPECT_GE(stage.panel.left, 0);
  EXPECT_LE(stage.panel.left, 1024 - 335 - 1);
  EXPECT_EQ(RunSlide(), 1068);

  Step();
  EXPECT_TRUE(Engine.moveKind == 1 || Engine.moveKind == 2);
}

// Each direction from its entry edge: the exact number of one-pixel moves, the
// far edge where the ending step leaves the panel unmoved, and a choose step
// on the other axis right after.
TEST_F(SlideEngineTest, EveryDirectionEndsExactlyAtTheFarEdge) {
  struct Slide {
    int32_t kind;
    platform::Rect start;
    platform::Rect end;
    int moves;
  };
  const Slide slides[] = {
      {1, {-335, 100, 335, 300}, {1024, 100, 335, 300}, 1359},
      {2, {1024, 100, 335, 300}, {-335, 100, 335, 300}, 1359},
      {3, {200, -300, 335, 300}, {200, 768, 335, 300}, 1068},
      {4, {200, 768, 335, 300}, {200, -300, 335, 300}, 1068},
  };
  for (const Slide& slide : slides) {
    SCOPED_TRACE(slide.kind);
    Sliding(slide.kind, slide.start);
    EXPECT_EQ(RunSlide(), slide.moves);
    EXPECT_EQ(stage.panel, slide.end) << "the ending step does not move";

    Step();
    bool wasHorizontal = slide.kind <= 2;
    if (wasHorizontal) {
      EXPECT_TRUE(Engine.moveKind == 3 || Engine.moveKind == 4) << Engine.moveKind;
    } else {
      EXPECT_TRUE(Engine.moveKind == 1 || Engine.moveKind == 2) << Engine.moveKind;
    }
  }
}

TEST_F(SlideEngineTest, LotteryNeverRepeatsAPicture) {
  std::array<int, kViewCount> counts{};
  int previous = -1;
  int jpg8AfterJpg7 = 0;
  for (uint64_t seed = 1; seed < 40000; ++seed) {
    Engine.moveKind = 0;
    headless.counter = seed * 2654435761u;
    int32_t lastDraw = Engine.lastDraw;
    Step();
    int shown = stage.VisibleView();
    ASSERT_GE(shown, 0);
    if (previous >= 0 && lastDraw != 0) {
      ASSERT_NE(shown, previous) << "after draw " << lastDraw;
    }
    if (previous == 7 && shown == 8) ++jpg8AfterJpg7;
    EXPECT_EQ(Engine.lastBucket, Engine.lastDraw / 1000 * 1000);
    ++counts[shown];
    previous = shown;
  }
  for (int i = 0; i < 8; ++i) EXPECT_GT(counts[i], 3000) << "picture " << i;
  EXPECT_LT(counts[8], 100) << "picture 8 is the rare one";
}

// A choose step's three draws, replayed from the same seed: the lottery from
// 0 to 8000 before any draw (LastDraw 0), else from 0 to 7000 with a draw at or
// above the last bucket raised by 1000; the direction from the four, then from
// the other axis; the cross offset from the room the screen leaves the panel.
TEST_F(SlideEngineTest, ChooseStepDrawsFromTheRangesItsStateGives) {
  // The last draw and the last direction.
  const std::pair<int32_t, int32_t> situations[] = {
      {0, 0}, {3500, 1}, {3500, 3}, {7000, 2}, {8000, 4}};
  for (const auto& [lastDraw, lastKind] : situations) {
    SCOPED_TRACE(testing::Message() << "after draw " << lastDraw << ", direction " << lastKind);
    const int32_t lastBucket = lastDraw / 1000 * 1000;
    bool sawBelow = false, sawRaised = false;
    for (uint32_t seed = 0; seed < 3000; seed += 7) {
      RandomState = seed * 2654435761u;
      int32_t draw = RandomInt(lastDraw == 0 ? 8001 : 7001);
      bool raised = lastDraw != 0 && draw >= lastBucket;
      (raised ? sawRaised : sawBelow) = true;
      if (raised) draw += 1000;
      int32_t kind = lastKind == 0   ? 1 + RandomInt(4)
                     : lastKind <= 2 ? 3 + RandomInt(2)
                                     : 1 + RandomInt(2);
      int32_t cross = kind <= 2 ? RandomInt(768 - 300) : RandomInt(1024 - 335);

      Engine = EngineState{0, lastKind, lastDraw, lastBucket};
      headless.counter = seed * 2654435761u;
      Step();
      ASSERT_EQ(Engine.lastDraw, draw);
      ASSERT_EQ(stage.VisibleView(), draw / 1000);
      if (lastDraw != 0) {
        ASSERT_NE(stage.VisibleView(), lastBucket / 1000) << "a picture never follows itself";
      }
      ASSERT_EQ(Engine.moveKind, kind);
      ASSERT_EQ(kind <= 2 ? stage.panel.top : stage.panel.left, cross);
    }
    EXPECT_TRUE(sawBelow);
    if (lastBucket == 3000) {
      EXPECT_TRUE(sawRaised);  // after 7000, only a draw of exactly 7000 is
    }
  }
}

TEST_F(SlideEngineTest, ScreenOnlyPanelHighGivesTopZero) {
  stage.screen = {1024, 300};
  Step();
  EXPECT_EQ(Engine.moveKind, 1);
  EXPECT_EQ(stage.panel.top, 0);
}

TEST_F(SlideEngineTest, ScreenSmallerThanPanelKeepsPanelOnScreen) {
  stage.screen = {1024, 200};
  for (uint64_t seed = 0; seed < 50; ++seed) {
    Engine = EngineState{};
    headless.counter = seed * 7919;
    Step();
    if (Engine.moveKind == 1 || Engine.moveKind == 2) {
      EXPECT_EQ(stage.panel.top, 0);
    }
  }
}

TEST_F(SlideEngineTest, ShrunkScreenStillEndsTheSlide) {
  Step();
  ASSERT_EQ(Engine.moveKind, 1);
  Step(900);
  stage.screen = {500, 480};  // the panel (left 565) is now beyond the new right edge
  Step();
  EXPECT_EQ(Engine.moveKind, 0);
}

bool OnScreen(const platform::Rect& panel, const platform::Size& screen) {
  return panel.left < screen.width && panel.left + panel.width > 0 && panel.top < screen.height &&
         panel.top + panel.height > 0;
}

// The new picture must never stand on the screen before it slides in: the
// placement goes from off the screen to off the screen in one move.
TEST_F(SlideEngineTest, PlacementNeverPutsThePanelOnTheScreen) {
  stage.screen = {640, 480};
  int changes = 0;
  for (int steps = 0; changes < 200 && steps < 400000; ++steps) {
    bool choosing = Engine.moveKind == 0;
    size_t before = stage.places.size();
    Step();
    headless.counter += 7919;
    if (!choosing || steps == 0) continue;
    ++changes;
    ASSERT_EQ(stage.places.size(), before + 1) << "one move for the placement";
    EXPECT_FALSE(OnScreen(stage.places.back(), stage.screen))
        << "placed at " << stage.places.back().left << ", " << stage.places.back().top;
  }
  EXPECT_EQ(changes, 200);
}

// A slide entering from the right whose edge moved in: the panel is brought
// to just outside the new edge and comes in with the next step.
TEST_F(SlideEngineTest, ShrunkScreenBringsAPanelBackToTheEntryEdge) {
  Sliding(2, {640, 100, 335, 300}, {640, 480});
  Step(45);
  ASSERT_EQ(stage.panel.left, 595);
  stage.screen = {300, 480};
  Step();
  EXPECT_EQ(stage.panel.left, 300);
  Step();
  EXPECT_EQ(stage.panel.left, 299) << "on the screen with the next step";
  EXPECT_EQ(RunSlide(), 299 + 335);

  // The same upwards, from a bottom edge that moved up from 480 to 200.
  Sliding(4, {100, 441, 335, 300}, {640, 200});
  Step();
  EXPECT_EQ(stage.panel.top, 200);
  EXPECT_EQ(RunSlide(), 200 + 300);
  // A panel at or inside the edge is left alone.
  Sliding(4, {100, 200, 335, 300}, {640, 200});
  Step();
  EXPECT_EQ(stage.panel.top, 199);
}

// A slide whose cross offset lies beyond the shrunk screen would cross it
// unseen: it ends, and the next one is placed within the new size.
TEST_F(SlideEngineTest, ShrunkScreenEndsASlideBesideIt) {
  Sliding(3, {302, 10, 335, 300}, {300, 200});  // the screen was 640 wide
  Step();
  EXPECT_EQ(Engine.moveKind, 0);
  EXPECT_EQ(stage.panel.top, 10) << "the ending step does not move";
  Step();
  ASSERT_TRUE(Engine.moveKind == 1 || Engine.moveKind == 2);
  EXPECT_EQ(stage.panel.top, 0) << "the host is lower than the panel";

  Sliding(1, {50, 150, 335, 300}, {640, 150});  // the screen was 480 high
  Step();
  EXPECT_EQ(Engine.moveKind, 0);
}

TEST_F(SlideEngineTest, GrownScreenMakesTheSlideLonger) {
  Step();
  stage.screen = {1280, 768};
  EXPECT_EQ(RunSlide(), 1280 + 335);
}

TEST_F(SlideEngineTest, FailingStepHasMovedButDoesNotPump) {
  bool idleDone = true;
  EXPECT_THROW(EffectStep(stage, headless, 7, 12, idleDone), ERangeError);
  EXPECT_TRUE(idleDone);
  EXPECT_EQ(stage.pumps, 0);
  EXPECT_EQ(stage.panel.left, -335) << "the choose step was done before the error";
  EXPECT_THROW(EffectStep(stage, headless, 7, 12, idleDone), ERangeError);
  EXPECT_EQ(stage.panel.left, -334);
}

TEST_F(SlideEngineTest, NegativeCountMeansNoPumpButStillDone) {
  bool idleDone = true;
  EffectStep(stage, headless, -2, 3, idleDone);
  EXPECT_EQ(stage.pumps, 0);
  EXPECT_FALSE(idleDone);
}

TEST_F(SlideEngineTest, CoordinateOverflowIsAnError) {
  Sliding(1, {2147483647, 8, 545, 300}, {2147483647, 768});
  Step();  // at the edge: ends without adding
  EXPECT_EQ(Engine.moveKind, 0);

  Engine.lastKind = 3;  // next slide is horizontal: ScreenH - PanelH overflows
  stage.panel = {0, 0, 335, -2147483647 - 1};
  EXPECT_THROW(Step(), EIntOverflow);
}

}  // namespace
}  // namespace morumoru
