#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "AllocationCounter.h"
#include "LatticeSceneTest.h"
#include "LightRayBlendReference.h"
#include "effects/SquareTunnelEffect.h"
#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/LightRayBlend.h"
#include "render/Matrix3.h"
#include "render/TrigTables.h"

namespace {

using lattice_scene_assets::blankFrame;
using lattice_scene_assets::expectSameFrame;
using lattice_scene_assets::TempAssets;

constexpr int W = 332;
constexpr int H = 280;
constexpr int COLUMNS = 333;
constexpr int ROWS = 281;

float lightOffsetX(float t) { return static_cast<float>(exactCos(t * static_cast<double>(0.0015015015f)) * 165); }
float lightOffsetY(float t) { return static_cast<float>(exactSin(t * static_cast<double>(0.0021459227f)) * 139); }

// The scene drawn step by step from its rules, on a picture of exactly 332 x 280 pixels; any
// neighbour outside it reads as `outside`.
std::vector<Pixel> referenceTunnel(const TempAssets& assets, float t, bool glow, Pixel outside = 0) {
  const std::int32_t g = floatToInt(t * static_cast<double>(0.2f));
  const float w = sinTable[floatToInt(t * static_cast<double>(0.14285715f)) & 1023];
  Matrix3 x, y, z, view;
  x.identity();
  y.identity();
  z.identity();
  view.identity();
  x.rotX(floatToInt(w * 90.0));
  y.rotY(floatToInt(w * -100.0));
  z.rotZ(static_cast<int>(static_cast<std::uint32_t>(g) >> 1));
  view.product(x, y, z);

  std::vector<std::uint32_t> maps[3];
  for (auto& map : maps) map.assign(COLUMNS * ROWS, 0);
  const auto twoG = static_cast<float>(static_cast<std::int32_t>(2u * static_cast<std::uint32_t>(g)));
  for (int row = 0; row < ROWS; row += 8) {
    for (int col = 0; col < COLUMNS; ++col) {
      if (col % 8 != 0 && col != 332) continue;
      Vec3 ray{static_cast<float>(col - 256), static_cast<float>(row - 140), 200.0f}, turned;
      view.apply(ray, turned);
      const bool floorOrCeiling = std::fabs(turned.y) > std::fabs(turned.x);
      const float wall = floorOrCeiling ? turned.y : turned.x;
      const double d = (wall < 0 ? -350.0 : 350.0) / (static_cast<double>(wall) + 1);
      maps[0][row * COLUMNS + col] =
          floatToInt(std::fabs(static_cast<double>(floorOrCeiling ? turned.x : turned.y) * d));
      maps[1][row * COLUMNS + col] = floatToInt(std::fabs(twoG + 100.0 * d));
      maps[2][row * COLUMNS + col] = floatToInt(std::fabs(3.0 * d));
    }
  }
  for (auto& map : maps) {
    const int lastColumns[3] = {324, 330, 331};
    int pass = 0;
    for (int h : {4, 2, 1}) {
      for (int row = 0; row < ROWS; row += 8) {
        for (int col = h; col <= lastColumns[pass]; col += 2 * h) {
          map[row * COLUMNS + col] = (map[row * COLUMNS + col - h] + map[row * COLUMNS + col + h]) >> 1;
        }
      }
      ++pass;
    }
    for (int h : {4, 2, 1}) {
      for (int row = h; row <= 280 - h; row += 2 * h) {
        for (int col = 0; col < COLUMNS; ++col) {
          map[row * COLUMNS + col] = (map[(row - h) * COLUMNS + col] + map[(row + h) * COLUMNS + col]) >> 1;
        }
      }
    }
  }

  const auto texture = assets.jpeg(METAL1.name);
  std::vector<Pixel> picture(W * H);
  for (int row = 0; row < H; ++row) {
    for (int col = 0; col < W; ++col) {
      const int i = row * COLUMNS + col;
      const std::uint32_t shade = maps[2][i] >= 256 ? 255 : maps[2][i];
      const Pixel texel =
          texture[((maps[1][i] + (static_cast<std::uint32_t>(g) >> 2)) & 255) * 256 + (maps[0][i] & 255)];
      const Pixel grey = greyWord(static_cast<std::uint8_t>(shade));
      picture[row * W + col] = glow ? addSaturated(texel, grey) : subtractSaturated(texel, grey);
    }
  }

  const float ox = lightOffsetX(t);
  const float oy = lightOffsetY(t);
  std::vector<std::int32_t> columnOffsets(W), rowOffsets(H);
  for (int j = 0; j < W; ++j) columnOffsets[j] = floatToInt(std::fabs((j - static_cast<double>(ox) - 166) * 0.025f) * 256);
  for (int k = 0; k < H; ++k) rowOffsets[k] = floatToInt(std::fabs((k - static_cast<double>(oy) - 140) * 0.025f) * 256);
  const int col0 = floatToInt(ox + 166.0), col1 = floatToInt(ox + 165.0);
  const int row0 = floatToInt(oy + 140.0), row1 = floatToInt(oy + 141.0);
  struct Quadrant {
    int firstRow, rowStep, firstColumn, columnStep, sampleColumnSign, sampleRowSign;
  };
  const Quadrant quadrants[4] = {
      {row0, -1, col0, -1, +1, +1}, {row0, -1, col1, +1, -1, +1}, {row1, +1, col0, +1, -1, -1}, {row1, +1, col0, -1, +1, -1}};
  auto read = [&](int column, int row) {
    const long index = static_cast<long>(row) * W + column;
    return index >= 0 && index < W * H ? picture[index] : outside;
  };
  for (const Quadrant& q : quadrants) {
    if (q.firstRow < 0 || q.firstRow >= H) continue;
    for (int k = q.firstRow; k >= 0 && k < H; k += q.rowStep) {
      if (q.firstColumn < 0 || q.firstColumn >= W) continue;
      for (int m = q.firstColumn; m >= 0 && m < W; m += q.columnStep) {
        const std::int32_t cOff = columnOffsets[m], rOff = rowOffsets[k];
        const int sc = m + q.sampleColumnSign * (cOff >> 8), sr = k + q.sampleRowSign * (rOff >> 8);
        const int sc2 = sc + q.sampleColumnSign, sr2 = sr + q.sampleRowSign;
        picture[k * W + m] = blendByBytes(picture[k * W + m], read(sc, sr), read(sc2, sr), read(sc, sr2),
                                          read(sc2, sr2), cOff & 255, rOff & 255);
      }
    }
  }

  const auto overlay = assets.raw(ZOD13.name, 280, 280);
  std::vector<Pixel> frame = blankFrame();
  for (int row = 0; row < H; ++row) {
    for (int col = 0; col < W; ++col) frame[row * 512 + col] = picture[row * W + col];
    for (int col = 232; col < 512; ++col) {
      const Pixel o = overlay[row * 280 + col - 232];
      if (o != TRANSPARENT_KEY) frame[row * 512 + col] = o;
    }
  }
  return frame;
}

// A time at which the light centre lies within two columns of the left edge and above row 40,
// so that the upper right quadrant reads one pixel before the picture.
float timeWithLightAtTheLeftEdge() {
  for (float t = 0.0f; t < 200000.0f; t += 0.5f) {
    if (floatToInt(lightOffsetX(t) + 165.0) == 0 && floatToInt(lightOffsetY(t) + 140.0) < 40) return t;
  }
  return -1.0f;
}

// A time at which the light centre sits exactly on row 279: the lower quadrants are skipped and
// the upper ones address a row past the picture.
float timeWithLightOnTheLastRow() {
  for (int turn = 0; turn < 400; ++turn) {
    float t = static_cast<float>((M_PI / 2 + 2 * M_PI * turn) / static_cast<double>(0.0021459227f));
    for (int step = 0; step < 400; ++step, t = std::nextafter(t, 0.0f)) {
      if (lightOffsetY(t) == 139.0f) return t;
    }
  }
  return -1.0f;
}

using SquareTunnelEffectTest = lattice_scene_assets::LatticeSceneTest<SquareTunnelEffect>;

TEST_F(SquareTunnelEffectTest, FramesMatchTheStepByStepConstruction) {
  const float inf = std::numeric_limits<float>::infinity();
  // 0 puts the light centre exactly on column 331.
  for (float t : {0.0f, 16.5f, 1234.567f, 7168.0f, 33333.3f, 400000.0f, 1526000.0f, -2500.0f, 5e10f, inf,
                  std::numeric_limits<float>::quiet_NaN()}) {
    expectSameFrame(draw(t), referenceTunnel(assets, t, false), t);
  }
}

TEST_F(SquareTunnelEffectTest, NeighbourBeforeThePictureReadsAsBlack) {
  const float t = timeWithLightAtTheLeftEdge();
  ASSERT_GE(t, 0.0f);
  const auto expected = referenceTunnel(assets, t, false, 0);
  // The case is live: a different outside value would change the frame.
  ASSERT_NE(expected, referenceTunnel(assets, t, false, 0x00FFFFFF));
  expectSameFrame(draw(t), expected, t);
}

TEST_F(SquareTunnelEffectTest, NeighboursPastThePictureCarryNoWeight) {
  const float t = timeWithLightOnTheLastRow();
  ASSERT_GE(t, 0.0f);
  const auto expected = referenceTunnel(assets, t, false, 0);
  EXPECT_EQ(expected, referenceTunnel(assets, t, false, 0x00FFFFFF));
  expectSameFrame(draw(t), expected, t);
}

TEST_F(SquareTunnelEffectTest, SyncTogglesTheGlowOfTheFarEnd) {
  const auto dark = draw(2345.0f);
  effect.onSync(2, 100.0f);
  expectSameFrame(draw(2345.0f), referenceTunnel(assets, 2345.0f, true), 2345.0f);
  effect.onSync(200, 0.0f);
  EXPECT_EQ(draw(2345.0f), dark);
}

TEST_F(SquareTunnelEffectTest, FrameRightOfThePictureKeepsItsContentUnderTransparentOverlay) {
  const auto frame = draw(999.0f);
  const auto overlay = assets.raw(ZOD13.name, 280, 280);
  for (int row = 0; row < H; ++row) {
    for (int col = W; col < 512; ++col) {
      const Pixel o = overlay[row * 280 + col - 232];
      ASSERT_EQ(frame[row * 512 + col], o == TRANSPARENT_KEY ? 0xA5A5A5A5u : o) << col << "," << row;
    }
  }
}

TEST_F(SquareTunnelEffectTest, RenderAllocatesNothing) {
  std::vector<Pixel> frame = blankFrame();
  AllocationCounter counter;
  effect.render(frame.data(), 1000.0f);
  effect.onSync(3, 1000.0f);
  effect.render(frame.data(), 1020.0f);
  EXPECT_EQ(counter.count(), 0u);
}

TEST(SquareTunnelRaySample, DiagonalRaysMeetASideWall) {
  // W = X = -4: d = -350 / -3 in double; as a float (116.666664) the shade would come out 349
  const RaySample s = SquareTunnelEffect::sampleRay(-4.0f, 4.0f, 0.0f);
  EXPECT_EQ(s.u, 466);
  EXPECT_EQ(s.shade, 350);
  EXPECT_EQ(SquareTunnelEffect::sampleRay(4.0f, -4.0f, 0.0f).u, 280);  // W = X = 4: d = 70
}

TEST(SquareTunnelRaySample, WallCoordinateZeroCountsAsPositive) {
  const RaySample s = SquareTunnelEffect::sampleRay(0.0f, 0.0f, 1000.0f);
  EXPECT_EQ(s.u, 0);
  EXPECT_EQ(s.v, 36000);
  EXPECT_EQ(s.shade, 1050);
  EXPECT_EQ(SquareTunnelEffect::sampleRay(-0.0f, 0.0f, 0.0f).shade, 1050);
}

TEST(SquareTunnelRaySample, FloorOrCeilingTakesTheAcrossCoordinateFromX) {
  const RaySample s = SquareTunnelEffect::sampleRay(3.0f, -6.0f, 10.0f);  // W = Y = -6: d = -350 / -5 = 70
  EXPECT_EQ(s.u, 210);
  EXPECT_EQ(s.v, 7010);
  EXPECT_EQ(s.shade, 210);
}

TEST(SquareTunnelRaySample, ExactlyMinusOneDividesByZeroAndGivesZeros) {
  for (const auto& [x, y] : {std::pair{-1.0f, 0.5f}, std::pair{0.25f, -1.0f}, std::pair{-1.0f, 0.0f}}) {
    const RaySample s = SquareTunnelEffect::sampleRay(x, y, 4000.0f);
    EXPECT_EQ(s.u, 0);
    EXPECT_EQ(s.v, 0);
    EXPECT_EQ(s.shade, 0);
  }
}

}  // namespace
