#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "render/HalfStepRefinement.h"

namespace {

constexpr int ROWS = 281;
constexpr int PLANE_COLUMNS = 513;
constexpr int TUNNEL_COLUMNS = 333;

bool isLatticeColumn(int x, int columns, int spacing) { return x % spacing == 0 || x == columns - 1; }

// A map whose lattice points hold latticeValue(x, y) and whose other cells hold noise, so that a
// cell the refinement forgets shows up.
template <typename F>
std::vector<std::int32_t> latticeMap(int columns, F latticeValue, int spacing = 8) {
  std::vector<std::int32_t> map(static_cast<std::size_t>(columns) * ROWS);
  std::mt19937 noise(7);
  for (int y = 0; y < ROWS; ++y) {
    for (int x = 0; x < columns; ++x) {
      const bool lattice = y % spacing == 0 && isLatticeColumn(x, columns, spacing);
      map[y * columns + x] = lattice ? latticeValue(x, y) : static_cast<std::int32_t>(noise());
    }
  }
  return map;
}

// The passes as a table of rows, columns and half-steps, run one after the other over whole
// rows and columns.
void refineByPasses(std::vector<std::int32_t>& map, int columns, int spacing) {
  auto at = [&](int x, int y) -> std::uint32_t { return static_cast<std::uint32_t>(map[y * columns + x]); };
  auto put = [&](int x, int y, std::uint32_t v) { map[y * columns + x] = static_cast<std::int32_t>(v); };
  for (int h = spacing / 2; h >= 1; h /= 2) {
    for (int y = 0; y <= 280; y += spacing) {
      for (int x = h; x + h <= columns - 1; x += 2 * h) put(x, y, (at(x - h, y) + at(x + h, y)) >> 1);
    }
  }
  for (int h = spacing / 2; h >= 1; h /= 2) {
    for (int y = h; y + h <= 280; y += 2 * h) {
      for (int x = 0; x < columns; ++x) put(x, y, (at(x, y - h) + at(x, y + h)) >> 1);
    }
  }
}

TEST(HalfStepRefinement, LinearRampIsReproducedExactlyOnBothWidths) {
  for (int columns : {PLANE_COLUMNS, TUNNEL_COLUMNS}) {
    auto map = latticeMap(columns, [](int x, int y) { return 6 * x + 1001 * y; });
    refineHalfSteps(map.data(), columns, ROWS, 8);
    for (int y = 0; y < ROWS; ++y) {
      for (int x = 0; x < columns; ++x) ASSERT_EQ(map[y * columns + x], 6 * x + 1001 * y) << x << "," << y;
    }
  }
}

TEST(HalfStepRefinement, MatchesThePassTableOnRandomSamples) {
  // The planes' and the tunnel's lattice of 8, and the sphere's of 4.
  for (const auto& [columns, spacing] : {std::pair{PLANE_COLUMNS, 8}, {TUNNEL_COLUMNS, 8}, {PLANE_COLUMNS, 4}}) {
    std::mt19937 random(columns + spacing);
    auto map = latticeMap(columns, [&](int, int) { return static_cast<std::int32_t>(random()); }, spacing);
    auto expected = map;
    refineByPasses(expected, columns, spacing);
    refineHalfSteps(map.data(), columns, ROWS, spacing);
    EXPECT_EQ(map, expected) << columns << " " << spacing;
  }
}

TEST(HalfStepRefinement, LastColumnIsALatticeColumnOfItsOwn) {
  // Only column 332 is non-zero: columns 329 to 331 take from it, column 324 does not.
  auto map = latticeMap(TUNNEL_COLUMNS, [](int x, int) { return x == 332 ? 64 : 0; });
  refineHalfSteps(map.data(), TUNNEL_COLUMNS, ROWS, 8);
  for (int y : {0, 5, 280}) {
    const std::int32_t* row = &map[y * TUNNEL_COLUMNS];
    EXPECT_EQ(row[324], 0);
    EXPECT_EQ(row[328], 0);
    EXPECT_EQ(row[329], 16);
    EXPECT_EQ(row[330], 32);
    EXPECT_EQ(row[331], 48);
    EXPECT_EQ(row[332], 64);
  }
}

TEST(HalfStepRefinement, EveryLevelRoundsDown) {
  auto map = latticeMap(PLANE_COLUMNS, [](int x, int y) { return (x == 8 ? 7 : 0) + (y == 8 ? 7 : 0); });
  refineHalfSteps(map.data(), PLANE_COLUMNS, ROWS, 8);
  const std::int32_t alongRow[9] = {0, 0, 1, 2, 3, 4, 5, 6, 7};
  for (int x = 0; x <= 8; ++x) EXPECT_EQ(map[x], alongRow[x]) << x;
  for (int y = 0; y <= 8; ++y) EXPECT_EQ(map[y * PLANE_COLUMNS], alongRow[y]) << y;
}

TEST(HalfStepRefinement, SumsWrapAsUnsignedThirtyTwoBitNumbers) {
  struct Case {
    std::int32_t left, right, middle;
  };
  const Case cases[] = {
      {INT32_MAX, INT32_MAX, INT32_MAX},  // no signed overflow
      {-1, -1, INT32_MAX},  // the carry is dropped, the shift is logical
      {-2, 0, INT32_MAX},  // negative values count as large unsigned ones
      {INT32_MIN, INT32_MIN, 0},
      {-4, 6, 1},  // the carry out of the top bit is lost
  };
  for (const Case& c : cases) {
    auto map = latticeMap(TUNNEL_COLUMNS, [&](int x, int) { return x == 0 ? c.left : (x == 8 ? c.right : 0); });
    refineHalfSteps(map.data(), TUNNEL_COLUMNS, ROWS, 8);
    EXPECT_EQ(map[4], c.middle) << c.left << " " << c.right;
  }
}

}  // namespace
