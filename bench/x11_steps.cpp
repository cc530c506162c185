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
#include "bench_table.h"
#include "forms/application.h"
#include "platform/posix/posix_os_services.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_window_system.h"
#include "saver/saver_window.h"

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
    app_ = std::make_unique<TApplication>(*windows_, os_);
    app_->SetTitle("morumoru");
    app_->AddForm(saver_);
    saver_->speed = 1;  // 1 ** power + 1: two pump calls per step
    IdleHandler effect = app_->idleHandler;
    app_->idleHandler = [this, effect](TApplication& sender, bool& idleDone) {
      ++steps_;
      effect(sender, idleDone);
    };
  }
  ~RealSide() override { app_.reset(); }
  bool Opened() const { return app_ != nullptr; }
  void Show() override {
    saver_->Show();
    for (int i = 0; i < 20; ++i) app_->LoopTurn();
    XSync(display_, False);
  }
  void Hide() override {
    saver_->Hide();
    app_->PumpMessages();
    XSync(display_, False);
  }
  long Run(Clock::time_point end) override {
    steps_ = 0;
    while (!app_->QuitSeen()) {
      app_->LoopTurn();
      if ((steps_ & 63) == 0 && Clock::now() >= end) break;
    }
    XSync(display_, False);
    if (app_->QuitSeen()) std::fputs("x11_steps: the saver ended during the run\n", stderr);
    return steps_;
  }

 private:
  platform::posix::PosixOsServices os_;
  std::unique_ptr<platform::WindowSystem> windows_;
  Display* display_ = nullptr;
  std::unique_ptr<TApplication> app_;
  Tmorumoru* saver_ = nullptr;
  long steps_ = 0;
};

class BareSide : public Side {
 public:
  BareSide() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    int screen = DefaultScreen(display_);
    Window root = RootWindow(display_, screen);
    width_ = DisplayWidth(display_, screen);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display_, screen);
    top_ = XCreateWindow(display_, root, 0, 0, width_, DisplayHeight(display_, screen), 0,
                         CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel, &attributes);
    XSetWindowAttributes childAttributes{};
    childAttributes.background_pixmap = None;
    child_ = XCreateWindow(display_, top_, x_, 8, 335, 300, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWBackPixmap, &childAttributes);
    int depth = DefaultDepth(display_, screen);
    pixmap_ = XCreatePixmap(display_, root, 335, 300, depth);
    gc_ = XCreateGC(display_, root, 0, nullptr);
    XSetGraphicsExposures(display_, gc_, False);
    XImage* image = XCreateImage(display_, DefaultVisual(display_, screen), depth, ZPixmap, 0,
                                 nullptr, 335, 300, 32, 0);
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * 300));
    for (int y = 0; y < 300; ++y) {
      for (int x = 0; x < 335; ++x) {
        XPutPixel(image, x, y, (x * 255 / 335) << 16 | (y * 255 / 300) << 8 | 0x40);
      }
    }
    XPutImage(display_, pixmap_, gc_, image, 0, 0, 0, 0, 335, 300);
    XDestroyImage(image);
    XMapWindow(display_, child_);
  }
  ~BareSide() override {
    if (!display_) return;
    XFreeGC(display_, gc_);
    XFreePixmap(display_, pixmap_);
    XDestroyWindow(display_, top_);
    XCloseDisplay(display_);
  }
  void Show() override {
    XMapRaised(display_, top_);
    XSync(display_, False);
  }
  void Hide() override {
    XUnmapWindow(display_, top_);
    XSync(display_, False);
  }
  long Run(Clock::time_point end) override {
    long steps = 0;
    while (true) {
      x_ = x_ > width_ ? -335 : x_ + 1;
      XMoveWindow(display_, child_, x_, 8);
      XCopyArea(display_, pixmap_, child_, gc_, 0, 0, 335, 300, 0, 0);
      XFlush(display_);
      ++steps;
      if ((steps & 63) == 0 && Clock::now() >= end) break;
    }
    XSync(display_, False);
    return steps;
  }

 private:
  Display* display_ = nullptr;
  Window top_ = 0, child_ = 0;
  Pixmap pixmap_ = 0;
  GC gc_ = nullptr;
  int width_ = 0;
  int x_ = 8;
};

}  // namespace
}  // namespace morumoru

int main(int argc, char** argv) {
  using namespace morumoru;
  double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  std::string only = argc > 3 ? argv[3] : "";
  if (seconds <= 0 || runs <= 0) {
    std::fputs("usage: x11_steps [seconds per side and run] [runs]\n", stderr);
    return 2;
  }
  RealSide real;
  BareSide bare;
  if (!real.Opened()) {
    std::fputs("x11_steps: cannot open the X display\n", stderr);
    return 1;
  }
  Side* sides[2] = {&real, &bare};
  Prober prober;
  std::vector<double> rate[2], tripMedian[2], tripWorst[2];
  for (int run = 0; run < runs; ++run) {
    auto runRate =
        bench::RunAlternating(sides, seconds, run, only, [&](int s) { prober.SetSide(s); });
    for (int s = 0; s < 2; ++s) {
      rate[s].push_back(runRate[s]);
      auto [median, worst] = prober.Take(s);
      tripMedian[s].push_back(median);
      tripWorst[s].push_back(worst);
    }
    std::printf(
        "run %d: real %.0f steps/s (another client's round trip: median %.2f ms, worst %.2f ms)"
        "; bare %.0f steps/s (median %.2f ms, worst %.2f ms)\n",
        run + 1, rate[0].back(), tripMedian[0].back(), tripWorst[0].back(), rate[1].back(),
        tripMedian[1].back(), tripWorst[1].back());
    std::fflush(stdout);
  }
  bench::PrintTable(
      "X11: engine steps per second at speed 1 (median of " + std::to_string(runs) + " runs)",
      "steps/s",
      {{"real loop (app.LoopTurn)", bench::Median(rate[0]), "XMoveWindow+XCopyArea+XFlush",
        bench::Median(rate[1])}});
  bench::PrintTable("X11: another client's round trip meanwhile (median of runs)", "ms",
                    {{"median, real loop", bench::Median(tripMedian[0]), "median, bare loop",
                      bench::Median(tripMedian[1])},
                     {"worst, real loop", bench::Median(tripWorst[0]), "worst, bare loop",
                      bench::Median(tripWorst[1])}});
  return 0;
}
