#pragma once
// The show's music rendered offline in step with the frames of a FrameTiming: each frame renders
// exactly its own samples, and each Zxx event is held until the first frame that starts at or
// after its row, then handed over in playing order. Between two frames the receiver sees every
// due event; as in the live show, only the latest one is acted on.
//
// Frames are rendered in order from 0. Once the song has ended the samples are silence. Buffers
// are sized at construction, so a frame allocates nothing.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "show/CueQueue.h"
#include "show/CueTable.h"
#include "show/FrameTiming.h"
#include "show/ModuleRenderer.h"
#include "show/SyncMailbox.h"

class LockstepMusic : private ModuleRenderer::EventSink {
 public:
  explicit LockstepMusic(const FrameTiming& frameTiming);

  // Opens the module; false when the renderer refuses it.
  bool open(std::span<const std::uint8_t> module);

  // Renders frame `frameIndex()`'s samples, then posts every held event due in that frame.
  void renderFrame(SyncReceiver& receiver);

  // Goes on from frame `frame` as if every frame before it had been rendered: the samples are
  // those from the frame's first on (libopenmpt places the notes already sounding), and from now
  // on the events come from `cues` (which must outlive this), those of the frames before it
  // counted as posted.
  void seekTo(std::int64_t frame, const CueTable& cues);

  // The samples of the frame rendered last: interleaved stereo floats.
  const float* samples() const { return buffer.data(); }
  std::size_t sampleFrames() const { return rendered; }
  // The next frame renderFrame will render.
  std::int64_t frameIndex() const { return next; }
  // Events rendered but not yet due.
  std::size_t heldEvents() const { return queue.size(); }

 private:
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override;

  FrameTiming timing;
  ModuleRenderer renderer;
  std::vector<float> buffer;
  std::size_t rendered = 0;
  std::int64_t next = 0;
  SyncReceiver* overflow = nullptr;
  // After a seek: the events' table, and the next one to post.
  const CueTable* table = nullptr;
  std::size_t tableNext = 0;
  // Events rendered but not yet due.
  CueQueue queue;
};
