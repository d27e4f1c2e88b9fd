// Going to a moment of the show: `zod still T`, `zod --start T` up to its first live frame and
// `zod capture --from T` up to its first encoded frame, for T = 1:00, 12:00 and 25:00. Each runs
// as the program does, start-up (pictures, tables, the cue table's silent pass) included; the
// wall time is the figure. BM_CueTable is the silent pass through the song alone; BM_SeekAgain is
// a seek key's work once the table is known; BM_StudySeek the study mode's seek to an exact frame
// once started, and BM_StudyStep its step a frame on.
// Needs the generated assets (the show's pictures and music).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "app/LateStart.h"
#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "base/QuitRequest.h"
#include "capture/Capture.h"
#include "platform/HeadlessDisplay.h"
#include "platform/HeadlessWindow.h"
#include "show/CueTable.h"
#include "show/MusicPlayer.h"
#include "stage/ShowScenes.h"
#include "stage/SimulatedRun.h"
#include "stage/StudyShow.h"

namespace {
const char* const MOMENTS[] = {"1:00", "12:00", "25:00"};
constexpr std::int64_t MOMENT_MICROS[] = {60000000LL, 720000000LL, 1500000000LL};

std::string scratchPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

void BM_CueTable(benchmark::State& state) {
  std::vector<std::uint8_t> module;
  if (!readWholeFile(std::string(ZOD_ASSET_DIR) + "/" + MUSIC_FILE, module)) {
    state.SkipWithError("no music module");
    return;
  }
  for (auto _ : state) {
    CueTable table;
    benchmark::DoNotOptimize(table.compute(module));
    state.counters["cues"] = static_cast<double>(table.cues().size());
  }
}
BENCHMARK(BM_CueTable)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SeekStill(benchmark::State& state) {
  StillOptions options;
  options.time = MOMENTS[state.range(0)];
  options.outPath = scratchPath("zod-seek-bench.png");
  options.assetDir = ZOD_ASSET_DIR;
  for (auto _ : state) {
    std::filesystem::remove(options.outPath);
    std::ostringstream out, err;
    if (runStill(options, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
  }
  state.SetLabel(options.time);
  std::filesystem::remove(options.outPath);
}
BENCHMARK(BM_SeekStill)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The live start on a headless window and a silent sound device, ended by Escape after the first
// live frame.
void BM_SeekLateStart(benchmark::State& state) {
  setAssetDirectory(ZOD_ASSET_DIR);
  for (auto _ : state) {
    clearQuitRequest();
    HeadlessWindow window;
    HeadlessDisplay display;
    ManualMillisecondCounter live(0, 0);
    Platform platform{window, display, live};
    window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
    ShowOptions options;
    if (runShowFrom(platform, options, MOMENT_MICROS[state.range(0)]) != 0 || display.presentedFrames != 1) {
      state.SkipWithError("the late start did not show its first frame");
      return;
    }
  }
  clearQuitRequest();
  state.SetLabel(MOMENTS[state.range(0)]);
}
BENCHMARK(BM_SeekLateStart)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a seek key costs up to its first frame, the table learnt at the start being kept: a fresh
// show (pictures, tables), the module read again, the unseen run up to T and the music placed there.
void BM_SeekAgain(benchmark::State& state) {
  setAssetDirectory(ZOD_ASSET_DIR);
  std::vector<std::uint8_t> module;
  CueTable cues;
  if (!readWholeFile(std::string(ZOD_ASSET_DIR) + "/" + MUSIC_FILE, module) || !cues.compute(module)) {
    state.SkipWithError("no music module");
    return;
  }
  const FrameTiming timing;
  const auto wanted = static_cast<std::uint64_t>(MOMENT_MICROS[state.range(0)] * SAMPLE_RATE / 1000000);
  for (auto _ : state) {
    clearQuitRequest();
    ManualMillisecondCounter counter;
    ShowOptions options;
    options.startMusic = false;
    Show show(counter, options);
    show.engine().music().load(MUSIC_FILE, &cues);
    const auto landed = static_cast<std::int64_t>(std::max(show.engine().music().seek(wanted), wanted));
    SimulatedRun run(show, counter, timing, nullptr);
    if (!run.skipTo(timing.firstFrameFromSample(landed), cues)) {
      state.SkipWithError("the show ended before the moment");
      return;
    }
  }
  clearQuitRequest();
  state.SetLabel(MOMENTS[state.range(0)]);
}
BENCHMARK(BM_SeekAgain)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The study mode's show on the generated assets, its cues learnt; null (the benchmark skipped) when
// the music cannot be read.
std::unique_ptr<StudyShow> studyShow(benchmark::State& state) {
  setAssetDirectory(ZOD_ASSET_DIR);
  ShowScenes scenes;
  std::string error;
  if (!learnShowScenes(scenes, error)) {
    state.SkipWithError(error.c_str());
    return nullptr;
  }
  return std::make_unique<StudyShow>(scenes.cues);
}

// The study mode's seek after its start-up: a fresh show with the cues kept, the unseen run to the
// moment's frame on the 60 fps grid and that frame drawn.
void BM_StudySeek(benchmark::State& state) {
  const std::unique_ptr<StudyShow> studied = studyShow(state);
  if (!studied) return;
  StudyShow& study = *studied;
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const std::int64_t target = FrameTiming().frameAt(MOMENT_MICROS[state.range(0)]);
  if (!study.show(0, frame.data())) {
    state.SkipWithError("the show did not start");
    return;
  }
  // The frame shown already, or one after it: either way a fresh show.
  for (auto _ : state) {
    if (!study.show(target, frame.data())) {
      state.SkipWithError("the show ended before the moment");
      return;
    }
  }
  clearQuitRequest();
  state.SetLabel(MOMENTS[state.range(0)]);
}
BENCHMARK(BM_StudySeek)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A step a frame on in the study mode: one more frame run and drawn.
void BM_StudyStep(benchmark::State& state) {
  const std::unique_ptr<StudyShow> studied = studyShow(state);
  if (!studied) return;
  StudyShow& study = *studied;
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const std::int64_t start = FrameTiming().frameAt(MOMENT_MICROS[state.range(0)]);
  std::int64_t next = start;
  if (!study.show(next++, frame.data())) {
    state.SkipWithError("the show did not reach the moment");
    return;
  }
  for (auto _ : state) {
    if (study.show(next++, frame.data())) continue;
    // Past the show's end (from 25:00 it comes within a second of steps): back to the moment, untimed.
    state.PauseTiming();
    next = start;
    const bool back = study.show(next++, frame.data());
    state.ResumeTiming();
    if (!back) {
      state.SkipWithError("the show did not reach the moment again");
      return;
    }
  }
  clearQuitRequest();
  state.SetLabel(MOMENTS[state.range(0)]);
}
BENCHMARK(BM_StudyStep)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A capture of one frame from T: start-up, the skip, and one frame through H.264.
void BM_SeekCapture(benchmark::State& state) {
  CaptureOptions options;
  options.outPath = scratchPath("zod-seek-bench.mp4");
  options.from = MOMENTS[state.range(0)];
  options.to = options.from + ".016";
  options.assetDir = ZOD_ASSET_DIR;
  options.progress = false;
  for (auto _ : state) {
    std::filesystem::remove(options.outPath);
    std::ostringstream out, err;
    if (runCapture(options, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
  }
  state.SetLabel(options.from);
  std::filesystem::remove(options.outPath);
}
BENCHMARK(BM_SeekCapture)->DenseRange(0, 2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
