#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchAssets.h"
#include "bench/FrameCounters.h"
#include "effects/TitleEffect.h"

namespace {

// One frame at a show time given in milliseconds, 300 ms after a sync event, so the title is
// swung away from upright.
void BM_TitleRender(benchmark::State& state) {
  useBenchAssets();
  TitleEffect effect;
  effect.init();
  const float t = static_cast<float>(state.range(0)) + 0.5f;
  effect.onSync(2, t - 300.0f);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  for (auto _ : state) {
    effect.render(frame.data(), t);
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
// Zoom near 1.5 (0), near 0.5 (2092), in the first title scene, and later ones.
BENCHMARK(BM_TitleRender)->Arg(0)->Arg(2092)->Arg(45000)->Arg(900000)->Arg(1300000)->Unit(benchmark::kMillisecond);

void BM_TitleInit(benchmark::State& state) {
  useBenchAssets();
  for (auto _ : state) {
    TitleEffect effect;
    effect.init();
    benchmark::DoNotOptimize(&effect);
  }
}
BENCHMARK(BM_TitleInit)->Unit(benchmark::kMillisecond);

}  // namespace
