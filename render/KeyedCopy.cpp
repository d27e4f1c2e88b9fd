#include "render/KeyedCopy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void copyKeyedRunPortable(Pixel* dst, const Pixel* src, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) copyKeyed(dst[i], src[i]);
}

void copyKeyedRun(Pixel* dst, const Pixel* src, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i key = _mm_set1_epi32(static_cast<int>(TRANSPARENT_KEY));
  for (; i + 4 <= n; i += 4) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i transparent = _mm_cmpeq_epi32(in, key);
    const __m128i out = _mm_or_si128(_mm_and_si128(transparent, old), _mm_andnot_si128(transparent, in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
  }
#endif
  copyKeyedRunPortable(dst + i, src + i, n - i);
}
