// The study report: describing a frame changes nothing in it and allocates nothing, and what a
// scene describes agrees with what it drew.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/AssetDirectory.h"
#include "effects/EffectCatalogue.h"
#include "effects/TitleEffect.h"
#include "lab/Lab.h"
#include "show/Sequencer.h"
#include "show/StudyReport.h"
#include "show/SyncMailbox.h"
#include "tests/AllocationCounter.h"

namespace {

constexpr int FRAMES_PER_SCENE = 24;
constexpr double FRAME_MS = 1000.0 / 60.0;

class StudyReportTest : public testing::Test {
 protected:
  void SetUp() override {
    previous = assetDirectory();
    setAssetDirectory(ZOD_ASSET_DIR);
  }
  void TearDown() override { setAssetDirectory(previous); }

 private:
  std::string previous;
};

// Every effect of the catalogue once, a stretch of frames each, with a cue every few frames.
struct EveryScene {
  std::vector<std::unique_ptr<Effect>> effects;
  SyncMailbox mailbox;
  Sequencer sequencer;
  std::vector<Pixel> frame = std::vector<Pixel>(SCREEN_PIXELS);

  EveryScene() {
    for (const EffectKind& kind : effectCatalogue()) {
      effects.push_back(kind.make());
      effects.back()->init();
      sequencer.append(effects.back().get(), static_cast<float>(FRAMES_PER_SCENE * FRAME_MS));
    }
    sequencer.connect(mailbox);
  }
  // Frame n, at a show time well into the show; a cue (code 2, which no scene ends on) every
  // seventh frame.
  void run(int n) {
    if (n % 7 == 3) mailbox.post(2);
    sequencer.runFrame(frame.data(), static_cast<float>(40000.0 + n * FRAME_MS));
  }
  int frames() const { return static_cast<int>(effects.size()) * FRAMES_PER_SCENE; }
};

TEST_F(StudyReportTest, StudyingLeavesEveryFrameAsItIsAndAllocatesNothing) {
  EveryScene plain;
  EveryScene studied;
  auto report = std::make_unique<StudyReport>();
  studied.sequencer.study(report.get());
  std::vector<int> describedEntries;
  for (int n = 0; n < plain.frames(); ++n) {
    plain.run(n);
    std::size_t allocations = 0;
    {
      AllocationCounter counter;
      studied.run(n);
      allocations = counter.count();
    }
    // The first turn only starts the first entry.
    if (n == 0) continue;
    ASSERT_EQ(frameHash(studied.frame.data()), frameHash(plain.frame.data())) << "frame " << n;
    ASSERT_EQ(allocations, 0u) << "frame " << n;
    ASSERT_EQ(report->dropped(), 0) << "entry " << report->entry();
    EXPECT_FLOAT_EQ(report->timeMs(), static_cast<float>(40000.0 + n * FRAME_MS));
    if (describedEntries.empty() || describedEntries.back() != report->entry()) {
      describedEntries.push_back(report->entry());
      // Every scene has something to tell.
      EXPECT_FALSE(report->values().empty() && report->rects().empty()) << "entry " << report->entry();
    }
  }
  EXPECT_EQ(static_cast<int>(describedEntries.size()), static_cast<int>(plain.effects.size()));
}

TEST_F(StudyReportTest, TheTitlesOutlineHoldsEveryTitlePixel) {
  const EffectKind* kind = findEffectKind("title");
  ASSERT_NE(kind, nullptr);
  auto made = kind->make();
  auto& title = static_cast<TitleEffect&>(*made);
  title.init();
  std::vector<Pixel> frame(SCREEN_PIXELS);
  std::vector<Pixel> plane(SCREEN_PIXELS);
  StudyReport report;
  // Small, upright, swung and large.
  for (const float timeMs : {1000.0f, 5400.0f, 7777.0f, 12345.0f}) {
    title.render(frame.data(), timeMs);
    report.begin(0, timeMs, 0.0f);
    title.describe(report);
    title.drawTitlePlaneAt(plane.data(), timeMs);
    // The outline's four sides, as the title's turned square; a frame pixel lies inside when it is on
    // the inner side of each.
    ASSERT_EQ(report.segments().size(), 6u);
    const auto outline = report.segments().subspan(2);
    const auto inside = [&](double x, double y, double margin) {
      for (const StudySegment& side : outline) {
        const double cross = (side.x1 - side.x0) * (y - side.y0) - (side.y1 - side.y0) * (x - side.x0);
        const double length = std::hypot(side.x1 - side.x0, side.y1 - side.y0);
        if (cross < -margin * length) return false;
      }
      return true;
    };
    int titlePixels = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
      for (int x = 0; x < FRAME_WIDTH; ++x) {
        if (plane[static_cast<std::size_t>(y) * FRAME_WIDTH + x] == 0) continue;
        ++titlePixels;
        // Truncation moves a texel by less than one, scaled by at most the zoom of 1.5.
        ASSERT_TRUE(inside(x, y, 2.0)) << "pixel " << x << "," << y << " at " << timeMs << " ms";
      }
    }
    EXPECT_GT(titlePixels, 10000) << timeMs << " ms";
    EXPECT_GE(report.valueOf("zoom"), 0.5);
    EXPECT_LE(report.valueOf("zoom"), 1.5);
  }
}

}  // namespace
