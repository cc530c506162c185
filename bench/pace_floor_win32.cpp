#include <windows.h>

#include "pace_floor.h"

namespace morumoru::bench {

// On Windows the show spins, as specified: its processor share is a whole
// core at every speed, and a sleeping floor beside it would say nothing.
std::unique_ptr<BareMover> MakeBareMover() {
  return nullptr;
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace morumoru::bench
