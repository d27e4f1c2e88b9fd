#include <benchmark/benchmark.h>

#include <vector>

#include "bench/EffectBench.h"
#include "effects/HeartEffect.h"

namespace {

// One whole frame at the show time given in milliseconds; every frame of the run starts both
// jumps again, so the side halves are drawn raised as well as at rest.
void BM_HeartEffectFrame(benchmark::State& state) {
  HeartEffect& effect = preparedEffect<HeartEffect>();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const auto timeMs = static_cast<float>(state.range(0));
  for (auto _ : state) {
    if (state.range(1) != 0) effect.onSync(2, timeMs);
    effect.render(frame.data(), timeMs);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  addFrameCounters(state);
}
BENCHMARK(BM_HeartEffectFrame)
    ->Args({60000, 0})
    ->Args({95432, 1})
    ->Args({300000, 0})
    ->Args({777777, 1})
    ->Args({1500000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
