#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "effects/HeartEffect.h"
#include "base/AssetDirectory.h"
#include "image/Loaders.h"
#include "image/ShowPictures.h"
#include "imagefiles/ImageFiles.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "tests/AllocationCounter.h"

namespace {

// Side picture whose every pixel names its own row and column, so a frame pixel tells where it came from.
constexpr Pixel SIDE_TAG = 0x00A00000;
Pixel sidePixel(int row, int column) { return SIDE_TAG | static_cast<Pixel>(row) << 8 | static_cast<Pixel>(column); }
bool isSidePixel(Pixel p) { return (p & 0x00FF0000) == SIDE_TAG; }

std::string makeTempDirectory() {
  std::string pattern = "/tmp/zod-heart-XXXXXX";
  if (!mkdtemp(pattern.data())) return "/tmp";
  return pattern;
}

std::vector<Pixel> noisePicture(std::uint32_t seed, int keyOneIn) {
  std::mt19937 random(seed);
  std::vector<Pixel> pixels(TEXTURE_PIXELS);
  for (Pixel& p : pixels) {
    p = random() & 0x00FFFFFF;
    if (p == TRANSPARENT_KEY || (keyOneIn > 0 && random() % keyOneIn == 0)) p = TRANSPARENT_KEY;
  }
  return pixels;
}

// Two sets of pictures: noise with transparent holes, and a tagged side picture with an
// invisible heart.
struct HeartAssets {
  std::string noisy = makeTempDirectory();
  std::string tagged = makeTempDirectory();
  HeartAssets() {
    imagefiles::writeJpeg(noisy + "/" + WOOD1.name, noisePicture(1, 0), 256, 256);
    imagefiles::writePcx(noisy + "/" + ZOD1.name, noisePicture(2, 5), 256, 256);
    imagefiles::writePcx(noisy + "/" + HERZ.name, noisePicture(3, 3), 256, 256);

    // The wood's red stays far from the side tag's, and its texels differ from their neighbours.
    std::vector<Pixel> side(TEXTURE_PIXELS);
    std::vector<Pixel> wood(TEXTURE_PIXELS);
    for (int r = 0; r < 256; ++r)
      for (int c = 0; c < 256; ++c) {
        side[r * 256 + c] = sidePixel(r, c);
        wood[r * 256 + c] = 0x00200000 | static_cast<Pixel>(r) << 8 | static_cast<Pixel>(c);
      }
    imagefiles::writeJpeg(tagged + "/" + WOOD1.name, wood, 256, 256);
    imagefiles::writePcx(tagged + "/" + ZOD1.name, side, 256, 256);
    imagefiles::writePcx(tagged + "/" + HERZ.name, std::vector<Pixel>(TEXTURE_PIXELS, TRANSPARENT_KEY), 256, 256);
  }
};

const HeartAssets& assets() {
  static const HeartAssets made;
  return made;
}

// The heart scene written out plainly, pixel by pixel, from its definition.
class PlainHeart {
 public:
  PlainHeart() : wood(TEXTURE_PIXELS), side(TEXTURE_PIXELS), heart(TEXTURE_PIXELS) {
    loadJpeg(wood.data(), WOOD1.name, 256, 256);
    loadPcx(side.data(), ZOD1.name, side.size());
    loadPcx(heart.data(), HERZ.name, heart.size());
  }

  void sync(float t) {
    forward = !forward;
    syncTime = t;
    base = angle;
    Jump& jump = leftNext ? left : right;
    jump = Jump{true, 0.0f, 15.0f, t};
    leftNext = !leftNext;
  }

  void render(Pixel* frame, float t) {
    angle = forward ? static_cast<float>(static_cast<double>(base) + (static_cast<double>(t) - syncTime))
                    : static_cast<float>(static_cast<double>(base) - (static_cast<double>(t) - syncTime));
    const float cz = static_cast<float>(exactCos(static_cast<double>(t) * 0.0015015015f));
    const double zoom = cz * 0.5 + 1.0;
    const double radians = static_cast<double>(angle) * 0.0027322404f;
    const float ks = static_cast<float>(zoom * exactSin(radians));
    const float kc = static_cast<float>(zoom * exactCos(radians));
    for (int r = 0; r < 280; ++r) {
      for (int c = 0; c < 512; ++c) {
        const int x = c - 256;
        const int y = r - 140;
        const int u = (floatToInt(static_cast<double>(kc) * x) - floatToInt(static_cast<double>(ks) * y) + 127) & 255;
        const int v = (floatToInt(static_cast<double>(kc) * y) + floatToInt(static_cast<double>(ks) * x) + 127) & 255;
        frame[r * 512 + c] = wood[v * 256 + u];
      }
    }

    for (Jump* jump : {&left, &right}) {
      if (!jump->active) continue;
      jump->velocity = static_cast<float>(jump->velocity - (static_cast<double>(t) - jump->startTime) * 0.08f);
      const double sum = static_cast<double>(jump->offset) + jump->velocity;
      jump->offset = sum >= 24.0 || std::isnan(sum) ? 24.0f : static_cast<float>(sum);
      if (jump->offset < 0.0f) *jump = Jump{false, 0.0f, jump->velocity, jump->startTime};
    }

    const int spread = floatToInt(std::fabs(static_cast<double>(cz)) * 31.0);
    const int leftTop = floatToInt(24.0 - left.offset);
    const int rightTop = floatToInt(24.0 - right.offset);
    for (int s = 0; s < 256; ++s) {
      for (int k = 0; k < 115; ++k)
        if (side[s * 256 + k] != TRANSPARENT_KEY) frame[(leftTop + s) * 512 + spread + k] = side[s * 256 + k];
      for (int k = 120; k < 256; ++k)
        if (side[s * 256 + k] != TRANSPARENT_KEY)
          frame[(rightTop + s) * 512 + 363 - spread + (k - 120)] = side[s * 256 + k];
    }

    const Sprite sprite = spriteAt(t);
    for (int j = -115; j <= 114; ++j)
      for (int i = -156; i <= 155; ++i) {
        int col, row;
        spriteSource(sprite, i, j, col, row);
        if (col < 0 || col >= 256 || row < 0 || row >= 256) continue;
        const Pixel p = heart[row * 256 + col];
        if (p != TRANSPARENT_KEY) frame[(j + 140) * 512 + i + 256] = p;
      }
  }

  struct Sprite {
    float hs;
    double hc;
    int cc;
    int cr;
  };

  static Sprite spriteAt(float t) {
    const float cz = static_cast<float>(exactCos(static_cast<double>(t) * 0.0015015015f));
    const double sc = exactSin(static_cast<double>(t) * 0.0013642565f) * 0.05f + 2.8f;
    return Sprite{static_cast<float>(sc * exactSin(exactCos(static_cast<double>(t) * 0.00069252076f))),
                  sc * exactCos(exactSin(static_cast<double>(t) * 0.0006002401f)),
                  127 - floatToInt(cz * static_cast<double>(-80.0f)),
                  127 - floatToInt(exactSin(static_cast<double>(t) * 0.0017667845f) * static_cast<double>(-20.0f))};
  }

  // Heart texture column and row for window column i and row j.
  static void spriteSource(const Sprite& s, int i, int j, int& col, int& row) {
    const float jhs = static_cast<float>(j * static_cast<double>(s.hs));
    col = floatToInt(i * s.hc - jhs) + s.cc;
    row = floatToInt(i * static_cast<double>(s.hs) + j * s.hc) + s.cr;
  }

  std::vector<Pixel> wood, side, heart;

 private:
  struct Jump {
    bool active = false;
    float offset = 0.0f;
    float velocity = 0.0f;
    float startTime = 0.0f;
  };
  bool forward = false;
  float syncTime = 0.0f;
  float angle = 0.0f;
  float base = 0.0f;
  Jump left, right;
  bool leftNext = false;
};

class HeartEffectTest : public ::testing::Test {
 protected:
  void useAssets(const std::string& directory) {
    setAssetDirectory(directory);
    effect.init();
  }
  Pixel at(int row, int column) const { return frame[row * FRAME_WIDTH + column]; }
  // The frame row at which the tagged side picture's row 0 lies, read in one frame column.
  int topRowIn(int column) const {
    for (int r = 0; r < FRAME_HEIGHT; ++r)
      if (isSidePixel(at(r, column))) return r - static_cast<int>((at(r, column) >> 8) & 0xFF);
    return -1;
  }

  HeartEffect effect;
  std::vector<Pixel> frame = std::vector<Pixel>(SCREEN_PIXELS, 0x00123456);
};

TEST_F(HeartEffectTest, FramesMatchThePlainDefinitionThroughSyncsAndFrameRates) {
  useAssets(assets().noisy);
  PlainHeart plain;
  std::vector<Pixel> expected(SCREEN_PIXELS, 0x00123456);
  struct Step {
    bool sync;
    float t;
  };
  const std::vector<Step> steps = {
      {false, 0.0f},    {false, 17.0f},    {true, 40.0f},     {false, 40.0f},    {false, 60.0f},   {false, 80.0f},
      {true, 95.5f},    {false, 95.5f},    {false, 128.5f},   {false, 161.5f},   {false, 194.5f},  {false, 227.5f},
      {true, 230.0f},   {true, 235.0f},    {false, 235.0f},   {false, 1046.25f}, {false, 1500.0f}, {true, 61234.5f},
      {false, 61250.f}, {false, 61266.6f}, {false, 99999.9f}, {false, 1.5e6f},   {true, 3.0e9f},   {false, 3.0e9f}};
  int frameNumber = 0;
  for (const Step& step : steps) {
    if (step.sync) {
      effect.onSync(2, step.t);
      plain.sync(step.t);
      continue;
    }
    effect.render(frame.data(), step.t);
    plain.render(expected.data(), step.t);
    int firstDifference = -1;
    for (int i = 0; i < FRAME_PIXELS && firstDifference < 0; ++i)
      if (frame[i] != expected[i]) firstDifference = i;
    EXPECT_EQ(firstDifference, -1) << "frame " << frameNumber << " at t = " << step.t << ", row "
                                   << firstDifference / 512 << ", column " << firstDifference % 512;
    ++frameNumber;
  }
}

TEST_F(HeartEffectTest, SpriteShearIsRoundedPerRowWhileItsCosineStaysDouble) {
  useAssets(assets().noisy);
  PlainHeart plain;
  auto opaqueAt = [&](int col, int row) {
    return col >= 0 && col < 256 && row >= 0 && row < 256 && plain.heart[row * 256 + col] != TRANSPARENT_KEY;
  };
  // Find window pixels whose texel changes if the row's shear were kept in double, or the cosine
  // factor were rounded to a float.
  struct Case {
    float t = 0.0f;
    int i = 0, j = 0, col = 0, row = 0;
  } shearCase, cosineCase;
  for (int n = 0; n < 2000 && (shearCase.t == 0.0f || cosineCase.t == 0.0f); ++n) {
    const float t = 2000.0f + 13.7f * n;
    const PlainHeart::Sprite sprite = PlainHeart::spriteAt(t);
    const double roundedCosine = static_cast<float>(sprite.hc);
    for (int j = -115; j <= 114; ++j)
      for (int i = -156; i <= 155; ++i) {
        int col, row;
        PlainHeart::spriteSource(sprite, i, j, col, row);
        if (!opaqueAt(col, row)) continue;
        const int doubleShearCol = floatToInt(i * sprite.hc - j * static_cast<double>(sprite.hs)) + sprite.cc;
        const float jhs = static_cast<float>(j * static_cast<double>(sprite.hs));
        const int floatCosineCol = floatToInt(i * roundedCosine - jhs) + sprite.cc;
        const int floatCosineRow = floatToInt(i * static_cast<double>(sprite.hs) + j * roundedCosine) + sprite.cr;
        const Pixel texel = plain.heart[row * 256 + col];
        if (shearCase.t == 0.0f && doubleShearCol != col &&
            !(opaqueAt(doubleShearCol, row) && plain.heart[row * 256 + doubleShearCol] == texel))
          shearCase = Case{t, i, j, col, row};
        if (cosineCase.t == 0.0f && (floatCosineCol != col || floatCosineRow != row) &&
            !(opaqueAt(floatCosineCol, floatCosineRow) && plain.heart[floatCosineRow * 256 + floatCosineCol] == texel))
          cosineCase = Case{t, i, j, col, row};
      }
  }
  for (const Case& c : {shearCase, cosineCase}) {
    ASSERT_NE(c.t, 0.0f);
    HeartEffect fresh;
    fresh.init();
    fresh.render(frame.data(), c.t);
    EXPECT_EQ(at(c.j + 140, c.i + 256), plain.heart[c.row * 256 + c.col]) << "t = " << c.t;
  }
}

TEST_F(HeartEffectTest, TimeThatIsNotFiniteDrawsLikeTheDefinition) {
  useAssets(assets().noisy);
  for (float t : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    HeartEffect fresh;
    fresh.init();
    PlainHeart plain;
    std::vector<Pixel> expected(SCREEN_PIXELS, 0x00123456);
    fresh.onSync(3, t);
    plain.sync(t);
    fresh.render(frame.data(), t);
    plain.render(expected.data(), t);
    EXPECT_EQ(std::memcmp(frame.data(), expected.data(), FRAME_BYTES), 0) << t;
  }
}

TEST_F(HeartEffectTest, UnturnedUnzoomedWoodIsUpright) {
  useAssets(assets().tagged);
  std::vector<Pixel> wood(TEXTURE_PIXELS);
  loadJpeg(wood.data(), WOOD1.name, 256, 256);
  // A show time at which the pulse is so close to 0 that the zoom rounds to exactly 1.
  float t = 0.0f;
  for (int turn = 0; turn < 64 && t == 0.0f; ++turn) {
    float candidate = static_cast<float>((std::numbers::pi / 2 + turn * std::numbers::pi) / static_cast<double>(0.0015015015f));
    candidate = std::nextafter(candidate, 0.0f);
    for (int step = 0; step < 3 && t == 0.0f; ++step, candidate = std::nextafter(candidate, 1e9f))
      if (std::fabs(static_cast<float>(exactCos(static_cast<double>(candidate) * 0.0015015015f))) < 5.9e-8f)
        t = candidate;
  }
  ASSERT_NE(t, 0.0f);
  // A sync in the frame of the first render turns from angle 0.
  effect.onSync(5, t);
  effect.render(frame.data(), t);
  EXPECT_EQ(effect.currentAngleTime(), 0.0f);
  for (int r = 0; r < FRAME_HEIGHT; ++r)
    for (int c = 0; c < FRAME_WIDTH; ++c) {
      if (isSidePixel(at(r, c))) continue;
      ASSERT_EQ(at(r, c), wood[((r - 140 + 127 + 256) % 256) * 256 + (c - 256 + 127 + 256) % 256])
          << r << ", " << c;
    }
}

TEST_F(HeartEffectTest, JumpFollowsTheSlideLawAtTwentyMillisecondFrames) {
  useAssets(assets().tagged);
  effect.onSync(2, 5000.0f);
  const float expected[] = {15.0f, 24.0f, 24.0f, 24.0f, 23.0f, 14.0f};
  for (int n = 0; n < 6; ++n) {
    effect.render(frame.data(), 5000.0f + 20.0f * n);
    EXPECT_TRUE(effect.rightSlideState().active) << n;
    // The start and the clamp are exact; the falling values carry the float rounding of 0.08.
    if (n < 4)
      EXPECT_EQ(effect.rightSlideState().offset, expected[n]) << n;
    else
      EXPECT_NEAR(effect.rightSlideState().offset, expected[n], 2e-5) << n;
  }
  effect.render(frame.data(), 5120.0f);
  EXPECT_FALSE(effect.rightSlideState().active);
  EXPECT_EQ(effect.rightSlideState().offset, 0.0f);
  EXPECT_FALSE(effect.leftSlideState().active);
}

TEST_F(HeartEffectTest, JumpFollowsTheSlideLawAtThirtyThreeMillisecondFrames) {
  useAssets(assets().tagged);
  effect.onSync(2, 5000.0f);
  const float expected[] = {15.0f, 24.0f, 24.0f, 23.16f, 11.76f};
  for (int n = 0; n < 5; ++n) {
    effect.render(frame.data(), 5000.0f + 33.0f * n);
    EXPECT_TRUE(effect.rightSlideState().active) << n;
    EXPECT_NEAR(effect.rightSlideState().offset, expected[n], 2e-5) << n;
  }
  effect.render(frame.data(), 5165.0f);
  EXPECT_FALSE(effect.rightSlideState().active);
}

TEST_F(HeartEffectTest, FirstSyncRaisesTheRightHalfAtOnceThenTheHalvesAlternate) {
  useAssets(assets().tagged);
  // Column 40 lies in the left half and column 440 in the right half whatever the spread.
  effect.render(frame.data(), 700.0f);
  EXPECT_EQ(topRowIn(40), 24);
  EXPECT_EQ(topRowIn(440), 24);
  effect.onSync(7, 720.0f);
  effect.render(frame.data(), 720.0f);
  EXPECT_EQ(topRowIn(40), 24);
  EXPECT_EQ(topRowIn(440), 9);
  effect.onSync(7, 740.0f);
  effect.render(frame.data(), 740.0f);
  EXPECT_EQ(topRowIn(40), 9);
  EXPECT_EQ(topRowIn(440), 0);
  effect.onSync(7, 760.0f);
  effect.render(frame.data(), 760.0f);
  EXPECT_EQ(topRowIn(440), 9) << "a jump restarted while active starts again from 0";
  // Long after their start, both jumps end in the next frame.
  effect.render(frame.data(), 1300.0f);
  EXPECT_FALSE(effect.leftSlideState().active);
  EXPECT_FALSE(effect.rightSlideState().active);
  EXPECT_EQ(topRowIn(40), 24);
  EXPECT_EQ(topRowIn(440), 24);
}

TEST_F(HeartEffectTest, FullPulseBringsTheHalvesThirtyOneColumnsIn) {
  useAssets(assets().tagged);
  effect.render(frame.data(), 0.0f);
  // Row 260 lies below the heart's window; the halves rest at row 24, so this is source row 236.
  const int row = 260;
  EXPECT_EQ(at(row, 31), sidePixel(236, 0));
  EXPECT_EQ(at(row, 145), sidePixel(236, 114));
  EXPECT_EQ(at(row, 332), sidePixel(236, 120));
  EXPECT_EQ(at(row, 467), sidePixel(236, 255));
  for (int column : {30, 146, 331, 468}) EXPECT_FALSE(isSidePixel(at(row, column))) << column;
}

TEST_F(HeartEffectTest, RenderAndSyncAllocateNothing) {
  useAssets(assets().noisy);
  AllocationCounter counter;
  effect.render(frame.data(), 100.0f);
  effect.onSync(2, 120.0f);
  effect.render(frame.data(), 120.0f);
  effect.render(frame.data(), std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
