#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "LatticeSceneTest.h"
#include "AllocationCounter.h"
#include "effects/PlaneEffect.h"
#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/Matrix3.h"
#include "render/TrigTables.h"

namespace {

using lattice_scene_assets::blankFrame;
using lattice_scene_assets::expectSameFrame;
using lattice_scene_assets::TempAssets;

constexpr int COLUMNS = 513;
constexpr int ROWS = 281;

// The scene drawn pixel by pixel from its rules: camera, rays at every 8th column and row,
// the six averaging passes over whole maps, then shade, texture and logo.
std::vector<Pixel> referencePlane(const TempAssets& assets, float timeMs, float timeOffset, bool metal) {
  const auto t = static_cast<float>(static_cast<double>(timeMs) + timeOffset);
  Matrix3 x, y, z, view;
  x.identity();
  y.identity();
  z.identity();
  view.identity();
  x.rotX(floatToInt(exactCos(static_cast<double>(t) * static_cast<double>(0.00042735043f)) * 290));
  y.rotY(floatToInt(exactSin(static_cast<double>(t) * static_cast<double>(0.0002586653f)) * -300));
  z.rotZ(floatToInt(exactCos(static_cast<double>(t) * static_cast<double>(0.0004f)) * 563));
  view.product(x, y, z);

  std::vector<std::uint32_t> maps[3];
  for (auto& map : maps) map.assign(COLUMNS * ROWS, 0);
  for (int row = 0; row < ROWS; row += 8) {
    for (int col = 0; col < COLUMNS; col += 8) {
      Vec3 ray{static_cast<float>(col - 256), static_cast<float>(row - 140), 200.0f}, turned;
      view.apply(ray, turned);
      const float height = turned.y < 0 ? -100.0f : 100.0f;
      const auto d = static_cast<float>(height / (static_cast<double>(turned.y) + 1));
      const double scroll = timeMs * 0.5;
      maps[0][row * COLUMNS + col] = floatToInt(std::fabs(static_cast<double>(d) * turned.x));
      maps[1][row * COLUMNS + col] = floatToInt(std::fabs(static_cast<double>(d) * turned.z + scroll));
      maps[2][row * COLUMNS + col] = floatToInt(std::fabs(static_cast<double>(d) * 50));
    }
  }
  for (auto& map : maps) {
    for (int h : {4, 2, 1}) {
      for (int row = 0; row < ROWS; row += 8) {
        for (int col = h; col <= 512 - h; col += 2 * h) {
          map[row * COLUMNS + col] = (map[row * COLUMNS + col - h] + map[row * COLUMNS + col + h]) >> 1;
        }
      }
    }
    for (int h : {4, 2, 1}) {
      for (int row = h; row <= 280 - h; row += 2 * h) {
        for (int col = 0; col < COLUMNS; ++col) {
          map[row * COLUMNS + col] = (map[(row - h) * COLUMNS + col] + map[(row + h) * COLUMNS + col]) >> 1;
        }
      }
    }
  }

  const auto texture = assets.jpeg(metal ? METAL1.name : TEGEL1.name);
  const auto logo = assets.raw(DIRURAR.name, 512, 180);
  std::vector<Pixel> frame = blankFrame();
  for (int row = 0; row < 280; ++row) {
    for (int col = 0; col < 512; ++col) {
      const int i = row * COLUMNS + col;
      const std::uint32_t shade = maps[2][i] >= 256 ? 255 : maps[2][i];
      const Pixel texel = texture[(maps[1][i] & 255) * 256 + (maps[0][i] & 255)];
      Pixel p = subtractSaturated(texel, greyWord(static_cast<std::uint8_t>(shade)));
      if (row >= 50 && row < 230) p = addSaturated(p, logo[(row - 50) * 512 + col]);
      frame[row * 512 + col] = p;
    }
  }
  return frame;
}

using PlaneEffectTest = lattice_scene_assets::LatticeSceneTest<PlaneEffect>;

TEST_F(PlaneEffectTest, FramesMatchThePixelByPixelConstruction) {
  const float inf = std::numeric_limits<float>::infinity();
  for (float t : {0.0f, 16.5f, 1234.567f, 9000.0f, 65432.1f, 400000.0f, 1526000.0f, -3000.0f, 3e9f, inf, -inf,
                  std::numeric_limits<float>::quiet_NaN()}) {
    expectSameFrame(draw(t), referencePlane(assets, t, 0, false), t);
  }
}

TEST_F(PlaneEffectTest, SyncSwapsTheTextureAndJumpsTheCameraButNotTheScroll) {
  effect.onSync(2, 500.0f);
  expectSameFrame(draw(700.0f), referencePlane(assets, 700.0f, 1561.0f, true), 700.0f);
  effect.onSync(77, 0.0f);  // the code and the time make no difference
  expectSameFrame(draw(5000.0f), referencePlane(assets, 5000.0f, 3122.0f, false), 5000.0f);
  effect.onSync(0, 1e6f);
  expectSameFrame(draw(20000.25f), referencePlane(assets, 20000.25f, 4683.0f, true), 20000.25f);
}

TEST_F(PlaneEffectTest, TheJumpAccumulatesInAFloat) {
  // After many events the offset is the float sum, step by step, of the 1561 ms jumps.
  float offset = 0.0f;
  for (int i = 0; i < 1000; ++i) {
    effect.onSync(2, 0.0f);
    offset += 1561.0f;
  }
  expectSameFrame(draw(123456.0f), referencePlane(assets, 123456.0f, offset, false), 123456.0f);
}

TEST_F(PlaneEffectTest, LogoIsAddedNotBlended) {
  const auto withLogo = draw(4321.0f);
  const auto logo = assets.raw(DIRURAR.name, 512, 180);
  assets.writeRaw(DIRURAR.name, std::vector<Pixel>(512 * 180, 0), 512, 180);
  PlaneEffect plain;
  plain.init();
  std::vector<Pixel> scene = blankFrame();
  plain.render(scene.data(), 4321.0f);
  for (int row = 0; row < 280; ++row) {
    for (int col = 0; col < 512; ++col) {
      const Pixel under = scene[row * 512 + col];
      const Pixel expected = row >= 50 && row < 230 ? addSaturated(under, logo[(row - 50) * 512 + col]) : under;
      ASSERT_EQ(withLogo[row * 512 + col], expected) << col << "," << row;
    }
  }
}

TEST_F(PlaneEffectTest, RenderAllocatesNothing) {
  std::vector<Pixel> frame = blankFrame();
  AllocationCounter counter;
  effect.render(frame.data(), 1000.0f);
  effect.onSync(3, 1000.0f);
  effect.render(frame.data(), 1020.0f);
  EXPECT_EQ(counter.count(), 0u);
}

TEST(PlaneRaySample, RayAlongTheHorizonCountsAsRising) {
  const RaySample s = PlaneEffect::sampleRay(1.25f, 0.0f, -2.5f, 10.0);
  EXPECT_EQ(s.u, 125);
  EXPECT_EQ(s.v, 240);  // |100 x -2.5 + 10|
  EXPECT_EQ(s.shade, 5000);
}

TEST(PlaneRaySample, RaysJustBelowTheHorizonGoFurtherThanAnyRisingRay) {
  const RaySample s = PlaneEffect::sampleRay(0.5f, -0.5f, 1.0f, 0.0);  // d = -100 / 0.5
  EXPECT_EQ(s.u, 100);
  EXPECT_EQ(s.v, 200);
  EXPECT_EQ(s.shade, 10000);
  EXPECT_EQ(PlaneEffect::sampleRay(0.0f, -0.9f, 0.0f, 0.0).shade, 49999);  // -100 / 0.1 in float is -999.99994
}

TEST(PlaneRaySample, SteepRaysDivideByOneMoreThanTheirHeight) {
  EXPECT_EQ(PlaneEffect::sampleRay(2.0f, 3.0f, 0.0f, 0.0).u, 50);    // 100 / (3 + 1)
  EXPECT_EQ(PlaneEffect::sampleRay(2.0f, -3.0f, 0.0f, 0.0).u, 100);  // -100 / (-3 + 1)
  EXPECT_EQ(PlaneEffect::sampleRay(2.0f, -3.0f, 0.0f, 0.0).shade, 2500);
}

TEST(PlaneRaySample, ExactlyMinusOneDividesByZeroAndGivesZeros) {
  for (float z : {0.0f, 3.0f, -7.0f}) {
    const RaySample s = PlaneEffect::sampleRay(5.0f, -1.0f, z, 1234.5);
    EXPECT_EQ(s.u, 0);
    EXPECT_EQ(s.v, 0);
    EXPECT_EQ(s.shade, 0);
  }
}

TEST(PlaneRaySample, TextureIsMirroredAboutTheCentreLines) {
  EXPECT_EQ(PlaneEffect::sampleRay(-7.3f, 12.0f, 4.0f, 0.0).u, PlaneEffect::sampleRay(7.3f, 12.0f, 4.0f, 0.0).u);
  // v mirrors where d z + scroll changes sign: d = 10 here.
  EXPECT_EQ(PlaneEffect::sampleRay(1.0f, 9.0f, -3.0f, 20.0).v, PlaneEffect::sampleRay(1.0f, 9.0f, -1.0f, 20.0).v);
}

}  // namespace
