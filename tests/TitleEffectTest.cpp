#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "effects/TitleEffect.h"
#include "render/TitleRow.h"
#include "image/Loaders.h"
#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "tests/AllocationCounter.h"
#include "tests/ScratchAssets.h"

namespace {

constexpr Pixel SENTINEL = 0x00777777;

struct WaveTables {
  std::int32_t a[1024];
  std::int32_t b[1024];
  std::int32_t c[1024];
  std::int32_t shade[1024];
  WaveTables() { TitleEffect::fillWaveTables(a, b, c, shade); }
};

TEST(TitleWaveTablesTest, HoldTheirStatedValuesAndRanges) {
  const WaveTables w;
  EXPECT_EQ(w.shade[0], 255);
  EXPECT_EQ(w.shade[512], 0);
  EXPECT_EQ(w.a[256], 99);
  const auto range = [](const std::int32_t* t) { return std::make_pair(*std::min_element(t, t + 1024), *std::max_element(t, t + 1024)); };
  EXPECT_EQ(range(w.a), std::make_pair(-99, 99));
  EXPECT_EQ(range(w.b), std::make_pair(-39, 39));
  EXPECT_EQ(range(w.c), std::make_pair(-29, 30));
  EXPECT_EQ(range(w.shade), std::make_pair(0, 255));
}

TEST(TitleWaveTablesTest, TheNearlyOneFactorsChangeNoEntry) {
  const WaveTables w;
  for (int i = 0; i < 1024; ++i) {
    const double oneTurn = i * static_cast<double>(6.2831907f) * static_cast<double>(0.0009765625f);
    const double twoTurns = i * static_cast<double>(12.566381f) * static_cast<double>(0.0009765625f);
    ASSERT_EQ(w.a[i], static_cast<int>(exactSin(oneTurn) * 100)) << i;
    ASSERT_EQ(w.b[i], static_cast<int>(exactSin(twoTurns) * -40)) << i;
  }
  EXPECT_EQ(w.a[128], 70);
  EXPECT_EQ(w.b[128], -39);
}

Pixel byteWise(Pixel a, Pixel b, int sign) {
  Pixel result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int byte = static_cast<int>((a >> shift) & 0xFF) + sign * static_cast<int>((b >> shift) & 0xFF);
    result |= static_cast<Pixel>(std::clamp(byte, 0, 255)) << shift;
  }
  return result;
}

// The title plane, written as plain loops over float coordinates.
void referenceTitlePlane(Pixel* frame, const Pixel* title, double rs, double rc) {
  for (float y = -140.0f; y < 140.0f; y += 1.0f) {
    for (float x = -256.0f; x < 256.0f; x += 1.0f) {
      const int column = floatToInt(x * rc - y * rs) + 127;
      const int row = floatToInt(x * rs + y * rc) + 127;
      const bool inside = column >= 0 && column < 256 && row >= 0 && row < 256;
      frame[static_cast<int>(y + 140) * 512 + static_cast<int>(x + 256)] = inside ? title[row * 256 + column] : 0;
    }
  }
}

// The whole effect written plainly from its definition.
struct ReferenceTitle {
  std::vector<Pixel> textureA = std::vector<Pixel>(TEXTURE_PIXELS);
  std::vector<Pixel> textureB = std::vector<Pixel>(TEXTURE_PIXELS);
  std::vector<Pixel> title = std::vector<Pixel>(TEXTURE_PIXELS);
  std::vector<Pixel> scroll = std::vector<Pixel>(512 * 512);
  WaveTables w;
  float lastSync = 0.0f;

  ReferenceTitle() {
    loadJpeg(textureA.data(), TEGEL1.name, 256, 256);
    loadJpeg(textureB.data(), TEGEL3.name, 256, 256);
    loadPcx(title.data(), TITEL.name, TEXTURE_PIXELS);
    loadRaw(scroll.data(), BALLE.name, 512, 256);
    loadRaw(scroll.data() + 512 * 256, BLOCKCHEN.name, 512, 256);
  }

  static double zoomAt(float t) { return exactCos(t * static_cast<double>(0.0015015015f)) * 0.5 + 1.0; }

  void render(Pixel* frame, float t, std::optional<std::pair<double, double>> swing = std::nullopt) {
    const std::int64_t T = floatToInt(t);
    const std::int64_t a1 = floatToInt(t * static_cast<double>(0.43478262f));
    const std::int64_t a2 = floatToInt(t * static_cast<double>(0.5f));
    const std::int64_t a3 = floatToInt(t * static_cast<double>(0.6666667f));
    const double zoom = zoomAt(t);
    const double phase = (static_cast<double>(T) - lastSync) * static_cast<double>(0.0027322404f);
    double rs = zoom * exactSin(phase);
    double rc = zoom * exactCos(rs);
    if (swing) std::tie(rs, rc) = *swing;
    referenceTitlePlane(frame, title.data(), rs, rc);

    const auto m = [](std::int64_t i) { return static_cast<int>(i & 1023); };
    const std::int64_t halfT = static_cast<std::uint32_t>(T) >> 1;
    for (std::int64_t y = 0; y < 280; ++y) {
      for (std::int64_t x = 0; x < 512; ++x) {
        Pixel& p = frame[y * 512 + x];
        if (p != 0) continue;
        const int s = (w.shade[m(x + a3)] + w.shade[m(halfT + 2 * x)]) >> 1;
        const std::int64_t rowA = (y - w.c[m(a3 + y)] - w.c[m(a3 + 4 * x)]) & 255;
        const std::int64_t colA = (w.a[m(a2 + 4 * y)] + w.b[m(a1 + 4 * y)] + x) & 255;
        const std::int64_t rowB = (w.c[m(x + a3 + 40)] - w.c[m(a2 + 20 + y)] + y) & 255;
        const std::int64_t colB = (x - w.b[m(a3 + 60 + 2 * y)] - w.a[m(a3 + 4 * x)]) & 255;
        const Pixel sum = byteWise(textureA[rowA * 256 + colA], textureB[rowB * 256 + colB], 1);
        p = byteWise(sum, static_cast<Pixel>(s) * 0x010101u, -1);
      }
    }

    const int k = floatToInt(exactSin(t * static_cast<double>(0.004464286f)) * -116.0);
    const int r = 116 - k;
    EXPECT_TRUE(r >= 0 && r + 279 <= 511) << "slide window at " << t;
    for (int i = 0; i < 143360; ++i) frame[i] = byteWise(frame[i], scroll[r * 512 + i], 1);
  }
};

TEST(TitlePlaneTest, AtZoomOneUprightItCoversColumns129To384AndRows13To268) {
  std::vector<Pixel> title(TEXTURE_PIXELS);
  for (int i = 0; i < TEXTURE_PIXELS; ++i) title[i] = 0x00010000u + static_cast<Pixel>(i);
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  TitleEffect::drawTitlePlane(frame.data(), title.data(), 0.0, 1.0);
  for (int y = 0; y < 280; ++y) {
    for (int x = 0; x < 512; ++x) {
      const bool inside = x >= 129 && x <= 384 && y >= 13 && y <= 268;
      const Pixel expected = inside ? title[(y - 13) * 256 + (x - 129)] : 0u;
      ASSERT_EQ(frame[y * 512 + x], expected) << "column " << x << " row " << y;
    }
  }
  EXPECT_EQ(frame[FRAME_PIXELS], SENTINEL);
}

TEST(TitlePlaneTest, EveryTurnAndScaleMatchesPlainLoops) {
  const std::vector<Pixel> title = noisePicture(256, 256, 5);
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  std::vector<Pixel> expected = screenBuffer(SENTINEL);
  std::vector<std::pair<double, double>> swings = {
      {0.0, 1.5}, {0.0, 0.5}, {-0.0, 1.0}, {1.5, 0.1}, {-1.5, 0.1}, {0.3, -0.7}, {-0.9, -1.2}, {0.7, 0.0},
      {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()},
      {std::numeric_limits<double>::infinity(), 1.0}};
  std::uint32_t state = 99;
  for (int n = 0; n < 40; ++n) {
    state = state * 1664525u + 1013904223u;
    const double rs = (static_cast<int>(state >> 16) - 32768) / 21845.0;
    state = state * 1664525u + 1013904223u;
    const double rc = (static_cast<int>(state >> 16) - 32768) / 21845.0;
    swings.emplace_back(rs, rc);
  }
  for (const auto& [rs, rc] : swings) {
    TitleEffect::drawTitlePlane(frame.data(), title.data(), rs, rc);
    referenceTitlePlane(expected.data(), title.data(), rs, rc);
    ASSERT_EQ(frame, expected) << "rs " << rs << " rc " << rc;
  }
}

TEST(TitleRowTest, FastRowGivesThePortableBytes) {
  const std::vector<Pixel> title = keyedNoisePicture(256, 256, 41);
  const std::vector<Pixel> textureA = noisePicture(256, 256, 42);
  const std::vector<Pixel> textureB = noisePicture(256, 256, 43);
  const std::vector<Pixel> slide = noisePicture(512, 1, 44);
  std::vector<std::uint32_t> columnParts = noisePicture(512 * 4, 1, 45);
  for (int i = 0; i < 512; ++i) columnParts[i] = (columnParts[i] & 0xFF) * 0x010101u;
  TitleRowInputs in{};
  in.titleImage = title.data();
  in.textureA = textureA.data();
  in.textureB = textureB.data();
  in.slideRow = slide.data();
  in.greyOfColumn = columnParts.data();
  in.rowAOfColumn = columnParts.data() + 512;
  in.rowBOfColumn = columnParts.data() + 1024;
  in.columnBOfColumn = columnParts.data() + 1536;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double swings[][2] = {{0.0, 1.5}, {0.0, 1.0}, {1.4, 0.2}, {-1.4, 0.2}, {-0.3, -0.9}, {nan, nan}, {3.0e9, 1.0}};
  Pixel expected[512];
  Pixel actual[512];
  std::uint32_t state = 46;
  for (const auto& swing : swings) {
    for (int y = -140; y < 140; ++y) {
      state = state * 1664525u + 1013904223u;
      in.rowA = state;
      in.columnA = state * 3u;
      in.rowB = state >> 7;
      in.columnB = ~state;
      in.y = y;
      in.rs = swing[0];
      in.rc = swing[1];
      titleRowPortable(expected, in);
      titleRow(actual, in);
      ASSERT_TRUE(std::equal(expected, expected + 512, actual)) << "row " << y << " rs " << in.rs;
    }
  }
}

class TitleEffectTest : public ::testing::Test {
 protected:
  // A title of noise with black pixels sprinkled in and a black square in its middle.
  static std::vector<Pixel> titlePicture() {
    std::vector<Pixel> title = keyedNoisePicture(256, 256, 31);
    for (int y = 100; y < 156; ++y) std::fill(title.begin() + y * 256 + 100, title.begin() + y * 256 + 156, 0);
    return title;
  }
  static void writePictures(const ScratchAssetDirectory& directory, const std::vector<Pixel>& title) {
    directory.writeJpeg(TEGEL1.name, noisePicture(256, 256, 32), 256, 256);
    directory.writeJpeg(TEGEL3.name, noisePicture(256, 256, 33), 256, 256);
    directory.writePcx(TITEL.name, title, 256, 256);
    // Dim overlays, so that the saturating additions do not turn most pixels white.
    std::vector<Pixel> balle = noisePicture(512, 256, 34);
    std::vector<Pixel> blockchen = noisePicture(512, 256, 35);
    for (Pixel& p : balle) p &= 0x003F3F3F;
    for (Pixel& p : blockchen) p &= 0x001F1F1F;
    directory.writeRaw(BALLE.name, balle, 512, 256);
    directory.writeRaw(BLOCKCHEN.name, blockchen, 512, 256);
  }
  void SetUp() override {
    writePictures(assets, titlePicture());
    effect.init();
  }
  ScratchAssetDirectory assets;
  TitleEffect effect;
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
};

TEST_F(TitleEffectTest, FramesMatchThePlainFormulaThroughSyncsAndOddTimes) {
  ReferenceTitle reference;
  std::vector<Pixel> expected = screenBuffer(SENTINEL);
  std::vector<float> times;
  for (float t = 0.0f; t < 3000.0f; t += 211.7f) times.push_back(t);
  times.insert(times.end(), {30000.0f, 583000.25f, 1526000.0f, -777.5f, 3.0e9f, 7.5e12f,
                             std::numeric_limits<float>::quiet_NaN()});
  for (float t : times) {
    if (t > 1000.0f && t < 1300.0f) {
      effect.onSync(2, t);
      reference.lastSync = t;
    }
    effect.render(frame.data(), t);
    reference.render(expected.data(), t);
    ASSERT_EQ(frame, expected) << "at " << t;
  }
}

TEST_F(TitleEffectTest, AtASyncEventTheTitleStandsUprightScaledByTheZoom) {
  ReferenceTitle reference;
  std::vector<Pixel> expected = screenBuffer(SENTINEL);
  for (float t : {2000.0f, 2523.0f, 47000.0f}) {
    effect.onSync(7, t);
    effect.render(frame.data(), t);
    reference.render(expected.data(), t, std::make_pair(0.0, ReferenceTitle::zoomAt(t)));
    ASSERT_EQ(frame, expected) << "at " << t;
  }
}

TEST_F(TitleEffectTest, BlackTitlePixelsShowThePatternLikeTheAreaOutside) {
  const std::vector<Pixel> title = titlePicture();
  ScratchAssetDirectory blackAssets;
  writePictures(blackAssets, std::vector<Pixel>(TEXTURE_PIXELS, 0));
  TitleEffect blackTitle;
  blackTitle.init();

  // Upright at a sync, a frame pixel shows title pixel (trunc(x * zoom) + 127, trunc(y * zoom) + 127).
  const float t = 2000.0f;
  effect.onSync(2, t);
  blackTitle.onSync(2, t);
  std::vector<Pixel> patternOnly = screenBuffer(SENTINEL);
  effect.render(frame.data(), t);
  blackTitle.render(patternOnly.data(), t);
  const double zoom = ReferenceTitle::zoomAt(t);
  int blackInside = 0;
  for (int y = 0; y < 280; ++y) {
    for (int x = 0; x < 512; ++x) {
      const int column = static_cast<int>((x - 256) * zoom) + 127;
      const int row = static_cast<int>((y - 140) * zoom) + 127;
      const bool inside = column >= 0 && column < 256 && row >= 0 && row < 256;
      const bool black = !inside || title[row * 256 + column] == 0;
      blackInside += inside && black;
      if (black) {
        ASSERT_EQ(frame[y * 512 + x], patternOnly[y * 512 + x]) << "column " << x << " row " << y;
      }
    }
  }
  EXPECT_GT(blackInside, 3000);
}

TEST_F(TitleEffectTest, TheSyncCodeIsIgnored) {
  TitleEffect first;
  TitleEffect second;
  first.init();
  second.init();
  first.onSync(2, 900.0f);
  second.onSync(255, 900.0f);
  std::vector<Pixel> a = screenBuffer(SENTINEL);
  std::vector<Pixel> b = screenBuffer(SENTINEL);
  first.render(a.data(), 1234.5f);
  second.render(b.data(), 1234.5f);
  EXPECT_EQ(a, b);
}

TEST_F(TitleEffectTest, RenderAllocatesNothing) {
  AllocationCounter counter;
  effect.render(frame.data(), 1.0f);
  effect.onSync(3, 2.0f);
  effect.render(frame.data(), 2.0f);
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
