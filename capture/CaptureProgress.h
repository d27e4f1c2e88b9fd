#pragma once
// The capture's progress line on stderr: frame, show time, scene, speed and time left. On a
// terminal it is redrawn in place a few times a second, as wide as the terminal lets it (the least
// needed fields go first, so it never wraps); otherwise a whole line is written every ten seconds,
// so logs stay short. It reads the wall clock for speed only; the show never sees it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>

// What one progress line says.
struct ProgressFigures {
  std::int64_t frame = 0;
  std::int64_t totalFrames = 0;
  double showTimeMs = 0.0;
  int entry = 0;
  const char* scene = "";
  double framesPerSecond = 0.0;
  // framesPerSecond over the video's own rate.
  double speedUp = 0.0;
  // The time left, or on the last line the time taken.
  double seconds = 0.0;
  bool last = false;
};

class CaptureProgress {
 public:
  // `expectedFrames`: the frames the run is expected to step, for the time left.
  CaptureProgress(std::ostream& stream, bool onTerminal, std::int64_t expectedFrames, double rate);

  // Called after every frame; prints when it is time.
  void update(std::int64_t frame, double showTimeMs, int entry, const char* scene);
  // Prints the final line.
  void finish(std::int64_t frame, double showTimeMs, int entry, const char* scene);

  // The width of the terminal on stderr: its window's, else $COLUMNS, else 80.
  static int terminalColumns();
  // Writes the line for `figures` into `line` (NUL-terminated, `size` bytes), in fewer than
  // `columns` characters so that the cursor never reaches the last column (0: no limit). Returns
  // its length.
  static std::size_t formatLine(const ProgressFigures& figures, int columns, char* line, std::size_t size);

 private:
  void print(std::int64_t frame, double showTimeMs, int entry, const char* scene, bool last);

  std::ostream& out;
  bool terminal;
  std::int64_t totalFrames;
  double framesPerSecond;
  std::chrono::steady_clock::time_point started;
  std::chrono::steady_clock::time_point lastPrint;
};
