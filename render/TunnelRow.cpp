#include "render/TunnelRow.h"

#include "render/CpuFeatures.h"

#if defined(ZOD_AVX2_PATHS)
#include <immintrin.h>
#endif

void tunnelRowPortable(Pixel* out, const TunnelWindows& w, const Pixel* texture) {
  // Three loops: the sums and the darkening are plain element-wise work that the compiler can
  // vectorise; only the texel look-ups in between go one pixel at a time.
  std::int32_t distanceSum[FRAME_WIDTH];
  std::int32_t angleSum[FRAME_WIDTH];
  Pixel grey[FRAME_WIDTH];
  for (int x = 0; x < FRAME_WIDTH; ++x) {
    distanceSum[x] = w.distance[0][x] + w.distance[1][x] + w.distance[2][x] + w.distance[3][x] + w.distance[4][x];
    angleSum[x] = w.angle[0][x] + w.angle[1][x] + w.angle[2][x] + w.angle[3][x] + w.angle[4][x];
  }
  for (int x = 0; x < FRAME_WIDTH; ++x) {
    const std::int32_t d = distanceSum[x];
    const std::uint32_t u = static_cast<std::uint32_t>(angleSum[x] / 800) & 0xFFu;
    const std::uint32_t v = static_cast<std::uint32_t>(d >> 17) & 0xFFu;
    out[x] = texture[v * 256 + u];
    grey[x] = greyWord(static_cast<std::uint8_t>(d >> 20));
  }
  for (int x = 0; x < FRAME_WIDTH; ++x) out[x] = subtractSaturated(out[x], grey[x]);
}

#if defined(ZOD_AVX2_PATHS)
namespace {
ZOD_AVX2_TARGET inline __m256i load8(const std::int32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

ZOD_AVX2_TARGET void tunnelRowAvx2(Pixel* out, const TunnelWindows& w, const Pixel* texture) {
  // An angle sum within +-2^24 is exact as a float, and the correctly rounded quotient by 800
  // never crosses an integer (a true fraction is at least 1/800 away from one, far more than the
  // rounding error), so truncating the float quotient equals the integer division.
  const __m256 divisor = _mm256_set1_ps(800.0f);
  const __m256i low8 = _mm256_set1_epi32(0xFF);
  const auto* base = reinterpret_cast<const int*>(texture);
  for (int x = 0; x < FRAME_WIDTH; x += 8) {
    __m256i d = _mm256_add_epi32(load8(w.distance[0] + x), load8(w.distance[1] + x));
    d = _mm256_add_epi32(d, load8(w.distance[2] + x));
    d = _mm256_add_epi32(d, load8(w.distance[3] + x));
    d = _mm256_add_epi32(d, load8(w.distance[4] + x));
    __m256i a = _mm256_add_epi32(load8(w.angle[0] + x), load8(w.angle[1] + x));
    a = _mm256_add_epi32(a, load8(w.angle[2] + x));
    a = _mm256_add_epi32(a, load8(w.angle[3] + x));
    a = _mm256_add_epi32(a, load8(w.angle[4] + x));

    const __m256i quotient = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(a), divisor));
    const __m256i u = _mm256_and_si256(quotient, low8);
    const __m256i v = _mm256_and_si256(_mm256_srai_epi32(d, 17), low8);
    const __m256i index = _mm256_or_si256(_mm256_slli_epi32(v, 8), u);
    const __m256i texel = _mm256_i32gather_epi32(base, index, 4);

    const __m256i s = _mm256_and_si256(_mm256_srai_epi32(d, 20), low8);
    const __m256i grey = _mm256_or_si256(s, _mm256_or_si256(_mm256_slli_epi32(s, 8), _mm256_slli_epi32(s, 16)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_subs_epu8(texel, grey));
  }
}
}  // namespace

void tunnelRow(Pixel* out, const TunnelWindows& w, const Pixel* texture) {
  if (processorHasAvx2())
    tunnelRowAvx2(out, w, texture);
  else
    tunnelRowPortable(out, w, texture);
}
#else
void tunnelRow(Pixel* out, const TunnelWindows& w, const Pixel* texture) { tunnelRowPortable(out, w, texture); }
#endif
