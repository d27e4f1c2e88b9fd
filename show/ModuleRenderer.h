#pragma once
// Renders an XM module to stereo samples with libopenmpt and reports its Zxx commands as the rows
// that hold them are reached, each stamped with the sample index at which its row starts.
//
// Used live (the audio device's callback) and offline (capture, tests): it knows no device and
// no clock, only the samples it has rendered. libopenmpt plays the module with its Zxx cells
// cleared (they would change the sound); the events come from the scanner's table, looked up by
// the position libopenmpt reports, so pattern breaks, jumps and loops count as it plays them.
//
// Rows are found by reading the position after every read. Reads are at most MAX_READ_FRAMES
// long, shorter than any XM row, so no row is missed; around the predicted start of the next row
// (from the current speed and tempo) they shrink to single frames, so the stamp is the exact
// sample the row starts at. Should a row start off the prediction, it is stamped with the first
// sample of the read that found it.
//
// Nothing allocates while rendering.

#include <cstddef>
#include <cstdint>
#include <span>

#include "show/SampleRate.h"
#include "show/XmPatternScan.h"

struct openmpt_module;
struct openmpt_module_ext;

class ModuleRenderer {
 public:
  static constexpr std::size_t MAX_READ_FRAMES = 256;
  // The oldest libopenmpt whose playback we have checked (0.6.0, as libopenmpt encodes versions).
  static constexpr std::uint32_t OLDEST_LIBRARY_VERSION = 0x00060000;

  // Receives the Zxx events, on the rendering thread, in playing order (channel order within a row).
  class EventSink {
   public:
    virtual void onZxxEvent(std::uint64_t sample, std::uint8_t code) = 0;
    // Every row as it starts, before its Zxx events, for a sink that follows the patterns.
    virtual void onRowStart(std::uint64_t /*sample*/, int /*order*/, int /*pattern*/, int /*row*/) {}

   protected:
    ~EventSink() = default;
  };

  // The version of the libopenmpt loaded at run time, and whether it is recent enough.
  static std::uint32_t libraryVersion();
  static bool librarySupported();

  // The output rate, in frames per second: the show's device runs at SAMPLE_RATE; the web page's
  // music is rendered at the 48000 Hz a browser's audio clock runs at.
  explicit ModuleRenderer(int sampleRate = static_cast<int>(SAMPLE_RATE)) : rate(sampleRate) {}
  ~ModuleRenderer();
  ModuleRenderer(const ModuleRenderer&) = delete;
  ModuleRenderer& operator=(const ModuleRenderer&) = delete;

  // Silent mutes every channel, so libopenmpt plays the rows (effects, tempo, loops) without
  // mixing a sample: the rows start where they start with sound, in a tenth of the time, and the
  // samples are silence.
  enum class Mixing { Audible, Silent };

  // Scans the module, clears its Zxx cells and opens the copy. False if it is not an XM the
  // scanner reads or libopenmpt refuses it; the renderer then stays closed. Throws std::bad_alloc
  // when libopenmpt runs out of memory.
  bool open(std::span<const std::uint8_t> module, Mixing mixing = Mixing::Audible);
  bool isOpen() const { return mod != nullptr; }

  // Renders up to `frames` stereo frames into `interleaved` (2 * frames floats, left then right)
  // and reports the Zxx events of every row that starts within them. Returns the frames written:
  // all of them until the song ends, fewer once, then 0. The song plays once.
  std::size_t render(float* interleaved, std::size_t frames, EventSink& sink);
  // Opens `module` muted and plays it through once, telling `sink` of every row: what the tables
  // learnt without mixing use. False if it does not open; `songFrames` is then 0.
  bool playSilently(std::span<const std::uint8_t> module, EventSink& sink, std::uint64_t& songFrames);

  // Moves playback to the first row that starts at or after `frame` (libopenmpt seeks by rows,
  // following the song as it plays) and returns the frame that row starts at; its events come
  // with the next render, and from then on stamps count from the song's start as before.
  std::uint64_t seek(std::uint64_t frame);
  // The same, to the last row that starts at or before `frame`.
  std::uint64_t seekAtOrBefore(std::uint64_t frame);

  // Frames rendered since open, or the position a seek moved to plus the frames since.
  std::uint64_t renderedFrames() const { return position; }
  bool finished() const { return ended; }
  const XmPatternScan& patternScan() const { return scanned; }
  int sampleRate() const { return rate; }

 private:
  void close();
  void noteRowChange(std::uint64_t rowStart, std::uint64_t uncertainty);

  int rate;
  XmPatternScan scanned;
  openmpt_module_ext* extended = nullptr;
  openmpt_module* mod = nullptr;
  std::uint64_t position = 0;
  bool ended = false;
  int order = -1, pattern = -1, row = -1;
  // The next row is expected to start within [nextRowEarliest, nextRowLatest]; reads are single
  // frames inside that window.
  std::uint64_t nextRowEarliest = 0;
  std::uint64_t nextRowLatest = 0;
  std::uint64_t rowLength = 0;
};
