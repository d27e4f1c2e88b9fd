#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchAssets.h"
#include "bench/FrameCounters.h"
#include "effects/SphereEffect.h"
#include "render/TrigTables.h"

namespace {

SphereEffect& sphereEffect() {
  static SphereEffect* effect = [] {
    fillTrigTables();
    useBenchAssets();
    auto* e = new SphereEffect;
    e->init();
    return e;
  }();
  return *effect;
}

// One whole frame at the show time given in milliseconds.
void BM_SphereEffectFrame(benchmark::State& state) {
  SphereEffect& effect = sphereEffect();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const auto timeMs = static_cast<float>(state.range(0));
  for (auto _ : state) {
    effect.render(frame.data(), timeMs);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  addFrameCounters(state);
}
BENCHMARK(BM_SphereEffectFrame)->Arg(0)->Arg(260000)->Arg(300123)->Arg(1352000)->Arg(1400000)->Unit(benchmark::kMillisecond);

}  // namespace
