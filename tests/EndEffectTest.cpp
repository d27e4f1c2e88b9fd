#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/QuitRequest.h"
#include "effects/EndEffect.h"
#include "image/ShowPictures.h"
#include "tests/AllocationCounter.h"
#include "tests/ScratchAssets.h"

namespace {

constexpr Pixel SENTINEL = 0x00777777;

class EndEffectTest : public ::testing::Test {
 protected:
  EndEffectTest() { effect.init(); }
  static std::vector<Pixel> writePicture(const ScratchAssetDirectory& directory) {
    std::vector<Pixel> picture = keyedNoisePicture(256, 256, 21);
    directory.writePcx(ENDE.name, picture, 256, 256);
    return picture;
  }
  ScratchAssetDirectory assets;
  const std::vector<Pixel> picture = writePicture(assets);
  // After the picture: the effect reads it when it is made.
  EndEffect effect;
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
};

TEST_F(EndEffectTest, ThePictureStandsCentredAndItsKeyedPixelsStayBlack) {
  effect.render(frame.data(), 1500000.0f);
  int keyed = 0;
  int black = 0;
  for (int y = 0; y < 280; ++y) {
    for (int x = 0; x < 512; ++x) {
      Pixel expected = 0;
      if (x >= 128 && x < 384 && y >= 12 && y < 268) {
        const Pixel p = picture[(y - 12) * 256 + (x - 128)];
        keyed += p == TRANSPARENT_KEY;
        black += p == 0;
        if (p != TRANSPARENT_KEY) expected = p;
      }
      ASSERT_EQ(frame[y * 512 + x], expected) << "column " << x << " row " << y;
    }
  }
  EXPECT_GT(keyed, 1000);
  EXPECT_GT(black, 1000);
  EXPECT_EQ(frame[FRAME_PIXELS], SENTINEL);
}

TEST_F(EndEffectTest, ThePictureDoesNotMove) {
  std::vector<Pixel> first = screenBuffer(SENTINEL);
  std::vector<Pixel> later = screenBuffer(0);
  effect.render(first.data(), 1486000.0f);
  effect.onSync(4, 1490000.0f);
  effect.render(later.data(), 1490000.0f);
  EXPECT_TRUE(std::equal(first.begin(), first.begin() + FRAME_PIXELS, later.begin()));
}

TEST_F(EndEffectTest, OnlyCodeNineAsksToQuit) {
  clearQuitRequest();
  for (int code = 0; code < 256; ++code) {
    if (code == 9) continue;
    effect.onSync(code, 1.0f);
    ASSERT_FALSE(quitRequested()) << "code " << code;
  }
  effect.onSync(9, 1.0f);
  EXPECT_TRUE(quitRequested());
  clearQuitRequest();
}

TEST_F(EndEffectTest, RenderAllocatesNothing) {
  AllocationCounter counter;
  effect.render(frame.data(), 1.0f);
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
