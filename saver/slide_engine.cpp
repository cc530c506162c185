#include "saver/slide_engine.h"

#include "errors/exceptions.h"
#include "saver/delay_count.h"
#include "saver/random_source.h"

namespace morumoru {

EngineState Engine;

namespace {

int32_t Add(int32_t a, int32_t b) {
  int32_t result;
  if (__builtin_add_overflow(a, b, &result)) Raise<EIntOverflow>(kIntOverflowText);
  return result;
}

int32_t Sub(int32_t a, int32_t b) {
  int32_t result;
  if (__builtin_sub_overflow(a, b, &result)) Raise<EIntOverflow>(kIntOverflowText);
  return result;
}

// A cross offset that keeps the panel on the screen: when the screen is
// smaller than the panel the draw is still made, but the offset is 0.
int32_t CrossOffset(int32_t range) {
  int32_t drawn = RandomInt(range);
  return range < 0 ? 0 : drawn;
}

void ChooseStep(SlideStage& stage) {
  for (int view = 0; view < kViewCount; ++view) stage.SetViewVisible(view, false);
  stage.SetPanelWidth(kPanelWidth);

  int32_t draw;
  if (Engine.lastDraw == 0) {
    draw = RandomInt(8001);
  } else {
    draw = RandomInt(7001);
    if (draw >= Engine.lastBucket) draw += 1000;
  }
  Engine.lastDraw = draw;
  Engine.lastBucket = draw / 1000 * 1000;
  stage.SetViewVisible(draw / 1000, true);

  // After a sideways slide an upright one, and the other way round.
  if (Engine.lastKind == kMoveRight || Engine.lastKind == kMoveLeft) {
    Engine.moveKind = kMoveDown + RandomInt(2);
  } else if (Engine.lastKind == kMoveDown || Engine.lastKind == kMoveUp) {
    Engine.moveKind = kMoveRight + RandomInt(2);
  } else {
    Engine.moveKind = kMoveRight + RandomInt(4);
  }
  Engine.lastKind = Engine.moveKind;

  // Both coordinates reach the window system as one move: set one at a time,
  // the panel would stand on the screen in between, showing the new picture.
  platform::Size screen = stage.Screen();
  platform::Rect panel = stage.Panel();
  // The cross offset is drawn first, as when the coordinates are set one by one.
  bool horizontal = Engine.moveKind == kMoveRight || Engine.moveKind == kMoveLeft;
  int32_t cross = horizontal ? CrossOffset(Sub(screen.height, panel.height))
                             : CrossOffset(Sub(screen.width, panel.width));
  switch (Engine.moveKind) {
    case kMoveRight:
      stage.PlacePanel(Sub(0, panel.width), cross);
      break;
    case kMoveLeft:
      stage.PlacePanel(screen.width, cross);
      break;
    case kMoveDown:
      stage.PlacePanel(cross, Sub(0, panel.height));
      break;
    default:  // kMoveUp
      stage.PlacePanel(cross, screen.height);
      break;
  }
}

// A screen that shrank during the slide can leave the panel wholly outside
// the new area. Beyond the far edge, or beside the screen across the slide,
// the slide could show nothing more: it ends, and the next one starts at once.
// Beyond the edge it enters from, it would cross black screen for many steps
// before coming in: it is brought to just outside that edge, as if placed
// there, and comes in with the next step.
bool AcrossTheScreen(const platform::Size& screen, const platform::Rect& panel) {
  bool horizontal = Engine.moveKind == kMoveRight || Engine.moveKind == kMoveLeft;
  return horizontal ? panel.top < screen.height : panel.left < screen.width;
}

void MoveStep(SlideStage& stage) {
  platform::Size screen = stage.Screen();
  platform::Rect panel = stage.Panel();
  if (!AcrossTheScreen(screen, panel)) {
    Engine.moveKind = kChooseNext;
    return;
  }
  switch (Engine.moveKind) {
    case kMoveRight:
      if (panel.left >= screen.width) {
        Engine.moveKind = kChooseNext;
      } else {
        stage.SetPanelLeft(Add(panel.left, 1));
      }
      break;
    case kMoveLeft:
      if (panel.left <= Sub(0, panel.width)) {
        Engine.moveKind = kChooseNext;
      } else if (panel.left > screen.width) {
        stage.SetPanelLeft(screen.width);
      } else {
        stage.SetPanelLeft(Sub(panel.left, 1));
      }
      break;
    case kMoveDown:
      if (panel.top >= screen.height) {
        Engine.moveKind = kChooseNext;
      } else {
        stage.SetPanelTop(Add(panel.top, 1));
      }
      break;
    default:  // kMoveUp
      if (panel.top <= Sub(0, panel.height)) {
        Engine.moveKind = kChooseNext;
      } else if (panel.top > screen.height) {
        stage.SetPanelTop(screen.height);
      } else {
        stage.SetPanelTop(Sub(panel.top, 1));
      }
      break;
  }
}

}  // namespace

void AdvanceSlide(SlideStage& stage) {
  if (Engine.moveKind == kChooseNext) {
    ChooseStep(stage);
  } else {
    MoveStep(stage);
  }
}

void EffectStep(SlideStage& stage, platform::OsServices& os, int32_t speed, int32_t power,
                bool& idleDone) {
  Reseed(os);
  AdvanceSlide(stage);
  int64_t count = DelayCount(speed, power);
  if (count > 0) stage.Pump(count);
  idleDone = false;
}

}  // namespace morumoru
