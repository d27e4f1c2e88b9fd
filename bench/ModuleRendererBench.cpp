// Module rendering with row tracking, against libopenmpt reading alone: the price of stamping
// every row to the sample. Reported as frames per second (x 44100 = times real time).
#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <vector>

#include "show/ModuleRenderer.h"
#include "tools/xm/XmWriter.h"

namespace {

// A busy module: every channel plays a looped sine from row 0, a Zxx every fourth row.
std::vector<std::uint8_t> busyModule(int channels) {
  xm::XmModule song;
  song.channels = channels;
  song.speed = 3;
  song.bpm = 150;
  song.patterns.emplace_back(64, channels);
  for (int c = 0; c < channels; ++c) song.patterns[0].at(0, c) = {.note = xm::note(3 + c % 4, c % 12), .instrument = 1};
  for (int row = 0; row < 64; row += 4) song.patterns[0].at(row, row % channels) = {.effect = xm::EFFECT_Z, .param = 2};
  song.orders.assign(8, 0);
  xm::Sample sine;
  for (int i = 0; i < 256; ++i) sine.pcm.push_back(static_cast<std::int16_t>(8000 * std::sin(i * 6.2831853 / 256)));
  sine.loop = xm::Loop::Forward;
  sine.loopLength = 256;
  xm::Instrument instrument;
  instrument.samples.push_back(sine);
  song.instruments.push_back(instrument);
  return xm::writeXm(song);
}

struct Count : ModuleRenderer::EventSink {
  std::uint64_t events = 0;
  void onZxxEvent(std::uint64_t, std::uint8_t) override { ++events; }
};

void BM_ModuleRenderer(benchmark::State& state) {
  const std::vector<std::uint8_t> module = busyModule(static_cast<int>(state.range(0)));
  std::vector<float> buffer(2 * 735);  // one 60 fps frame of sound
  std::uint64_t frames = 0;
  for (auto _ : state) {
    ModuleRenderer renderer;
    renderer.open(module);
    Count count;
    while (renderer.render(buffer.data(), 735, count) == 735) {
    }
    frames += renderer.renderedFrames();
    benchmark::DoNotOptimize(count.events);
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ModuleRenderer)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_LibopenmptAlone(benchmark::State& state) {
  const std::vector<std::uint8_t> module = busyModule(static_cast<int>(state.range(0)));
  std::vector<float> buffer(2 * 256);
  std::uint64_t frames = 0;
  for (auto _ : state) {
    openmpt_module* mod = openmpt_module_create_from_memory2(module.data(), module.size(), nullptr, nullptr,
                                                            nullptr, nullptr, nullptr, nullptr, nullptr);
    openmpt_module_ctl_set_text(mod, "play.at_end", "stop");
    std::size_t got;
    while ((got = openmpt_module_read_interleaved_float_stereo(mod, 44100, 256, buffer.data())) == 256) frames += got;
    frames += got;
    openmpt_module_destroy(mod);
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LibopenmptAlone)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
