#pragma once
// The whole show made offline: the start-up without a sound device, the music rendered in step
// from its first sample, and the frame it draws into. Capture and stills run it frame by frame;
// it reads the pictures and the music from the current asset directory.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "stage/Show.h"
#include "stage/SimulatedRun.h"
#include "show/FrameTiming.h"
#include "show/LockstepMusic.h"
#include "show/MillisecondCounter.h"

class OfflineShow {
 public:
  // Starts the show with a fresh quit request and sync state. Null, with a message in `error`,
  // when the module cannot be read or the start-up reported a failure.
  static std::unique_ptr<OfflineShow> start(const FrameTiming& timing, std::string& error);
  ~OfflineShow();

  SimulatedRun& run() { return *simulated; }
  Show& show() { return *showPart; }
  LockstepMusic& music() { return lockstep; }
  // The module's cues, learnt on first use (a silent pass through the song).
  const CueTable& cues();
  // The cues learnt by an earlier show of the same module, which spares the silent pass.
  void useCues(const CueTable& learnt) {
    cueTable = learnt;
    cuesLearnt = true;
  }
  // Runs unseen to frame `target` (see SimulatedRun::skipTo) and places the music there.
  bool skipTo(std::int64_t target, const std::function<bool()>& keepGoing = {});
  // Then runs unseen a frame at a time until the next frame drawn is timeline entry `entry`'s
  // first: a scene begins a frame or so after the scene walk's time for each change before it, as
  // each change waits for a frame past the end. False when the show ends first.
  bool skipToSceneStart(int entry);
  // The 512 x 280 frame the show draws into (its allocation has 384 rows).
  Pixel* frame() { return framePixels.data(); }
  // The name of the current scene's effect ("-" before the first scene).
  const char* sceneName();

 private:
  explicit OfflineShow(const FrameTiming& timing);

  ManualMillisecondCounter counter;
  std::vector<std::uint8_t> module;
  CueTable cueTable;
  bool cuesLearnt = false;
  LockstepMusic lockstep;
  std::unique_ptr<Show> showPart;
  std::unique_ptr<SimulatedRun> simulated;
  std::vector<Pixel> framePixels;
};
