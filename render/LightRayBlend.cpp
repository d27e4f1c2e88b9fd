#include "render/LightRayBlend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void widenPixels(WidePixel* out, const Pixel* in, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(packed, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 2), _mm_unpackhi_epi8(packed, zero));
  }
#endif
  for (; i < n; ++i) out[i] = widen(in[i]);
}

void narrowPixels(Pixel* out, const WidePixel* in, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 2));
    // Every lane holds a byte, so the saturating pack keeps it unchanged.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < n; ++i) out[i] = narrow(in[i]);
}
