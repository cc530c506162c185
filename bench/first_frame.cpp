// Whole-process figures of one launch, from outside the program:
//
//   first_frame [--area X,Y,W,H] [--timeout MS] [--settle MS]
//               [--key KEYSYM | --idle SECONDS] -- COMMAND [ARGS...]
//
// Paints the root window a marker colour, starts COMMAND, and polls the root
// (XGetImage of the area, by default inside the picture panel at (8,8)) until
// any pixel there differs from the marker: launch -> first painted frame. A
// panel has no background of its own, so that area changes when the program
// paints it, not when its window is merely mapped. Then, after --settle ms:
//   --key: runs `xdotool key KEYSYM` and times launch of xdotool -> the
//          program's exit;
//   --idle: CPU time and context switches of all the program's threads over
//          SECONDS, then ends it with SIGTERM;
//   neither: ends it with SIGTERM.
// Last, its peak resident set from wait4(). Prints key=value lines.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// POSIX's own declaration; <unistd.h> has one only under _GNU_SOURCE.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned long kMarker = 0xFF00FF;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct ThreadTimes {
  double cpuMs = 0;   // on-CPU time, all threads (schedstat, nanoseconds)
  long ticks = 0;     // utime + stime of the process (clock ticks)
  long switches = 0;  // voluntary + involuntary, all threads: wake-ups
};

ThreadTimes ReadTimes(pid_t pid) {
  ThreadTimes times;
  std::string base = "/proc/" + std::to_string(pid);
  {
    std::ifstream stat(base + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t close = line.rfind(')');
    if (close != std::string::npos) {
      std::istringstream rest(line.substr(close + 2));
      std::string field;
      long utime = 0, stime = 0;
      for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::atol(field.c_str());
        if (i == 15) stime = std::atol(field.c_str());
      }
      times.ticks = utime + stime;
    }
  }
  if (DIR* tasks = opendir((base + "/task").c_str())) {
    while (dirent* entry = readdir(tasks)) {
      if (entry->d_name[0] == '.') continue;
      std::string task = base + "/task/" + entry->d_name;
      std::ifstream schedstat(task + "/schedstat");
      unsigned long long ns = 0;
      if (schedstat >> ns) times.cpuMs += ns / 1e6;
      std::ifstream status(task + "/status");
      std::string line;
      while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
          times.switches += std::atol(line.substr(line.find(':') + 1).c_str());
        }
      }
    }
    closedir(tasks);
  }
  return times;
}

void PaintRoot(Display* display, unsigned long pixel) {
  Window root = DefaultRootWindow(display);
  XSetWindowBackground(display, root, pixel);
  XClearWindow(display, root);
  XSync(display, False);
}

bool AreaChanged(Display* display, int x, int y, int w, int h) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!image) return false;
  bool changed = false;
  for (int j = 0; j < h && !changed; ++j) {
    for (int i = 0; i < w && !changed; ++i) {
      changed = (XGetPixel(image, i, j) & 0xFFFFFF) != kMarker;
    }
  }
  XDestroyImage(image);
  return changed;
}

int Usage() {
  std::fputs(
      "usage: first_frame [--area X,Y,W,H] [--timeout MS] [--settle MS]\n"
      "                   [--key KEYSYM | --idle SECONDS] -- COMMAND [ARGS...]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int ax = 108, ay = 108, aw = 16, ah = 16;
  double timeoutMs = 10000, settleMs = 1000, idleSeconds = 0;
  std::string key;
  int i = 1;
  for (; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (i + 1 >= argc) return Usage();
    if (arg == "--area") {
      if (std::sscanf(argv[++i], "%d,%d,%d,%d", &ax, &ay, &aw, &ah) != 4) return Usage();
    } else if (arg == "--timeout") {
      timeoutMs = std::atof(argv[++i]);
    } else if (arg == "--settle") {
      settleMs = std::atof(argv[++i]);
    } else if (arg == "--key") {
      key = argv[++i];
    } else if (arg == "--idle") {
      idleSeconds = std::atof(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (i >= argc) return Usage();

  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fputs("first_frame: cannot open the X display\n", stderr);
    return 1;
  }
  PaintRoot(display, kMarker);
  // Nothing of an earlier launch may still be there.
  if (AreaChanged(display, ax, ay, aw, ah)) {
    std::fputs("first_frame: the area is covered before the launch\n", stderr);
    return 1;
  }

  auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[i], nullptr, nullptr, argv + i, environ) != 0) {
    std::perror("first_frame: cannot start the command");
    return 1;
  }
  bool exited = false;
  int status = 0;
  rusage usage{};
  double frameMs = -1;
  while (Ms(Clock::now() - start) < timeoutMs) {
    if (AreaChanged(display, ax, ay, aw, ah)) {
      frameMs = Ms(Clock::now() - start);
      break;
    }
    if (wait4(pid, &status, WNOHANG, &usage) == pid) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(250));
  }
  std::printf("first_frame_ms=%.1f\n", frameMs);
  if (!exited && frameMs >= 0) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(settleMs));
    if (!key.empty()) {
      char program[] = "xdotool";
      char verb[] = "key";
      char* keyArgv[] = {program, verb, key.data(), nullptr};
      auto pressed = Clock::now();
      pid_t tool = 0;
      if (posix_spawnp(&tool, program, nullptr, nullptr, keyArgv, environ) == 0) {
        // The program's exit and xdotool's, whichever comes first.
        bool toolDone = false;
        while (!exited && Ms(Clock::now() - pressed) < timeoutMs) {
          if (!toolDone && waitpid(tool, nullptr, WNOHANG) == tool) {
            toolDone = true;
            std::printf("xdotool_ms=%.1f\n", Ms(Clock::now() - pressed));
          }
          if (wait4(pid, &status, WNOHANG, &usage) == pid) {
            exited = true;
            std::printf("key_to_exit_ms=%.1f\n", Ms(Clock::now() - pressed));
          } else {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
          }
        }
        if (!toolDone) waitpid(tool, nullptr, 0);
      }
      if (!exited) std::printf("key_to_exit_ms=-1\n");
    } else if (idleSeconds > 0) {
      ThreadTimes before = ReadTimes(pid);
      std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
      ThreadTimes after = ReadTimes(pid);
      long tick = sysconf(_SC_CLK_TCK);
      std::printf("idle_seconds=%.1f\n", idleSeconds);
      std::printf("idle_cpu_ms=%.2f\n", after.cpuMs - before.cpuMs);
      std::printf("idle_cpu_percent=%.3f\n", (after.cpuMs - before.cpuMs) / (idleSeconds * 10));
      std::printf("idle_stat_ms=%.0f\n", (after.ticks - before.ticks) * 1000.0 / tick);
      std::printf("idle_wakeups=%ld\n", after.switches - before.switches);
    }
  }
  if (!exited) {
    kill(pid, SIGTERM);
    wait4(pid, &status, 0, &usage);
  }
  std::printf("peak_rss_kb=%ld\n", usage.ru_maxrss);
  std::printf("exit_status=%d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  PaintRoot(display, BlackPixel(display, DefaultScreen(display)));
  XCloseDisplay(display);
  return frameMs >= 0 ? 0 : 1;
}
