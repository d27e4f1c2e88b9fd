#include <benchmark/benchmark.h>

#include "bench/EffectBench.h"
#include "effects/PlaneEffect.h"

namespace {

// One whole frame at the show time given in milliseconds.
void BM_PlaneEffectFrame(benchmark::State& state) {
  benchFrames(state, preparedEffect<PlaneEffect>(), static_cast<float>(state.range(0)));
}
BENCHMARK(BM_PlaneEffectFrame)->Arg(0)->Arg(12345)->Arg(250000)->Arg(777777)->Arg(1500000)->Unit(benchmark::kMillisecond);

}  // namespace
