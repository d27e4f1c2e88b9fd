#pragma once
// Fixture shared by the plane and square tunnel tests: the effect set up on synthetic pictures,
// and a frame comparison that names the first few wrong pixels.

#include <gtest/gtest.h>

#include <vector>

#include "LatticeSceneAssets.h"
#include "render/Pixel.h"
#include "render/TrigTables.h"

namespace lattice_scene_assets {

// A whole allocation, reserve included, filled with a value no scene draws, so that pixels the
// effect leaves alone stand out.
inline std::vector<Pixel> blankFrame() { return std::vector<Pixel>(SCREEN_PIXELS, 0xA5A5A5A5u); }

// Rows 280 and below belong to the reserve and must stay as they were.
inline void expectSameFrame(const std::vector<Pixel>& actual, const std::vector<Pixel>& expected, float timeMs) {
  int wrong = 0;
  for (int i = 0; i < SCREEN_PIXELS && wrong < 5; ++i) {
    if (actual[i] != expected[i]) {
      ++wrong;
      ADD_FAILURE() << "t=" << timeMs << " pixel (" << i % 512 << ", " << i / 512 << "): " << std::hex << actual[i]
                    << " instead of " << expected[i];
    }
  }
}

template <typename Effect>
class LatticeSceneTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fillTrigTables(); }
  void SetUp() override { effect.init(); }

  std::vector<Pixel> draw(float timeMs) {
    std::vector<Pixel> frame = blankFrame();
    effect.render(frame.data(), timeMs);
    return frame;
  }

  TempAssets assets;
  Effect effect;
};

}  // namespace lattice_scene_assets
