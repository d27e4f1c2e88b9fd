#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "render/Matrix3.h"
#include "render/Pixel.h"
#include "render/TrigTables.h"

namespace {

std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }

class TrigTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { fillTrigTables(); }
};

TEST_F(TrigTablesTest, QuarterAndHalfTurnsCarryTheShowsPi) {
  EXPECT_EQ(cosTable[0], 1.0f);
  EXPECT_EQ(sinTable[0], 0.0f);
  EXPECT_EQ(sinTable[256], 1.0f);
  EXPECT_EQ(bitsOf(cosTable[256]), 0xB5B5DDE9u);
  EXPECT_EQ(cosTable[512], -1.0f);
  EXPECT_EQ(bitsOf(sinTable[512]), 0xB635DDE9u);
  EXPECT_EQ(cosTable[768], 4.0650407e-6f);
  EXPECT_EQ(sinTable[768], -1.0f);
}

TEST_F(TrigTablesTest, FirstAndLastStepAreNotMirrorImages) {
  EXPECT_EQ(sinTable[1], 0.0061358898f);
  EXPECT_EQ(sinTable[1023], -0.0061304700f);
}

TEST_F(TrigTablesTest, BuildersWrapTheirStep) {
  Matrix3 a, b;
  a.identity();
  b.identity();
  a.rotZ(-1);
  b.rotZ(1023);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bitsOf(a.m[i]), bitsOf(b.m[i])) << i;
  a.identity();
  b.identity();
  a.rotX(1024 + 37);
  b.rotX(37);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bitsOf(a.m[i]), bitsOf(b.m[i])) << i;
}

TEST_F(TrigTablesTest, BuildersTouchOnlyTheirFourEntries) {
  Matrix3 m;
  for (float& v : m.m) v = 7.0f;
  m.rotY(100);
  EXPECT_EQ(m.m[0], cosTable[100]);
  EXPECT_EQ(m.m[2], sinTable[100]);
  EXPECT_EQ(m.m[6], -sinTable[100]);
  EXPECT_EQ(m.m[8], cosTable[100]);
  for (int i : {1, 3, 4, 5, 7}) EXPECT_EQ(m.m[i], 7.0f) << i;
}

TEST_F(TrigTablesTest, ProductPutsTheThirdMatrixOnTheLeft) {
  Matrix3 x, y, z, out;
  x.identity();
  y.identity();
  z.identity();
  z.rotZ(77);
  out.product(x, y, z);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(out.m[i], z.m[i]);

  x.rotX(300);
  y.rotY(5);
  z.identity();
  out.product(x, y, z);
  Matrix3 viaRows;
  viaRows.identity();
  // X x Y computed independently, entry by entry.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += static_cast<double>(x.m[r * 3 + k]) * y.m[k * 3 + c];
      viaRows.m[r * 3 + c] = static_cast<float>(sum);
    }
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bitsOf(out.m[i]), bitsOf(viaRows.m[i])) << i;
}

TEST_F(TrigTablesTest, ApplyOfUnitXGivesTheFirstRow) {
  Matrix3 m;
  for (int i = 0; i < 9; ++i) m.m[i] = static_cast<float>(i + 1) * 0.25f;
  Vec3 out;
  m.apply(Vec3{1, 0, 0}, out);
  EXPECT_EQ(out.x, m.m[0]);
  EXPECT_EQ(out.y, m.m[1]);
  EXPECT_EQ(out.z, m.m[2]);
}

TEST(PixelArithmetic, DocumentedValues) {
  EXPECT_EQ(subtractSaturated(0x00804020u, greyWord(0x30)), 0x00501000u);
  EXPECT_EQ(addSaturated(0x00F01008u, 0x00202020u), 0x00FF3028u);
  EXPECT_EQ(clampShade(255), 255);
  EXPECT_EQ(clampShade(256), 255);
  EXPECT_EQ(clampShade(-1), 255);
  EXPECT_EQ(clampShade(0), 0);
  EXPECT_EQ(greyWord(0xAB), 0x00ABABABu);
}

// Every byte pair, in every byte lane, single and packed forms against the plain definition.
TEST(PixelArithmetic, PackedFormsMatchBytewiseDefinitionForAllBytePairs) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::uint32_t sum = a + b > 255 ? 255 : a + b;
      const std::uint32_t diff = a - b < 0 ? 0 : a - b;
      for (int lane = 0; lane < 4; ++lane) {
        // Neighbouring lanes hold values that would expose a stray carry or borrow.
        const Pixel pa = (0xFFu * 0x01010101u & ~(0xFFu << (8 * lane))) | (Pixel(a) << (8 * lane));
        const Pixel pb = (0x00u) | (Pixel(b) << (8 * lane));
        const Pixel addExpected = (pa & ~(0xFFu << (8 * lane))) | (sum << (8 * lane));
        const Pixel subExpected = (pa & ~(0xFFu << (8 * lane))) | (diff << (8 * lane));
        ASSERT_EQ(addSaturated(pa, pb), addExpected) << a << "+" << b;
        ASSERT_EQ(subtractSaturated(pa, pb), subExpected) << a << "-" << b;
        const std::uint64_t pa2 = (std::uint64_t(pb) << 32) | pa;
        const std::uint64_t pb2 = (std::uint64_t(pa) << 32) | pb;
        ASSERT_EQ(addSaturated2(pa2, pb2), (std::uint64_t(addSaturated(pb, pa)) << 32) | addSaturated(pa, pb));
        ASSERT_EQ(subtractSaturated2(pa2, pb2),
                  (std::uint64_t(subtractSaturated(pb, pa)) << 32) | subtractSaturated(pa, pb));
      }
    }
  }
}

TEST(PixelArithmetic, RunFormMatchesSinglePixelForm) {
  std::vector<Pixel> dst(1031), src(1031), expected(1031);
  std::vector<Pixel> plain(1031);
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (std::size_t i = 0; i < dst.size(); ++i) {
    dst[i] = next();
    src[i] = next();
    expected[i] = addSaturated(dst[i], src[i]);
  }
  plain = dst;
  addSaturatedRun(dst.data(), src.data(), dst.size());
  addSaturatedRunPortable(plain.data(), src.data(), plain.size());
  EXPECT_EQ(dst, expected);
  EXPECT_EQ(plain, expected);
}

TEST(PixelArithmetic, ClearFrameLeavesTheReserveAlone) {
  std::vector<Pixel> frame(SCREEN_PIXELS, 0x00FFFFFFu);
  clearFrame(frame.data());
  EXPECT_EQ(frame[FRAME_PIXELS - 1], 0u);
  EXPECT_EQ(frame[FRAME_PIXELS], 0x00FFFFFFu);
}

}  // namespace

#include "tests/AllocationCounter.h"

TEST(PixelArithmetic, RunFormAllocatesNothing) {
  std::vector<Pixel> frame(SCREEN_PIXELS, 0x00102030u);
  AllocationCounter counter;
  addSaturatedRun(frame.data(), frame.data() + 8, 1000);
  clearFrame(frame.data());
  EXPECT_EQ(counter.count(), 0u);
  std::vector<int> shouldCount(3);
  EXPECT_EQ(counter.count(), 1u);
}
