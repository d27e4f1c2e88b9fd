#pragma once
// Where the show clock reads its milliseconds: a 32-bit unsigned count that grows steadily and
// wraps at 2^32. The program reads a steady system clock; tests, the lab and capture inject theirs.

#include <cstdint>

class MillisecondCounter {
 public:
  virtual ~MillisecondCounter() = default;
  virtual std::uint32_t readMs() = 0;
};

// Milliseconds of the system's steady clock, which on Linux counts from boot like the original
// timer did, taken modulo 2^32.
class SteadyMillisecondCounter final : public MillisecondCounter {
 public:
  std::uint32_t readMs() override;
};

// A counter that reads whatever it is set to, then moves on by a fixed step per read.
class ManualMillisecondCounter final : public MillisecondCounter {
 public:
  explicit ManualMillisecondCounter(std::uint32_t startMs = 0, std::uint32_t stepPerReadMs = 0)
      : nowMs(startMs), stepMs(stepPerReadMs) {}
  std::uint32_t readMs() override {
    std::uint32_t value = nowMs;
    nowMs += stepMs;
    return value;
  }
  void set(std::uint32_t ms) { nowMs = ms; }
  void advance(std::uint32_t ms) { nowMs += ms; }
  std::uint32_t peek() const { return nowMs; }

 private:
  std::uint32_t nowMs;
  std::uint32_t stepMs;
};
