#pragma once
// The show run on a simulated clock, one frame at a time, as a perfect machine would play it:
// frame n sets the millisecond counter to floor(n x 1000 / F) and takes one idle turn (clock,
// sequencer); when music runs in step, the frame's samples are rendered first and every sync
// event due in the frame is handed to the music player, so the live rules pick the latest.
// Nothing here reads the wall clock.
//
// A step may leave out drawing (a fast-forward): the current scene only advances its state as a
// drawn frame would (the tunnel's and the heart's jumps lose speed once per frame; every other
// scene draws from the show time and its sync events alone). Since every scene draws the whole
// frame, the first frame drawn after a fast-forward is the frame a full run would show.

#include <cstdint>
#include <functional>

#include "stage/Show.h"
#include "render/Pixel.h"
#include "show/CueTable.h"
#include "show/FrameTiming.h"
#include "show/LockstepMusic.h"
#include "show/MillisecondCounter.h"

class SimulatedRun {
 public:
  // The counter must be the one the show's clock reads. Without music no sync event arrives.
  SimulatedRun(Show& started, ManualMillisecondCounter& showCounter, const FrameTiming& frameTiming,
               LockstepMusic* lockstep);

  // Runs frame `frameIndex()` into `frame` (a 512 x 384 allocation); without `draw` nothing is
  // drawn and `frame` may be null.
  void step(Pixel* frame, bool draw);

  // Runs the frames up to `target` unseen with their sync events taken from `cues` (nothing is
  // rendered, neither sound nor pixels; the music, if any, is the caller's to place at the frame
  // reached). Stops early when the show ends or when `keepGoing` (asked every few hundred frames)
  // says no. Returns whether frame `target` is next.
  bool skipTo(std::int64_t target, const CueTable& cues, const std::function<bool()>& keepGoing = {});

  // Runs frame `frameIndex()` drawn into `frame` with its sync events taken from `cues`, as skipTo
  // takes them: a run without music goes on from a skip this way.
  void stepWithCues(Pixel* frame, const CueTable& cues);

  std::int64_t frameIndex() const { return next; }
  // The show time of the frame stepped last.
  float timeMs() const { return lastTimeMs; }
  // The quit request has been posted (end of timeline, the closing scene's code, a fatal error).
  bool over() const;

 private:
  // The index in `cues` of the first event frame `frameIndex()` has not had yet.
  std::size_t firstCueNotTaken(const CueTable& cues) const;
  // Posts the events from `cursor` on that are due in frame `frameIndex()`; returns the cursor after them.
  std::size_t postCuesDue(const CueTable& cues, std::size_t cursor);

  Show& show;
  ManualMillisecondCounter& counter;
  FrameTiming timing;
  LockstepMusic* music;
  std::int64_t next = 0;
  float lastTimeMs = 0.0f;
};
