#include "app/LateStart.h"

#include <new>

#include "base/Fatal.h"
#include "app/LateStartCounter.h"
#include "app/MainLoop.h"
#include "stage/OfflineShow.h"
#include "base/QuitRequest.h"
#include "stage/SimulatedRun.h"
#include "display/Screen.h"
#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "show/LockstepMusic.h"

namespace {
constexpr const char* NO_MUSIC = "ehmzz.. keine Daten";

// Runs the show unseen up to the music's row at or after `startMicros`, places the music there and
// returns the show time (whole ms) to go live at.
std::uint32_t fastForward(Show& show, LateStartCounter& counter, std::int64_t startMicros) {
  std::vector<std::uint8_t> module;
  const FrameTiming timing;
  LockstepMusic music(timing);
  if (!readWholeFile(assetPath("zod.xm"), module) || !music.open(module)) {
    // The player's own load has reported it already.
    if (!quitRequested()) showFatal(NO_MUSIC);
    return 0;
  }
  const auto wanted = static_cast<std::uint64_t>(startMicros * SAMPLE_RATE / 1000000);
  const auto landed = static_cast<std::int64_t>(show.engine().music().seek(wanted));
  // Frames that start before the landing row; its events come with the live music.
  SimulatedRun run(show, counter.simulated(), timing, &music);
  std::vector<Pixel> scratch(SCREEN_PIXELS, 0);
  while (timing.firstSample(run.frameIndex()) < landed && !run.over()) run.step(scratch.data(), false);
  return static_cast<std::uint32_t>(landed * 1000 / SAMPLE_RATE);
}
}  // namespace

int runShowFrom(Platform& platform, const ShowOptions& options, std::int64_t startMicros) {
  try {
    Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    platform.window.focus();
    LateStartCounter counter(platform.counter);
    ShowOptions quiet = options;
    quiet.startMusic = false;
    Show show(counter, quiet);
    std::uint32_t liveFromMs = 0;
    if (options.startMusic && !quitRequested()) {
      show.engine().music().load("zod.xm");
      if (!quitRequested()) liveFromMs = fastForward(show, counter, startMicros);
    }
    counter.goLive(liveFromMs);
    if (options.startMusic) show.engine().music().play();
    runMessageLoop(platform.window, screen, show.engine(), platform.loop);
  } catch (const std::bad_alloc&) {
    showFatal(OUT_OF_MEMORY);
  }
  return fatalReported() ? 1 : 0;
}
