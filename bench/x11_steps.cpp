// Engine steps per second at speed 1 (two pump calls per step) through the
// real loop over the real X11 backend, beside a bare loop on the same server:
// a one-pixel XMoveWindow of a 335x300 child, a full XCopyArea from a server
// pixmap, XFlush. Both sides are built once and shown in turn, in slices of
// a quarter second, so that both see the same load on a shared machine; each
// slice ends with an XSync, so only steps the server has carried out count.
//
//   x11_steps [seconds per side and run, default 2] [runs, default 3] [real|bare]
//
// With "real" or "bare" only that side runs (for strace and the like).
//
// Meanwhile another connection times its round trips every 20 ms, as any
// other program on the display would (xdotool, a window manager): their
// median and worst are printed for each side.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "alternating_sides.h"
#include "bare_scene_x11.h"
#include "bench_table.h"
#include "counted_saver.h"
#include "platform/posix/posix_os_services.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_window_system.h"

namespace morumoru {
namespace {

using bench::Clock;
using bench::Side;

// Another client's round trips, filed under the side that runs meanwhile.
class Prober {
 public:
  Prober() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    thread_ = std::thread([this] {
      while (!stop_) {
        int side = side_;
        auto start = Clock::now();
        XSync(display_, False);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (side >= 0 && side == side_) {
          std::lock_guard<std::mutex> lock(mutex_);
          samples_[side].push_back(ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }
  ~Prober() {
    if (!display_) return;
    stop_ = true;
    thread_.join();
    XCloseDisplay(display_);
  }
  void SetSide(int side) { side_ = side; }
  // Median and worst round trip of a side since the last call.
  std::pair<double, double> Take(int side) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<double> samples;
    samples.swap(samples_[side]);
    double worst = 0;
    for (double sample : samples) worst = std::max(worst, sample);
    return {bench::Median(samples), worst};
  }

 private:
  Display* display_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> side_{-1};
  std::mutex mutex_;
  std::vector<double> samples_[2];
};

class RealSide : public Side {
 public:
  RealSide() {
    windows_ = platform::CreateX11WindowSystem();
    if (!windows_) return;
    display_ = static_cast<platform::x11::X11WindowSystem*>(windows_.get())->display();
    saver_ = std::make_unique<bench::CountedSaver>(*windows_, os_);
    saver_->Saver().speed = 1;  // 1 ** power + 1: two pump calls per step
  }
  ~RealSide() override { saver_.reset(); }
  bool Opened() const { return saver_ != nullptr; }
  void Show() override {
    saver_->Saver().Show();
    for (int i = 0; i < 20; ++i) saver_->App().LoopTurn();
    XSync(display_, False);
  }
  void Hide() override {
    saver_->Saver().Hide();
    saver_->App().PumpMessages();
    XSync(display_, False);
  }
  long Run(Clock::time_point end) override {
    TApplication& app = saver_->App();
    saver_->ResetSteps();
    while (!app.QuitSeen()) {
      app.LoopTurn();
      if ((saver_->Steps() & 63) == 0 && Clock::now() >= end) break;
    }
    XSync(display_, False);
    if (app.QuitSeen()) std::fputs("x11_steps: the saver ended during the run\n", stderr);
    return saver_->Steps();
  }

 private:
  platform::posix::PosixOsServices os_;
  std::unique_ptr<platform::WindowSystem> windows_;
  Display* display_ = nullptr;
  std::unique_ptr<bench::CountedSaver> saver_;
};

class BareSide : public Side {
 public:
  BareSide() {
    if (Display* display = XOpenDisplay(nullptr)) {
      scene_ = std::make_unique<bench::BareX11Scene>(display, x_, 8);
    }
  }
  void Show() override { scene_->Show(); }
  void Hide() override { scene_->Hide(); }
  long Run(Clock::time_point end) override {
    Display* display = scene_->display();
    long steps = 0;
    while (true) {
      x_ = x_ > scene_->ScreenWidth() ? -bench::kBareWidth : x_ + 1;
      XMoveWindow(display, scene_->Panel(), x_, 8);
      scene_->Paint(0, 0, bench::kBareWidth, bench::kBareHeight);
      XFlush(display);
      ++steps;
      if ((steps & 63) == 0 && Clock::now() >= end) break;
    }
    XSync(display, False);
    return steps;
  }

 private:
  int x_ = 8;
  std::unique_ptr<bench::BareX11Scene> scene_;
};

}  // namespace
}  // namespace morumoru

int main(int argc, char** argv) {
  using namespace morumoru;
  bench::RunOptions options;
  if (!bench::ParseRunOptions(argc, argv, "x11_steps", options)) return 2;
  RealSide real;
  BareSide bare;
  if (!real.Opened()) {
    std::fputs("x11_steps: cannot open the X display\n", stderr);
    return 1;
  }
  Prober prober;
  std::vector<double> tripMedian[2], tripWorst[2];
  auto report = [&](int run, const std::array<double, 2>& runRate) {
    for (int s = 0; s < 2; ++s) {
      auto [median, worst] = prober.Take(s);
      tripMedian[s].push_back(median);
      tripWorst[s].push_back(worst);
    }
    std::printf(
        "run %d: real %.0f steps/s (another client's round trip: median %.2f ms, worst %.2f ms)"
        "; bare %.0f steps/s (median %.2f ms, worst %.2f ms)\n",
        run + 1, runRate[0], tripMedian[0].back(), tripWorst[0].back(), runRate[1],
        tripMedian[1].back(), tripWorst[1].back());
  };
  bench::CompareSteps(real, bare, options, "X11", "XMoveWindow+XCopyArea+XFlush", report,
                      [&](int s) { prober.SetSide(s); });
  bench::PrintTable("X11: another client's round trip meanwhile (median of runs)", "ms",
                    {{"median, real loop", bench::Median(tripMedian[0]), "median, bare loop",
                      bench::Median(tripMedian[1])},
                     {"worst, real loop", bench::Median(tripWorst[0]), "worst, bare loop",
                      bench::Median(tripWorst[1])}});
  return 0;
}
