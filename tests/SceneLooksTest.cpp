// The square tunnel, the sphere and the title as the show plays them, at three frames of every
// visit: the figures zod-art-measure reports, held to what the pictures were drawn for.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/AssetDirectory.h"
#include "render/TrigTables.h"
#include "show/Timeline.h"
#include "tools/artmeasure/SceneLooks.h"

namespace {

class SceneLooksTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fillTrigTables();
    const std::string previous = assetDirectory();
    setAssetDirectory(ZOD_ASSET_DIR);
    std::string error;
    looked() = lookAtSceneVisits(3, looks(), error);
    EXPECT_TRUE(looked()) << error;
    setAssetDirectory(previous);
  }
  static std::vector<SceneLook>& looks() {
    static std::vector<SceneLook> all;
    return all;
  }
  static bool& looked() {
    static bool done = false;
    return done;
  }
};

TEST_F(SceneLooksTest, EveryVisitOfTheThreeScenesIsLookedAt) {
  ASSERT_TRUE(looked());
  std::set<int> expected;
  for (int entry = 0; entry < TIMELINE_ENTRIES; ++entry) {
    const std::string_view name = TIMELINE[entry].effectName;
    if (name == "squaretunnel" || name == "sphere" || name == "title") expected.insert(entry + 1);
  }
  std::set<int> seen;
  for (const SceneLook& look : looks()) seen.insert(look.scene);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(looks().size(), 3 * expected.size());
}

// The tunnel's steel smears into a range of tones, not a dark grey mush.
TEST_F(SceneLooksTest, SquareTunnelSpreadsItsTones) {
  for (const SceneLook& look : looks()) {
    if (look.effect != "squaretunnel") continue;
    SCOPED_TRACE(look.showMs);
    EXPECT_GE(look.lumaLevels, 130);
    EXPECT_GE(look.meanLuma, 55.0);
  }
}

// The sphere's far wall may darken, but no black hole swallows the frame, and it has lights.
TEST_F(SceneLooksTest, SphereHasLittleBlackAndBrightLights) {
  for (const SceneLook& look : looks()) {
    if (look.effect != "sphere") continue;
    SCOPED_TRACE(look.showMs);
    EXPECT_LE(look.blackShare, 0.10);
    EXPECT_GE(look.highLuma, 220.0);
  }
}

// The logo stands out from the tiles and glass around it, which stay darker or duller, and the
// glass added over it does not clip it to white.
TEST_F(SceneLooksTest, TitleLogoStandsOutWithoutClipping) {
  for (const SceneLook& look : looks()) {
    if (look.effect != "title") continue;
    SCOPED_TRACE(look.showMs);
    EXPECT_LE(look.flatWhiteShare, 0.01);
    EXPECT_TRUE(look.backgroundLuma <= 0.7 * look.logoLuma || look.backgroundSaturation <= 0.7 * look.logoSaturation)
        << "logo luma " << look.logoLuma << ", background " << look.backgroundLuma;
  }
}

}  // namespace
