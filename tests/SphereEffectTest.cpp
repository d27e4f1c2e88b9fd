#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "effects/SphereEffect.h"
#include "base/AssetDirectory.h"
#include "image/Loaders.h"
#include "image/ShowPictures.h"
#include "imagefiles/ImageFiles.h"
#include "render/FloatToInt.h"
#include "render/Matrix3.h"
#include "render/TrigTables.h"
#include "tests/AllocationCounter.h"

namespace {

constexpr int STRIDE = 513;
constexpr int ROWS = 281;
// Rows 176..215 of the strip picture are opaque noise with a few holes, rows 216..255 are all
// transparent, so frame rows 200..239 show the strip and rows 240..279 the sphere.
constexpr int LAST_STRIP_FRAME_ROW = 239;

std::string makeAssets() {
  std::string directory = "/tmp/zod-sphere-XXXXXX";
  if (!mkdtemp(directory.data())) return "/tmp";
  std::mt19937 random(11);
  std::vector<Pixel> texture(TEXTURE_PIXELS);
  for (Pixel& p : texture) p = random() & 0x00FFFFFF;
  std::vector<Pixel> strip(TEXTURE_PIXELS, TRANSPARENT_KEY);
  for (int i = 0; i < 216 * 256; ++i)
    if (random() % 7 != 0) strip[i] = random() & 0x00FFFF00;
  imagefiles::writeJpeg(directory + "/" + TEGEL1.name, texture, 256, 256);
  imagefiles::writePcx(directory + "/" + KUVEN.name, strip, 256, 256);
  return directory;
}

const std::string& assets() {
  static const std::string directory = makeAssets();
  return directory;
}

// The sphere written out plainly from its definition: a full grid, four whole passes, one pixel at a time.
class PlainSphere {
 public:
  struct Sample {
    std::int32_t u;
    std::int32_t v;
    std::int32_t shade;
    double unclampedShade;
    double lambdaDz;
  };

  PlainSphere() : texture(TEXTURE_PIXELS), strip(FRAME_PIXELS), u(STRIDE * ROWS), v(STRIDE * ROWS), shade(STRIDE * ROWS) {
    loadJpeg(texture.data(), TEGEL1.name, 256, 256);
    loadPcx(strip.data(), KUVEN.name, strip.size());
  }

  static void camera(float t, int& a, int& b) {
    const std::uint32_t twice = static_cast<std::uint32_t>(floatToInt(static_cast<double>(t) + t));
    b = 255 - floatToInt(sinTable[floatToInt((twice >> 3) * static_cast<double>(2.007843f)) & 1023] * -180.0);
    a = 255 - floatToInt(cosTable[floatToInt((twice >> 4) * static_cast<double>(2.007843f)) & 1023] * -180.0);
  }

  static Sample trace(int a, int b, int x, int y) {
    Matrix3 rx, ry, rz, m;
    rx.identity();
    ry.identity();
    rz.identity();
    rx.rotX(a);
    ry.rotY(b);
    rz.rotZ(a);
    m.product(rx, ry, rz);
    Vec3 d;
    m.apply(Vec3{static_cast<float>(x - 256.0), static_cast<float>(y - 192.0), 25.0f}, d);
    const float k = static_cast<float>((a * a + b * b + 65025) - static_cast<double>(0.0004f));
    const double dx = d.x, dy = d.y, dz = d.z;
    const double aa = dx * dx + dy * dy + dz * dz;
    const double bb = 2 * (b * dx + a * dy + 255 * dz);
    const double lambda = (std::sqrt(4 * static_cast<double>(k) * aa + bb * bb) - bb) / (2 * aa);
    const double shade = 20 * lambda;
    return Sample{floatToInt(std::fabs(2 * lambda * dx)), floatToInt(std::fabs(0.5 * static_cast<float>(lambda * dz))),
                  floatToInt(std::fmin(shade, 255.0)), shade, lambda * dz};
  }

  Pixel shaded(std::int32_t cu, std::int32_t cv, std::int32_t s) const {
    return subtractSaturated(texture[(cv & 255) * 256 + (cu & 255)], greyWord(static_cast<std::uint8_t>(s)));
  }

  void render(Pixel* frame, float t) {
    int a, b;
    camera(t, a, b);
    render(frame, t, a, b);
  }

  void render(Pixel* frame, float t, int a, int b) {
    for (int y = 0; y < ROWS; y += 4)
      for (int x = 0; x < STRIDE; x += 4) {
        const Sample s = trace(a, b, x, y);
        u[y * STRIDE + x] = s.u;
        v[y * STRIDE + x] = s.v;
        shade[y * STRIDE + x] = s.shade;
      }
    for (std::vector<std::int32_t>* grid : {&u, &v, &shade}) {
      std::vector<std::int32_t>& g = *grid;
      auto half = [](std::int32_t p, std::int32_t q) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(p + q) >> 1);
      };
      for (int y = 0; y < ROWS; y += 4)
        for (int x = 2; x <= 510; x += 4) g[y * STRIDE + x] = half(g[y * STRIDE + x - 2], g[y * STRIDE + x + 2]);
      for (int y = 0; y < ROWS; y += 4)
        for (int x = 1; x <= 511; x += 2) g[y * STRIDE + x] = half(g[y * STRIDE + x - 1], g[y * STRIDE + x + 1]);
      for (int y = 2; y <= 278; y += 4)
        for (int x = 0; x < STRIDE; ++x) g[y * STRIDE + x] = half(g[(y - 2) * STRIDE + x], g[(y + 2) * STRIDE + x]);
      for (int y = 1; y <= 279; y += 2)
        for (int x = 0; x < STRIDE; ++x) g[y * STRIDE + x] = half(g[(y - 1) * STRIDE + x], g[(y + 1) * STRIDE + x]);
    }
    for (int y = 0; y < 280; ++y)
      for (int x = 0; x < 512; ++x) frame[y * 512 + x] = shaded(u[y * STRIDE + x], v[y * STRIDE + x], shade[y * STRIDE + x]);
    const int k = floatToInt(t * static_cast<double>(0.1f));
    for (int row = 176; row < 256; ++row)
      for (int x = 0; x < 512; ++x) {
        const Pixel p = strip[row * 256 + ((k + x) & 255)];
        if (p != TRANSPARENT_KEY) frame[(row + 24) * 512 + x] = p;
      }
  }

  std::vector<Pixel> texture, strip;

 private:
  std::vector<std::int32_t> u, v, shade;
};

class SphereEffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fillTrigTables();
    setAssetDirectory(assets());
    effect.init();
    plain.emplace();
  }
  Pixel at(int row, int column) const { return frame[row * FRAME_WIDTH + column]; }

  SphereEffect effect;
  std::optional<PlainSphere> plain;
  std::vector<Pixel> frame = std::vector<Pixel>(SCREEN_PIXELS, 0x00654321);
  std::vector<Pixel> expected = std::vector<Pixel>(SCREEN_PIXELS, 0x00654321);
};

::testing::AssertionResult sameFrame(const std::vector<Pixel>& actual, const std::vector<Pixel>& wanted) {
  for (int i = 0; i < FRAME_PIXELS; ++i)
    if (actual[i] != wanted[i])
      return ::testing::AssertionFailure() << "first difference at row " << i / 512 << ", column " << i % 512;
  return ::testing::AssertionSuccess();
}

TEST_F(SphereEffectTest, FramesMatchThePlainDefinitionAtManyTimes) {
  for (float t : {0.0f, 0.25f, 16.7f, 1234.5f, 80000.0f, 262143.0f, 1.0e6f, 1526000.0f, 2.5e9f, -700.0f,
                  std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    effect.render(frame.data(), t);
    plain->render(expected.data(), t);
    EXPECT_TRUE(sameFrame(frame, expected)) << "t = " << t;
  }
}

TEST_F(SphereEffectTest, CameraStartsAtTheHandComputedAngles) {
  // At time 0 both table steps are 0: b = 255 - trunc(0 * -180), a = 255 - trunc(1 * -180).
  int a, b;
  PlainSphere::camera(0.0f, a, b);
  EXPECT_EQ(a, 435);
  EXPECT_EQ(b, 255);
  effect.render(frame.data(), 0.0f);
  plain->render(expected.data(), 0.0f, 435, 255);
  EXPECT_TRUE(sameFrame(frame, expected));
}

TEST_F(SphereEffectTest, LastColumnAndRowAreAveragedWithTheExtraGridPoints) {
  const float t = 4321.0f;
  int a, b;
  PlainSphere::camera(t, a, b);
  auto half = [](std::int32_t p, std::int32_t q) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(p + q) >> 1); };
  effect.render(frame.data(), t);

  // Row 0: column 510 lies between samples 508 and 512, column 511 between 510 and 512.
  const PlainSphere::Sample c508 = PlainSphere::trace(a, b, 508, 0);
  const PlainSphere::Sample c512 = PlainSphere::trace(a, b, 512, 0);
  const std::int32_t u510 = half(c508.u, c512.u), v510 = half(c508.v, c512.v), s510 = half(c508.shade, c512.shade);
  EXPECT_EQ(at(0, 511), plain->shaded(half(u510, c512.u), half(v510, c512.v), half(s510, c512.shade)));

  // Column 0: row 278 lies between samples 276 and 280, row 279 between 278 and 280.
  const PlainSphere::Sample r276 = PlainSphere::trace(a, b, 0, 276);
  const PlainSphere::Sample r280 = PlainSphere::trace(a, b, 0, 280);
  const std::int32_t u278 = half(r276.u, r280.u), v278 = half(r276.v, r280.v), s278 = half(r276.shade, r280.shade);
  EXPECT_EQ(at(279, 0), plain->shaded(half(u278, r280.u), half(v278, r280.v), half(s278, r280.shade)));
}

TEST_F(SphereEffectTest, TextureRowSourceIsRoundedToAFloatBeforeHalving) {
  float found = 0.0f;
  int foundX = 0, foundY = 0;
  for (int n = 0; n < 5000 && found == 0.0f; ++n) {
    const float t = 500.0f + 9.3f * n;
    int a, b;
    PlainSphere::camera(t, a, b);
    for (int y = 0; y < 200 && found == 0.0f; y += 4)
      for (int x = 0; x < 512 && found == 0.0f; x += 4) {
        const PlainSphere::Sample s = PlainSphere::trace(a, b, x, y);
        const std::int32_t unrounded = floatToInt(std::fabs(0.5 * s.lambdaDz));
        if ((unrounded & 255) != (s.v & 255) &&
            plain->shaded(s.u, unrounded, s.shade) != plain->shaded(s.u, s.v, s.shade)) {
          found = t;
          foundX = x;
          foundY = y;
        }
      }
  }
  ASSERT_NE(found, 0.0f);
  int a, b;
  PlainSphere::camera(found, a, b);
  const PlainSphere::Sample s = PlainSphere::trace(a, b, foundX, foundY);
  effect.render(frame.data(), found);
  EXPECT_EQ(at(foundY, foundX), plain->shaded(s.u, s.v, s.shade)) << "t = " << found;
}

TEST_F(SphereEffectTest, ShadesBeyondTheRangeAreClampedToBlack) {
  const float t = 0.0f;
  int a, b;
  PlainSphere::camera(t, a, b);
  effect.render(frame.data(), t);
  int clamped = 0;
  for (int y = 0; y < 200; y += 4)
    for (int x = 0; x < 512; x += 4) {
      const PlainSphere::Sample s = PlainSphere::trace(a, b, x, y);
      if (s.unclampedShade <= 256.0) continue;
      ++clamped;
      EXPECT_EQ(at(y, x), 0u) << y << ", " << x << ": shade " << s.unclampedShade;
    }
  EXPECT_GT(clamped, 10);
}

TEST_F(SphereEffectTest, StripScrollsOneColumnEveryTenMillisecondsAndRepeatsEvery256) {
  const float t = 12345.0f;
  const int k = 1234;
  effect.render(frame.data(), t);
  int opaque = 0;
  for (int row = 200; row <= LAST_STRIP_FRAME_ROW; ++row)
    for (int x = 0; x < 512; ++x) {
      const Pixel source = plain->strip[(row - 24) * 256 + ((k + x) & 255)];
      if (source == TRANSPARENT_KEY) continue;
      ++opaque;
      ASSERT_EQ(at(row, x), source) << row << ", " << x;
      if (x < 256) {
        ASSERT_EQ(at(row, x + 256), at(row, x));
      }
    }
  EXPECT_GT(opaque, 30 * 512);
}

TEST_F(SphereEffectTest, RenderAllocatesNothing) {
  AllocationCounter counter;
  effect.onSync(4, 10.0f);
  effect.render(frame.data(), 10.0f);
  effect.render(frame.data(), 90000.0f);
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
