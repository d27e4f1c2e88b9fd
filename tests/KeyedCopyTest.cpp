#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/KeyedCopy.h"

namespace {

TEST(KeyedCopy, LeavesOutOnlyTheExactKey) {
  Pixel out[4] = {1, 2, 3, 4};
  const Pixel in[4] = {TRANSPARENT_KEY, 0x010000FFu, 0x00000000u, 0x000000FEu};
  copyKeyedRun(out, in, 4);
  EXPECT_EQ(out[0], 1u);
  EXPECT_EQ(out[1], 0x010000FFu);  // a top byte makes it opaque
  EXPECT_EQ(out[2], 0u);           // black is not transparent
  EXPECT_EQ(out[3], 0x000000FEu);
}

TEST(KeyedCopy, RunFormsGiveTheSameBytesAndStayInTheirRun) {
  std::mt19937 random(17);
  for (std::size_t n : {0u, 1u, 3u, 4u, 7u, 280u}) {
    std::vector<Pixel> src(n);
    for (Pixel& p : src) {
      // Keys, near-keys, black and anything.
      const Pixel choices[4] = {TRANSPARENT_KEY, 0x010000FFu, 0u, static_cast<Pixel>(random())};
      p = choices[random() % 4];
    }
    std::vector<Pixel> start(n + 2);
    for (Pixel& p : start) p = static_cast<Pixel>(random());
    auto expected = start, fast = start, plain = start;
    for (std::size_t i = 0; i < n; ++i) {
      if (src[i] != TRANSPARENT_KEY) expected[i + 1] = src[i];
    }
    copyKeyedRun(&fast[1], src.data(), n);
    copyKeyedRunPortable(&plain[1], src.data(), n);
    EXPECT_EQ(fast, expected) << n;
    EXPECT_EQ(plain, expected) << n;
  }
}

}  // namespace
