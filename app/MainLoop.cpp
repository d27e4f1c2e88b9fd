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

void handleWindowEvent(const WindowEvent& event, SyncMailbox& sync) {
  switch (event.kind) {
    case WindowEvent::Kind::Destroyed:
      postQuitRequest();
      break;
    case WindowEvent::Kind::KeyDown:
      if (event.key == KEY_ESCAPE)
        postQuitRequest();
      else if (event.key != KEY_PAUSE && event.key != KEY_SCREENSHOT)
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

namespace {
// Returns the path written, empty when none could be.
std::string writeScreenshot(const Pixel* frame, float timeMs, const std::string& folder) {
  std::vector<Pixel> screen(SCREEN_PIXELS);
  screenAsShown(frame, screen.data());
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
}  // namespace

void runMessageLoop(Window& window, Screen& screen, Engine& engine) {
  runMessageLoop(window, screen, engine, LoopSettings{});
}

void runMessageLoop(Window& window, Screen& screen, Engine& engine, const LoopSettings& settings) {
  WindowEvent event;
  bool paused = false;
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
      }
      handleWindowEvent(event, engine.sync());
      continue;
    }
    // The quit message is taken only when nothing else waits.
    if (quitRequested()) break;
    if (paced) {
      const double now = settings.nowMs();
      if (nextFrameMs > now) settings.sleepUntil(nextFrameMs);
      // A late frame moves the schedule on rather than rushing to catch up.
      nextFrameMs = std::max(nextFrameMs + interval, now);
    }
    if (paused) {
      // The picture stays as it is; presenting it again keeps the window drawn.
      window.hideCursor();
      screen.present();
      continue;
    }
    if (log) log->frameStarts();
    runIdleTurn(window, screen, engine, log);
    if (log) log->frameEnds(engine.clock().elapsedMs(), engine.sequencer().currentIndex());
    if (engine.clock().elapsedMs() >= settings.endMs) postQuitRequest();
  }
  if (log) {
    engine.sequencer().listen(nullptr);
    if (!log->finish(engine.clock().elapsedMs(), engine.sequencer().currentIndex()))
      std::fprintf(stderr, "zod: the run log could not be written in full: %s\n", log->writeFailure().c_str());
  }
}
