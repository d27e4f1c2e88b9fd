#pragma once
// The show run on a simulated clock, one frame at a time, as a perfect machine would play it:
// frame n sets the millisecond counter to floor(n x 1000 / F) and takes one idle turn (clock,
// sequencer); when music runs in step, the frame's samples are rendered first and every sync
// event due in the frame is handed to the music player, so the live rules pick the latest.
// Nothing here reads the wall clock.
//
// A step may leave out drawing (a fast-forward): the scenes whose state moves with every rendered
// frame (the tunnel's and the heart's jumps) still render; every other scene's state depends on
// the show time and its sync events alone, and since every scene draws the whole frame, the
// first frame drawn after a fast-forward is the frame a full run would show.

#include <cstdint>
#include <vector>

#include "stage/Show.h"
#include "render/Pixel.h"
#include "show/FrameTiming.h"
#include "show/LockstepMusic.h"
#include "show/MillisecondCounter.h"

class SimulatedRun {
 public:
  // The counter must be the one the show's clock reads. Without music no sync event arrives.
  SimulatedRun(Show& show, ManualMillisecondCounter& counter, const FrameTiming& timing, LockstepMusic* music);

  // Runs frame `frameIndex()` into `frame` (a 512 x 384 allocation); without `draw` only the
  // scenes that need it render.
  void step(Pixel* frame, bool draw);

  std::int64_t frameIndex() const { return next; }
  // The show time of the frame stepped last.
  float timeMs() const { return lastTimeMs; }
  // The quit request has been posted (end of timeline, the closing scene's code, a fatal error).
  bool over() const;

 private:
  Show& show;
  ManualMillisecondCounter& counter;
  FrameTiming timing;
  LockstepMusic* music;
  // The effects the catalogue marks as advancing per drawn frame.
  std::vector<Effect*> renderedWhileSkipping;
  std::int64_t next = 0;
  float lastTimeMs = 0.0f;
};
