#pragma once
// The run log (`zod --log FILE`, or ZOD_LOG=FILE): what a long unattended run is judged by, as text
// lines of a kind and key=value fields:
//   cue     every sync cue the show takes: its frame, show time, code and scene; key=1 when a key
//           raised it again rather than the music
//   pause, resume  the Pause key: the frames drawn so far and the show time held
//   shot    F12: the frames drawn so far, the show time and the file written (- when none)
//   seek    at the first frame after a seek: the show time it left and asked for, the time of that
//           frame, and the wall time from the first seek key to that frame
//   volume  a volume or mute key: the frames drawn so far, the show time, the volume and mute
//   mem     at the first frame and every 10 s of wall time: resident memory and the allocations
//           made on the main thread since the first frame
//   end     the frame, show time and scene the loop ended at
//   frames  idle turns run; frametime and rendertime the percentiles of the time between frames
//           and of the time each took until it was presented (clock, cues, scene changes, drawing)
//   alloc   a frame that allocated on the main thread (after the first frame; the first 16 such); what a seek
//           allocates for its fresh show, up to its first frame, is the seek's and not counted
//   allocations  made on the main thread in the loop after the first frame, and how many of them
//           the display made while presenting (its driver's warm-up: the software OpenGL driver
//           compiles its shaders on its first draws)
// Lines go into a buffer set aside before the show starts and reach the file with the 10-second
// lines and at the end, so no frame waits for the disk and the log allocates nothing meanwhile.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "show/Sequencer.h"

class RunLog final : public CueListener {
 public:
  // Heap allocations made so far on the calling thread; null when the program does not count them.
  using AllocationCount = std::uint64_t (*)();
  static constexpr double MEMORY_EVERY_MS = 10000.0;

  // `nowMs`: a steady clock in milliseconds.
  RunLog(std::function<double()> nowMs, AllocationCount allocations);
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Creates or replaces the file; false when it cannot be written.
  bool open(const std::string& path);

  // Around every idle turn of the main loop; `entry` is the timeline entry current after it.
  void frameStarts();
  void presentStarts();
  void presentEnds();
  void frameEnds(float timeMs, int entry);
  void cueTaken(std::uint8_t code, int entry, float timeMs, bool byKey) override;
  void pauseChanged(bool paused, float timeMs);
  // `path`: the file written, empty when none could be.
  void screenshotTaken(float timeMs, const std::string& path);
  // A seek from `fromMs` to `toMs` asked for at wall time `askedAtMs` (the log's clock); written
  // with the next frame, whose time is where it landed.
  void seekAsked(double fromMs, double toMs, double askedAtMs);
  void soundChanged(int volumePercent, bool muted, float timeMs);
  // Writes the summary and closes the file; false when anything could not be written.
  bool finish(float timeMs, int entry);
  // Why the log could not be written in full, once finish has said so; else empty.
  const std::string& writeFailure() const { return failure; }

  std::uint64_t frames() const { return frameCount; }
  std::uint64_t allocationsAfterFirstFrame() const;
  std::uint64_t allocationsInPresent() const { return inPresent; }

 private:
  void writeMemory(double nowMs);
  void writePercentiles(const char* kind, const std::vector<std::uint32_t>& histogram, double maxMs);

  std::function<double()> now;
  AllocationCount allocations;
  std::FILE* file = nullptr;
  std::string failure;
  std::unique_ptr<char[]> buffer;
  // Frame times in bins of BIN_MS up to BINS x BIN_MS; longer ones land in the last bin and in max.
  std::vector<std::uint32_t> intervals;
  std::vector<std::uint32_t> renders;
  double intervalMax = 0.0;
  double renderMax = 0.0;
  double turnStart = 0.0;
  double previousStart = -1.0;
  double firstFrameWall = 0.0;
  double nextMemoryWall = 0.0;
  std::uint64_t frameCount = 0;
  std::uint64_t allocationsAtFirstFrame = 0;
  std::uint64_t allocationsSeen = 0;
  std::uint64_t presentFrom = 0;
  std::uint64_t inPresent = 0;
  std::uint64_t presentAtFrameStart = 0;
  int allocationLines = 0;
  bool seekWaits = false;
  double seekFromMs = 0.0;
  double seekToMs = 0.0;
  double seekAskedAt = 0.0;
};
