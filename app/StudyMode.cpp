#include "app/StudyMode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/MainLoop.h"
#include "app/StudyLine.h"
#include "app/StudyOverlay.h"
#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "base/TimeArguments.h"
#include "display/Screen.h"
#include "show/FrameTiming.h"
#include "show/Timeline.h"
#include "stage/OfflineShow.h"
#include "stage/ShowScenes.h"

namespace {
constexpr std::int64_t FRAMES_PER_SECOND = 60;
constexpr std::int64_t TEN_SECONDS = 10 * FRAMES_PER_SECOND;
const FrameTiming GRID(FRAMES_PER_SECOND);
}  // namespace

StudyShow::StudyShow() : described(std::make_unique<StudyReport>()) {}

StudyShow::~StudyShow() = default;

void StudyShow::useCues(const CueTable& known) {
  learnt = known;
  cuesKnown = true;
}

bool StudyShow::reach(std::int64_t index) {
  index = std::max<std::int64_t>(index, 0);
  if (!offline || index <= shown || index < offline->run().frameIndex()) {
    std::string error;
    offline = OfflineShow::start(GRID, error);
    if (!offline) {
      std::fprintf(stderr, "zod: %s\n", error.c_str());
      shown = -1;
      return false;
    }
    if (cuesKnown) offline->useCues(learnt);
    offline->show().engine().sequencer().study(described.get());
    shown = -1;
  }
  if (!cuesKnown) {
    learnt = offline->cues();
    cuesKnown = true;
  }
  // Unseen up to the frame, then drawn: what `zod still` does. The next frame needs no skip, and
  // none is made: it would place the music again, which costs more the later the moment.
  if (offline->run().frameIndex() != index && !offline->skipTo(index)) return false;
  // The frame after the last one drawn as the show ends is not part of the show.
  return !offline->run().over();
}

void StudyShow::draw(Pixel* frame) {
  shown = offline->run().frameIndex();
  // The first frame only starts the timeline and draws no scene: nothing of the frame before stays.
  described->begin(-1, static_cast<float>(GRID.counterMs(shown)), 0.0f);
  offline->run().step(offline->frame(), true);
  std::memcpy(frame, offline->frame(), SCREEN_PIXELS * sizeof(Pixel));
}

bool StudyShow::show(std::int64_t index, Pixel* frame) {
  if (!reach(index)) return false;
  draw(frame);
  return true;
}

bool StudyShow::showSceneStart(int entry, std::int64_t near, Pixel* frame) {
  if (!reach(near) || !offline->skipToSceneStart(entry)) return false;
  draw(frame);
  return true;
}

bool StudyShow::showLast(std::int64_t near, Pixel* frame) {
  if (!reach(near)) return false;
  // Which frame ends the show is known only once it is drawn: each is drawn and the last one kept.
  do {
    described->begin(-1, static_cast<float>(GRID.counterMs(offline->run().frameIndex())), 0.0f);
    offline->run().step(offline->frame(), true);
  } while (!offline->run().over());
  shown = offline->run().frameIndex() - 1;
  std::memcpy(frame, offline->frame(), SCREEN_PIXELS * sizeof(Pixel));
  return true;
}

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
  StudyShow study;
  if (seeks.knowsScenes()) study.useCues(seeks.cues());
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
          // The scene keys and End wait for the scenes, learnt with the first frame.
          if (!seeks.knowsScenes()) break;
          goTo(GRID.frameAt(seeks.endMicros()));
          lastWanted = true;
          break;
        case KEY_PREVIOUS_SCENE:
        case KEY_NEXT_SCENE: {
          if (!seeks.knowsScenes()) break;
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
      if (!seeks.knowsScenes()) seeks.learnScenes(study.cues(), walkShowScenes(study.cues()));
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
