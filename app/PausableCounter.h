#pragma once
// A millisecond counter that stands still while paused: it reads the counter below less the time
// spent in pauses, so the show clock carries on after a pause from where it stopped.

#include <cstdint>

#include "show/MillisecondCounter.h"

class PausableCounter final : public MillisecondCounter {
 public:
  explicit PausableCounter(MillisecondCounter& source) : below(source) {}

  std::uint32_t readMs() override { return (paused ? pausedAt : below.readMs()) - heldMs; }

  void pause() {
    if (paused) return;
    pausedAt = below.readMs();
    paused = true;
  }
  void resume() {
    if (!paused) return;
    // Unsigned arithmetic keeps the difference right across the counter's wrap.
    heldMs += below.readMs() - pausedAt;
    paused = false;
  }
  bool isPaused() const { return paused; }

 private:
  MillisecondCounter& below;
  bool paused = false;
  std::uint32_t pausedAt = 0;
  std::uint32_t heldMs = 0;
};
