// One PumpMessages() call on an empty queue over the real X11 backend, with
// the saver form shown, beside the bare real looks Xlib offers at the same
// connection: XEventsQueued(QueuedAfterReading) (ask the socket, read what
// is there), which is what an empty pump call must cost, and XPending
// (flush first, then the same). Needs $DISPLAY.
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "bench_table.h"
#include "forms/application.h"
#include "platform/posix/posix_os_services.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_window_system.h"
#include "saver/saver_window.h"

namespace morumoru {
namespace {

struct Stage {
  platform::posix::PosixOsServices os;
  std::unique_ptr<platform::WindowSystem> windows;
  Display* display = nullptr;
  std::unique_ptr<TApplication> app;
  Tmorumoru* saver = nullptr;
};

Stage* stage = nullptr;

// Shows the saver form and takes everything its showing queued, so that the
// timed calls find the queue empty, as between two engine steps.
void Drain() {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  while (std::chrono::steady_clock::now() < end) {
    XSync(stage->display, False);
    stage->app->PumpMessages();
  }
}

void BM_PumpMessages(benchmark::State& state) {
  Drain();
  for ([[maybe_unused]] auto _ : state) stage->app->PumpMessages();
}
BENCHMARK(BM_PumpMessages);

void BM_QueuedAfterReading(benchmark::State& state) {
  Drain();
  for ([[maybe_unused]] auto _ : state) {
    benchmark::DoNotOptimize(XEventsQueued(stage->display, QueuedAfterReading));
  }
}
BENCHMARK(BM_QueuedAfterReading);

void BM_XPending(benchmark::State& state) {
  Drain();
  for ([[maybe_unused]] auto _ : state) benchmark::DoNotOptimize(XPending(stage->display));
}
BENCHMARK(BM_XPending);

// Keeps Google Benchmark's own output and remembers the medians (or the
// single result without repetitions) for the summary table.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") medians[name] = run.GetAdjustedRealTime();
      } else if (!medians.contains(name) || run.repetitions <= 1) {
        singles[name] = run.GetAdjustedRealTime();
      }
    }
  }
  double Nanoseconds(const std::string& name) const {
    auto it = medians.find(name);
    if (it != medians.end()) return it->second;
    auto single = singles.find(name);
    return single == singles.end() ? 0 : single->second;
  }

 private:
  std::map<std::string, double> medians;
  std::map<std::string, double> singles;
};

}  // namespace
}  // namespace morumoru

int main(int argc, char** argv) {
  using namespace morumoru;
  benchmark::Initialize(&argc, argv);
  Stage owned;
  owned.windows = platform::CreateX11WindowSystem();
  if (!owned.windows) {
    std::fputs("x11_pump_bench: cannot open the X display\n", stderr);
    return 1;
  }
  owned.display = static_cast<platform::x11::X11WindowSystem*>(owned.windows.get())->display();
  owned.app = std::make_unique<TApplication>(*owned.windows, owned.os);
  owned.app->SetTitle("morumoru");
  owned.app->AddForm(owned.saver);
  owned.saver->Show();
  stage = &owned;

  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  double pump = collector.Nanoseconds("BM_PumpMessages");
  bench::PrintTable(
      "X11: one PumpMessages() on an empty queue", "ns/call",
      {{"app.PumpMessages()", pump, "XEventsQueued(QueuedAfterReading)",
        collector.Nanoseconds("BM_QueuedAfterReading")},
       {"app.PumpMessages()", pump, "XPending()", collector.Nanoseconds("BM_XPending")}});

  owned.app.reset();
  return 0;
}
