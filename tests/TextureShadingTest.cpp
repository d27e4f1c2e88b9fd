#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/TextureShading.h"

namespace {

struct ShadingRun {
  std::vector<std::int32_t> u, v;
  std::vector<std::uint8_t> shade;
};

ShadingRun randomRun(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  ShadingRun run;
  for (std::size_t i = 0; i < n; ++i) {
    run.u.push_back(static_cast<std::int32_t>(random()));
    run.v.push_back(static_cast<std::int32_t>(random()));
    run.shade.push_back(static_cast<std::uint8_t>(random()));
  }
  return run;
}

std::vector<Pixel> randomTexture() {
  std::mt19937 random(5);
  std::vector<Pixel> texture(TEXTURE_PIXELS);
  for (Pixel& p : texture) p = random() & 0x00FFFFFF;
  return texture;
}

TEST(TextureShading, BothFormsDarkenEachByteOfTheWrappedTexel) {
  const std::vector<Pixel> texture = randomTexture();
  for (std::size_t n : {0u, 1u, 2u, 3u, 5u, 512u, 1001u}) {
    const ShadingRun run = randomRun(n, static_cast<std::uint32_t>(n));
    std::vector<Pixel> fast(n + 1, 0xDEADBEEF), portable(n + 1, 0xDEADBEEF);
    shadeTextureRun(fast.data(), run.u.data(), run.v.data(), run.shade.data(), texture.data(), n);
    shadeTextureRunPortable(portable.data(), run.u.data(), run.v.data(), run.shade.data(), texture.data(), n);
    for (std::size_t i = 0; i < n; ++i) {
      const Pixel texel = texture[(run.v[i] & 255) * 256 + (run.u[i] & 255)];
      Pixel want = 0;
      for (int byte = 0; byte < 3; ++byte) {
        const int value = static_cast<int>((texel >> (8 * byte)) & 0xFF) - run.shade[i];
        want |= static_cast<Pixel>(value > 0 ? value : 0) << (8 * byte);
      }
      ASSERT_EQ(fast[i], want) << n << ": " << i;
      ASSERT_EQ(portable[i], want) << n << ": " << i;
    }
    EXPECT_EQ(fast[n], 0xDEADBEEFu);
    EXPECT_EQ(portable[n], 0xDEADBEEFu);
  }
}

TEST(TextureShading, ShadeZeroKeepsTheTexelAndShade255GivesBlack) {
  const std::vector<Pixel> texture = randomTexture();
  ShadingRun run = randomRun(64, 9);
  for (int pass = 0; pass < 2; ++pass) {
    run.shade.assign(64, pass == 0 ? 0 : 255);
    std::vector<Pixel> out(64);
    shadeTextureRun(out.data(), run.u.data(), run.v.data(), run.shade.data(), texture.data(), 64);
    for (int i = 0; i < 64; ++i)
      EXPECT_EQ(out[i], pass == 0 ? texture[(run.v[i] & 255) * 256 + (run.u[i] & 255)] : 0u) << i;
  }
}

}  // namespace
