#pragma once
// The show's one float-to-integer rule: truncate toward zero to a 64-bit integer and keep its low
// 32 bits. NaN, the infinities and anything outside the 64-bit range give 0, as the 64-bit
// conversion's "indefinite" result has zero low bits. Floats widen to double exactly, so one
// double overload serves both.

#include <cstdint>

constexpr std::int32_t floatToInt(double v) {
  // Written so that NaN fails the test; -2^63 itself is in range.
  if (!(v >= -0x1p63 && v < 0x1p63)) return 0;
  const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
}
