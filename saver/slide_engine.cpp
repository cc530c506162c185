#include "saver/slide_engine.h"

#include "forms/exceptions.h"
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

  if (Engine.lastKind == 1 || Engine.lastKind == 2) {
    Engine.moveKind = 3 + RandomInt(2);
  } else if (Engine.lastKind == 3 || Engine.lastKind == 4) {
    Engine.moveKind = 1 + RandomInt(2);
  } else {
    Engine.moveKind = 1 + RandomInt(4);
  }
  Engine.lastKind = Engine.moveKind;

  platform::Size screen = stage.Screen();
  platform::Rect panel = stage.Panel();
  switch (Engine.moveKind) {
    case 1:
      stage.SetPanelTop(CrossOffset(Sub(screen.height, panel.height)));
      stage.SetPanelLeft(Sub(0, stage.Panel().width));
      break;
    case 2:
      stage.SetPanelTop(CrossOffset(Sub(screen.height, panel.height)));
      stage.SetPanelLeft(stage.Screen().width);
      break;
    case 3:
      stage.SetPanelLeft(CrossOffset(Sub(screen.width, panel.width)));
      stage.SetPanelTop(Sub(0, stage.Panel().height));
      break;
    default:
      stage.SetPanelLeft(CrossOffset(Sub(screen.width, panel.width)));
      stage.SetPanelTop(stage.Screen().height);
      break;
  }
}

// The slide ends when the panel has reached the far edge, or lies beyond it
// because the screen shrank during the slide.
void MoveStep(SlideStage& stage) {
  platform::Size screen = stage.Screen();
  platform::Rect panel = stage.Panel();
  switch (Engine.moveKind) {
    case 1:
      if (panel.left >= screen.width) {
        Engine.moveKind = 0;
      } else {
        stage.SetPanelLeft(Add(panel.left, 1));
      }
      break;
    case 2:
      if (panel.left <= Sub(0, panel.width)) {
        Engine.moveKind = 0;
      } else {
        stage.SetPanelLeft(Sub(panel.left, 1));
      }
      break;
    case 3:
      if (panel.top >= screen.height) {
        Engine.moveKind = 0;
      } else {
        stage.SetPanelTop(Add(panel.top, 1));
      }
      break;
    default:
      if (panel.top <= Sub(0, panel.height)) {
        Engine.moveKind = 0;
      } else {
        stage.SetPanelTop(Sub(panel.top, 1));
      }
      break;
  }
}

}  // namespace

void AdvanceSlide(SlideStage& stage) {
  if (Engine.moveKind == 0) {
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
  for (int64_t i = 0; i < count; ++i) stage.Pump();
  idleDone = false;
}

}  // namespace morumoru
