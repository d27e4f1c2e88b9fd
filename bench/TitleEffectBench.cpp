#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/BenchAssets.h"
#include "bench/FrameCounters.h"
#include "effects/TitleEffect.h"
#include "render/TitleRow.h"

namespace {

// One frame at a show time given in milliseconds, 300 ms after a sync event, so the title is
// swung away from upright.
void BM_TitleRender(benchmark::State& state) {
  useBenchAssets();
  TitleEffect effect;
  effect.init();
  const float t = static_cast<float>(state.range(0)) + 0.5f;
  effect.onSync(2, t - 300.0f);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  for (auto _ : state) {
    effect.render(frame.data(), t);
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
// Zoom near 1.5 (0), near 0.5 (2092), in the first title scene, and later ones.
BENCHMARK(BM_TitleRender)->Arg(0)->Arg(2092)->Arg(45000)->Arg(900000)->Arg(1300000)->Unit(benchmark::kMillisecond);

void BM_TitleInit(benchmark::State& state) {
  useBenchAssets();
  for (auto _ : state) {
    TitleEffect effect;
    effect.init();
    benchmark::DoNotOptimize(&effect);
  }
}
BENCHMARK(BM_TitleInit)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The row versions alone over a whole frame, with the title swung and half of it black.
void titleRows(benchmark::State& state, void (*drawRow)(Pixel*, const TitleRowInputs&)) {
  std::vector<Pixel> title(TEXTURE_PIXELS);
  for (int i = 0; i < TEXTURE_PIXELS; ++i) title[i] = (i / 256 + i % 256) % 64 < 32 ? 0x00406080u + (i & 0x3F) : 0u;
  std::vector<Pixel> textureA(TEXTURE_PIXELS, 0x00302010);
  std::vector<Pixel> textureB(TEXTURE_PIXELS, 0x00102030);
  std::vector<Pixel> slide(FRAME_PIXELS, 0x00080808);
  std::vector<std::uint32_t> columns(4 * FRAME_WIDTH);
  for (int i = 0; i < 4 * FRAME_WIDTH; ++i) columns[i] = static_cast<std::uint32_t>(i * 37 % 251);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  TitleRowInputs in{};
  in.titleImage = title.data();
  in.textureA = textureA.data();
  in.textureB = textureB.data();
  in.greyOfColumn = columns.data();
  in.rowAOfColumn = columns.data() + FRAME_WIDTH;
  in.rowBOfColumn = columns.data() + 2 * FRAME_WIDTH;
  in.columnBOfColumn = columns.data() + 3 * FRAME_WIDTH;
  in.rs = 0.4;
  in.rc = 1.1;
  for (auto _ : state) {
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
      in.slideRow = slide.data() + y * FRAME_WIDTH;
      in.rowA = static_cast<std::uint32_t>(y * 3);
      in.columnA = static_cast<std::uint32_t>(y * 5);
      in.rowB = static_cast<std::uint32_t>(y * 7);
      in.columnB = static_cast<std::uint32_t>(y * 11);
      in.y = y - FRAME_HEIGHT / 2;
      drawRow(frame.data() + y * FRAME_WIDTH, in);
    }
    benchmark::DoNotOptimize(frame.data());
  }
  addFrameCounters(state);
}
void BM_TitleRowsPortable(benchmark::State& state) { titleRows(state, titleRowPortable); }
// The build's path: AVX2 where it has it, else the portable one again.
void BM_TitleRows(benchmark::State& state) { titleRows(state, titleRow); }
BENCHMARK(BM_TitleRowsPortable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleRows)->Unit(benchmark::kMillisecond);

}  // namespace
