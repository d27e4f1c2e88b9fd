#include "render/TextureShading.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
inline Pixel texelAt(const Pixel* texture, std::int32_t u, std::int32_t v) {
  return texture[((static_cast<std::uint32_t>(v) & 0xFF) << 8) | (static_cast<std::uint32_t>(u) & 0xFF)];
}
}  // namespace

void shadeTextureRunPortable(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::uint8_t* shade,
                             const Pixel* texture, std::size_t n) {
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    const std::uint64_t texels =
        texelAt(texture, u[i], v[i]) | static_cast<std::uint64_t>(texelAt(texture, u[i + 1], v[i + 1])) << 32;
    const std::uint64_t greys = greyWord(shade[i]) | static_cast<std::uint64_t>(greyWord(shade[i + 1])) << 32;
    const std::uint64_t shaded = subtractSaturated2(texels, greys);
    std::memcpy(out + i, &shaded, sizeof shaded);
  }
  for (; i < n; ++i) out[i] = subtractSaturated(texelAt(texture, u[i], v[i]), greyWord(shade[i]));
}

void shadeTextureRun(Pixel* out, const std::int32_t* u, const std::int32_t* v, const std::uint8_t* shade,
                     const Pixel* texture, std::size_t n) {
#if defined(__SSE2__)
  std::size_t i = 0;
  const __m128i colourBytes = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i texels = _mm_set_epi32(
        static_cast<int>(texelAt(texture, u[i + 3], v[i + 3])), static_cast<int>(texelAt(texture, u[i + 2], v[i + 2])),
        static_cast<int>(texelAt(texture, u[i + 1], v[i + 1])), static_cast<int>(texelAt(texture, u[i], v[i])));
    int shades;
    std::memcpy(&shades, shade + i, sizeof shades);
    __m128i grey = _mm_cvtsi32_si128(shades);
    grey = _mm_unpacklo_epi8(grey, grey);
    grey = _mm_unpacklo_epi16(grey, grey);
    // A grey word has a zero top byte.
    grey = _mm_and_si128(grey, colourBytes);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_subs_epu8(texels, grey));
  }
  shadeTextureRunPortable(out + i, u + i, v + i, shade + i, texture, n - i);
#else
  shadeTextureRunPortable(out, u, v, shade, texture, n);
#endif
}
