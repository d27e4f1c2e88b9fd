#include "show/MusicStream.h"

#include <algorithm>
#include <span>

MusicStream::MusicStream(ModuleRenderer& source, const CueTable& cues, std::uint32_t deviceBufferFrames,
                         int syncOffsetMs, SyncReceiver& cueReceiver, const std::atomic<bool>* cuesKnown)
    : renderer(source),
      table(cues),
      receiver(cueReceiver),
      delayFrames(static_cast<std::int64_t>(deviceBufferFrames) +
                  static_cast<std::int64_t>(syncOffsetMs) * SAMPLE_RATE / 1000),
      tableKnown(cuesKnown) {
  // A renderer moved part-way into the song stamps its rows from the song's start: count the
  // frames handed from there, and the cues from the row it stands on.
  handed = startFrame = source.renderedFrames();
}

void MusicStream::fillCallback(void* stream, float* interleaved, std::size_t frames) {
  static_cast<MusicStream*>(stream)->fill(interleaved, frames);
}

void MusicStream::fill(float* interleaved, std::size_t frames) {
  const std::size_t written = renderer.render(interleaved, frames, *this);
  std::fill(interleaved + 2 * written, interleaved + 2 * frames, 0.0f);
  const float gain = level.load(std::memory_order_relaxed);
  // At full volume the samples stay exactly as rendered.
  if (gain != 1.0f)
    for (std::size_t i = 0; i < 2 * written; ++i) interleaved[i] *= gain;
  handed += frames;
  if (tableKnown && !tableKnown->load(std::memory_order_acquire)) return;
  if (!located) {
    next = table.firstAtOrAfter(startFrame);
    located = true;
  }
  const std::int64_t heard = static_cast<std::int64_t>(handed) - delayFrames;
  const std::span<const CueTable::Cue> cues = table.cues();
  while (next < cues.size() && static_cast<std::int64_t>(cues[next].sample) <= heard) receiver.post(cues[next++].code);
}
