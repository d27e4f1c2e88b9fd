#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "render/FloatToInt.h"

namespace {

TEST(FloatToInt, TruncatesTowardZero) {
  EXPECT_EQ(floatToInt(2.9), 2);
  EXPECT_EQ(floatToInt(-2.9), -2);
  EXPECT_EQ(floatToInt(0.999999f), 0);
  EXPECT_EQ(floatToInt(-0.999999f), 0);
  EXPECT_EQ(floatToInt(-0.0), 0);
  EXPECT_EQ(floatToInt(255.99999999), 255);
}

TEST(FloatToInt, KeepsTheLowThirtyTwoBitsOfTheSixtyFourBitValue) {
  EXPECT_EQ(floatToInt(4294967296.0 + 5.0), 5);
  EXPECT_EQ(floatToInt(2147483648.0), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(floatToInt(-2147483649.0), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(floatToInt(3000000000.7), static_cast<std::int32_t>(3000000000u));
  // The largest double below 2^63 is 2^63 - 1024: its low word is 0xFFFFFC00.
  EXPECT_EQ(floatToInt(0x1p63 - 1024.0), -1024);
  EXPECT_EQ(floatToInt(-0x1p63), 0);
  EXPECT_EQ(floatToInt(-0x1p63 + 2048.0), 2048);
}

TEST(FloatToInt, NonFiniteAndOutOfRangeGiveZero) {
  EXPECT_EQ(floatToInt(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(floatToInt(-std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(floatToInt(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(floatToInt(std::numeric_limits<float>::infinity()), 0);
  EXPECT_EQ(floatToInt(0x1p63), 0);
  EXPECT_EQ(floatToInt(0x1p63 + 4096.0 + 7.0 * 0x1p32), 0);
  EXPECT_EQ(floatToInt(-0x1p63 - 2048.0), 0);
  EXPECT_EQ(floatToInt(1e300), 0);
}

static_assert(floatToInt(-7.5) == -7, "usable in constant expressions");

}  // namespace
