#pragma once
// Feeds a sound device from a ModuleRenderer and delivers each Zxx event when its row is heard,
// not when it is mixed: the cue stamped at sample s is delivered in the first fill after which
// the frames handed to the device, less the device's buffer and the sync offset, reach s.
//
// The cues come from the module's table, known before playing, so a negative offset can deliver
// a cue before its row is even mixed, and the sound itself never moves.
//
// Runs on the device's thread; a fill allocates nothing.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "show/CueTable.h"
#include "show/ModuleRenderer.h"
#include "show/SyncMailbox.h"

class MusicStream final : private ModuleRenderer::EventSink {
 public:
  // syncOffsetMs: extra delay for a display or audio latency (negative: earlier). `cues` is the
  // table of the module the renderer plays, and must outlive the stream. While `cuesKnown` (when
  // given) is false, the table is still being learnt on another thread and cues wait for it.
  MusicStream(ModuleRenderer& source, const CueTable& cues, std::uint32_t deviceBufferFrames, int syncOffsetMs,
              SyncReceiver& cueReceiver, const std::atomic<bool>* cuesKnown = nullptr);

  // The device's request: `frames` interleaved stereo frames, silence once the song has ended.
  void fill(float* interleaved, std::size_t frames);
  // The AudioOutput::Fill shape of fill, with the stream as context.
  static void fillCallback(void* stream, float* interleaved, std::size_t frames);

  // Scales the samples from the next fill on (1: as rendered, untouched; 0: silence, cues still come).
  void setGain(float gain) { level.store(gain, std::memory_order_relaxed); }

  std::uint64_t handedFrames() const { return handed; }
  // Cues of the table from where the music started on that are not delivered yet.
  std::size_t pendingEvents() const { return located ? table.cues().size() - next : 0; }

 private:
  // The renderer's own events are the table's; they are ignored.
  void onZxxEvent(std::uint64_t, std::uint8_t) override {}

  ModuleRenderer& renderer;
  const CueTable& table;
  SyncReceiver& receiver;
  std::int64_t delayFrames;
  const std::atomic<bool>* tableKnown;
  std::atomic<float> level{1.0f};
  std::uint64_t handed = 0;
  // Where the music started; the cues before it are not delivered.
  std::uint64_t startFrame = 0;
  bool located = false;
  // The table's next cue to deliver, once located.
  std::size_t next = 0;
};
