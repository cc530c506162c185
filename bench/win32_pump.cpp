// One PumpMessages() call on an empty queue over the real Win32 backend,
// with the saver form shown, beside a bare PeekMessageW(PM_REMOVE) on the
// same empty queue. Runs under Wine; runs of the two alternate, and the
// medians are compared.
//
//   win32_pump [calls per run, default 2000] [runs, default 7]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_table.h"
#include "forms/application.h"
#include "platform/native.h"
#include "saver/saver_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double NanosecondsPerCall(Clock::duration elapsed, int calls) {
  return std::chrono::duration<double, std::nano>(elapsed).count() / calls;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace morumoru;
  int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
  int runs = argc > 2 ? std::atoi(argv[2]) : 7;
  if (calls <= 0 || runs <= 0) {
    std::fputs("usage: win32_pump [calls per run] [runs]\n", stderr);
    return 2;
  }
  auto os = platform::CreateNativeOsServices();
  auto windows = platform::CreateNativeWindowSystem(platform::LaunchMode::kSaver);
  std::vector<double> pump, peek;
  {
    TApplication app(*windows, *os);
    app.SetTitle("morumoru");
    Tmorumoru* saver = nullptr;
    app.AddForm(saver);
    saver->Show();
    // Whatever the showing queued (paints, activation) is taken first.
    auto end = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < end) app.PumpMessages();

    for (int run = 0; run < runs; ++run) {
      for (int half = 0; half < 2; ++half) {
        bool bare = (half == 0) == (run % 2 == 1);
        auto start = Clock::now();
        if (bare) {
          MSG msg;
          for (int i = 0; i < calls; ++i) {
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
              TranslateMessage(&msg);
              DispatchMessageW(&msg);
            }
          }
          peek.push_back(NanosecondsPerCall(Clock::now() - start, calls));
        } else {
          for (int i = 0; i < calls; ++i) app.PumpMessages();
          pump.push_back(NanosecondsPerCall(Clock::now() - start, calls));
        }
      }
    }
  }
  for (size_t i = 0; i < pump.size(); ++i) {
    std::printf("run %zu: PumpMessages %.0f ns/call, PeekMessageW %.0f ns/call\n", i + 1, pump[i],
                peek[i]);
  }
  bench::PrintTable("Win32 (Wine): one PumpMessages() on an empty queue (median of " +
                        std::to_string(runs) + " runs of " + std::to_string(calls) + " calls)",
                    "ns/call",
                    {{"app.PumpMessages()", bench::Median(pump), "PeekMessageW(PM_REMOVE)",
                      bench::Median(peek)}});
  return 0;
}
