#include "app/MainLoop.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/UserFolders.h"
#include "base/QuitRequest.h"
#include "base/TimeArguments.h"
#include "display/Letterbox.h"
#include "image/PngFile.h"
#include "stage/ShowScenes.h"

void handleWindowEvent(const WindowEvent& event, SyncMailbox& sync) {
  switch (event.kind) {
    case WindowEvent::Kind::Destroyed:
      postQuitRequest();
      break;
    case WindowEvent::Kind::KeyDown:
      if (event.key == KEY_ESCAPE)
        postQuitRequest();
      else if (!isProgramKey(event.key))
        sync.repeat();
      break;
  }
}

void runIdleTurn(Window& window, Screen& screen, Engine& engine, RunLog* log) {
  engine.turn(screen.frame());
  window.hideCursor();
  if (log) log->presentStarts();
  screen.present();
  if (log) log->presentEnds();
}

std::string writeScreenshot(const Pixel* frame, float timeMs, const std::string& folder, const ScreenOverlay* overlay) {
  std::vector<Pixel> screen(SCREEN_PIXELS);
  screenAsShown(frame, screen.data());
  if (overlay) overlay->draw(screen.data() + static_cast<std::ptrdiff_t>(LETTERBOX_ROWS) * FRAME_WIDTH, FRAME_WIDTH);
  const auto total = static_cast<long long>(std::max(0.0f, timeMs));
  // Zero-padded, so the files of one show sort by show time.
  char name[64];
  std::snprintf(name, sizeof name, "zod-%02lld.%02lld.%03lld.png", total / 60000, total / 1000 % 60, total % 1000);
  const std::string shownAt = formatShowTime(timeMs);
  const std::string path = folder.empty() ? std::string(name) : folder + "/" + name;
  std::string why;
  if (writePngFile(path, screen.data(), FRAME_WIDTH, SCREEN_HEIGHT, &why)) {
    std::fprintf(stderr, "zod: wrote %s (show time %s)\n", path.c_str(), shownAt.c_str());
    return path;
  }
  std::fprintf(stderr, "zod: cannot write %s in %s: %s\n", name, folder.empty() ? "the current folder" : folder.c_str(),
               why.c_str());
  // A show started from a folder it may not write in still keeps its screenshots.
  const std::string pictures = picturesFolder();
  if (pictures.empty()) return {};
  const std::string elsewhere = pictures + "/" + name;
  if (writePngFile(elsewhere, screen.data(), FRAME_WIDTH, SCREEN_HEIGHT, &why)) {
    std::fprintf(stderr, "zod: wrote %s instead (show time %s)\n", elsewhere.c_str(), shownAt.c_str());
    return elsewhere;
  }
  std::fprintf(stderr, "zod: cannot write %s either: %s\n", elsewhere.c_str(), why.c_str());
  return {};
}

namespace {

void setPaused(bool paused, Engine& engine, const LoopSettings& settings) {
  if (paused) {
    settings.pausable->pause();
    engine.music().setPaused(true);
  }
  // Both are read while still held: once the music runs again its thread may hand over a buffer
  // at once, and the report would show a pause that moved.
  engine.clock().update();
  const std::string showTime = formatShowTime(engine.clock().elapsedMs());
  const auto sample = static_cast<unsigned long long>(engine.music().handedFrames());
  if (!paused) {
    engine.music().setPaused(false);
    settings.pausable->resume();
  }
  std::fprintf(stderr, "zod: %s at show time %s, music at sample %llu\n", paused ? "paused" : "resumed",
               showTime.c_str(), sample);
}

bool isSoundKey(int key) { return key == KEY_VOLUME_UP || key == KEY_VOLUME_DOWN || key == KEY_MUTE; }

// Volume up or down a step, or mute on or off; false when the level stays as it was (+ at 100%).
bool changeSoundLevel(int key, SoundLevel& level) {
  const SoundLevel before = level;
  if (key == KEY_VOLUME_UP)
    level.volumePercent = std::min(100, level.volumePercent + SoundLevel::STEP_PERCENT);
  else if (key == KEY_VOLUME_DOWN)
    level.volumePercent = std::max(0, level.volumePercent - SoundLevel::STEP_PERCENT);
  else
    level.muted = !level.muted;
  return level.volumePercent != before.volumePercent || level.muted != before.muted;
}
}  // namespace

bool takeSeekOrSoundKey(int key, float shownAtMs, Engine& engine, const LoopSettings& settings) {
  if (isSeekKey(key)) {
    if (!settings.seeks) return true;
    // The first seek of a show started from its beginning waits here for the cues to be learnt,
    // if the pass that learns them has not finished yet.
    if (!settings.seeks->knowsScenes()) {
      const CueTable& cues = engine.music().cues();
      settings.seeks->learnScenes(cues, walkShowScenes(cues));
    }
    settings.seeks->press(seekKeyOf(key), static_cast<std::int64_t>(static_cast<double>(shownAtMs) * 1000.0),
                          settings.nowMs ? settings.nowMs() : 0.0);
    return true;
  }
  if (!isSoundKey(key)) return false;
  if (!settings.sound || !changeSoundLevel(key, *settings.sound)) return true;
  const SoundLevel& level = *settings.sound;
  engine.music().setGain(level.gain());
  if (settings.info) settings.info->soundChanged(settings.nowMs ? settings.nowMs() : 0.0);
  std::fprintf(stderr, "zod: volume %d%%%s\n", level.volumePercent, level.muted ? ", muted" : "");
  if (settings.log) settings.log->soundChanged(level.volumePercent, level.muted, shownAtMs);
  return true;
}

namespace {
// The line, when it is on, for the show time of the frame on screen.
void showInfoLine(Screen& screen, Engine& engine, const LoopSettings& settings) {
  InfoLine* info = settings.info;
  if (!info || !info->on) return;
  if (info->update(engine.clock().elapsedMs(), engine.sequencer().currentIndex(), &engine.music().cues(),
                   settings.sound, settings.nowMs ? settings.nowMs() : 0.0))
    screen.showLine(info->text());
}

void switchInfoLine(Screen& screen, Engine& engine, const LoopSettings& settings) {
  InfoLine& info = *settings.info;
  info.on = !info.on;
  screen.showLine("");
  // The display was told of the empty line: the next one is new to it even if its text is not.
  info.update(-1.0f, -1, nullptr, nullptr, 0.0);
  showInfoLine(screen, engine, settings);
}
}  // namespace

void runMessageLoop(Window& window, Screen& screen, Engine& engine) {
  runMessageLoop(window, screen, engine, LoopSettings{});
}

LoopEnd runMessageLoop(Window& window, Screen& screen, Engine& engine, const LoopSettings& settings) {
  WindowEvent event;
  // A seek made while paused lands paused, and its first frame is still to be drawn.
  bool paused = settings.pausable && settings.pausable->isPaused();
  bool heldFrameDrawn = !paused;
  LoopEnd end = LoopEnd::Quit;
  double nextFrameMs = -1.0;
  const double interval =
      settings.frameIntervalMs > 0.0 || !settings.displayInterval ? settings.frameIntervalMs : settings.displayInterval();
  const bool paced = interval > 0.0 && settings.sleepUntil && settings.nowMs;
  RunLog* log = settings.log;
  if (log) engine.sequencer().listen(log);
  for (;;) {
    if (window.pollEvent(event)) {
      if (event.kind == WindowEvent::Kind::KeyDown && event.key == KEY_PAUSE && settings.pausable) {
        paused = !paused;
        setPaused(paused, engine, settings);
        if (log) log->pauseChanged(paused, engine.clock().elapsedMs());
      } else if (event.kind == WindowEvent::Kind::KeyDown && event.key == KEY_SCREENSHOT && settings.screenshots) {
        const float shownAtMs = engine.clock().elapsedMs();
        const std::string written = writeScreenshot(screen.frame(), shownAtMs, settings.shotsFolder);
        if (log) log->screenshotTaken(shownAtMs, written);
      } else if (event.kind == WindowEvent::Kind::KeyDown && event.key == KEY_STUDY && paused && settings.studyKey) {
        end = LoopEnd::Study;
        break;
      } else if (event.kind == WindowEvent::Kind::KeyDown && event.key == KEY_INFORMATION && settings.info) {
        switchInfoLine(screen, engine, settings);
      } else if (event.kind == WindowEvent::Kind::KeyDown) {
        takeSeekOrSoundKey(event.key, engine.clock().elapsedMs(), engine, settings);
      }
      handleWindowEvent(event, engine.sync());
      continue;
    }
    // The quit message is taken only when nothing else waits, and so is a seek: the seek keys
    // still waiting add up into it.
    if (quitRequested()) break;
    if (settings.seeks && settings.seeks->pending()) {
      end = LoopEnd::Seek;
      break;
    }
    if (paced) {
      const double now = settings.nowMs();
      if (nextFrameMs > now) settings.sleepUntil(nextFrameMs);
      // A late frame moves the schedule on rather than rushing to catch up.
      nextFrameMs = std::max(nextFrameMs + interval, now);
    }
    if (paused && heldFrameDrawn) {
      // The picture stays as it is; presenting it again keeps the window drawn.
      showInfoLine(screen, engine, settings);
      window.hideCursor();
      screen.present();
      continue;
    }
    heldFrameDrawn = true;
    if (log) log->frameStarts();
    runIdleTurn(window, screen, engine, log);
    if (log) log->frameEnds(engine.clock().elapsedMs(), engine.sequencer().currentIndex());
    // Shown from the next frame on: the line follows the picture by a frame.
    showInfoLine(screen, engine, settings);
    if (engine.clock().elapsedMs() >= settings.endMs) postQuitRequest();
  }
  if (log) {
    engine.sequencer().listen(nullptr);
    if (end != LoopEnd::Seek) finishRunLog(*log, engine.clock().elapsedMs(), engine.sequencer().currentIndex());
  }
  return end;
}

void finishRunLog(RunLog& log, float timeMs, int entry) {
  if (!log.finish(timeMs, entry))
    std::fprintf(stderr, "zod: the run log could not be written in full: %s\n", log.writeFailure().c_str());
}
