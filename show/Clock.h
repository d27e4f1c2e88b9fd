#pragma once
// The show clock: milliseconds since it was made, as a 32-bit float, taken once per idle turn.
//
// The start is stored as a 32-bit float (rounded to nearest even), so a counter above 2^24 ms
// shifts the whole run's time origin by up to half a float step; differences between frames stay
// exact. The 32-bit counter wraps every 2^32 ms (about 49.7 days): each reading that is smaller
// than the one before counts one more wrap, so the show time keeps growing across it instead of
// dropping by 2^32 ms. Readings before the first wrap give exactly the unwrapped result.

#include <cstdint>

#include "show/MillisecondCounter.h"

class Clock {
 public:
  explicit Clock(MillisecondCounter& source);

  // Reads the counter and stores the elapsed time of this frame.
  void update();
  // The elapsed time stored by the last update (0 before the first one).
  float elapsedMs() const { return elapsed; }

 private:
  // The counter reading extended past 2^32 by the wraps seen so far.
  double readExtended();

  MillisecondCounter& counter;
  std::uint32_t lastReading;
  std::uint64_t wrapBase = 0;
  float start;
  float elapsed = 0.0f;
};
