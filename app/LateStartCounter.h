#pragma once
// The millisecond counter of a show that starts part-way: it reads a simulated value while the
// show is run up to the starting moment unseen, then goes live, reading that moment plus the
// real milliseconds since, so the show clock carries on from where the simulation stopped.

#include <cstdint>

#include "show/MillisecondCounter.h"

class LateStartCounter final : public MillisecondCounter {
 public:
  explicit LateStartCounter(MillisecondCounter& realCounter) : live(realCounter) {}

  std::uint32_t readMs() override;

  // The simulated counter, set frame by frame while the show is run up to its starting moment.
  ManualMillisecondCounter& simulated() { return simulatedCounter; }
  // From now on: `fromMs` plus the live counter's progress since this call.
  void goLive(std::uint32_t fromMs);

 private:
  MillisecondCounter& live;
  ManualMillisecondCounter simulatedCounter;
  bool isLive = false;
  std::uint32_t liveBase = 0;
  std::uint32_t liveAtSwitch = 0;
};
