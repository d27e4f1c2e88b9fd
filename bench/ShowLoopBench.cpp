// The cost of the show's own machinery around the effects: presenting a frame, one sequencer step,
// and hashing a frame for the golden tests.

#include <benchmark/benchmark.h>

#include <vector>

#include "lab/Lab.h"
#include "platform/HeadlessDisplay.h"
#include "display/Screen.h"
#include "show/Sequencer.h"

namespace {

class NoEffect final : public Effect {
 public:
  void init() override {}
  void render(Pixel*, float) override {}
  void onSync(std::int32_t, float) override {}
};

void BM_ScreenPresent(benchmark::State& state) {
  HeadlessDisplay display;
  Screen screen(display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
  for (auto _ : state) {
    screen.present();
    benchmark::DoNotOptimize(display.surface()[52 * FRAME_WIDTH]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * FRAME_BYTES);
}
BENCHMARK(BM_ScreenPresent);

void BM_SequencerStep(benchmark::State& state) {
  NoEffect effect;
  Sequencer sequencer;
  for (int i = 0; i < SEQUENCER_CAPACITY; ++i) sequencer.append(&effect, 1e9f);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  float t = 0.0f;
  for (auto _ : state) {
    sequencer.runFrame(frame.data(), t);
    t += 1.0f;
  }
}
BENCHMARK(BM_SequencerStep);

void BM_FrameHash(benchmark::State& state) {
  std::vector<Pixel> frame(SCREEN_PIXELS, 0x00123456u);
  for (auto _ : state) benchmark::DoNotOptimize(frameHash(frame.data()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * FRAME_BYTES);
}
BENCHMARK(BM_FrameHash);

}  // namespace
