// Where the 512 x 280 picture lands on common screens and windows, and how it is enlarged.

#include <gtest/gtest.h>

#include "display/PictureFit.h"

namespace {
void expectFit(const PictureFit& fit, int x, int y, int width, int height, int wholeFactor, bool smooth) {
  EXPECT_EQ(fit.x, x);
  EXPECT_EQ(fit.y, y);
  EXPECT_EQ(fit.width, width);
  EXPECT_EQ(fit.height, height);
  EXPECT_EQ(fit.wholeFactor, wholeFactor);
  EXPECT_EQ(fit.smooth, smooth);
}
}  // namespace

TEST(PictureFitTest, AutomaticTakesWholeMultiplesOnlyWhereTheyFillThreeQuartersOfTheHeight) {
  // 3 x 280 = 840 of 1080 rows: 78%, the bars cut.
  expectFit(fitPicture(1920, 1080, Scaling::Automatic), 192, 120, 1536, 840, 3, false);
  // 2 x 280 = 560 of 768 rows is 73%: the largest size instead, stretched from 2x.
  expectFit(fitPicture(1366, 768, Scaling::Automatic), 0, 10, 1366, 747, 2, true);
  // The --window size at scale 2: both rules give 2x.
  expectFit(fitPicture(1024, 768, Scaling::Automatic), 0, 104, 1024, 560, 2, false);
  // A 4K screen: 7 x 280 = 1960 of 2160 rows.
  expectFit(fitPicture(3840, 2160, Scaling::Automatic), 128, 100, 3584, 1960, 7, false);
}

TEST(PictureFitTest, TheModesAsked) {
  expectFit(fitPicture(1366, 768, Scaling::Integer), 171, 104, 1024, 560, 2, false);
  expectFit(fitPicture(1920, 1080, Scaling::Fit), 0, 15, 1920, 1050, 3, true);
  // Height decides on a wide window.
  expectFit(fitPicture(1600, 560, Scaling::Fit), 288, 0, 1024, 560, 2, false);
  // Smaller than the picture, whole multiples cannot be had: shrunk linearly.
  expectFit(fitPicture(300, 200, Scaling::Integer), 0, 18, 300, 164, 1, true);
}
