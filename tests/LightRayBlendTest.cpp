#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "LightRayBlendReference.h"
#include "render/LightRayBlend.h"

namespace {

TEST(LightRayBlend, UniformAreaLosesTwoLevels) {
  for (std::uint32_t fx = 0; fx < 256; fx += 5) {
    for (std::uint32_t fy = 0; fy < 256; fy += 3) {
      EXPECT_EQ(lightRayBlend(0x00C8C8C8, 0x00C8C8C8, 0x00C8C8C8, 0x00C8C8C8, 0x00C8C8C8, fx, fy), 0x00C6C6C6u);
      EXPECT_EQ(lightRayBlend(0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, fx, fy), 0x00FDFDFDu);
    }
  }
}

TEST(LightRayBlend, NeverBrighterThanItsInputsNorThan253) {
  std::mt19937 random(5);
  for (int i = 0; i < 20000; ++i) {
    Pixel in[5];
    for (Pixel& p : in) p = static_cast<Pixel>(random() & 0xFFFFFFu);
    const auto fx = static_cast<std::uint32_t>(random() & 255), fy = static_cast<std::uint32_t>(random() & 255);
    const Pixel out = lightRayBlend(in[0], in[1], in[2], in[3], in[4], fx, fy);
    for (int shift = 0; shift < 24; shift += 8) {
      std::uint32_t largest = 0;
      for (Pixel p : in) largest = std::max(largest, (p >> shift) & 255);
      ASSERT_LE((out >> shift) & 255, std::min(largest, 253u));
    }
    ASSERT_EQ(out >> 24, 0u);
  }
}

TEST(LightRayBlend, MatchesTheByteByByteBlend) {
  std::mt19937 random(9);
  for (int i = 0; i < 20000; ++i) {
    Pixel p[5];
    for (Pixel& q : p) q = static_cast<Pixel>(random());
    const auto fx = static_cast<std::uint32_t>(random() & 255), fy = static_cast<std::uint32_t>(random() & 255);
    ASSERT_EQ(lightRayBlend(p[0], p[1], p[2], p[3], p[4], fx, fy), blendByBytes(p[0], p[1], p[2], p[3], p[4], fx, fy));
  }
  // The fourth byte only ever comes from the pixel itself.
  EXPECT_EQ(lightRayBlend(0xF0000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 9, 9), 0x0F000000u);
}

TEST(LightRayBlend, WideningRunsMatchOnePixelAtATime) {
  std::mt19937 random(3);
  for (std::size_t n : {0u, 1u, 3u, 4u, 5u, 332u}) {
    std::vector<Pixel> packed(n);
    for (Pixel& p : packed) p = static_cast<Pixel>(random());
    std::vector<WidePixel> wide(n + 1, 77);
    widenPixels(wide.data(), packed.data(), n);
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(wide[i], widen(packed[i])) << n << " " << i;
    EXPECT_EQ(wide[n], 77u);
    std::vector<Pixel> back(n + 1, 88);
    narrowPixels(back.data(), wide.data(), n);
    back.pop_back();
    EXPECT_EQ(back, packed);
  }
  EXPECT_EQ(widen(0x80FF0102u), 0x008000FF00010002u);
}

TEST(LightRayBlend, SmearedRowsMatchOneWordAtATime) {
  // A picture of 6 rows of 40 with a guard row on each side; rows are smeared in place in both
  // directions, with the sample row the row itself or a neighbour, as the quadrants do.
  constexpr int COUNT = 40;
  std::mt19937 random(21);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<WidePixel> start(8 * COUNT);
    for (WidePixel& p : start) p = widen(static_cast<Pixel>(random()));
    std::vector<std::int32_t> sampleColumn(COUNT);
    std::vector<LaneWeights> first(COUNT), second(COUNT);
    const int step = random() % 2 == 0 ? 1 : -1;
    const int sampleStep = random() % 2 == 0 ? 1 : -1;
    for (int m = 0; m < COUNT; ++m) {
      const auto fx = static_cast<std::uint32_t>(random() & 255);
      const int whole = static_cast<int>(random() % 3);
      sampleColumn[m] = std::clamp(m + sampleStep * whole, 1, COUNT - 2);
      first[m] = firstColumnWeights(fx);
      second[m] = secondColumnWeights(fx);
    }
    const LaneWeights rowWeight = rowWeights(static_cast<std::uint32_t>(random() & 255));
    const int rowIndex = 1 + static_cast<int>(random() % 6);
    const int nearIndex = std::clamp(rowIndex + static_cast<int>(random() % 3) - 1, 1, 6);
    const int farIndex = nearIndex + (random() % 2 == 0 ? 1 : -1);
    const int firstColumn = static_cast<int>(random() % COUNT);
    auto fast = start, plain = start;
    smearRow(&fast[rowIndex * COUNT], &fast[nearIndex * COUNT], &fast[farIndex * COUNT], firstColumn, step, COUNT,
             sampleColumn.data(), sampleStep, first.data(), second.data(), rowWeight);
    smearRowPortable(&plain[rowIndex * COUNT], &plain[nearIndex * COUNT], &plain[farIndex * COUNT], firstColumn,
                     step, COUNT, sampleColumn.data(), sampleStep, first.data(), second.data(), rowWeight);
    ASSERT_EQ(fast, plain) << trial;
  }
}

TEST(LightRayBlend, SmearedRowWalksInOrderInPlace) {
  // Walking leftwards, each pixel (black) takes all of its sample from its right-hand neighbour,
  // which this same walk has just blended: white at the right end streaks across the row,
  // fading at every step.
  constexpr int COUNT = 8;
  std::vector<WidePixel> row(COUNT, widen(0));
  row[COUNT - 1] = widen(0x00FFFFFF);
  std::vector<std::int32_t> sampleColumn(COUNT);
  for (int m = 0; m < COUNT; ++m) sampleColumn[m] = m;
  const std::vector<LaneWeights> first(COUNT, firstColumnWeights(255)), second(COUNT, secondColumnWeights(255));
  smearRow(row.data(), row.data(), row.data(), COUNT - 2, -1, COUNT, sampleColumn.data(), +1, first.data(),
           second.data(), rowWeights(0));
  Pixel expected = 0x00FFFFFF;
  for (int m = COUNT - 2; m >= 0; --m) {
    expected = lightRayBlend(0, 0, expected, 0, expected, 255, 0);
    EXPECT_EQ(narrow(row[m]), expected) << m;
  }
  EXPECT_EQ(narrow(row[COUNT - 2]), 0x00EDEDEDu);  // 15 x 253 >> 4
  EXPECT_NE(expected, 0u);
}

}  // namespace
