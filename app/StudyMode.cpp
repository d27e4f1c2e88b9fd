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
#include "show/Timeline.h"
#include "stage/ShowScenes.h"
#include "stage/StudyShow.h"

namespace {
constexpr std::int64_t FRAMES_PER_SECOND = StudyShow::FRAMES_PER_SECOND;
constexpr std::int64_t TEN_SECONDS = 10 * FRAMES_PER_SECOND;
const FrameTiming& GRID = StudyShow::grid();
}  // namespace

namespace {
// The show time of a scene key's start, in the scene walk's terms: within the scene on screen,
// which a run on the grid enters up to a few frames after the walk's time, so that Page Down never
// passes over it.
std::int64_t sceneKeyFromMicros(const StudyShow& study, std::int64_t wanted, int sceneWanted, const SeekKeys& seeks) {
  if (sceneWanted >= 0) return seeks.sceneStartMicros(sceneWanted);
  const auto micros = static_cast<std::int64_t>(GRID.counterMs(wanted)) * 1000;
  const int entry = study.report().entry();
  if (wanted != study.shownIndex() || entry < 0) return micros;
  if (entry + 1 < TIMELINE_ENTRIES) return std::min(micros, seeks.sceneStartMicros(entry + 1) - 1);
  return micros;
}
}  // namespace

StudyEnd runStudy(Platform& platform, Screen& screen, std::int64_t startMicros, SeekKeys& seeks) {
  if (!seeks.knowsScenes()) {
    ShowScenes scenes;
    std::string error;
    if (!learnShowScenes(scenes, error)) {
      std::fprintf(stderr, "zod: %s\n", error.c_str());
      return {StudyEnd::Kind::Failed, 0};
    }
    seeks.learnScenes(scenes.cues, scenes.walk);
  }
  StudyShow study(seeks.cues());
  StudyOverlay overlay(study.report());
  StudyLine line;
  screen.showOverlay(&overlay);
  const LoopSettings& loop = platform.loop;
  const double interval = 1000.0 / static_cast<double>(FRAMES_PER_SECOND);
  const bool paced = loop.sleepUntil && loop.nowMs;
  StudyEnd end;
  bool leaving = false;
  // Taken once the keys before it have been drawn.
  bool shotWanted = false;
  std::int64_t wanted = GRID.frameAt(startMicros);
  // A scene whose first frame is wanted (from about frame `wanted`), or the show's last frame.
  int sceneWanted = -1;
  bool lastWanted = false;
  double nextFrameMs = -1.0;
  while (!leaving) {
    WindowEvent event;
    while (!leaving && platform.window.pollEvent(event)) {
      if (event.kind == WindowEvent::Kind::Destroyed || event.key == KEY_ESCAPE) {
        leaving = true;
        continue;
      }
      // Keys pressed before the frame is drawn add up.
      const std::int64_t at = std::max<std::int64_t>(wanted, 0);
      const auto goTo = [&](std::int64_t index) {
        wanted = index;
        sceneWanted = -1;
        lastWanted = false;
      };
      switch (event.key) {
        case KEY_PAUSE:
          // Played on by the live show, with its music, from the frame on screen.
          if (study.shownIndex() >= 0) {
            end.kind = StudyEnd::Kind::PlayOn;
            end.fromMicros = static_cast<std::int64_t>(GRID.counterMs(study.shownIndex())) * 1000;
            leaving = true;
          }
          break;
        case KEY_FRAME_BACK: goTo(at - 1); break;
        case KEY_FRAME_FORWARD: goTo(at + 1); break;
        case KEY_SECOND_BACK: goTo(at - FRAMES_PER_SECOND); break;
        case KEY_SECOND_FORWARD: goTo(at + FRAMES_PER_SECOND); break;
        case KEY_SEEK_BACK: goTo(at - TEN_SECONDS); break;
        case KEY_SEEK_FORWARD: goTo(at + TEN_SECONDS); break;
        case KEY_FIRST_FRAME: goTo(0); break;
        case KEY_LAST_FRAME:
          goTo(GRID.frameAt(seeks.endMicros()));
          lastWanted = true;
          break;
        case KEY_PREVIOUS_SCENE:
        case KEY_NEXT_SCENE: {
          const std::int64_t from = sceneKeyFromMicros(study, at, sceneWanted, seeks);
          const std::int64_t to = seeks.target(from, seekKeyOf(event.key));
          if (to == from) break;
          goTo(GRID.frameAt(to));
          sceneWanted = seeks.sceneAt(to);
          break;
        }
        case KEY_OVERLAYS: std::fprintf(stderr, "zod: overlays: %s\n", overlay.nextChoice()); break;
        case KEY_SCREENSHOT: shotWanted = loop.screenshots; break;
        default: break;
      }
    }
    if (leaving) break;
    wanted = std::max<std::int64_t>(wanted, 0);
    if (wanted != study.shownIndex() || sceneWanted >= 0 || lastWanted) {
      const std::int64_t before = study.shownIndex();
      const bool drawn = sceneWanted >= 0 ? study.showSceneStart(sceneWanted, wanted, screen.frame())
                         : lastWanted     ? study.showLast(wanted, screen.frame())
                                          : study.show(wanted, screen.frame());
      sceneWanted = -1;
      lastWanted = false;
      if (!drawn) {
        if (fatalReported()) return {StudyEnd::Kind::Failed, 0};
        // Past the show's end: the last frame shown stays.
        if (before < 0 || !study.show(before, screen.frame())) return {StudyEnd::Kind::Failed, 0};
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
  // The live show's own line, if any, takes the study's place.
  // The study's own show posts the quit request as it ends (End); the live show is a new one.
  if (end.kind == StudyEnd::Kind::PlayOn) clearQuitRequest();
  if (fatalReported()) end.kind = StudyEnd::Kind::Failed;
  return end;
}
