#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchAssets.h"
#include "bench/FrameCounters.h"
#include "effects/EndEffect.h"

namespace {

void BM_EndRender(benchmark::State& state) {
  useBenchAssets();
  EndEffect effect;
  effect.init();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  float t = static_cast<float>(state.range(0));
  for (auto _ : state) {
    effect.render(frame.data(), t);
    benchmark::DoNotOptimize(frame.data());
    t += 16.0f;
  }
  addFrameCounters(state);
}
BENCHMARK(BM_EndRender)->Arg(1486000)->Arg(1500000)->Unit(benchmark::kMillisecond);

}  // namespace
