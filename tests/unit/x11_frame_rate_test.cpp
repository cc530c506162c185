// The figures of the -fps line.
#if defined(MORUMORU_BACKEND_X11)

#include "platform/x11/x11_frame_rate.h"

#include <gtest/gtest.h>

namespace morumoru::platform::x11 {
namespace {

constexpr int64_t kSecond = 1000000;

TEST(FrameRateMeter, GivesAFigureOncePerSecondOfSteps) {
  FrameRateMeter meter;
  EXPECT_FALSE(meter.Step(5 * kSecond, 0));  // the start counts no step
  // 400 steps over 1.25 s, using half a processor.
  int64_t wall = 5 * kSecond;
  bool figure = false;
  for (int step = 1; step <= 400; ++step) {
    wall = 5 * kSecond + step * (kSecond + kSecond / 4) / 400;
    figure = meter.Step(wall, (wall - 5 * kSecond) / 2);
    if (step < 320) {
      ASSERT_FALSE(figure) << "a figure after " << step << " steps, before a second";
      EXPECT_EQ(meter.Text(), "");
    }
    if (figure) {
      EXPECT_EQ(step, 320);  // the first step at or past the second
      EXPECT_EQ(meter.Text(), "Steps/s: 320.0  CPU: 50.0%");
    }
  }
  // The next figure counts only what came after the last one: 80 steps so
  // far, then a long pause with the processor idle.
  EXPECT_TRUE(meter.Step(wall + 3 * kSecond, (wall - 5 * kSecond) / 2));
  // 81 steps in 3.25 s: 24.9/s; the CPU time did not grow at the last step.
  EXPECT_EQ(meter.Text(), "Steps/s: 24.9  CPU: 3.8%");
}

TEST(FrameRateMeter, WritesTheLoadAsAShareOfOneProcessor) {
  EXPECT_EQ(FrameRateText(812.44, 97.04), "Steps/s: 812.4  CPU: 97.0%");
  // Two threads' worth is above 100; a clock glitch is never negative.
  EXPECT_EQ(FrameRateText(1, 180), "Steps/s: 1.0  CPU: 180.0%");
  EXPECT_EQ(FrameRateText(0, -3), "Steps/s: 0.0  CPU: 0.0%");
}

}  // namespace
}  // namespace morumoru::platform::x11

#endif  // MORUMORU_BACKEND_X11
