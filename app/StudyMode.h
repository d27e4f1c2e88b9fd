#pragma once
// The study mode (`zod --study`): the show held still on the 60 fps grid, one exact frame at a
// time, silent. Every frame shown is the frame `zod still` writes for its time: frame n is drawn at
// show time floor(n x 1000 / 60) ms after a run on that grid from the start. `.` and `,` step a
// frame on and back, with Shift a second, Left and Right ten seconds, Home and End go to the show's
// first and last frame, Page Up and Page Down (or [ and ]) to a scene's first frame as the live
// show's scene keys choose the scene; Space leaves for the live show, with its music, at the moment
// shown. The line below the picture says what is shown (see StudyLine), the overlays draw what the
// scene describes (O switches them), F12 writes the screen with the overlays.

#include <cstdint>
#include <functional>
#include <memory>

#include "app/Program.h"
#include "app/SeekKeys.h"
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
  // Draws the first frame of timeline entry `entry`, looked for from frame `near` on (a frame at or
  // before it: the scene walk's start, which a run on the grid reaches a frame or so later per
  // scene change before it). False as for show().
  bool showSceneStart(int entry, std::int64_t near, Pixel* frame);
  // Draws the show's last frame, the one drawn as the show ends, looked for from frame `near` on.
  bool showLast(std::int64_t near, Pixel* frame);
  // The frame shown last, or -1.
  std::int64_t shownIndex() const { return shown; }
  const StudyReport& report() const { return *described; }
  // The module's cues (empty until a show has started).
  const CueTable& cues() const { return learnt; }
  // The cues learnt before (by the live show), which spares the silent pass through the song.
  void useCues(const CueTable& known);

 private:
  // Runs unseen up to frame `index`, from the start when it is not ahead; false once the show is over.
  bool reach(std::int64_t index);
  // Draws the next frame of the run and keeps it.
  void draw(Pixel* frame);

  std::unique_ptr<OfflineShow> offline;
  std::unique_ptr<StudyReport> described;
  CueTable learnt;
  bool cuesKnown = false;
  std::int64_t shown = -1;
};

// How the study mode ended: left (Escape, the window closed), Space (the live show is to play on
// from `fromMicros`), or a fault (said on stderr).
struct StudyEnd {
  enum class Kind { Left, PlayOn, Failed };
  Kind kind = Kind::Left;
  std::int64_t fromMicros = 0;
};

// Runs the study mode on the platform's screen from show time `startMicros`. The scene keys take
// the scenes from `seeks`, learning them from the study's show if they are not known yet.
StudyEnd runStudy(Platform& platform, Screen& screen, std::int64_t startMicros, SeekKeys& seeks);
