// The pace of the show as the person in front of the screen sees it, and what
// it costs their machine: the real saver form through the real loop on the
// real backend (X11 natively, Win32 under Wine), at every speed the settings
// dialog offers, with the default power 6. For each speed: steps, the time of
// a slide, and the processor share of the program (its CPU time over the
// wall time) beside a bare loop that makes the same moves at the same pace
// and sleeps in between (the floor), in alternating slices of the same run.
// With PACE_XSERVER_PID set (a local X server), the server's CPU time per
// step too. Then the cost of one empty PumpMessages() in time and in CPU
// time, beside one bare check of the same queue.
//
//   pace [seconds per speed, default 3] [least steps per speed, default 3]
//        [pump runs, default 15] [highest speed, default 7; 0: the pump figures only]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_table.h"
#include "counted_saver.h"
#include "pace_floor.h"
#include "platform/native.h"
#include "queue_check.h"
#include "saver/delay_count.h"

namespace morumoru {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kPower = 6;
// Real and floor take turns in slices this long, so both see the same load.
constexpr double kSlice = 1.0;
// Empty PumpMessages() per pump run: half a second at 1 us each.
constexpr int kPumpCalls = 500'000;

double Seconds(Clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

// The X server's CPU time in seconds, when PACE_XSERVER_PID names it; < 0
// otherwise.
double ServerCpuSeconds() {
  static const char* pid = std::getenv("PACE_XSERVER_PID");
  if (!pid || !*pid) return -1;
  std::ifstream stat(std::string("/proc/") + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  // utime and stime are fields 14 and 15, counted after the command's ")".
  size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::vector<std::string> fields;
  size_t at = close + 2;
  while (at < line.size()) {
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    fields.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  if (fields.size() < 13) return -1;
  // In clock ticks, which Linux reports at 100 a second.
  return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / 100.0;
}

// What one side spent over its slices of one speed.
struct Spent {
  long steps = 0;
  double wall = 0;
  double cpu = 0;
  double server = 0;  // < 0: not known
  void Add(long moreSteps, double moreWall, double moreCpu, double moreServer) {
    steps += moreSteps;
    wall += moreWall;
    cpu += moreCpu;
    server = server < 0 || moreServer < 0 ? -1 : server + moreServer;
  }
};

// The clocks one slice is measured by, read as it starts.
struct SliceClocks {
  double server = ServerCpuSeconds();
  double cpu = bench::ProcessCpuSeconds();
  Clock::time_point start = Clock::now();

  Clock::time_point After(double seconds) const {
    return start +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  }
  // Adds the slice, `steps` steps that ended at `now`, to `spent`.
  void AddTo(Spent& spent, long steps, Clock::time_point now) const {
    double serverAfter = ServerCpuSeconds();
    spent.Add(steps, Seconds(now - start), bench::ProcessCpuSeconds() - cpu,
              server < 0 || serverAfter < 0 ? -1 : serverAfter - server);
  }
};

class Bench {
 public:
  Bench()
      : os_(platform::CreateNativeOsServices()),
        windows_(platform::CreateNativeWindowSystem(platform::LaunchMode::kSaver)) {
    if (!windows_) return;
    counted_ = std::make_unique<bench::CountedSaver>(*windows_, *os_);
    Saver().power = kPower;
    Saver().Show();
    // Whatever the showing queued (paints, activation) is taken first.
    auto end = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < end) App().PumpMessages();
    bare_ = bench::MakeBareQueueCheck(*windows_);
    floor_ = bench::MakeBareMover();
  }
  bool Opened() const { return counted_ != nullptr; }
  bool Interrupted() const { return App().QuitSeen(); }
  bool HasFloor() const { return floor_ != nullptr; }
  platform::Size Screen() const { return windows_->ScreenSize(); }
  std::string BareName() const { return bare_->Name(); }

  // Real and floor in alternating slices until each has had `seconds` and
  // the real side `leastSteps` steps; the floor moves at the real side's
  // pace so far.
  void Run(int32_t speed, double seconds, long leastSteps, Spent& real, Spent& floor) {
    Saver().speed = speed;
    real = floor = Spent{};
    while (!App().QuitSeen() &&
           (real.steps < leastSteps || real.wall < seconds || (floor_ && floor.wall < seconds))) {
      if (real.wall <= floor.wall || !floor_) {
        RealSlice(std::min(kSlice, std::max(seconds - real.wall, 0.05)), real);
      } else {
        FloorSlice(kSlice, real.steps ? real.wall / real.steps : 0, floor);
      }
    }
  }

  // Time and CPU time per empty PumpMessages() (all runs together) and per
  // bare check (median), over `runs` alternating pairs.
  struct PumpFigures {
    double pumpWall, pumpCpu, bareWall, bareCpu;
  };
  PumpFigures PumpCosts(int runs) {
    int bareCalls = BareCallsForQuarterOfASecond();
    std::vector<double> pumpWall, pumpCpu, bareWall, bareCpu;
    for (int run = 0; run < runs; ++run) {
      for (int half = 0; half < 2; ++half) {
        bool isBare = (half == 0) == (run % 2 == 1);
        int calls = isBare ? bareCalls : kPumpCalls;
        auto start = Clock::now();
        double cpu = bench::ProcessCpuSeconds();
        if (isBare) {
          bare_->Look(calls);
        } else {
          for (int i = 0; i < calls; ++i) App().PumpMessages();
          // A request (the form placed where it is) and one more look, as
          // after a step's move: on X11 the looks still owed are slept off
          // within the run.
          platform::WindowId form = Saver().Handle();
          windows_->SetBounds(form, windows_->GetBounds(form));
          App().PumpMessages();
        }
        double cpuNs = (bench::ProcessCpuSeconds() - cpu) * 1e9 / calls;
        double wallNs = Seconds(Clock::now() - start) * 1e9 / calls;
        (isBare ? bareWall : pumpWall).push_back(wallNs);
        (isBare ? bareCpu : pumpCpu).push_back(cpuNs);
      }
      std::printf(
          "pump run %d: PumpMessages %.1f ns/call (CPU %.1f ns), %s %.1f ns/call (CPU %.1f ns)\n",
          run + 1, pumpWall.back(), pumpCpu.back(), bare_->Name().c_str(), bareWall.back(),
          bareCpu.back());
      std::fflush(stdout);
    }
    // The pump by its runs together: a run leaves the looks of its last
    // check owed, and the next one sleeps them off.
    auto mean = [](const std::vector<double>& values) {
      double sum = 0;
      for (double value : values) sum += value;
      return values.empty() ? 0 : sum / static_cast<double>(values.size());
    };
    return {mean(pumpWall), mean(pumpCpu), bench::Median(bareWall), bench::Median(bareCpu)};
  }

 private:
  TApplication& App() const { return counted_->App(); }
  Tmorumoru& Saver() const { return counted_->Saver(); }

  void RealSlice(double seconds, Spent& real) {
    // On X11 a step's looks are slept off at the first look after the next
    // move: the slice starts after one step, so that every step it counts
    // has had its wait.
    counted_->ResetSteps();
    while (!App().QuitSeen() && counted_->Steps() == 0) App().LoopTurn();
    counted_->ResetSteps();
    SliceClocks clocks;
    auto end = clocks.After(seconds);
    // Whole steps only: the slice ends with the step that passes its end.
    long counted = 0;
    Clock::time_point now = clocks.start;
    while (!App().QuitSeen() && now < end) {
      App().LoopTurn();
      if (counted_->Steps() != counted) {
        counted = counted_->Steps();
        now = Clock::now();
      }
    }
    clocks.AddTo(real, counted_->Steps(), now);
  }

  void FloorSlice(double seconds, double perStep, Spent& floor) {
    floor_->Show();
    SliceClocks clocks;
    auto end = clocks.After(seconds);
    auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(perStep));
    long steps = 0;
    Clock::time_point due = clocks.start;
    Clock::time_point now = clocks.start;
    while (now < end) {
      floor_->Move();
      ++steps;
      due += step;
      now = Clock::now();
      if (due > now) {
        std::this_thread::sleep_until(due);
        now = Clock::now();
      } else {
        due = now;  // as fast as the moves go
      }
    }
    clocks.AddTo(floor, steps, now);
    floor_->Hide();
  }

  // A quarter of a second: longer than the X11 pace clock lets real time run
  // ahead of it, so the pump run after it starts from real time.
  int BareCallsForQuarterOfASecond() {
    constexpr int kProbe = 200;
    auto start = Clock::now();
    bare_->Look(kProbe);
    double perCall = Seconds(Clock::now() - start) / kProbe;
    long calls = perCall > 0 ? static_cast<long>(0.25 / perCall) : 1'000'000;
    return static_cast<int>(calls < kProbe ? kProbe : calls > 10'000'000 ? 10'000'000 : calls);
  }

  std::unique_ptr<platform::OsServices> os_;
  std::unique_ptr<platform::WindowSystem> windows_;
  std::unique_ptr<bench::CountedSaver> counted_;
  std::unique_ptr<bench::BareQueueCheck> bare_;
  std::unique_ptr<bench::BareMover> floor_;
};

std::string Percent(double cpu, double wall) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", wall > 0 ? 100 * cpu / wall : 0);
  return text;
}

std::string PerStep(const Spent& spent) {
  if (spent.server < 0 || spent.steps == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", spent.server * 1e3 / spent.steps);
  return text;
}

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
  // CPU %: the program's processor time over the wall time of its slices; the
  // floor's beside it. X ms/step: the X server's processor time per step.
  std::printf("%5s %10s %7s %10s %10s %12s %10s %8s %8s %9s %9s\n", "speed", "DelayCount", "steps",
              "steps/s", "ms/step", "s/horizontal", "s/vertical", "CPU %", "floor %", "X ms/step",
              "floor X");
  for (int32_t speed = 1; speed <= highest; ++speed) {
    Spent real, floor;
    bench.Run(speed, seconds, leastSteps, real, floor);
    if (bench.Interrupted()) {
      std::fputs("pace: the saver was ended by input during the run\n", stderr);
      return 1;
    }
    double perStep = real.steps ? real.wall / real.steps : 0;
    std::printf("%5d %10lld %7ld %10.1f %10.3f %12.1f %10.1f %8s %8s %9s %9s\n", speed,
                static_cast<long long>(DelayCount(speed, kPower)), real.steps,
                perStep > 0 ? 1 / perStep : 0, perStep * 1e3, perStep * across, perStep * down,
                Percent(real.cpu, real.wall).c_str(),
                bench.HasFloor() ? Percent(floor.cpu, floor.wall).c_str() : "-",
                PerStep(real).c_str(), bench.HasFloor() ? PerStep(floor).c_str() : "-");
    std::fflush(stdout);
  }
  bench::PrintTable(
      "one empty PumpMessages() (all " + std::to_string(runs) +
          " runs together) beside one bare check (median), alternating runs",
      "ns/call",
      {{"app.PumpMessages(), time", pump.pumpWall, bench.BareName() + ", time", pump.bareWall},
       {"app.PumpMessages(), CPU time", pump.pumpCpu, bench.BareName() + ", CPU", pump.bareCpu}});
  return 0;
}
