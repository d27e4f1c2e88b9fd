#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/QuitRequest.h"
#include "effects/PresentsEffect.h"
#include "image/ShowPictures.h"
#include "tests/AllocationCounter.h"
#include "tests/ScratchAssets.h"

namespace {

constexpr Pixel SENTINEL = 0x00777777;

// A caption of noise whose first row is all TRANSPARENT_KEY, and the effect set up on it.
class PresentsEffectTest : public ::testing::Test {
 protected:
  PresentsEffectTest() { effect.init(); }
  static std::vector<Pixel> writeCaption(const ScratchAssetDirectory& directory) {
    std::vector<Pixel> caption = noisePicture(70, 20, 11);
    std::fill(caption.begin(), caption.begin() + 70, TRANSPARENT_KEY);
    directory.writeRaw(PRESENTS.name, caption, 70, 20);
    return caption;
  }
  ScratchAssetDirectory assets;
  const std::vector<Pixel> caption = writeCaption(assets);
  // After the caption: the effect reads its picture when it is made.
  PresentsEffect effect;
  std::vector<Pixel> frame = screenBuffer(SENTINEL);
};

TEST_F(PresentsEffectTest, EveryFrameIsBlackUntilTheFirstSyncEvent) {
  for (float t : {0.0f, 1500.0f, 29999.5f}) {
    effect.render(frame.data(), t);
    for (int i = 0; i < FRAME_PIXELS; ++i) ASSERT_EQ(frame[i], 0u) << "pixel " << i << " at " << t;
  }
  EXPECT_EQ(frame[FRAME_PIXELS], SENTINEL) << "the reserve below the frame is not cleared";
}

TEST_F(PresentsEffectTest, ASyncShowsTheCaptionCentredAndCopiedWithoutKey) {
  effect.onSync(0, 100.0f);
  effect.render(frame.data(), 100.0f);
  for (int y = 0; y < 280; ++y) {
    for (int x = 0; x < 512; ++x) {
      const bool inCaption = x >= 221 && x < 291 && y >= 130 && y < 150;
      const Pixel expected = inCaption ? caption[(y - 130) * 70 + (x - 221)] : 0u;
      ASSERT_EQ(frame[y * 512 + x], expected) << "column " << x << " row " << y;
    }
  }
  EXPECT_EQ(frame[130 * 512 + 221], TRANSPARENT_KEY);
}

TEST_F(PresentsEffectTest, TheCaptionStaysWhateverTheCodeAndTime) {
  effect.onSync(200, 5.0f);
  effect.render(frame.data(), 5.0f);
  const std::vector<Pixel> first(frame.begin(), frame.begin() + FRAME_PIXELS);
  effect.onSync(3, 9000.0f);
  effect.render(frame.data(), 25000.0f);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), frame.begin()));
}

TEST_F(PresentsEffectTest, RenderAllocatesNothingAndCodeNineDoesNotQuit) {
  clearQuitRequest();
  AllocationCounter counter;
  effect.render(frame.data(), 1.0f);
  effect.onSync(9, 2.0f);
  effect.render(frame.data(), 2.0f);
  EXPECT_EQ(counter.count(), 0u);
  EXPECT_FALSE(quitRequested());
}

}  // namespace
