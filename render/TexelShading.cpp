#include "render/TexelShading.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline std::uint32_t texelIndex(std::int32_t u, std::int32_t v, std::uint32_t vShift) {
  return ((static_cast<std::uint32_t>(v) + vShift) & 255u) << 8 | (static_cast<std::uint32_t>(u) & 255u);
}

inline std::uint8_t clampedShade(std::int32_t s) { return static_cast<std::uint8_t>(clampShade(s)); }

template <bool Brighten>
void shadePortable(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::int32_t* shade, int from,
                   int count, const Pixel* texture, std::uint32_t vShift) {
  for (int i = from; i < count; ++i) {
    const Pixel texel = texture[texelIndex(u[i], v[i], vShift)];
    const Pixel grey = greyWord(clampedShade(shade[i]));
    out[i] = Brighten ? addSaturated(texel, grey) : subtractSaturated(texel, grey);
  }
}

#if defined(__SSE2__)
template <bool Brighten>
void shadeSse2(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::int32_t* shade, int count,
               const Pixel* texture, std::uint32_t vShift) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowByte = _mm_set1_epi32(255);
  const __m128i shift = _mm_set1_epi32(static_cast<int>(vShift));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shade + i));
    // Unsigned clamp: anything with bits above the low byte (negative values included) is 255.
    const __m128i inRange = _mm_cmpeq_epi32(_mm_srli_epi32(s, 8), zero);
    s = _mm_or_si128(_mm_and_si128(s, inRange), _mm_andnot_si128(inRange, lowByte));
    const __m128i grey = _mm_or_si128(_mm_or_si128(s, _mm_slli_epi32(s, 8)), _mm_slli_epi32(s, 16));

    const __m128i column = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + i)), lowByte);
    const __m128i row =
        _mm_and_si128(_mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i)), shift), lowByte);
    alignas(16) std::uint32_t index[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_or_si128(_mm_slli_epi32(row, 8), column));
    const __m128i texels = _mm_setr_epi32(static_cast<int>(texture[index[0]]), static_cast<int>(texture[index[1]]),
                                          static_cast<int>(texture[index[2]]), static_cast<int>(texture[index[3]]));
    const __m128i result = Brighten ? _mm_adds_epu8(texels, grey) : _mm_subs_epu8(texels, grey);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), result);
  }
  shadePortable<Brighten>(out, u, v, shade, i, count, texture, vShift);
}
#endif

}  // namespace

void shadeTexelsPortable(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::int32_t* shade,
                         int count, const Pixel* texture, std::uint32_t vShift, bool brighten) {
  if (brighten) {
    shadePortable<true>(out, u, v, shade, 0, count, texture, vShift);
  } else {
    shadePortable<false>(out, u, v, shade, 0, count, texture, vShift);
  }
}

void shadeTexels(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::int32_t* shade, int count,
                 const Pixel* texture, std::uint32_t vShift, bool brighten) {
#if defined(__SSE2__)
  if (brighten) {
    shadeSse2<true>(out, u, v, shade, count, texture, vShift);
  } else {
    shadeSse2<false>(out, u, v, shade, count, texture, vShift);
  }
#else
  shadeTexelsPortable(out, u, v, shade, count, texture, vShift, brighten);
#endif
}
