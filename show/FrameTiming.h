#pragma once
// The times of an offline run at a fixed frame rate F = numerator / denominator frames per second.
//
// Everything is computed from the frame index with integers, so nothing drifts however long the
// run: frame n starts at n / F seconds; the show clock, which reads whole milliseconds like a real
// counter, reads floor(n x 1000 / F) in it; and it plays the audio samples [A(n), A(n + 1)) with
// A(n) = floor(n x 44100 / F). A sync event stamped at sample s belongs to the first frame whose
// start is at or after s / 44100 s, which is the first n with A(n) >= s.

#include <cstddef>
#include <cstdint>

#include "show/SampleRate.h"

class FrameTiming {
 public:
  // Limits that keep every product below 2^63 for runs of up to a day.
  static constexpr std::int64_t LARGEST_TERM = 100000;
  static constexpr std::int64_t LONGEST_RUN_MS = 24LL * 3600 * 1000;

  // A rate is usable when both terms are 1..LARGEST_TERM and it lies between 1 and 1000 fps.
  static bool usable(std::int64_t numerator, std::int64_t denominator);

  // 60 fps unless told otherwise; the terms must be usable.
  FrameTiming(std::int64_t numerator = 60, std::int64_t denominator = 1);

  std::int64_t numerator() const { return num; }
  std::int64_t denominator() const { return den; }
  double framesPerSecond() const { return static_cast<double>(num) / static_cast<double>(den); }

  // The millisecond counter's value in frame n: floor(n x 1000 / F).
  std::uint32_t counterMs(std::int64_t n) const;
  // The first audio sample of frame n: floor(n x 44100 / F).
  std::int64_t firstSample(std::int64_t n) const;
  // The number of samples frame n plays.
  std::size_t samplesIn(std::int64_t n) const;
  // The most samples any frame plays at this rate.
  std::size_t mostSamplesInAFrame() const;
  // The frame on screen at `micros` microseconds: floor(micros x F / 10^6).
  std::int64_t frameAt(std::int64_t micros) const;
  // The first frame that starts at or after sample s: the frame an event stamped s is due in.
  std::int64_t firstFrameFromSample(std::int64_t sample) const;

 private:
  std::int64_t num;
  std::int64_t den;
};
