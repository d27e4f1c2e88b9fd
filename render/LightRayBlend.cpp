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

LaneWeights firstColumnWeights(std::uint32_t fx) {
  const auto w = static_cast<std::uint16_t>(255 - fx);
  return LaneWeights{{w, w, w, 0, w, w, w, 0}};
}

LaneWeights secondColumnWeights(std::uint32_t fx) {
  const auto w = static_cast<std::uint16_t>(fx);
  return LaneWeights{{w, w, w, 0, w, w, w, 0}};
}

LaneWeights rowWeights(std::uint32_t fy) {
  const auto w0 = static_cast<std::uint16_t>(255 - fy);
  const auto w1 = static_cast<std::uint16_t>(fy);
  return LaneWeights{{w0, w0, w0, w0, w1, w1, w1, w1}};
}

void smearRowPortable(WidePixel* row, const WidePixel* near, const WidePixel* far, int first, int step, int count,
                      const std::int32_t* sampleColumn, int sampleStep, const LaneWeights*,
                      const LaneWeights* secondColumn, const LaneWeights& weightsOfRow) {
  const std::uint32_t fy = weightsOfRow.lane[4];
  for (int m = first; m >= 0 && m < count; m += step) {
    const std::ptrdiff_t sc = sampleColumn[m];
    const std::ptrdiff_t sc2 = sc + sampleStep;
    row[m] = lightRayBlendWide(row[m], near[sc], near[sc2], far[sc], far[sc2], secondColumn[m].lane[0], fy);
  }
}

void smearRow(WidePixel* row, const WidePixel* near, const WidePixel* far, int first, int step, int count,
              const std::int32_t* sampleColumn, int sampleStep, const LaneWeights* firstColumn,
              const LaneWeights* secondColumn, const LaneWeights& weightsOfRow) {
#if defined(__SSE2__)
  const __m128i rowWeight = _mm_load_si128(reinterpret_cast<const __m128i*>(&weightsOfRow));
  for (int m = first; m >= 0 && m < count; m += step) {
    const std::ptrdiff_t sc = sampleColumn[m];
    const std::ptrdiff_t sc2 = sc + sampleStep;
    // [n0 | ny] and [nx | nxy]: top and bottom in one go, 16-bit lanes that never overflow.
    const __m128i firsts = _mm_castpd_si128(_mm_loadh_pd(
        _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(near + sc))), reinterpret_cast<const double*>(far + sc)));
    const __m128i seconds = _mm_castpd_si128(_mm_loadh_pd(
        _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(near + sc2))), reinterpret_cast<const double*>(far + sc2)));
    const __m128i w0 = _mm_load_si128(reinterpret_cast<const __m128i*>(firstColumn + m));
    const __m128i w1 = _mm_load_si128(reinterpret_cast<const __m128i*>(secondColumn + m));
    const __m128i topBottom =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(firsts, w0), _mm_mullo_epi16(seconds, w1)), 8);
    const __m128i weighted = _mm_mullo_epi16(topBottom, rowWeight);
    const __m128i sample = _mm_srli_epi16(_mm_add_epi16(weighted, _mm_shuffle_epi32(weighted, 0x4E)), 8);
    const __m128i self = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + m));
    const __m128i blended =
        _mm_srli_epi16(_mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(sample, 4), sample), self), 4);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + m), blended);
  }
#else
  smearRowPortable(row, near, far, first, step, count, sampleColumn, sampleStep, firstColumn, secondColumn,
                   weightsOfRow);
#endif
}
