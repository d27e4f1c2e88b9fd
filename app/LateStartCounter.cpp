#include "app/LateStartCounter.h"

std::uint32_t LateStartCounter::readMs() {
  if (!isLive) return simulatedCounter.readMs();
  // Unsigned arithmetic keeps the difference right across the live counter's wrap.
  return liveBase + (live.readMs() - liveAtSwitch);
}

void LateStartCounter::goLive(std::uint32_t fromMs) {
  liveBase = fromMs;
  liveAtSwitch = live.readMs();
  isLive = true;
}
