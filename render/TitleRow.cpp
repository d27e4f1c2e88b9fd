#include "render/TitleRow.h"

#include <cmath>

#include "render/FloatToInt.h"

#include "render/CpuFeatures.h"

#if defined(ZOD_AVX2_PATHS)
#include <immintrin.h>
#endif

namespace {
// The picture's centre pixel is 127, not 128.
constexpr int TITLE_CENTRE = 127;
constexpr int HALF_WIDTH = FRAME_WIDTH / 2;
// Up to this scale every picture coordinate of the frame stays far inside the 32-bit range, so a
// plain truncating conversion is the general rule.
constexpr double MODEST_SCALE = 1048576.0;

bool modestScale(double rs, double rc) { return std::fabs(rs) <= MODEST_SCALE && std::fabs(rc) <= MODEST_SCALE; }

// The frame columns [first, last] of one row that fall inside the picture.
struct Span {
  int first;
  int last;
};

// First column in [0, FRAME_WIDTH) where a false-then-true predicate holds; FRAME_WIDTH if none.
template <typename Predicate>
int firstColumnWhere(Predicate holds) {
  int low = 0;
  int high = FRAME_WIDTH;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (holds(middle)) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

// Columns where a picture coordinate that moves monotonically along the row lies in 0..255.
// Rounding a product and truncating both preserve order, so the coordinate never turns back and
// the columns inside form one span.
template <typename Coordinate>
Span spanInside(Coordinate coordinate, bool increasing) {
  if (increasing) {
    return {firstColumnWhere([&](int x) { return coordinate(x) >= 0; }),
            firstColumnWhere([&](int x) { return coordinate(x) > 255; }) - 1};
  }
  return {firstColumnWhere([&](int x) { return coordinate(x) <= 255; }),
          firstColumnWhere([&](int x) { return coordinate(x) < 0; }) - 1};
}

void titlePlaneRowChecked(Pixel* out, const Pixel* titleImage, double y, double rs, double rc) {
  const double yrs = y * rs;
  const double yrc = y * rc;
  for (int i = 0; i < FRAME_WIDTH; ++i) {
    const double x = i - HALF_WIDTH;
    const int column = floatToInt(x * rc - yrs) + TITLE_CENTRE;
    const int row = floatToInt(x * rs + yrc) + TITLE_CENTRE;
    const bool inside = column >= 0 && column < TEXTURE_SIZE && row >= 0 && row < TEXTURE_SIZE;
    out[i] = inside ? titleImage[row * TEXTURE_SIZE + column] : 0;
  }
}
}  // namespace

void titlePlaneRow(Pixel* out, const Pixel* titleImage, double y, double rs, double rc) {
  if (!modestScale(rs, rc)) {
    // Only a non-finite time gets here; every coordinate then converts by the general rule.
    titlePlaneRowChecked(out, titleImage, y, rs, rc);
    return;
  }
  const double yrs = y * rs;
  const double yrc = y * rc;
  const auto columnAt = [&](int i) {
    return static_cast<int>(static_cast<double>(i - HALF_WIDTH) * rc - yrs) + TITLE_CENTRE;
  };
  const auto rowAt = [&](int i) {
    return static_cast<int>(static_cast<double>(i - HALF_WIDTH) * rs + yrc) + TITLE_CENTRE;
  };
  const Span columns = spanInside(columnAt, rc >= 0.0);
  const Span rows = spanInside(rowAt, rs >= 0.0);
  const int first = columns.first > rows.first ? columns.first : rows.first;
  const int last = columns.last < rows.last ? columns.last : rows.last;
  int i = 0;
  for (; i < first && i < FRAME_WIDTH; ++i) out[i] = 0;
  for (; i <= last; ++i) out[i] = titleImage[rowAt(i) * TEXTURE_SIZE + columnAt(i)];
  for (; i < FRAME_WIDTH; ++i) out[i] = 0;
}

void titleRowPortable(Pixel* out, const TitleRowInputs& in) {
  titlePlaneRow(out, in.titleImage, in.y, in.rs, in.rc);
  // The texel look-ups one pixel at a time, then the byte arithmetic and the choice between
  // title and pattern as element-wise loops that the compiler can vectorise.
  Pixel texelA[FRAME_WIDTH];
  Pixel texelB[FRAME_WIDTH];
  for (int xi = 0; xi < FRAME_WIDTH; ++xi) {
    const auto x = static_cast<std::uint32_t>(xi);
    const std::uint32_t indexA = ((in.rowA - in.rowAOfColumn[xi]) & 0xFFu) << 8 | ((in.columnA + x) & 0xFFu);
    const std::uint32_t indexB =
        ((in.rowBOfColumn[xi] + in.rowB) & 0xFFu) << 8 | ((in.columnBOfColumn[xi] - in.columnB) & 0xFFu);
    texelA[xi] = in.textureA[indexA];
    texelB[xi] = in.textureB[indexB];
  }
  for (int xi = 0; xi < FRAME_WIDTH; ++xi) {
    const Pixel pattern = subtractSaturated(addSaturated(texelA[xi], texelB[xi]), in.greyOfColumn[xi]);
    const Pixel pixel = out[xi] != 0 ? out[xi] : pattern;
    out[xi] = addSaturated(pixel, in.slideRow[xi]);
  }
}

#if defined(ZOD_AVX2_PATHS)
namespace {
ZOD_AVX2_TARGET inline __m256i load8(const std::uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

ZOD_AVX2_TARGET void titleRowAvx2(Pixel* out, const TitleRowInputs& in) {
  const __m256d rs = _mm256_set1_pd(in.rs);
  const __m256d rc = _mm256_set1_pd(in.rc);
  const __m256d yrs = _mm256_set1_pd(in.y * in.rs);
  const __m256d yrc = _mm256_set1_pd(in.y * in.rc);
  const __m256d eight = _mm256_set1_pd(8.0);
  __m256d xLow = _mm256_setr_pd(-256.0, -255.0, -254.0, -253.0);
  __m256d xHigh = _mm256_setr_pd(-252.0, -251.0, -250.0, -249.0);
  const __m256i centre = _mm256_set1_epi32(TITLE_CENTRE);
  const __m256i low8 = _mm256_set1_epi32(0xFF);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i rowA = _mm256_set1_epi32(static_cast<int>(in.rowA));
  const __m256i columnA = _mm256_set1_epi32(static_cast<int>(in.columnA));
  const __m256i rowB = _mm256_set1_epi32(static_cast<int>(in.rowB));
  const __m256i columnB = _mm256_set1_epi32(static_cast<int>(in.columnB));
  __m256i x = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i step = _mm256_set1_epi32(8);
  const auto* title = reinterpret_cast<const int*>(in.titleImage);
  const auto* textureA = reinterpret_cast<const int*>(in.textureA);
  const auto* textureB = reinterpret_cast<const int*>(in.textureB);

  for (int i = 0; i < FRAME_WIDTH; i += 8) {
    // Title plane: the same double products and differences as the portable row, truncated.
    const __m128i columnLow = _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_mul_pd(xLow, rc), yrs));
    const __m128i columnHigh = _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_mul_pd(xHigh, rc), yrs));
    const __m128i rowLow = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(xLow, rs), yrc));
    const __m128i rowHigh = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(xHigh, rs), yrc));
    const __m256i column = _mm256_add_epi32(_mm256_set_m128i(columnHigh, columnLow), centre);
    const __m256i row = _mm256_add_epi32(_mm256_set_m128i(rowHigh, rowLow), centre);
    // Inside exactly when both coordinates are 0..255: no bit above the low eight is set.
    const __m256i inside = _mm256_cmpeq_epi32(_mm256_andnot_si256(low8, _mm256_or_si256(column, row)), zero);
    const __m256i titleIndex = _mm256_or_si256(_mm256_slli_epi32(row, 8), column);
    // Gathers are the costly part: skip the title's where no lane is inside, the pattern's where
    // the title covers every lane.
    __m256i pixel = zero;
    if (!_mm256_testz_si256(inside, inside)) {
      pixel = _mm256_mask_i32gather_epi32(zero, title, titleIndex, inside, 4);
    }
    const __m256i showsPattern = _mm256_cmpeq_epi32(pixel, zero);
    if (!_mm256_testz_si256(showsPattern, showsPattern)) {
      // Pattern: both texels added, then darkened by the column's shade.
      const __m256i rowAOfPixel = _mm256_and_si256(_mm256_sub_epi32(rowA, load8(in.rowAOfColumn + i)), low8);
      const __m256i columnAOfPixel = _mm256_and_si256(_mm256_add_epi32(columnA, x), low8);
      const __m256i indexA = _mm256_or_si256(_mm256_slli_epi32(rowAOfPixel, 8), columnAOfPixel);
      const __m256i rowBOfPixel = _mm256_and_si256(_mm256_add_epi32(load8(in.rowBOfColumn + i), rowB), low8);
      const __m256i columnBOfPixel = _mm256_and_si256(_mm256_sub_epi32(load8(in.columnBOfColumn + i), columnB), low8);
      const __m256i indexB = _mm256_or_si256(_mm256_slli_epi32(rowBOfPixel, 8), columnBOfPixel);
      const __m256i texels = _mm256_adds_epu8(_mm256_i32gather_epi32(textureA, indexA, 4),
                                              _mm256_i32gather_epi32(textureB, indexB, 4));
      const __m256i pattern = _mm256_subs_epu8(texels, load8(in.greyOfColumn + i));
      pixel = _mm256_blendv_epi8(pixel, pattern, showsPattern);
    }
    const __m256i slide = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in.slideRow + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_adds_epu8(pixel, slide));

    xLow = _mm256_add_pd(xLow, eight);
    xHigh = _mm256_add_pd(xHigh, eight);
    x = _mm256_add_epi32(x, step);
  }
}
}  // namespace

void titleRow(Pixel* out, const TitleRowInputs& in) {
  if (processorHasAvx2() && modestScale(in.rs, in.rc))
    titleRowAvx2(out, in);
  else
    titleRowPortable(out, in);
}
#else
void titleRow(Pixel* out, const TitleRowInputs& in) { titleRowPortable(out, in); }
#endif
