#include <benchmark/benchmark.h>

#include "bench/EffectBench.h"
#include "effects/SquareTunnelEffect.h"

namespace {

// One whole frame at the show time given in milliseconds; the second argument selects the glow,
// which is switched off again afterwards because the effect is shared between runs.
void BM_SquareTunnelEffectFrame(benchmark::State& state) {
  SquareTunnelEffect& effect = preparedEffect<SquareTunnelEffect>();
  const auto timeMs = static_cast<float>(state.range(0));
  const bool glow = state.range(1) != 0;
  if (glow) effect.onSync(2, timeMs);
  benchFrames(state, effect, timeMs);
  if (glow) effect.onSync(2, timeMs);
}
BENCHMARK(BM_SquareTunnelEffectFrame)
    ->Args({0, 0})
    ->Args({3333, 0})
    ->Args({250000, 0})
    ->Args({777777, 1})
    ->Args({1500000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
