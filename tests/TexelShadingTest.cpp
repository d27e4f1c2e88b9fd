#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/TexelShading.h"

namespace {

// Texel (column c, row r) names its own place, so a wrong look-up is visible.
std::vector<Pixel> placeTexture() {
  std::vector<Pixel> texture(TEXTURE_PIXELS);
  for (int r = 0; r < 256; ++r) {
    for (int c = 0; c < 256; ++c) texture[r * 256 + c] = static_cast<Pixel>(r << 16 | c << 8 | 0x80);
  }
  return texture;
}

Pixel shadeOne(const std::vector<Pixel>& texture, std::int32_t u, std::int32_t v, std::int32_t shade,
               std::uint32_t vShift, bool brighten) {
  Pixel out = 0x12345678;
  shadeTexels(&out, &u, &v, &shade, 1, texture.data(), vShift, brighten);
  return out;
}

TEST(TexelShading, CoordinatesWrapToTheTexture) {
  const auto texture = placeTexture();
  EXPECT_EQ(shadeOne(texture, 3, 5, 0, 0, false), 0x00050380u);
  EXPECT_EQ(shadeOne(texture, -1, -1, 0, 0, false), 0x00FFFF80u);
  EXPECT_EQ(shadeOne(texture, 256 + 7, 512 + 9, 0, 0, false), 0x00090780u);
  EXPECT_EQ(shadeOne(texture, 0, 250, 0, 10, false), 0x00040080u);  // the row shift wraps too
  EXPECT_EQ(shadeOne(texture, 0, INT32_MAX, 0, 1, false), 0x00000080u);
}

TEST(TexelShading, ShadesOutsideAByteCountAsFull) {
  std::vector<Pixel> texture(TEXTURE_PIXELS, 0x00C86432u);
  for (std::int32_t shade : {255, 256, 1000, -1, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(shadeOne(texture, 0, 0, shade, 0, false), 0x00000000u) << shade;
    EXPECT_EQ(shadeOne(texture, 0, 0, shade, 0, true), 0x00FFFFFFu) << shade;
  }
  EXPECT_EQ(shadeOne(texture, 0, 0, 0, 0, false), 0x00C86432u);
  EXPECT_EQ(shadeOne(texture, 0, 0, 0x60, 0, false), 0x00680400u);
  EXPECT_EQ(shadeOne(texture, 0, 0, 0x60, 0, true), 0x00FFC492u);
}

TEST(TexelShading, TopByteOfTheTexelPassesUnchanged) {
  std::vector<Pixel> texture(TEXTURE_PIXELS, 0x7F102030u);
  EXPECT_EQ(shadeOne(texture, 0, 0, 300, 0, false), 0x7F000000u);
  EXPECT_EQ(shadeOne(texture, 0, 0, 300, 0, true), 0x7FFFFFFFu);
}

TEST(TexelShading, FourAtATimeGivesTheBytesOfOneAtATime) {
  std::mt19937 random(11);
  std::vector<Pixel> texture(TEXTURE_PIXELS);
  for (Pixel& p : texture) p = random();
  for (int count : {0, 1, 3, 4, 5, 332, 333, 512}) {
    std::vector<std::int32_t> u(count), v(count), shade(count);
    for (int i = 0; i < count; ++i) {
      u[i] = static_cast<std::int32_t>(random());
      v[i] = static_cast<std::int32_t>(random());
      // Mostly near the clamp edge, sometimes anything.
      shade[i] = random() % 4 == 0 ? static_cast<std::int32_t>(random()) : static_cast<std::int32_t>(random() % 600) - 40;
    }
    const std::uint32_t vShift = random();
    for (bool brighten : {false, true}) {
      std::vector<Pixel> fast(count + 1, 0xDEADBEEF), plain(count + 1, 0xDEADBEEF);
      shadeTexels(fast.data(), u.data(), v.data(), shade.data(), count, texture.data(), vShift, brighten);
      shadeTexelsPortable(plain.data(), u.data(), v.data(), shade.data(), count, texture.data(), vShift, brighten);
      EXPECT_EQ(fast, plain) << count << " " << brighten;
      EXPECT_EQ(fast[count], 0xDEADBEEFu) << "wrote past the run";
    }
  }
}

}  // namespace
