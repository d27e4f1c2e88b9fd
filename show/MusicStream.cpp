#include "show/MusicStream.h"

#include <algorithm>

namespace {
// The shortest XM row: speed 1 at tempo 255 lasts 2.5 / 255 s.
constexpr std::int64_t SHORTEST_ROW_FRAMES = SAMPLE_RATE * 5 / 2 / 255;
// Enough for a minute of the busiest rows; an absurd sync offset must not ask for gigabytes.
constexpr std::size_t MOST_QUEUED_EVENTS = 1 << 16;

std::size_t mostEventsInOneRow(const XmPatternScan& scan) {
  std::size_t most = 0;
  const std::vector<ZxxCell>& cells = scan.cells();
  for (std::size_t i = 0; i < cells.size();) {
    std::size_t j = i;
    while (j < cells.size() && cells[j].pattern == cells[i].pattern && cells[j].row == cells[i].row) ++j;
    most = std::max(most, j - i);
    i = j;
  }
  return most;
}
}  // namespace

MusicStream::MusicStream(ModuleRenderer& source, std::uint32_t deviceBufferFrames, int syncOffsetMs,
                         SyncReceiver& cueReceiver)
    : renderer(source),
      receiver(cueReceiver),
      delayFrames(static_cast<std::int64_t>(deviceBufferFrames) +
                  static_cast<std::int64_t>(syncOffsetMs) * SAMPLE_RATE / 1000) {
  // A renderer moved part-way into the song stamps its rows from the song's start: count the
  // frames handed from there, so its events are heard on time.
  handed = source.renderedFrames();
  // Events wait at most the delay plus one fill (taken as one device buffer, the usual request);
  // that many frames hold this many rows at most.
  const std::int64_t waitFrames = std::max<std::int64_t>(delayFrames, 0) + 2 * deviceBufferFrames;
  const std::size_t rows = static_cast<std::size_t>(std::min<std::int64_t>(
      waitFrames / SHORTEST_ROW_FRAMES + 2, MOST_QUEUED_EVENTS));
  queue.reserve(std::clamp<std::size_t>(rows * mostEventsInOneRow(source.patternScan()), 16, MOST_QUEUED_EVENTS));
}

void MusicStream::fillCallback(void* stream, float* interleaved, std::size_t frames) {
  static_cast<MusicStream*>(stream)->fill(interleaved, frames);
}

void MusicStream::fill(float* interleaved, std::size_t frames) {
  const std::size_t written = renderer.render(interleaved, frames, *this);
  std::fill(interleaved + 2 * written, interleaved + 2 * frames, 0.0f);
  handed += frames;
  queue.postDue(static_cast<std::int64_t>(handed) - delayFrames, receiver);
}

void MusicStream::onZxxEvent(std::uint64_t sample, std::uint8_t code) {
  queue.push(static_cast<std::int64_t>(sample), code, receiver);
}
