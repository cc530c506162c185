// Engine steps per second at speed 1 (two pump calls per step) through the
// real loop over the real Win32 backend, beside a bare loop: SetWindowPos of
// a 335x300 child by one pixel, InvalidateRect, UpdateWindow, the child
// painting a bitmap held by the system, in the same window tree as the
// saver's (a black top-most window over the screen, the panel, the black
// square below it). Runs under Wine. Both sides are built once and shown in
// turn, in slices of a quarter second, so that both see the same load on a
// shared machine.
//
//   win32_steps [seconds per side and run, default 2] [runs, default 3] [real|bare]
//
// With "real" or "bare" only that side runs (for strace and the like).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "alternating_sides.h"
#include "bare_scene_win32.h"
#include "counted_saver.h"
#include "platform/native.h"

namespace morumoru {
namespace {

using bench::Clock;
using bench::Side;

class RealSide : public Side {
 public:
  RealSide()
      : os_(platform::CreateNativeOsServices()),
        windows_(platform::CreateNativeWindowSystem(platform::LaunchMode::kSaver)),
        saver_(std::make_unique<bench::CountedSaver>(*windows_, *os_)) {
    saver_->Saver().speed = 1;  // 1 ** power + 1: two pump calls per step
  }
  ~RealSide() override { saver_.reset(); }
  void Show() override {
    saver_->Saver().Show();
    for (int i = 0; i < 20; ++i) saver_->App().LoopTurn();
  }
  void Hide() override {
    saver_->Saver().Hide();
    saver_->App().PumpMessages();
  }
  long Run(Clock::time_point end) override {
    TApplication& app = saver_->App();
    saver_->ResetSteps();
    while (!app.QuitSeen() && Clock::now() < end) app.LoopTurn();
    GdiFlush();
    if (app.QuitSeen()) std::fputs("win32_steps: the saver ended during the run\n", stderr);
    return saver_->Steps();
  }

 private:
  std::unique_ptr<platform::OsServices> os_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<bench::CountedSaver> saver_;
};

class BareSide : public Side {
 public:
  BareSide() { scene_.AddSquare(); }
  void Show() override {
    ShowWindow(scene_.Top(), SW_SHOW);
    UpdateWindow(scene_.Top());
    Drain();
  }
  void Hide() override {
    ShowWindow(scene_.Top(), SW_HIDE);
    Drain();
  }
  long Run(Clock::time_point end) override {
    long steps = 0;
    while (Clock::now() < end) {
      x_ = x_ > scene_.ScreenWidth() ? -bench::kBareWidth : x_ + 1;
      SetWindowPos(scene_.Panel(), nullptr, x_, 8, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(scene_.Panel(), nullptr, FALSE);
      UpdateWindow(scene_.Panel());
      ++steps;
    }
    GdiFlush();
    return steps;
  }

 private:
  static void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  bench::BareWin32Scene scene_;
  int x_ = 8;
};

}  // namespace
}  // namespace morumoru

int main(int argc, char** argv) {
  using namespace morumoru;
  bench::RunOptions options;
  if (!bench::ParseRunOptions(argc, argv, "win32_steps", options)) return 2;
  RealSide real;
  BareSide bare;
  bench::CompareSteps(real, bare, options, "Win32 (Wine)",
                      "SetWindowPos+InvalidateRect+UpdateWindow",
                      [](int run, const std::array<double, 2>& runRate) {
                        std::printf("run %d: real %.0f steps/s; bare %.0f steps/s\n", run + 1,
                                    runRate[0], runRate[1]);
                      });
  return 0;
}
