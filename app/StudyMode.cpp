#include "app/StudyMode.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/MainLoop.h"
#include "app/StudyLine.h"
#include "app/StudyOverlay.h"
#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "base/TimeArguments.h"
#include "display/Screen.h"
#include "stage/ShowScenes.h"
#include "stage/StudyShow.h"

namespace {
constexpr std::int64_t FRAMES_PER_SECOND = StudyShow::FRAMES_PER_SECOND;
constexpr std::int64_t TEN_SECONDS = 10 * FRAMES_PER_SECOND;
}  // namespace

int runStudy(Platform& platform, std::int64_t startMicros) {
  Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
  platform.window.focus();
  return runStudy(platform, screen, startMicros);
}

int runStudy(Platform& platform, Screen& screen, std::int64_t startMicros) {
  ShowScenes scenes;
  std::string error;
  if (!learnShowScenes(scenes, error)) {
    std::fprintf(stderr, "zod: %s\n", error.c_str());
    return 1;
  }
  StudyShow study(scenes.cues);
  StudyOverlay overlay(study.report());
  StudyLine line;
  screen.showOverlay(&overlay);
  const LoopSettings& loop = platform.loop;
  const double interval = 1000.0 / static_cast<double>(FRAMES_PER_SECOND);
  const bool paced = loop.sleepUntil && loop.nowMs;
  bool playing = false;
  bool leaving = false;
  // Taken once the keys before it have been drawn.
  bool shotWanted = false;
  std::int64_t wanted = StudyShow::grid().frameAt(startMicros);
  double nextFrameMs = -1.0;
  while (!leaving) {
    WindowEvent event;
    while (platform.window.pollEvent(event)) {
      if (event.kind == WindowEvent::Kind::Destroyed || event.key == KEY_ESCAPE) {
        leaving = true;
        continue;
      }
      // Keys pressed before the frame is drawn add up.
      const std::int64_t at = std::max<std::int64_t>(wanted, 0);
      switch (event.key) {
        case KEY_PAUSE: playing = !playing; break;
        case KEY_FRAME_BACK: wanted = at - 1; break;
        case KEY_FRAME_FORWARD: wanted = at + 1; break;
        case KEY_SECOND_BACK: wanted = at - FRAMES_PER_SECOND; break;
        case KEY_SECOND_FORWARD: wanted = at + FRAMES_PER_SECOND; break;
        case KEY_SEEK_BACK: wanted = at - TEN_SECONDS; break;
        case KEY_SEEK_FORWARD: wanted = at + TEN_SECONDS; break;
        case KEY_OVERLAYS: std::fprintf(stderr, "zod: overlays: %s\n", overlay.nextChoice()); break;
        case KEY_SCREENSHOT: shotWanted = loop.screenshots; break;
        default: break;
      }
      // A step holds the show still.
      if (event.key != KEY_PAUSE && event.key != KEY_OVERLAYS && event.key != KEY_SCREENSHOT &&
          wanted != study.shownIndex())
        playing = false;
    }
    if (leaving) break;
    if (playing) wanted = study.shownIndex() + 1;
    wanted = std::max<std::int64_t>(wanted, 0);
    if (wanted != study.shownIndex()) {
      const std::int64_t before = study.shownIndex();
      if (!study.show(wanted, screen.frame())) {
        if (fatalReported()) return 1;
        // Past the show's end: the last frame shown stays.
        playing = false;
        if (before < 0 || !study.show(before, screen.frame())) return 1;
      }
      wanted = study.shownIndex();
      screen.showLine(line.update(study.shownIndex(), study.report(), &study.cues()));
    }
    if (shotWanted && study.shownIndex() >= 0)
      writeScreenshot(screen.frame(), study.report().timeMs(), loop.shotsFolder, &overlay);
    shotWanted = false;
    if (paced) {
      const double now = loop.nowMs();
      if (nextFrameMs > now) loop.sleepUntil(nextFrameMs);
      nextFrameMs = std::max(nextFrameMs + interval, now);
    }
    platform.window.hideCursor();
    screen.present();
  }
  screen.showOverlay(nullptr);
  return fatalReported() ? 1 : 0;
}
