#pragma once
// A scene of the show. The one object of each effect class lives for the whole run and keeps
// its state from one timeline entry to the next.

#include <cstdint>

#include "render/Pixel.h"

class StudyReport;

class Effect {
 public:
  virtual ~Effect() = default;

  // Construction only sets fields. Once, right after it: loads pictures and makes tables and
  // buffers.
  virtual void init() = 0;
  // Draws into the 512 x 280 frame (which has 384 rows of allocation) at show time timeMs.
  virtual void render(Pixel* frame, float timeMs) = 0;
  // What render changes in the effect's state, without drawing: a fast-forward calls it for each
  // frame it leaves out. Most effects draw from the show time alone and keep nothing.
  virtual void advance(float) {}
  // A sync event (code 0 or 2..255) delivered before the render of the same frame.
  virtual void onSync(std::int32_t code, float timeMs) = 0;
  // Right after a render, for the study mode: what that render did, read from the members it used
  // and set (never computed again a second way). Called only when someone studies the show.
  virtual void describe(StudyReport& report) const { (void)report; }
};
