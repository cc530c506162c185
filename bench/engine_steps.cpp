// Runs N engine steps (default 10000) of the saver window over the in-memory
// backend at speed 1 and power 0, so each step pumps twice, and prints how far
// the slides got. Meant for instruction counts under callgrind.
#include <cstdio>
#include <cstdlib>

#include "forms/application.h"
#include "platform/headless/headless_platform.h"
#include "saver/saver_window.h"
#include "saver/slide_engine.h"

int main(int argc, char** argv) {
  using namespace morumoru;
  long steps = argc > 1 ? std::atol(argv[1]) : 10000;
  platform::HeadlessPlatform headless;
  auto& settings = headless.memoryProfile.files["C:\\saver\\morumoru.ini"]["moruscr"];
  settings["speed"] = "1";
  settings["power"] = "0";
  int choices = 0;
  {
    TApplication app(headless, headless);
    Tmorumoru* saver = nullptr;
    app.AddForm(saver);
    bool idleDone = true;
    for (long i = 0; i < steps; ++i) {
      if (Engine.moveKind == 0) ++choices;
      headless.counter = static_cast<uint64_t>(i) * 2654435761u;
      saver->Effect(app, idleDone);
    }
  }
  std::printf("%ld steps, %d slides chosen, %d window moves\n", steps, choices, headless.moves);
  return 0;
}
