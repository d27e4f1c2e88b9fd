#include "render/Pixel.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void clearFrame(Pixel* frame) { std::memset(frame, 0, FRAME_BYTES); }

void addSaturatedRunPortable(Pixel* dst, const Pixel* src, std::size_t n) {
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    std::uint64_t a, b;
    std::memcpy(&a, dst + i, 8);
    std::memcpy(&b, src + i, 8);
    a = addSaturated2(a, b);
    std::memcpy(dst + i, &a, 8);
  }
  for (; i < n; ++i) dst[i] = addSaturated(dst[i], src[i]);
}

void addSaturatedRun(Pixel* dst, const Pixel* src, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epu8(a, b));
  }
#endif
  addSaturatedRunPortable(dst + i, src + i, n - i);
}
