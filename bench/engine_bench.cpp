// The engine's own cost per step, without any window system: choose steps
// and one-pixel moves over the in-memory backend's saver window.
#include <benchmark/benchmark.h>

#include <string>

#include "forms/application.h"
#include "platform/headless/headless_platform.h"
#include "saver/random_source.h"
#include "saver/saver_window.h"
#include "saver/slide_engine.h"

namespace morumoru {
namespace {

struct Saver {
  Saver() : app(headless, headless) {
    // A string moved in, not a literal assigned: GCC 12 (-O2) sees an overlap
    // that cannot be in the inlined assignment of a literal (-Wrestrict).
    headless.memoryProfile.files["C:\\saver\\morumoru.ini"]["moruscr"]["power"] = std::string("0");
    app.AddForm(form);
  }
  platform::HeadlessPlatform headless;
  TApplication app;
  Tmorumoru* form = nullptr;
};

void BM_MoveStep(benchmark::State& state) {
  Saver saver;
  bool idleDone = true;
  saver.form->Effect(saver.app, idleDone);  // the first slide
  for ([[maybe_unused]] auto _ : state) {
    if (Engine.moveKind == 0) Engine.moveKind = 1;  // keep moving
    saver.headless.counter += 1013;
    saver.form->Effect(saver.app, idleDone);
  }
}
BENCHMARK(BM_MoveStep);

void BM_ChooseStep(benchmark::State& state) {
  Saver saver;
  bool idleDone = true;
  for ([[maybe_unused]] auto _ : state) {
    Engine.moveKind = 0;
    saver.headless.counter += 1013;
    saver.form->Effect(saver.app, idleDone);
  }
}
BENCHMARK(BM_ChooseStep);

void BM_RandomInt(benchmark::State& state) {
  int32_t sum = 0;
  for ([[maybe_unused]] auto _ : state) benchmark::DoNotOptimize(sum += RandomInt(8001));
}
BENCHMARK(BM_RandomInt);

}  // namespace
}  // namespace morumoru

BENCHMARK_MAIN();
