#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/EffectBench.h"
#include "effects/TunnelEffect.h"
#include "render/TunnelRow.h"

namespace {

// One frame at a show time given in milliseconds.
void BM_TunnelRender(benchmark::State& state) {
  TunnelEffect& effect = preparedEffect<TunnelEffect>();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const float t = static_cast<float>(state.range(0)) + 0.25f;
  for (auto _ : state) {
    effect.render(frame.data(), t);
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
BENCHMARK(BM_TunnelRender)->Arg(0)->Arg(1000)->Arg(454321)->Arg(632000)->Arg(1084000)->Unit(benchmark::kMillisecond);

// The tunnel pass alone with each row version, at the show time 454321 ms.
void tunnelPass(benchmark::State& state, void (*drawRow)(Pixel*, const TunnelWindows&, const Pixel*)) {
  std::vector<std::int32_t> distance(TunnelEffect::TABLE_ENTRIES);
  std::vector<std::int32_t> angle(TunnelEffect::TABLE_ENTRIES);
  TunnelEffect::fillTables(distance.data(), angle.data());
  std::vector<Pixel> texture(TEXTURE_PIXELS, 0x00808080);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const TunnelEffect::WindowOffsets w = TunnelEffect::windowOffsets(454321);
  for (auto _ : state) {
    TunnelWindows windows;
    for (int n = 0; n < TunnelEffect::WINDOWS; ++n) {
      const std::ptrdiff_t start = TunnelEffect::CENTRED_WINDOW + w.column[n] + TunnelEffect::TABLE_WIDTH * w.row[n];
      windows.distance[n] = distance.data() + start;
      windows.angle[n] = angle.data() + start;
    }
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
      drawRow(frame.data() + y * FRAME_WIDTH, windows, texture.data());
      for (int n = 0; n < TunnelEffect::WINDOWS; ++n) {
        windows.distance[n] += TunnelEffect::TABLE_WIDTH;
        windows.angle[n] += TunnelEffect::TABLE_WIDTH;
      }
    }
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
void BM_TunnelPassPortable(benchmark::State& state) { tunnelPass(state, tunnelRowPortable); }
// The build's path: AVX2 where it has it, else the portable one again.
void BM_TunnelPass(benchmark::State& state) { tunnelPass(state, tunnelRow); }
BENCHMARK(BM_TunnelPassPortable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TunnelPass)->Unit(benchmark::kMillisecond);

// Start-up cost: filling the two tables, and the whole init with its two pictures.
void BM_TunnelFillTables(benchmark::State& state) {
  std::vector<std::int32_t> distance(TunnelEffect::TABLE_ENTRIES);
  std::vector<std::int32_t> angle(TunnelEffect::TABLE_ENTRIES);
  for (auto _ : state) {
    TunnelEffect::fillTables(distance.data(), angle.data());
    benchmark::DoNotOptimize(angle.data());
  }
}
BENCHMARK(BM_TunnelFillTables)->Unit(benchmark::kMillisecond);

void BM_TunnelInit(benchmark::State& state) {
  preparedEffect<TunnelEffect>();
  for (auto _ : state) {
    auto effect = std::make_unique<TunnelEffect>();
    effect->init();
    benchmark::DoNotOptimize(effect.get());
  }
}
BENCHMARK(BM_TunnelInit)->Unit(benchmark::kMillisecond);

}  // namespace
