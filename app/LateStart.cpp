#include "app/LateStart.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

#include "app/LateStartCounter.h"
#include "app/MainLoop.h"
#include "app/StudyMode.h"
#include "base/Fatal.h"
#include "base/InterruptFlag.h"
#include "base/QuitRequest.h"
#include "base/TimeArguments.h"
#include "display/Screen.h"
#include "show/CueTable.h"
#include "show/MusicPlayer.h"
#include "stage/ShowScenes.h"
#include "stage/SimulatedRun.h"

namespace {
constexpr int PAST_THE_END = 2;

enum class Outcome { Reached, Left, PastTheEnd, SentOn };

// Runs the show unseen up to the music's row at or after `goalMicros`, with the cues from the
// loaded module's table, and places the music there; `liveFromMs` is the show time (whole ms) to go
// live at. Escape, closing the window and Ctrl+C end it at once. Seek keys pressed meanwhile move
// the goal: on ahead, the run carries on to it (and `goalMicros` says where); back, it ends for a
// fresh run (SentOn). A long one shows its progress.
Outcome fastForward(Window& window, const LoopSettings& settings, Show& show, LateStartCounter& counter,
                    std::int64_t& goalMicros, std::uint32_t& liveFromMs, float& endMs) {
  // The player's load has read the module and its cues, or reported why not.
  const CueTable& cues = show.engine().music().cues();
  const FrameTiming timing;
  InterruptFlag interrupt;
  bool left = false;
  bool sentOn = false;
  const auto started = std::chrono::steady_clock::now();
  auto lastReport = started;
  SimulatedRun run(show, counter.simulated(), timing, nullptr);
  for (;;) {
    const auto wanted = static_cast<std::uint64_t>(goalMicros * SAMPLE_RATE / 1000000);
    // Past the song's end the seek stays at its end; the show goes on in silence to T.
    const auto landed = static_cast<std::int64_t>(std::max(show.engine().music().seek(wanted), wanted));
    // Frames that start before the landing row; its events come with the live music.
    const std::int64_t target = timing.firstFrameFromSample(landed);
    const auto keepGoing = [&] {
      WindowEvent event;
      while (window.pollEvent(event)) {
        // Other keys would repeat a cue, which the show up to the start has not seen.
        if (event.kind == WindowEvent::Kind::Destroyed || event.key == KEY_ESCAPE) left = true;
        if (event.kind == WindowEvent::Kind::KeyDown)
          takeSeekOrSoundKey(event.key, static_cast<float>(goalMicros / 1000), show.engine(), settings);
      }
      if (interrupt.raised()) left = true;
      if (settings.seeks && settings.seeks->pending() && settings.seeks->toMicros() != goalMicros) sentOn = true;
      const auto now = std::chrono::steady_clock::now();
      if (now - lastReport > std::chrono::seconds(1)) {
        lastReport = now;
        std::fprintf(stderr, "\rzod: going to %s: %d%%", formatShowTime(goalMicros / 1000.0).c_str(),
                     static_cast<int>(100 * run.frameIndex() / std::max<std::int64_t>(target, 1)));
      }
      return !left && !sentOn;
    };
    // The keys pressed since the last look are taken before going live, so they add to this seek.
    const bool reached = run.skipTo(target, cues, keepGoing) && keepGoing();
    if (!left && sentOn && timing.frameAt(settings.seeks->toMicros()) >= run.frameIndex()) {
      goalMicros = settings.seeks->toMicros();
      sentOn = false;
      continue;
    }
    if (lastReport != started) std::fprintf(stderr, "\n");
    endMs = run.timeMs();
    if (left) {
      postQuitRequest();
      return Outcome::Left;
    }
    if (sentOn) return Outcome::SentOn;
    if (!reached) return quitRequested() && run.frameIndex() < target ? Outcome::PastTheEnd : Outcome::Left;
    liveFromMs = static_cast<std::uint32_t>(landed * 1000 / SAMPLE_RATE);
    return Outcome::Reached;
  }
}
}  // namespace

int runShowFrom(Platform& platform, const ShowOptions& options, std::int64_t startMicros, bool study) {
  try {
    Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    platform.window.focus();
    SeekKeys seeks;
    InfoLine info;
    LoopSettings loop = platform.loop;
    // Shown or hidden, it stays so across seeks.
    loop.info = &info;
    loop.studyKey = true;
    // Where the study mode is to start (S while paused); below 0: it is not.
    std::int64_t studyFromMicros = study ? std::max<std::int64_t>(startMicros, 0) : -1;
    // Seeks need the music's cues to run the show up to their target.
    if (options.startMusic) loop.seeks = &seeks;
    std::int64_t from = startMicros;
    for (;;) {
      if (studyFromMicros >= 0) {
        const StudyEnd studied = runStudy(platform, screen, studyFromMicros, seeks);
        if (studied.kind != StudyEnd::Kind::PlayOn) return studied.kind == StudyEnd::Kind::Failed ? 1 : 0;
        studyFromMicros = -1;
        from = studied.fromMicros;
        // The pause held over the study ends here: the live show plays on, with its own line.
        if (loop.pausable) loop.pausable->resume();
        screen.showLine("");
      }
      LateStartCounter counter(platform.counter);
      const bool ordinary = from == FROM_THE_START;
      if (ordinary) counter.goLive(0);
      ShowOptions round = options;
      if (loop.sound) round.music.gain = loop.sound->gain();
      round.startMusic = ordinary && options.startMusic;
      Show show(counter, round);
      std::uint32_t liveFromMs = 0;
      if (!ordinary && options.startMusic && !quitRequested()) {
        show.engine().music().load(MUSIC_FILE, seeks.knowsScenes() ? &seeks.cues() : nullptr);
        if (!seeks.knowsScenes() && !quitRequested()) {
          const CueTable& cues = show.engine().music().cues();
          seeks.learnScenes(cues, walkShowScenes(cues));
        }
        float endMs = 0.0f;
        const Outcome outcome = quitRequested()
                                    ? Outcome::Left
                                    : fastForward(platform.window, loop, show, counter, from, liveFromMs, endMs);
        if (outcome == Outcome::PastTheEnd && from == startMicros) {
          std::fprintf(stderr, "zod: --start %s is past the end of the show (%s)\n",
                       formatShowTime(from / 1000.0).c_str(), formatShowTime(endMs).c_str());
          return PAST_THE_END;
        }
        if (outcome == Outcome::SentOn) {
          from = seeks.toMicros();
          continue;
        }
        if (outcome != Outcome::Reached || quitRequested()) break;
      }
      if (!ordinary) counter.goLive(liveFromMs);
      if (seeks.pending()) {
        if (loop.log)
          loop.log->seekAsked(static_cast<double>(seeks.fromMicros()) / 1000.0,
                              static_cast<double>(seeks.toMicros()) / 1000.0, seeks.askedAtMs());
        std::fprintf(stderr, "zod: went to %s (from %s)\n", formatShowTime(liveFromMs).c_str(),
                     formatShowTime(static_cast<double>(seeks.fromMicros()) / 1000.0).c_str());
        seeks.clear();
      }
      if (!ordinary && options.startMusic) {
        // A seek made while paused lands paused: the music waits with the clock.
        if (loop.pausable && loop.pausable->isPaused()) show.engine().music().setPaused(true);
        show.engine().music().play();
      }
      const LoopEnd end = runMessageLoop(platform.window, screen, show.engine(), loop);
      if (end == LoopEnd::Study) {
        studyFromMicros = static_cast<std::int64_t>(static_cast<double>(show.engine().clock().elapsedMs()) * 1000.0);
        // The live show and its sound end with this round, before the study's silent show starts.
        // Its run log has been finished with it.
        loop.log = nullptr;
        continue;
      }
      if (end != LoopEnd::Seek) return fatalReported() ? 1 : 0;
      from = seeks.toMicros();
    }
    // Left during a seek (Escape, or the show's end on the way): the log ends where the seek left.
    if (loop.log && loop.log->frames() > 0)
      finishRunLog(*loop.log, static_cast<float>(static_cast<double>(seeks.fromMicros()) / 1000.0),
                   seeks.sceneAt(seeks.fromMicros()));
  } catch (const std::bad_alloc&) {
    showFatal(OUT_OF_MEMORY);
  }
  return fatalReported() ? 1 : 0;
}
