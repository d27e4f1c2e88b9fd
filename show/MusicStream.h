#pragma once
// Feeds a sound device from a ModuleRenderer and delivers each Zxx event when its row is heard,
// not when it is mixed: an event stamped at sample s is delivered in the first fill after which
// the frames handed to the device, less the device's buffer and the sync offset, reach s.
//
// Runs on the device's thread; the event queue is sized at construction, so a fill allocates
// nothing.

#include <cstddef>
#include <cstdint>

#include "show/CueQueue.h"
#include "show/ModuleRenderer.h"
#include "show/SyncMailbox.h"

class MusicStream final : private ModuleRenderer::EventSink {
 public:
  // syncOffsetMs: extra delay for a display or audio latency (negative: earlier). The queue holds
  // a minute's events at most; beyond that, events come early.
  MusicStream(ModuleRenderer& source, std::uint32_t deviceBufferFrames, int syncOffsetMs, SyncReceiver& cueReceiver);

  // The device's request: `frames` interleaved stereo frames, silence once the song has ended.
  void fill(float* interleaved, std::size_t frames);
  // The AudioOutput::Fill shape of fill, with the stream as context.
  static void fillCallback(void* stream, float* interleaved, std::size_t frames);

  std::uint64_t handedFrames() const { return handed; }
  std::size_t pendingEvents() const { return queue.size(); }

 private:
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override;

  ModuleRenderer& renderer;
  SyncReceiver& receiver;
  std::int64_t delayFrames;
  std::uint64_t handed = 0;
  // Events waiting to be heard.
  CueQueue queue;
};
