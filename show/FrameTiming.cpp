#include "show/FrameTiming.h"

namespace {
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
}  // namespace

bool FrameTiming::usable(std::int64_t numerator, std::int64_t denominator) {
  if (numerator < 1 || numerator > LARGEST_TERM || denominator < 1 || denominator > LARGEST_TERM) return false;
  return numerator >= denominator && numerator <= 1000 * denominator;
}

FrameTiming::FrameTiming(std::int64_t numerator, std::int64_t denominator) : num(numerator), den(denominator) {}

std::uint32_t FrameTiming::counterMs(std::int64_t n) const {
  return static_cast<std::uint32_t>(floorDiv(n * 1000 * den, num));
}

std::int64_t FrameTiming::firstSample(std::int64_t n) const { return floorDiv(n * SAMPLE_RATE * den, num); }

std::size_t FrameTiming::samplesIn(std::int64_t n) const {
  return static_cast<std::size_t>(firstSample(n + 1) - firstSample(n));
}

std::size_t FrameTiming::mostSamplesInAFrame() const {
  // ceil(44100 / F) bounds the difference of two floors one frame apart.
  return static_cast<std::size_t>((SAMPLE_RATE * den + num - 1) / num);
}

std::int64_t FrameTiming::frameAt(std::int64_t micros) const { return floorDiv(micros * num, 1000000 * den); }

std::int64_t FrameTiming::firstFrameFromSample(std::int64_t sample) const {
  // The least n with n x 44100 x den >= sample x num.
  return -floorDiv(-sample * num, SAMPLE_RATE * den);
}
