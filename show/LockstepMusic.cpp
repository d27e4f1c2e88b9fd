#include "show/LockstepMusic.h"

#include <algorithm>

namespace {
// The shortest XM row: speed 1 at tempo 255 lasts 2.5 / 255 s.
constexpr std::size_t SHORTEST_ROW_FRAMES = SAMPLE_RATE * 5 / 2 / 255;
// A row holds at most one event per channel.
constexpr std::size_t MOST_CHANNELS = 32;
}  // namespace

LockstepMusic::LockstepMusic(const FrameTiming& frameTiming) : timing(frameTiming) {
  const std::size_t most = timing.mostSamplesInAFrame();
  buffer.assign(2 * most, 0.0f);
  // Events wait at most one frame past the one that rendered them.
  queue.reserve((2 * most / SHORTEST_ROW_FRAMES + 2) * MOST_CHANNELS);
}

bool LockstepMusic::open(std::span<const std::uint8_t> module) {
  next = 0;
  queue.clear();
  table = nullptr;
  return renderer.open(module);
}

void LockstepMusic::renderFrame(SyncReceiver& receiver) {
  const std::size_t wanted = timing.samplesIn(next);
  overflow = &receiver;
  const std::size_t got = renderer.render(buffer.data(), wanted, *this);
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(2 * got), buffer.begin() + static_cast<std::ptrdiff_t>(2 * wanted),
            0.0f);
  rendered = wanted;

  const std::int64_t due = timing.firstSample(next);
  if (table) {
    const std::span<const CueTable::Cue> cues = table->cues();
    while (tableNext < cues.size() && static_cast<std::int64_t>(cues[tableNext].sample) <= due)
      receiver.post(cues[tableNext++].code);
  }
  queue.postDue(due, receiver);
  ++next;
}

void LockstepMusic::seekTo(std::int64_t frame, const CueTable& cues) {
  next = frame;
  queue.clear();
  table = &cues;
  tableNext = frame == 0 ? 0 : cues.firstAtOrAfter(static_cast<std::uint64_t>(timing.firstSample(frame - 1)) + 1);
  // libopenmpt lands on a row; the samples from there to the frame's first are played and dropped.
  const auto first = static_cast<std::uint64_t>(timing.firstSample(frame));
  std::uint64_t at = renderer.seekAtOrBefore(first);
  while (at < first && !renderer.finished()) {
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(first - at, buffer.size() / 2));
    at += renderer.render(buffer.data(), wanted, *this);
  }
}

void LockstepMusic::onZxxEvent(std::uint64_t sample, std::uint8_t code) {
  if (table) return;
  // The queue holds two frames of the shortest rows: an early post cannot happen.
  queue.push(static_cast<std::int64_t>(sample), code, *overflow);
}
