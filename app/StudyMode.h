#pragma once
// The study mode (`zod --study`): the show held still on the 60 fps grid, one exact frame at a
// time, silent. Every frame shown is the frame `zod still` writes for its time: frame n is drawn at
// show time floor(n x 1000 / 60) ms after a run on that grid from the start. `.` and `,` step a
// frame on and back, with Shift a second, Left and Right ten seconds; Space
// plays on (silently, on the grid) and holds again. The line below the picture says what is shown
// (see StudyLine), the overlays draw what the scene describes (O switches them), F12 writes the
// screen with the overlays.

#include <cstdint>

#include "app/Program.h"

class Screen;

// Runs the study mode on the platform from show time `startMicros`; 0 when left by Escape.
int runStudy(Platform& platform, std::int64_t startMicros);
// The same on a screen already set up (the live show's, left for the study mode).
int runStudy(Platform& platform, Screen& screen, std::int64_t startMicros);
