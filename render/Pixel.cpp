#include "render/Pixel.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void blitKeyed(Pixel* frame, const Pixel* picture, int w, int h, int x0, int y0) {
  for (int r = 0; r < h; ++r) {
    Pixel* out = frame + static_cast<std::ptrdiff_t>(y0 + r) * FRAME_WIDTH + x0;
    const Pixel* in = picture + static_cast<std::ptrdiff_t>(r) * w;
    for (int c = 0; c < w; ++c) {
      if (in[c] != TRANSPARENT_KEY) out[c] = in[c];
    }
  }
}

void clearFrame(Pixel* frame) { std::memset(frame, 0, FRAME_BYTES); }

void addSaturatedRun(Pixel* dst, const Pixel* src, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epu8(a, b));
  }
#else
  for (; i + 2 <= n; i += 2) {
    std::uint64_t a, b;
    std::memcpy(&a, dst + i, 8);
    std::memcpy(&b, src + i, 8);
    a = addSaturated2(a, b);
    std::memcpy(dst + i, &a, 8);
  }
#endif
  for (; i < n; ++i) dst[i] = addSaturated(dst[i], src[i]);
}

void darkenRun(Pixel* dst, std::size_t n, std::uint8_t shade) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i grey = _mm_set1_epi32(static_cast<int>(greyWord(shade)));
  for (; i + 4 <= n; i += 4) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_subs_epu8(a, grey));
  }
#else
  const std::uint64_t grey = greyWord2(shade);
  for (; i + 2 <= n; i += 2) {
    std::uint64_t a;
    std::memcpy(&a, dst + i, 8);
    a = subtractSaturated2(a, grey);
    std::memcpy(dst + i, &a, 8);
  }
#endif
  for (; i < n; ++i) dst[i] = subtractSaturated(dst[i], greyWord(shade));
}
