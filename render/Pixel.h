#pragma once
// The pixel word 0x00RRGGBB and the saturating byte arithmetic every effect draws with.
// Bytes are independent: no carry or borrow crosses from one byte into the next.

#include <cstddef>
#include <cstdint>

using Pixel = std::uint32_t;

inline constexpr int FRAME_WIDTH = 512;
inline constexpr int FRAME_HEIGHT = 280;
inline constexpr int FRAME_PIXELS = FRAME_WIDTH * FRAME_HEIGHT;          // 143360
inline constexpr std::size_t FRAME_BYTES = FRAME_PIXELS * sizeof(Pixel);  // 0x8C000
inline constexpr int SCREEN_HEIGHT = 384;
inline constexpr int SCREEN_PIXELS = FRAME_WIDTH * SCREEN_HEIGHT;
inline constexpr int LETTERBOX_ROWS = 52;
inline constexpr int TEXTURE_SIZE = 256;
inline constexpr int TEXTURE_PIXELS = TEXTURE_SIZE * TEXTURE_SIZE;

inline constexpr Pixel TRANSPARENT_KEY = 0x000000FFu;

namespace pixel_detail {
inline constexpr std::uint64_t HIGH_BITS = 0x8080808080808080ull;

// SWAR saturating byte add/subtract; the top bit of each byte is handled apart so that
// the low seven bits can never carry into the neighbouring byte.
template <typename Word>
constexpr Word addSaturatedWord(Word a, Word b) {
  constexpr Word high = static_cast<Word>(HIGH_BITS);
  Word sum = ((a & ~high) + (b & ~high)) ^ ((a ^ b) & high);
  Word carry = ((a & b) | ((a | b) & ~sum)) & high;
  Word mask = (carry >> 7) * static_cast<Word>(0xFF);
  return sum | mask;
}

template <typename Word>
constexpr Word subtractSaturatedWord(Word a, Word b) {
  constexpr Word high = static_cast<Word>(HIGH_BITS);
  Word diff = ((a | high) - (b & ~high)) ^ ((a ^ ~b) & high);
  Word borrow = ((~a & b) | (~(a ^ b) & diff)) & high;
  Word mask = (borrow >> 7) * static_cast<Word>(0xFF);
  return diff & ~mask;
}
}  // namespace pixel_detail

// Each of the four bytes becomes min(255, a + b).
constexpr Pixel addSaturated(Pixel a, Pixel b) { return pixel_detail::addSaturatedWord<Pixel>(a, b); }
// Each of the four bytes becomes max(0, a - b).
constexpr Pixel subtractSaturated(Pixel a, Pixel b) {
  return pixel_detail::subtractSaturatedWord<Pixel>(a, b);
}
// Two adjacent pixels as one 64-bit unit (the lower address in the low half): same bytes as two single calls.
constexpr std::uint64_t addSaturated2(std::uint64_t a, std::uint64_t b) {
  return pixel_detail::addSaturatedWord<std::uint64_t>(a, b);
}
constexpr std::uint64_t subtractSaturated2(std::uint64_t a, std::uint64_t b) {
  return pixel_detail::subtractSaturatedWord<std::uint64_t>(a, b);
}

constexpr Pixel greyWord(std::uint8_t s) { return static_cast<Pixel>(s) * 0x010101u; }
constexpr std::uint64_t greyWord2(std::uint8_t s) {
  return static_cast<std::uint64_t>(s) * 0x0001010100010101ull;
}

// Shade amounts outside 0..255 (negative ones included) mean fully dark.
constexpr int clampShade(std::int32_t v) { return static_cast<std::uint32_t>(v) < 256u ? v : 255; }

// Zeroes rows 0..279; the reserve rows below are left alone.
void clearFrame(Pixel* frame);

// Long-run form, dst[i] = addSaturated(dst[i], src[i]) for i < n; SSE2 where the build has it.
void addSaturatedRun(Pixel* dst, const Pixel* src, std::size_t n);
// The same bytes two pixels at a time in 64-bit words.
void addSaturatedRunPortable(Pixel* dst, const Pixel* src, std::size_t n);
