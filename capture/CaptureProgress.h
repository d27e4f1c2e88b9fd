#pragma once
// The capture's progress line on stderr: frame, show time, scene, speed and time left. On a
// terminal it is redrawn in place a few times a second; otherwise a line is written every ten
// seconds, so logs stay short. It reads the wall clock for speed only; the show never sees it.

#include <chrono>
#include <cstdint>
#include <ostream>

class CaptureProgress {
 public:
  // `expectedFrames`: the frames the run is expected to step, for the time left.
  CaptureProgress(std::ostream& stream, bool onTerminal, std::int64_t expectedFrames, double frameRate);

  // Called after every frame; prints when it is time.
  void update(std::int64_t frame, double showTimeMs, int entry, const char* scene);
  // Prints the final line.
  void finish(std::int64_t frame, double showTimeMs, int entry, const char* scene);

 private:
  void print(std::int64_t frame, double showTimeMs, int entry, const char* scene, bool last);

  std::ostream& out;
  bool terminal;
  std::int64_t totalFrames;
  double framesPerSecond;
  std::chrono::steady_clock::time_point started;
  std::chrono::steady_clock::time_point lastPrint;
};
