// Each SIMD path of the toolkit against its portable twin, over the work of one frame, so that a
// path is kept only where it pays.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "FrameCounters.h"
#include "render/KeyedCopy.h"
#include "render/LightRayBlend.h"
#include "render/Pixel.h"
#include "render/TexelShading.h"

namespace {

std::vector<std::uint32_t> noise(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> values(n);
  for (auto& v : values) v = random();
  return values;
}

template <bool Portable>
void BM_ShadeTexels(benchmark::State& state) {
  const std::vector<Pixel> texture = noise(TEXTURE_PIXELS, 1);
  std::vector<std::int32_t> u(FRAME_WIDTH), v(FRAME_WIDTH), shade(FRAME_WIDTH);
  for (int x = 0; x < FRAME_WIDTH; ++x) {
    u[x] = x * 3;
    v[x] = x / 2;
    shade[x] = x % 300;
  }
  std::vector<Pixel> frame(FRAME_PIXELS);
  for (auto _ : state) {
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
      const auto shadeRow = Portable ? shadeTexelsPortable : shadeTexels;
      shadeRow(frame.data() + y * FRAME_WIDTH, u.data(), v.data(), shade.data(), FRAME_WIDTH, texture.data(),
               static_cast<std::uint32_t>(y), false);
    }
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
BENCHMARK(BM_ShadeTexels<false>)->Name("BM_ShadeTexels");
BENCHMARK(BM_ShadeTexels<true>)->Name("BM_ShadeTexelsPortable");

template <bool Portable>
void BM_CopyKeyed(benchmark::State& state) {
  std::vector<Pixel> picture = noise(FRAME_PIXELS, 2);
  for (std::size_t i = 0; i < picture.size(); i += 3) picture[i] = TRANSPARENT_KEY;
  std::vector<Pixel> frame(FRAME_PIXELS);
  for (auto _ : state) {
    (Portable ? copyKeyedRunPortable : copyKeyedRun)(frame.data(), picture.data(), FRAME_PIXELS);
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
BENCHMARK(BM_CopyKeyed<false>)->Name("BM_CopyKeyed");
BENCHMARK(BM_CopyKeyed<true>)->Name("BM_CopyKeyedPortable");

template <bool Portable>
void BM_AddSaturated(benchmark::State& state) {
  const std::vector<Pixel> picture = noise(FRAME_PIXELS, 3);
  std::vector<Pixel> frame = noise(FRAME_PIXELS, 4);
  for (auto _ : state) {
    (Portable ? addSaturatedRunPortable : addSaturatedRun)(frame.data(), picture.data(), FRAME_PIXELS);
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
BENCHMARK(BM_AddSaturated<false>)->Name("BM_AddSaturated");
BENCHMARK(BM_AddSaturated<true>)->Name("BM_AddSaturatedPortable");

// The light rays' smear over a 332 x 280 picture, every row sampling the row above.
template <bool Portable>
void BM_SmearRows(benchmark::State& state) {
  constexpr int W = 332;
  constexpr int H = 280;
  std::vector<WidePixel> picture(static_cast<std::size_t>(W) * (H + 2));
  const std::vector<Pixel> source = noise(picture.size(), 5);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = widen(source[i] & 0x00FFFFFF);
  std::vector<std::int32_t> columns(W);
  std::vector<LaneWeights> first(W), second(W);
  for (int m = 0; m < W; ++m) {
    columns[m] = m > 0 ? m - 1 : 0;
    first[m] = firstColumnWeights(static_cast<std::uint32_t>(m % 256));
    second[m] = secondColumnWeights(static_cast<std::uint32_t>(m % 256));
  }
  const LaneWeights rows = rowWeights(77);
  for (auto _ : state) {
    for (int k = 1; k <= H; ++k) {
      WidePixel* row = picture.data() + k * W;
      (Portable ? smearRowPortable : smearRow)(row, row - W, row, W - 1, -1, W, columns.data(), +1, first.data(),
                                               second.data(), rows);
    }
    benchmark::DoNotOptimize(picture.data());
  }
  addFrameCounters(state);
}
BENCHMARK(BM_SmearRows<false>)->Name("BM_SmearRows");
BENCHMARK(BM_SmearRows<true>)->Name("BM_SmearRowsPortable");

}  // namespace

namespace {

// Widening a frame's worth of pixels and narrowing them back; the portable twin is the one-pixel
// form the SSE2 runs leave their tails to.
template <bool Portable>
void BM_WidenNarrow(benchmark::State& state) {
  const std::vector<Pixel> source = noise(FRAME_PIXELS, 6);
  std::vector<WidePixel> wide(FRAME_PIXELS);
  std::vector<Pixel> back(FRAME_PIXELS);
  for (auto _ : state) {
    if constexpr (Portable) {
      for (int i = 0; i < FRAME_PIXELS; ++i) wide[i] = widen(source[i]);
      benchmark::DoNotOptimize(wide.data());
      for (int i = 0; i < FRAME_PIXELS; ++i) back[i] = narrow(wide[i]);
    } else {
      widenPixels(wide.data(), source.data(), FRAME_PIXELS);
      benchmark::DoNotOptimize(wide.data());
      narrowPixels(back.data(), wide.data(), FRAME_PIXELS);
    }
    benchmark::DoNotOptimize(back.data());
  }
  addFrameCounters(state);
}
BENCHMARK(BM_WidenNarrow<false>)->Name("BM_WidenNarrow");
BENCHMARK(BM_WidenNarrow<true>)->Name("BM_WidenNarrowPortable");

}  // namespace
