#include "show/Clock.h"

Clock::Clock(MillisecondCounter& source) : counter(source), lastReading(source.readMs()) {
  start = static_cast<float>(static_cast<double>(lastReading));
}

double Clock::readExtended() {
  std::uint32_t reading = counter.readMs();
  // A steady counter never goes back, so a smaller reading means it has wrapped.
  if (reading < lastReading) wrapBase += std::uint64_t{1} << 32;
  lastReading = reading;
  return static_cast<double>(wrapBase + reading);
}

void Clock::update() {
  double now = readExtended();
  elapsed = static_cast<float>(now - static_cast<double>(start));
}
