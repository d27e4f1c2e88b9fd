#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/QuitRequest.h"
#include "effects/TunnelEffect.h"
#include "render/TunnelRow.h"
#include "image/Loaders.h"
#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/TrigTables.h"
#include "tests/AllocationCounter.h"
#include "tests/ScratchAssets.h"

namespace {

constexpr int TABLE_WIDTH = 1024;
constexpr int TABLE_HEIGHT = 560;
constexpr int TABLE_ENTRIES = TABLE_WIDTH * TABLE_HEIGHT;

// Both tables straight from their definition, every entry computed on its own.
struct DirectTables {
  std::vector<std::int32_t> distance = std::vector<std::int32_t>(TABLE_ENTRIES);
  std::vector<std::int32_t> angle = std::vector<std::int32_t>(TABLE_ENTRIES);
  DirectTables() {
    for (int y = 0; y < TABLE_HEIGHT; ++y) {
      for (int x = 0; x < TABLE_WIDTH; ++x) {
        const double dy = y - 279.5;
        const double dx = x - 511.5;
        distance[y * TABLE_WIDTH + x] = floatToInt(std::sqrt(dx * dx + dy * dy) * 65536);
        angle[y * TABLE_WIDTH + x] = floatToInt(exactAtan2(dx, dy) * 65536);
      }
    }
  }
};

const DirectTables& directTables() {
  static const DirectTables tables;
  return tables;
}

Pixel subtractBytes(Pixel a, int s) {
  Pixel result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int byte = static_cast<int>((a >> shift) & 0xFF) - s;
    result |= static_cast<Pixel>(byte < 0 ? 0 : byte) << shift;
  }
  return result;
}

// The tunnel and its overlay, written plainly from the effect's definition.
struct ReferenceTunnel {
  std::vector<Pixel> texture = std::vector<Pixel>(TEXTURE_PIXELS);
  std::vector<Pixel> overlay = std::vector<Pixel>(TEXTURE_PIXELS);
  bool bouncing = false;
  float offset = 0.0f;
  float velocity = 0.0f;
  float start = 0.0f;

  ReferenceTunnel() {
    loadJpeg(texture.data(), TEGEL3.name, 256, 256);
    loadPcx(overlay.data(), ZOD4.name, TEXTURE_PIXELS);
  }

  void sync(float timeMs) {
    bouncing = true;
    velocity = 15.0f;
    offset = 0.0f;
    start = timeMs;
  }

  void render(Pixel* frame, float timeMs) {
    const std::int32_t t = floatToInt(timeMs);
    const auto c = [](std::int32_t n) { return static_cast<double>(cosTable[n & 1023]); };
    const auto s = [](std::int32_t n) { return static_cast<double>(sinTable[n & 1023]); };
    const int column[5] = {floatToInt(255 * c(t / 2)), floatToInt(255 * c(t / 6)), floatToInt(255 * s(t / 6)),
                           -floatToInt(255 * c(t / 2)), -floatToInt(255 * s(t / 3))};
    const int row[5] = {floatToInt(139 * s(t / 5)), floatToInt(139 * s(t / 3)), floatToInt(139 * s(t / 5)),
                        floatToInt(139 * c(t / 3)), -floatToInt(139 * c(t / 6))};
    const DirectTables& tables = directTables();
    for (int y = 0; y < 280; ++y) {
      for (int x = 0; x < 512; ++x) {
        std::int32_t d = 0;
        std::int32_t a = 0;
        for (int n = 0; n < 5; ++n) {
          const int k = 0x23100 + column[n] + 1024 * row[n] + 1024 * y + x;
          d += tables.distance[k];
          a += tables.angle[k];
        }
        const int u = (a / 800) & 0xFF;
        const int v = (d >> 17) & 0xFF;
        frame[y * 512 + x] = subtractBytes(texture[v * 256 + u], (d >> 20) & 0xFF);
      }
    }
    if (bouncing) {
      const double elapsed = static_cast<double>(static_cast<std::uint32_t>(t)) - static_cast<double>(start);
      const double newVelocity = static_cast<double>(velocity) - elapsed * static_cast<double>(0.06f);
      velocity = static_cast<float>(newVelocity);
      const double sum = newVelocity + static_cast<double>(offset);
      offset = sum < 26.0 ? static_cast<float>(sum) : 26.0f;
      if (offset < 0.0f) {
        bouncing = false;
        offset = 0.0f;
      }
    }
    const int y0 = floatToInt(26.0 - static_cast<double>(offset));
    const int x0 = floatToInt(220.0 + 31.0 * exactCos(static_cast<double>(timeMs) * static_cast<double>(0.0015015015f)));
    for (int r = 0; r < 256; ++r) {
      for (int col = 0; col < 256; ++col) {
        const Pixel p = overlay[r * 256 + col];
        if (p != 0x000000FFu) frame[(y0 + r) * 512 + x0 + col] = p;
      }
    }
  }
};

class TunnelEffectTest : public ::testing::Test {
 protected:
  void SetUp() override { fillTrigTables(); }
};

TEST_F(TunnelEffectTest, TablesEqualTheDirectFormulaInEveryEntry) {
  std::vector<std::int32_t> distance(TABLE_ENTRIES);
  std::vector<std::int32_t> angle(TABLE_ENTRIES);
  TunnelEffect::fillTables(distance.data(), angle.data());
  EXPECT_EQ(distance, directTables().distance);
  EXPECT_EQ(angle, directTables().angle);
}

TEST_F(TunnelEffectTest, TablesSpanTheirStatedRanges) {
  const DirectTables& tables = directTables();
  const auto at = [](int x, int y) { return y * TABLE_WIDTH + x; };
  EXPECT_EQ(tables.distance[at(511, 279)], 46340);
  EXPECT_EQ(tables.distance[at(512, 280)], 46340);
  EXPECT_EQ(tables.distance[at(0, 0)], 38199815);
  EXPECT_EQ(tables.distance[at(1023, 559)], 38199815);
  EXPECT_EQ(*std::min_element(tables.distance.begin(), tables.distance.end()), 46340);
  EXPECT_EQ(*std::max_element(tables.distance.begin(), tables.distance.end()), 38199815);
  EXPECT_EQ(*std::min_element(tables.angle.begin(), tables.angle.end()), -205770);
  EXPECT_EQ(*std::max_element(tables.angle.begin(), tables.angle.end()), 205770);
  EXPECT_EQ(std::abs(tables.angle[at(511, 0)]), 205770);
  EXPECT_EQ(std::abs(tables.angle[at(512, 0)]), 205770);
}

TEST_F(TunnelEffectTest, WindowOffsetsAtTimeZero) {
  const TunnelEffect::WindowOffsets w = TunnelEffect::windowOffsets(0);
  const int expectedColumns[5] = {255, 255, 0, -255, 0};
  const int expectedRows[5] = {0, 0, 0, 139, -139};
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(w.column[n], expectedColumns[n]) << "window " << n;
    EXPECT_EQ(w.row[n], expectedRows[n]) << "window " << n;
  }
}

TEST_F(TunnelEffectTest, WindowsStayInsideTheTablesAtAnyTime) {
  for (std::int64_t t = -5000000; t <= 5000000; t += 997) {
    const TunnelEffect::WindowOffsets w = TunnelEffect::windowOffsets(static_cast<std::int32_t>(t));
    for (int n = 0; n < 5; ++n) {
      ASSERT_LE(std::abs(w.column[n]), 255);
      ASSERT_LE(std::abs(w.row[n]), 139);
    }
  }
}

// Windows over two tables whose rows hold whatever the test puts there.
struct SyntheticWindows {
  std::vector<std::int32_t> distance = std::vector<std::int32_t>(5 * 512);
  std::vector<std::int32_t> angle = std::vector<std::int32_t>(5 * 512);
  TunnelWindows windows() const {
    TunnelWindows w;
    for (int n = 0; n < 5; ++n) {
      w.distance[n] = distance.data() + n * 512;
      w.angle[n] = angle.data() + n * 512;
    }
    return w;
  }
};

TEST_F(TunnelEffectTest, FastRowGivesThePortableBytesForEveryAngleSum) {
  const std::vector<Pixel> texture = noisePicture(256, 256, 7);
  SyntheticWindows rows;
  Pixel expected[512];
  Pixel actual[512];
  // Every angle sum the tables can give, and distance sums over the whole shade range.
  for (std::int32_t first = -5 * 205770; first <= 5 * 205770; first += 512) {
    for (int x = 0; x < 512; ++x) {
      const std::int32_t a = first + x;
      for (int n = 0; n < 5; ++n) rows.angle[n * 512 + x] = a / 5 + (n == 0 ? a % 5 : 0);
      const std::int32_t d = (a + 5 * 205770) * 90;
      for (int n = 0; n < 5; ++n) rows.distance[n * 512 + x] = d / 5 + (n == 0 ? d % 5 : 0);
    }
    tunnelRowPortable(expected, rows.windows(), texture.data());
    tunnelRow(actual, rows.windows(), texture.data());
    ASSERT_TRUE(std::equal(expected, expected + 512, actual)) << "angle sums from " << first;
  }
}

class TunnelFrameTest : public TunnelEffectTest {
 protected:
  void SetUp() override {
    TunnelEffectTest::SetUp();
    assets.writeJpeg(TEGEL3.name, noisePicture(256, 256, 3), 256, 256);
    assets.writePcx(ZOD4.name, keyedNoisePicture(256, 256, 4), 256, 256);
  }
  ScratchAssetDirectory assets;
};

TEST_F(TunnelFrameTest, FramesMatchThePlainFormulaThroughJumpsAndOddTimes) {
  TunnelEffect effect;
  effect.init();
  ReferenceTunnel reference;
  std::vector<Pixel> frame = screenBuffer(0x00123456);
  std::vector<Pixel> expected = screenBuffer(0x00123456);
  std::vector<float> times;
  for (float t = 0.0f; t < 900.0f; t += 37.3f) times.push_back(t);
  times.insert(times.end(), {123456.75f, 1526000.0f, -1234.5f, -7.0f, 3.0e9f, 7.5e12f,
                             std::numeric_limits<float>::quiet_NaN()});
  for (float t : times) {
    if (t == 0.0f || (t > 300.0f && t < 340.0f) || t == 1526000.0f) {
      effect.onSync(5, t);
      reference.sync(t);
    }
    effect.render(frame.data(), t);
    reference.render(expected.data(), t);
    ASSERT_EQ(frame, expected) << "at " << t;
  }
}

// A flat, light tunnel that no shade can turn black, under a black overlay with a keyed column
// 10 and keyed rows 200 and up: black in the frame is the overlay.
class TunnelOverlayTest : public TunnelEffectTest {
 protected:
  static constexpr Pixel SENTINEL = 0x00777777;
  void SetUp() override {
    TunnelEffectTest::SetUp();
    assets.writeJpeg(TEGEL3.name, std::vector<Pixel>(TEXTURE_PIXELS, 0x00E0E0E0), 256, 256);
    std::vector<Pixel> overlay(TEXTURE_PIXELS, 0);
    for (int r = 0; r < 256; ++r) overlay[r * 256 + 10] = TRANSPARENT_KEY;
    for (int i = 200 * 256; i < TEXTURE_PIXELS; ++i) overlay[i] = TRANSPARENT_KEY;
    assets.writePcx(ZOD4.name, overlay, 256, 256);
    effect.init();
  }
  // Frame row of the overlay's top at its column 100, found as the first black pixel.
  int overlayTop(const std::vector<Pixel>& frame, float timeMs) const {
    const int column = overlayColumn(timeMs) + 100;
    for (int y = 0; y < 280; ++y) {
      if (frame[y * 512 + column] == 0) return y;
    }
    return -1;
  }
  static int overlayColumn(float timeMs) {
    return static_cast<int>(220 + 31 * exactCos(static_cast<double>(timeMs) * static_cast<double>(0.0015015015f)));
  }
  ScratchAssetDirectory assets;
  TunnelEffect effect;
};

TEST_F(TunnelOverlayTest, AtRestTheOverlayReachesRows280And281OfTheReserve) {
  // Rows 200..255 of the overlay are keyed; fill them so the picture covers rows 26..281.
  std::vector<Pixel> overlay(TEXTURE_PIXELS, 0);
  assets.writePcx(ZOD4.name, overlay, 256, 256);
  TunnelEffect rest;
  rest.init();
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  rest.render(frame.data(), 0.0f);
  const int x0 = overlayColumn(0.0f);
  ASSERT_EQ(x0, 251);
  for (int y = 0; y < 26; ++y) EXPECT_NE(frame[y * 512 + x0], 0u) << "tunnel above the overlay, row " << y;
  for (int y = 26; y < 284; ++y) {
    const Pixel expected = y < 282 ? 0u : SENTINEL;
    for (int x = x0; x < x0 + 256; ++x) ASSERT_EQ(frame[y * 512 + x], expected) << "row " << y << " column " << x;
  }
  EXPECT_EQ(frame[281 * 512 + x0 - 1], SENTINEL) << "the tunnel itself stops at row 279";
}

TEST_F(TunnelOverlayTest, KeyedPixelsShowTheTunnelAndBlackOnesCoverIt) {
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  effect.render(frame.data(), 0.0f);
  const int x0 = overlayColumn(0.0f);
  for (int y = 26; y < 226; ++y) {
    EXPECT_NE(frame[y * 512 + x0 + 10], 0u) << "keyed pixel, row " << y;
    EXPECT_EQ(frame[y * 512 + x0 + 11], 0u) << "black pixel, row " << y;
  }
  EXPECT_NE(frame[226 * 512 + x0 + 11], 0u);
}

TEST_F(TunnelOverlayTest, TheOverlayJumpsInTheFrameOfTheSyncEvent) {
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  effect.onSync(3, 5000.5f);
  effect.render(frame.data(), 5000.5f);
  EXPECT_EQ(overlayTop(frame, 5000.5f), 10);

  TunnelEffect other;
  other.init();
  other.onSync(3, 5000.0f);
  other.render(frame.data(), 5000.0f);
  EXPECT_EQ(overlayTop(frame, 5000.0f), 11);
}

TEST_F(TunnelOverlayTest, ASyncDuringAJumpRestartsItFromTheRestRow) {
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  effect.onSync(2, 1000.0f);
  float t = 1000.0f;
  int top = 26;
  for (int n = 0; n < 10 && top != 0; ++n, t += 16.0f) {
    effect.render(frame.data(), t);
    top = overlayTop(frame, t);
  }
  ASSERT_EQ(top, 0) << "the jump reaches its cap";
  EXPECT_NE(frame[256 * 512 + overlayColumn(t - 16.0f) + 100], 0u) << "the overlay ends at row 255";

  effect.onSync(2, 1100.25f);
  effect.render(frame.data(), 1100.25f);
  EXPECT_EQ(overlayTop(frame, 1100.25f), 10);
}

TEST_F(TunnelOverlayTest, TheJumpFallsBackToRest) {
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  effect.onSync(2, 1000.0f);
  float t = 1000.0f;
  for (int n = 0; n < 40; ++n, t += 20.0f) effect.render(frame.data(), t);
  EXPECT_EQ(overlayTop(frame, t - 20.0f), 26);
}

TEST_F(TunnelOverlayTest, RenderAllocatesNothingAndSyncCodeNineDoesNotQuit) {
  clearQuitRequest();
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
  AllocationCounter counter;
  effect.onSync(9, 250.0f);
  effect.render(frame.data(), 250.0f);
  effect.render(frame.data(), 260.0f);
  EXPECT_EQ(counter.count(), 0u);
  EXPECT_FALSE(quitRequested());
}

}  // namespace
