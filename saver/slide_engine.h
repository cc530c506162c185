#pragma once
// The state machine that moves the picture panel: one step per idle turn,
// either choosing the next slide or moving the panel one pixel.

#include <cstdint>

#include "platform/os_services.h"
#include "platform/window_system.h"

namespace morumoru {

// MoveKind's values; the numbers themselves are drawn at random (1 to 4)
// and kept across steps, so they stay as they are.
inline constexpr int32_t kChooseNext = 0;
inline constexpr int32_t kMoveRight = 1;
inline constexpr int32_t kMoveLeft = 2;
inline constexpr int32_t kMoveDown = 3;
inline constexpr int32_t kMoveUp = 4;

// Process-wide engine state.
struct EngineState {
  int32_t moveKind = kChooseNext;  // kChooseNext or one of the four directions
  int32_t lastKind = 0;
  int32_t lastDraw = 0;
  int32_t lastBucket = 0;
};
extern EngineState Engine;

inline constexpr int32_t kPanelWidth = 335;
inline constexpr int kViewCount = 9;

// What the engine moves and reads; the saver window provides it.
class SlideStage {
 public:
  virtual platform::Size Screen() = 0;  // asked at every use
  virtual platform::Rect Panel() = 0;
  virtual void SetPanelLeft(int32_t left) = 0;
  virtual void SetPanelTop(int32_t top) = 0;
  virtual void SetPanelWidth(int32_t width) = 0;
  // Left and top together, as one move of the panel's window.
  virtual void PlacePanel(int32_t left, int32_t top) = 0;
  virtual void SetViewVisible(int view, bool visible) = 0;
  // `times` pumps of the message queue, each ending on an empty look.
  virtual void Pump(int64_t times) = 0;

 protected:
  ~SlideStage() = default;
};

// Choose step or move step, without the reseed and the pumping.
void AdvanceSlide(SlideStage& stage);

// One whole step: reseed, advance, pump DelayCount times, clear idleDone.
void EffectStep(SlideStage& stage, platform::OsServices& os, int32_t speed, int32_t power,
                bool& idleDone);

}  // namespace morumoru
