// The pace of the show as the person in front of the screen sees it: the real
// saver form through the real loop on the real backend (X11 natively, Win32
// under Wine), at every speed the settings dialog offers, with the default
// power 6. Nothing but the empty-queue checks of the pump paces a step,
// so beside the table stands the cost of one empty PumpMessages() and of one
// bare check of the same queue, in alternating runs of the same process.
//
//   pace [seconds per speed, default 3] [least steps per speed, default 3]
//        [pump runs, default 15] [highest speed, default 7; 0: the pump figures only]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_table.h"
#include "forms/application.h"
#include "platform/native.h"
#include "queue_check.h"
#include "saver/delay_count.h"
#include "saver/saver_window.h"

namespace morumoru {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kPower = 6;

double Seconds(Clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

struct Pace {
  int32_t speed = 0;
  long steps = 0;
  double seconds = 0;
};

class Bench {
 public:
  Bench()
      : os_(platform::CreateNativeOsServices()),
        windows_(platform::CreateNativeWindowSystem(platform::LaunchMode::kSaver)) {
    if (!windows_) return;
    app_ = std::make_unique<TApplication>(*windows_, *os_);
    app_->SetTitle("morumoru");
    app_->AddForm(saver_);
    saver_->power = kPower;
    IdleHandler effect = app_->idleHandler;
    app_->idleHandler = [this, effect](TApplication& sender, bool& idleDone) {
      ++steps_;
      effect(sender, idleDone);
    };
    saver_->Show();
    // Whatever the showing queued (paints, activation) is taken first.
    auto end = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < end) app_->PumpMessages();
    bare_ = bench::MakeBareQueueCheck(*windows_);
  }
  bool Opened() const { return app_ != nullptr; }
  bool Interrupted() const { return app_->QuitSeen(); }
  platform::Size Screen() const { return windows_->ScreenSize(); }
  std::string BareName() const { return bare_->Name(); }

  // Steps through the real loop until both limits are passed.
  Pace Run(int32_t speed, double seconds, long leastSteps) {
    saver_->speed = speed;
    steps_ = 0;
    auto start = Clock::now();
    auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    long counted = 0;
    Clock::time_point now = start;
    while (!app_->QuitSeen() && (steps_ < leastSteps || now < end)) {
      app_->LoopTurn();
      if (steps_ != counted) {
        counted = steps_;
        now = Clock::now();
      }
    }
    return {speed, steps_, Seconds(now - start)};
  }

  // Nanoseconds per empty PumpMessages() and per bare check, one
  // median each over `runs` alternating pairs of short runs, and the median
  // of the pairs' own ratios (a pair shares its moment's load).
  struct PumpFigures {
    double pump, bare, pairRatio;
  };
  PumpFigures PumpCosts(int runs) {
    int calls = CallsForTenthOfASecond();
    std::vector<double> pump, bare, ratios;
    for (int run = 0; run < runs; ++run) {
      for (int half = 0; half < 2; ++half) {
        bool bareFirst = run % 2 == 1;
        bool isBare = (half == 0) == bareFirst;
        auto start = Clock::now();
        if (isBare) {
          bare_->Look(calls);
        } else {
          for (int i = 0; i < calls; ++i) app_->PumpMessages();
        }
        double ns = Seconds(Clock::now() - start) * 1e9 / calls;
        (isBare ? bare : pump).push_back(ns);
      }
      ratios.push_back(pump.back() / bare.back());
      std::printf("pump run %d: PumpMessages %.1f ns/call, %s %.1f ns/call (%d calls each)\n",
                  run + 1, pump.back(), bare_->Name().c_str(), bare.back(), calls);
      std::fflush(stdout);
    }
    return {bench::Median(pump), bench::Median(bare), bench::Median(ratios)};
  }

 private:
  int CallsForTenthOfASecond() {
    constexpr int kProbe = 200;
    auto start = Clock::now();
    for (int i = 0; i < kProbe; ++i) app_->PumpMessages();
    double perCall = Seconds(Clock::now() - start) / kProbe;
    long calls = perCall > 0 ? static_cast<long>(0.1 / perCall) : 1'000'000;
    return static_cast<int>(calls < kProbe ? kProbe : calls > 10'000'000 ? 10'000'000 : calls);
  }

  std::unique_ptr<platform::OsServices> os_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<TApplication> app_;
  Tmorumoru* saver_ = nullptr;
  std::unique_ptr<bench::BareQueueCheck> bare_;
  long steps_ = 0;
};

}  // namespace
}  // namespace morumoru

int main(int argc, char** argv) {
  using namespace morumoru;
  double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  long leastSteps = argc > 2 ? std::atol(argv[2]) : 3;
  int runs = argc > 3 ? std::atoi(argv[3]) : 15;
  int highest = argc > 4 ? std::atoi(argv[4]) : 7;
  if (seconds < 0 || leastSteps < 1 || runs < 1 || highest < 0 || highest > 7) {
    std::fputs(
        "usage: pace [seconds per speed] [least steps per speed] [pump runs] [highest speed]\n",
        stderr);
    return 2;
  }
  Bench bench;
  if (!bench.Opened()) {
    std::fputs("pace: cannot open the window system\n", stderr);
    return 1;
  }
  auto pump = bench.PumpCosts(runs);
  platform::Size screen = bench.Screen();
  int32_t across = screen.width + kPanelWidth;
  int32_t down = screen.height + 300;  // the panel's height, from its layout
  std::printf(
      "\n== pace of the show, power %d, screen %dx%d: a horizontal slide is %d steps, a "
      "vertical one %d ==\n",
      kPower, screen.width, screen.height, across, down);
  // The last column shows the pump as the clock: a step's time over its
  // checks, near the bare check's cost once DelayCount is large.
  std::printf("%5s %10s %7s %12s %12s %14s %14s %16s\n", "speed", "DelayCount", "steps", "steps/s",
              "ms/step", "s/horizontal", "s/vertical", "ns/check");
  for (int32_t speed = 1; speed <= highest; ++speed) {
    Pace pace = bench.Run(speed, seconds, leastSteps);
    if (bench.Interrupted()) {
      std::fputs("pace: the saver was ended by input during the run\n", stderr);
      return 1;
    }
    double perStep = pace.steps ? pace.seconds / pace.steps : 0;
    int64_t delayCount = DelayCount(speed, kPower);
    std::printf("%5d %10lld %7ld %12.1f %12.3f %14.1f %14.1f %16.1f\n", speed,
                static_cast<long long>(delayCount), pace.steps, perStep ? 1 / perStep : 0,
                perStep * 1e3, perStep * across, perStep * down, perStep * 1e9 / delayCount);
    std::fflush(stdout);
  }
  bench::PrintTable("one empty PumpMessages() beside one bare check (median of " +
                        std::to_string(runs) + " alternating runs)",
                    "ns/call", {{"app.PumpMessages()", pump.pump, bench.BareName(), pump.bare}});
  std::printf("median of the %d pairs' own ratios: %.2f\n", runs, pump.pairRatio);
  return 0;
}
