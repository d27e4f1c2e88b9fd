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

#include "app/Program.h"
#include "app/SeekKeys.h"

class Screen;

// How the study mode ended: left (Escape, the window closed), Space (the live show is to play on
// from `fromMicros`), or a fault (said on stderr).
struct StudyEnd {
  enum class Kind { Left, PlayOn, Failed };
  Kind kind = Kind::Left;
  std::int64_t fromMicros = 0;
};

// Runs the study mode on the platform's screen from show time `startMicros`. The scene keys take
// the scenes from `seeks`, learning them from the music first if they are not known yet.
StudyEnd runStudy(Platform& platform, Screen& screen, std::int64_t startMicros, SeekKeys& seeks);
