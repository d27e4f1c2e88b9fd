#pragma once
// The study mode (`zod --study`): the show held still on the 60 fps grid, one exact frame at a
// time, silent. Every frame shown is the frame `zod still` writes for its time: frame n is drawn at
// show time floor(n x 1000 / 60) ms after a run on that grid from the start. `.` and `,` step a
// frame on and back, with Shift a second, Left and Right ten seconds; Space
// plays on (silently, on the grid) and holds again. The line below the picture says what is shown
// (see StudyLine), the overlays draw what the scene describes (O switches them), F12 writes the
// screen with the overlays.

#include <cstdint>
#include <functional>
#include <memory>

#include "app/Program.h"
#include "show/CueTable.h"
#include "show/StudyReport.h"

class OfflineShow;
class Screen;

// The study mode's show: goes to any frame on the grid, exactly, and tells what it drew.
class StudyShow {
 public:
  StudyShow();
  ~StudyShow();

  // Draws frame `index` (clamped to 0..) into `frame` (a 512 x 384 allocation); a frame ahead is
  // reached from the current one, any other by a fresh show from the start. False, with nothing
  // drawn, when the show ends before it or it cannot start (said on stderr).
  bool show(std::int64_t index, Pixel* frame);
  // The frame shown last, or -1.
  std::int64_t shownIndex() const { return shown; }
  const StudyReport& report() const { return *described; }
  // The module's cues (empty until a show has started).
  const CueTable& cues() const { return learnt; }

 private:
  std::unique_ptr<OfflineShow> offline;
  std::unique_ptr<StudyReport> described;
  CueTable learnt;
  bool cuesKnown = false;
  std::int64_t shown = -1;
};

// Runs the study mode on the platform from show time `startMicros`; 0 when left by Escape.
int runStudy(Platform& platform, std::int64_t startMicros);
// The same on a screen already set up (the live show's, left for the study mode).
int runStudy(Platform& platform, Screen& screen, std::int64_t startMicros);
