#include <benchmark/benchmark.h>

#include "bench/EffectBench.h"
#include "effects/SphereEffect.h"

namespace {

// One whole frame at the show time given in milliseconds.
void BM_SphereEffectFrame(benchmark::State& state) {
  benchFrames(state, preparedEffect<SphereEffect>(), static_cast<float>(state.range(0)));
}
BENCHMARK(BM_SphereEffectFrame)->Arg(0)->Arg(260000)->Arg(300123)->Arg(1352000)->Arg(1400000)->Unit(benchmark::kMillisecond);

}  // namespace
