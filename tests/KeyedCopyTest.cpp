#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/KeyedCopy.h"

namespace {

TEST(KeyedCopy, RunsGiveTheBytesOfTheKeyedBlit) {
  std::mt19937 random(17);
  for (std::size_t n : {0u, 1u, 3u, 4u, 7u, 280u}) {
    std::vector<Pixel> src(n);
    for (Pixel& p : src) {
      // Keys, near-keys (top byte set, which are opaque), black and anything.
      const Pixel choices[4] = {TRANSPARENT_KEY, 0x010000FFu, 0u, static_cast<Pixel>(random())};
      p = choices[random() % 4];
    }
    std::vector<Pixel> start(SCREEN_PIXELS);
    for (Pixel& p : start) p = static_cast<Pixel>(random());
    auto viaBlit = start, fast = start, plain = start;
    blitKeyed(viaBlit.data(), src.data(), static_cast<int>(n), 1, 100, 7);
    copyKeyedRun(&fast[7 * 512 + 100], src.data(), n);
    copyKeyedRunPortable(&plain[7 * 512 + 100], src.data(), n);
    EXPECT_EQ(fast, viaBlit) << n;
    EXPECT_EQ(plain, viaBlit) << n;
  }
}

}  // namespace
