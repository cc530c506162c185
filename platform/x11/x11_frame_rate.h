#pragma once
// The -fps line of xscreensaver's hacks: steps per second and the program's
// CPU load, a new figure once a second. No X11 headers, so tests need none.

#include <cstdint>
#include <string>

namespace morumoru::platform::x11 {

class FrameRateMeter {
 public:
  // Counts one step at this wall-clock time and this process CPU time, both
  // in microseconds. True when a second or more has passed since the last
  // figure: Text() then holds the new one for that stretch.
  bool Step(int64_t wallMicros, int64_t cpuMicros);
  // Empty until the first second is over.
  const std::string& Text() const { return text_; }

 private:
  bool started_ = false;
  int64_t wallStart_ = 0;
  int64_t cpuStart_ = 0;
  int64_t steps_ = 0;
  std::string text_;
};

// "Steps/s: 812.4  CPU: 97.0%": the load is the share of one processor.
std::string FrameRateText(double stepsPerSecond, double loadPercent);

}  // namespace morumoru::platform::x11
