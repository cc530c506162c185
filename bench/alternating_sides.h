#pragma once
// The steps-per-second drivers compare the real saver with a bare loop. Both
// run in the same process, in alternating slices, so both see the same load
// on a shared machine.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_table.h"

namespace morumoru::bench {

using Clock = std::chrono::steady_clock;
inline constexpr auto kSlice = std::chrono::milliseconds(250);

// One side of the comparison: shown for its slice, then hidden again.
class Side {
 public:
  virtual ~Side() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Steps until `end`.
  virtual long Run(Clock::time_point end) = 0;
};

// One run: sides[0] (real) and sides[1] (bare) take turns until each has had
// `seconds`; only "real" or "bare" runs that side alone. around(side) is
// called before each slice and around(-1) after it. Returns steps per second.
inline std::array<double, 2> RunAlternating(Side* const sides[2], double seconds, int run,
                                            const std::string& only,
                                            const std::function<void(int)>& around = {}) {
  const std::chrono::duration<double> budget(seconds);
  auto slice = std::chrono::duration_cast<Clock::duration>(
      std::min(std::chrono::duration<double>(kSlice), budget));
  long steps[2] = {0, 0};
  Clock::duration spent[2] = {};
  for (int turn = 0; spent[0] < budget || spent[1] < budget; ++turn) {
    int s = only == "real" ? 0 : only == "bare" ? 1 : (turn + run) % 2;
    if (spent[s] >= budget && !only.empty()) break;
    sides[s]->Show();
    if (around) around(s);
    auto start = Clock::now();
    steps[s] += sides[s]->Run(start + slice);
    spent[s] += Clock::now() - start;
    if (around) around(-1);
    sides[s]->Hide();
  }
  std::array<double, 2> rate{};
  for (int s = 0; s < 2; ++s) {
    rate[s] = steps[s] / std::chrono::duration<double>(spent[s]).count();
  }
  return rate;
}

// The drivers' command line: [seconds per side and run, default 2]
// [runs, default 3] [real|bare]; with "real" or "bare" only that side runs.
struct RunOptions {
  double seconds = 2.0;
  int runs = 3;
  std::string only;
};

// False, after a usage line on stderr, when the arguments make no sense.
inline bool ParseRunOptions(int argc, char** argv, const char* name, RunOptions& options) {
  if (argc > 1) options.seconds = std::atof(argv[1]);
  if (argc > 2) options.runs = std::atoi(argv[2]);
  if (argc > 3) options.only = argv[3];
  if (options.seconds > 0 && options.runs > 0) return true;
  std::fprintf(stderr, "usage: %s [seconds per side and run] [runs] [real|bare]\n", name);
  return false;
}

// Every run the options ask for; after each, report(run, its rates) prints
// its line. Returns each side's rates, one per run.
inline std::array<std::vector<double>, 2> RunAll(
    Side* const sides[2], const RunOptions& options,
    const std::function<void(int, const std::array<double, 2>&)>& report,
    const std::function<void(int)>& around = {}) {
  std::array<std::vector<double>, 2> rates;
  for (int run = 0; run < options.runs; ++run) {
    auto rate = RunAlternating(sides, options.seconds, run, options.only, around);
    for (int s = 0; s < 2; ++s) rates[s].push_back(rate[s]);
    report(run, rate);
    std::fflush(stdout);
  }
  return rates;
}

// What both steps drivers measure: engine steps per second at speed 1, the
// real loop beside the bare one (`bareLoop` says what it does), the median of
// the runs under a title naming `backend`. report and around as for RunAll.
inline void CompareSteps(Side& real, Side& bare, const RunOptions& options,
                         const std::string& backend, const std::string& bareLoop,
                         const std::function<void(int, const std::array<double, 2>&)>& report,
                         const std::function<void(int)>& around = {}) {
  Side* sides[2] = {&real, &bare};
  auto rate = RunAll(sides, options, report, around);
  PrintTable(backend + ": engine steps per second at speed 1 (median of " +
                 std::to_string(options.runs) + " runs)",
             "steps/s", {{"real loop (app.LoopTurn)", Median(rate[0]), bareLoop, Median(rate[1])}});
}

}  // namespace morumoru::bench
