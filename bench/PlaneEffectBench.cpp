#include <benchmark/benchmark.h>

#include <vector>

#include "LatticeSceneBenchAssets.h"
#include "effects/PlaneEffect.h"

namespace {

PlaneEffect& planeEffect() {
  static PlaneEffect* effect = [] {
    useLatticeSceneAssets();
    auto* e = new PlaneEffect;
    e->init();
    return e;
  }();
  return *effect;
}

// One whole frame at the show time given in milliseconds.
void BM_PlaneEffectFrame(benchmark::State& state) {
  PlaneEffect& effect = planeEffect();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const auto timeMs = static_cast<float>(state.range(0));
  for (auto _ : state) {
    effect.render(frame.data(), timeMs);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  reportFrameCounters(state, FRAME_PIXELS);
}
BENCHMARK(BM_PlaneEffectFrame)->Arg(0)->Arg(12345)->Arg(250000)->Arg(777777)->Arg(1500000)->Unit(benchmark::kMillisecond);

}  // namespace
