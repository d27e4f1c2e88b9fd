// The square tunnel, the sphere and the title as the show plays them, at three frames of every
// visit: the figures zod-art-measure reports, held to what the pictures were drawn for. One test,
// as the frames come from one run through the show.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/AssetDirectory.h"
#include "render/TrigTables.h"
#include "show/Timeline.h"
#include "tools/artmeasure/SceneLooks.h"

TEST(SceneLooks, EveryVisitOfTheTunnelTheSphereAndTheTitleReads) {
  fillTrigTables();
  const std::string previous = assetDirectory();
  setAssetDirectory(ZOD_ASSET_DIR);
  std::vector<SceneLook> looks;
  std::string error;
  ASSERT_TRUE(lookAtSceneVisits(3, looks, error)) << error;
  setAssetDirectory(previous);

  std::set<int> visits;
  for (int entry = 0; entry < TIMELINE_ENTRIES; ++entry) {
    const std::string_view name = TIMELINE[entry].effectName;
    if (name == "squaretunnel" || name == "sphere" || name == "title") visits.insert(entry + 1);
  }
  std::set<int> seen;
  for (const SceneLook& look : looks) seen.insert(look.scene);
  EXPECT_EQ(seen, visits);
  EXPECT_EQ(looks.size(), 3 * visits.size());

  for (const SceneLook& look : looks) {
    SCOPED_TRACE(look.effect + " at " + std::to_string(look.showMs) + " ms");
    if (look.effect == "squaretunnel") {
      // The steel smears into a range of tones, not a dark grey mush.
      EXPECT_GE(look.lumaLevels, 140);
      EXPECT_GE(look.meanLuma, 55.0);
    } else if (look.effect == "sphere") {
      // The far wall may darken, but no black hole swallows the frame, and the scene has lights.
      EXPECT_LE(look.blackShare, 0.10);
      EXPECT_GE(look.highLuma, 220.0);
    } else {
      // The logo stands out from the darker or duller tiles and glass around it, and the glass
      // added over it does not clip it to white.
      EXPECT_LE(look.flatWhiteShare, 0.01);
      EXPECT_TRUE(look.backgroundLuma <= 0.7 * look.logoLuma || look.backgroundSaturation <= 0.7 * look.logoSaturation)
          << "logo luma " << look.logoLuma << ", background " << look.backgroundLuma;
    }
  }
}
