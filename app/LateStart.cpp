#include "app/LateStart.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

#include "app/LateStartCounter.h"
#include "app/MainLoop.h"
#include "base/Fatal.h"
#include "base/InterruptFlag.h"
#include "base/QuitRequest.h"
#include "base/TimeArguments.h"
#include "display/Screen.h"
#include "show/CueTable.h"
#include "show/MusicPlayer.h"
#include "stage/SimulatedRun.h"

namespace {
constexpr int PAST_THE_END = 2;

enum class Outcome { Reached, Left, PastTheEnd };

// Runs the show unseen up to the music's row at or after `startMicros`, with the cues from the
// loaded module's table, and places the music there; `liveFromMs` is the show time (whole ms) to go
// live at. Escape, closing the window and Ctrl+C end it at once; a long one shows its progress.
Outcome fastForward(Platform& platform, Show& show, LateStartCounter& counter, std::int64_t startMicros,
                    std::uint32_t& liveFromMs, float& endMs) {
  // The player's load has read the module and its cues, or reported why not.
  const CueTable& cues = show.engine().music().cues();
  const FrameTiming timing;
  const auto wanted = static_cast<std::uint64_t>(startMicros * SAMPLE_RATE / 1000000);
  // Past the song's end the seek stays at its end; the show goes on in silence to T.
  const auto landed = static_cast<std::int64_t>(std::max(show.engine().music().seek(wanted), wanted));
  // Frames that start before the landing row; its events come with the live music.
  const std::int64_t target = timing.firstFrameFromSample(landed);

  InterruptFlag interrupt;
  bool left = false;
  const auto started = std::chrono::steady_clock::now();
  auto lastReport = started;
  SimulatedRun run(show, counter.simulated(), timing, nullptr);
  const bool reached = run.skipTo(target, cues, [&] {
    WindowEvent event;
    while (platform.window.pollEvent(event)) {
      // Other keys would repeat a cue, which the show up to the start has not seen.
      if (event.kind == WindowEvent::Kind::Destroyed || event.key == KEY_ESCAPE) left = true;
    }
    if (interrupt.raised()) left = true;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport > std::chrono::seconds(1)) {
      lastReport = now;
      std::fprintf(stderr, "\rzod: going to %s: %d%%", formatShowTime(startMicros / 1000.0).c_str(),
                   static_cast<int>(100 * run.frameIndex() / std::max<std::int64_t>(target, 1)));
    }
    return !left;
  });
  if (lastReport != started) std::fprintf(stderr, "\n");
  endMs = run.timeMs();
  if (left) {
    postQuitRequest();
    return Outcome::Left;
  }
  if (!reached) return quitRequested() && run.frameIndex() < target ? Outcome::PastTheEnd : Outcome::Left;
  liveFromMs = static_cast<std::uint32_t>(landed * 1000 / SAMPLE_RATE);
  return Outcome::Reached;
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
      show.engine().music().load(MUSIC_FILE);
      float endMs = 0.0f;
      if (!quitRequested() &&
          fastForward(platform, show, counter, startMicros, liveFromMs, endMs) == Outcome::PastTheEnd) {
        std::fprintf(stderr, "zod: --start %s is past the end of the show (%s)\n",
                     formatShowTime(startMicros / 1000.0).c_str(), formatShowTime(endMs).c_str());
        return PAST_THE_END;
      }
      if (quitRequested()) return 0;
    }
    counter.goLive(liveFromMs);
    if (options.startMusic) show.engine().music().play();
    runMessageLoop(platform.window, screen, show.engine(), platform.loop);
  } catch (const std::bad_alloc&) {
    showFatal(OUT_OF_MEMORY);
  }
  return fatalReported() ? 1 : 0;
}
