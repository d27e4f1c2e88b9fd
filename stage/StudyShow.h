#pragma once
// The show held on the 60 fps grid for study, one exact frame at a time: frame n is drawn at show
// time floor(n x 1000 / 60) ms after a run on that grid from the start, with the module's cues
// taken from its cue table as they fall due, which is what `zod still` draws for that time. The
// desktop's study mode and the web page's study view both go through it.

#include <cstdint>
#include <memory>

#include "render/Pixel.h"
#include "show/CueTable.h"
#include "show/FrameTiming.h"
#include "show/MillisecondCounter.h"
#include "show/StudyReport.h"

class Show;
class SimulatedRun;

class StudyShow {
 public:
  static constexpr std::int64_t FRAMES_PER_SECOND = 60;
  // The grid every studied frame lies on.
  static const FrameTiming& grid();

  // `moduleCues`: the module's cue table at the show's sample rate, kept for every run.
  explicit StudyShow(const CueTable& moduleCues);
  ~StudyShow();
  StudyShow(const StudyShow&) = delete;
  StudyShow& operator=(const StudyShow&) = delete;

  // Draws frame `index` (clamped to 0..) into `frame` (a 512 x 384 allocation); a frame ahead is
  // reached from the current one, any other by a fresh show from the start. False, with nothing
  // drawn, when the show ends before it or its start-up reported a fault.
  bool show(std::int64_t index, Pixel* frame);
  // Draws the first frame of timeline entry `entry`, looked for from frame `near` on (a frame at or
  // before it: the scene walk's start, which a run on the grid reaches a frame or so later per
  // scene change before it). False as for show().
  bool showSceneStart(int entry, std::int64_t near, Pixel* frame);
  // Draws the show's last frame, the one drawn as the show ends, looked for from frame `near` on.
  bool showLast(std::int64_t near, Pixel* frame);
  // Starts the fresh show that the next frame behind the one shown will need, ahead of time: its
  // start-up (pictures, tables) is most of the cost of such a step. Nothing while one is ready or
  // the run has ended.
  void prepare();
  bool prepared() const { return spare != nullptr; }
  // The frame shown last, or -1.
  std::int64_t shownIndex() const { return shown; }
  const StudyReport& report() const { return *described; }
  const CueTable& cues() const { return table; }

 private:
  // A show and its run on the grid, with the counter its clock reads.
  struct GridRun {
    ManualMillisecondCounter counter;
    std::unique_ptr<Show> show;
    std::unique_ptr<SimulatedRun> run;
  };
  // A show started afresh; null when its start-up reported a fault.
  static std::unique_ptr<GridRun> startShow();
  bool restart();
  // Runs unseen up to frame `index`, from the start when it is not ahead; false once the show is over.
  bool reach(std::int64_t index);
  // Draws the next frame of the run and keeps it.
  void draw(Pixel* frame);

  CueTable table;
  std::unique_ptr<StudyReport> described;
  std::unique_ptr<GridRun> current;
  std::unique_ptr<GridRun> spare;
  std::int64_t shown = -1;
};
