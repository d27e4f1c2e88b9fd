#include "effects/SphereEffect.h"

#include <cmath>
#include <cstring>

#include "image/Loaders.h"
#include "render/FloatToInt.h"
#include "render/TextureShading.h"
#include "render/TrigTables.h"

namespace {
constexpr int LATTICE = 4;
constexpr int BOTTOM_FIRST_SOURCE_ROW = 176;
constexpr int BOTTOM_FIRST_FRAME_ROW = 200;
constexpr int BOTTOM_ROWS = FRAME_HEIGHT - BOTTOM_FIRST_FRAME_ROW;
constexpr std::size_t BOTTOM_IMAGE_PIXELS = FRAME_BYTES / sizeof(Pixel);

// Halving is a logical shift of the 32-bit sum.
inline std::int32_t halvedSum(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b)) >> 1);
}
inline std::uint8_t halvedSum(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>((a + b) >> 1); }

// Fills the three points between each pair of samples of a sample row: the midpoint from the two
// samples, then each odd point from its sample and the midpoint (the same sums as a pass over all
// midpoints followed by a pass over all odd points).
template <typename T>
void fillRowBetweenSamples(T* row) {
  for (int x = 0; x + LATTICE < SphereEffect::GRID_STRIDE; x += LATTICE) {
    const T left = row[x];
    const T right = row[x + LATTICE];
    const T middle = halvedSum(left, right);
    row[x + 1] = halvedSum(left, middle);
    row[x + 2] = middle;
    row[x + 3] = halvedSum(middle, right);
  }
}

void averageRows(std::int32_t* out, const std::int32_t* above, const std::int32_t* below) {
  for (int x = 0; x < SphereEffect::GRID_STRIDE; ++x) out[x] = halvedSum(above[x], below[x]);
}

// Eight bytes at a time: (a + b) / 2 rounded down per byte is (a AND b) + ((a XOR b) >> 1).
void averageRows(std::uint8_t* out, const std::uint8_t* above, const std::uint8_t* below) {
  int x = 0;
  for (; x + 8 <= SphereEffect::GRID_STRIDE; x += 8) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, above + x, 8);
    std::memcpy(&b, below + x, 8);
    const std::uint64_t mean = (a & b) + (((a ^ b) >> 1) & 0x7F7F7F7F7F7F7F7Full);
    std::memcpy(out + x, &mean, 8);
  }
  for (; x < SphereEffect::GRID_STRIDE; ++x) out[x] = halvedSum(above[x], below[x]);
}
}  // namespace

SphereEffect::SphereEffect()
    : sphereTexture(TEXTURE_PIXELS),
      gridU(GRID_POINTS),
      gridV(GRID_POINTS),
      gridShade(GRID_POINTS),
      bottomImage(BOTTOM_IMAGE_PIXELS) {}

void SphereEffect::init() {
  loadJpeg(sphereTexture.data(), "tegel1.jpg", TEXTURE_SIZE, TEXTURE_SIZE);
  loadPcx(bottomImage.data(), "kuven.pcx", bottomImage.size());
}

void SphereEffect::onSync(std::int32_t, float) {}

void SphereEffect::render(Pixel* frame, float timeMs) {
  const double t = timeMs;
  // The angle steps come from the doubled time taken as an unsigned number.
  const std::uint32_t doubled = static_cast<std::uint32_t>(floatToInt(t + t));
  const double stepScale = 2.007843f;
  const int sinStep = floatToInt(static_cast<double>(doubled >> 3) * stepScale) & TRIG_MASK;
  const int cosStep = floatToInt(static_cast<double>(doubled >> 4) * stepScale) & TRIG_MASK;
  const int b = 255 - floatToInt(static_cast<double>(sinTable[sinStep]) * static_cast<double>(-180.0f));
  const int a = 255 - floatToInt(static_cast<double>(cosTable[cosStep]) * static_cast<double>(-180.0f));

  Matrix3 x;
  Matrix3 y;
  Matrix3 z;
  Matrix3 view;
  x.identity();
  y.identity();
  z.identity();
  x.rotX(a);
  y.rotY(b);
  z.rotZ(a);
  view.product(x, y, z);

  traceSamples(view, a, b);
  fillSampleRows();
  // Each band of four rows is completed and drawn while it is still in the cache; every value
  // is computed from the same neighbours as in four whole-grid passes.
  for (int top = 0; top < FRAME_HEIGHT; top += LATTICE) {
    fillBand(top);
    for (int row = top; row < top + LATTICE; ++row)
      shadeTextureRun(frame + row * FRAME_WIDTH, gridU.data() + row * GRID_STRIDE, gridV.data() + row * GRID_STRIDE,
                      gridShade.data() + row * GRID_STRIDE, sphereTexture.data(), FRAME_WIDTH);
  }
  drawBottomStrip(frame, timeMs);
}

void SphereEffect::traceSamples(const Matrix3& view, int a, int b) {
  // The sphere's centre lies at -(b, a, 255) from the eye; K is |centre|^2 stored as a float.
  const double centreX = static_cast<float>(b);
  const double centreY = static_cast<float>(a);
  const double centreZ = 255.0f;
  const float k = static_cast<float>(static_cast<double>(a * a + b * b + 65025) - static_cast<double>(0.0004f));
  const double fourK = 4.0 * static_cast<double>(k);
  for (int row = 0; row < GRID_ROWS; row += LATTICE) {
    for (int column = 0; column < GRID_STRIDE; column += LATTICE) {
      const Vec3 ray{static_cast<float>(column - 256), static_cast<float>(row - 192), 25.0f};
      Vec3 d;
      view.apply(ray, d);
      const double dx = d.x;
      const double dy = d.y;
      const double dz = d.z;
      const double aa = dx * dx + dy * dy + dz * dz;
      const double bb = 2.0 * (centreX * dx + centreY * dy + centreZ * dz);
      // The positive root of aa * l^2 + bb * l - K = 0: the eye is inside the sphere, so every ray hits.
      const double lambda = (std::sqrt(fourK * aa + bb * bb) - bb) / (2.0 * aa);
      const double shade = 20.0 * lambda;
      const int g = row * GRID_STRIDE + column;
      gridU[g] = floatToInt(std::fabs(2.0 * lambda * dx));
      gridV[g] = floatToInt(std::fabs(0.5 * static_cast<double>(static_cast<float>(lambda * dz))));
      gridShade[g] = static_cast<std::uint8_t>(floatToInt(shade > 255.0 ? 255.0 : shade));
    }
  }
}

void SphereEffect::fillSampleRows() {
  for (int row = 0; row < GRID_ROWS; row += LATTICE) {
    const int g = row * GRID_STRIDE;
    fillRowBetweenSamples(gridU.data() + g);
    fillRowBetweenSamples(gridV.data() + g);
    fillRowBetweenSamples(gridShade.data() + g);
  }
}

void SphereEffect::fillBand(int topRow) {
  // The middle row from the sample rows two above and below, then the odd rows from their neighbours.
  for (int row : {topRow + 2, topRow + 1, topRow + 3}) {
    const int distance = row == topRow + 2 ? 2 * GRID_STRIDE : GRID_STRIDE;
    const int g = row * GRID_STRIDE;
    averageRows(gridU.data() + g, gridU.data() + g - distance, gridU.data() + g + distance);
    averageRows(gridV.data() + g, gridV.data() + g - distance, gridV.data() + g + distance);
    averageRows(gridShade.data() + g, gridShade.data() + g - distance, gridShade.data() + g + distance);
  }
}

void SphereEffect::drawBottomStrip(Pixel* frame, float timeMs) const {
  // One pixel further left every 10 ms; the 256-pixel strip repeats across the frame.
  const std::uint32_t shift = static_cast<std::uint32_t>(floatToInt(static_cast<double>(timeMs) * static_cast<double>(0.1f)));
  for (int r = 0; r < BOTTOM_ROWS; ++r) {
    const Pixel* source = bottomImage.data() + (BOTTOM_FIRST_SOURCE_ROW + r) * TEXTURE_SIZE;
    Pixel* out = frame + (BOTTOM_FIRST_FRAME_ROW + r) * FRAME_WIDTH;
    for (int x = 0; x < FRAME_WIDTH; ++x) {
      const Pixel p = source[(shift + static_cast<std::uint32_t>(x)) & 0xFF];
      if (p != TRANSPARENT_KEY) out[x] = p;
    }
  }
}
