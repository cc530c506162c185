#pragma once
// The floor for the pace benchmark's processor figures: the least a program
// does to show the same slide at the same pace. One window system's own
// calls move a 335x300 picture window one pixel across a black full-screen
// window, and the program sleeps until the next move is due.

#include <memory>

namespace morumoru::bench {

class BareMover {
 public:
  virtual ~BareMover() = default;
  // Its windows come up above everything, and go again.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // One pixel further (back at the left edge past the right one), with any
  // part that came into view painted.
  virtual void Move() = 0;
};

// Null when this window system has no bare mover.
std::unique_ptr<BareMover> MakeBareMover();

// The processor time of the whole process so far, in seconds.
double ProcessCpuSeconds();

}  // namespace morumoru::bench
