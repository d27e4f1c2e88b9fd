// The study mode's frames: a step forward (one more frame run on the grid) draws what a fresh
// run to that frame draws, and so does a step back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/StudyMode.h"
#include "base/AssetDirectory.h"
#include "base/QuitRequest.h"
#include "lab/Lab.h"

namespace {

class StudyShowTest : public testing::Test {
 protected:
  void SetUp() override {
    previous = assetDirectory();
    setAssetDirectory(ZOD_ASSET_DIR);
  }
  void TearDown() override {
    setAssetDirectory(previous);
    clearQuitRequest();
  }

 private:
  std::string previous;
};

TEST_F(StudyShowTest, StepsDrawWhatAFreshRunToTheFrameDraws) {
  StudyShow stepped;
  StudyShow fresh;
  std::vector<Pixel> frame(SCREEN_PIXELS);
  // In the heart (whose jumps lose speed with each frame) and in the tunnel.
  for (const std::int64_t start : {3900, 27700}) {
    ASSERT_TRUE(stepped.show(start, frame.data()));
    for (std::int64_t n = start + 1; n <= start + 3; ++n) {
      ASSERT_TRUE(stepped.show(n, frame.data()));
      const std::string steppedHash = frameHash(frame.data());
      const float steppedAt = stepped.report().timeMs();
      ASSERT_TRUE(fresh.show(n - 100, frame.data()));
      ASSERT_TRUE(fresh.show(n, frame.data()));
      EXPECT_EQ(frameHash(frame.data()), steppedHash) << "frame " << n;
      EXPECT_EQ(fresh.report().timeMs(), steppedAt);
      EXPECT_EQ(static_cast<double>(steppedAt), static_cast<double>(n * 1000 / 60)) << "frame " << n;
    }
    // Back a frame: a fresh run from the start.
    ASSERT_TRUE(stepped.show(start + 2, frame.data()));
    const std::string backHash = frameHash(frame.data());
    ASSERT_TRUE(fresh.show(start + 2, frame.data()));
    EXPECT_EQ(frameHash(frame.data()), backHash);
  }
}

}  // namespace
