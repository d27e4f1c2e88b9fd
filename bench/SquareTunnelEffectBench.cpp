#include <benchmark/benchmark.h>

#include <vector>

#include "LatticeSceneBenchAssets.h"
#include "effects/SquareTunnelEffect.h"

namespace {

SquareTunnelEffect& squareTunnelEffect() {
  static SquareTunnelEffect* effect = [] {
    useLatticeSceneAssets();
    auto* e = new SquareTunnelEffect;
    e->init();
    return e;
  }();
  return *effect;
}

// One whole frame at the show time given in milliseconds; the second argument selects the glow.
void BM_SquareTunnelEffectFrame(benchmark::State& state) {
  SquareTunnelEffect& effect = squareTunnelEffect();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const auto timeMs = static_cast<float>(state.range(0));
  const bool glow = state.range(1) != 0;
  if (glow) effect.onSync(2, timeMs);
  for (auto _ : state) {
    effect.render(frame.data(), timeMs);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  if (glow) effect.onSync(2, timeMs);
  reportFrameCounters(state, FRAME_PIXELS);
}
BENCHMARK(BM_SquareTunnelEffectFrame)
    ->Args({0, 0})
    ->Args({3333, 0})
    ->Args({250000, 0})
    ->Args({777777, 1})
    ->Args({1500000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
