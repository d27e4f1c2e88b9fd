// The study mode's frames: a step forward (one more frame run on the grid) draws what a fresh
// run to that frame draws, and so does a step back.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/StudyMode.h"
#include "base/AssetDirectory.h"
#include "base/QuitRequest.h"
#include "lab/Lab.h"
#include "platform/HeadlessDisplay.h"
#include "platform/HeadlessWindow.h"
#include "show/MillisecondCounter.h"
#include "stage/OfflineShow.h"
#include "stage/ShowScenes.h"
#include "stage/StudyShow.h"

namespace {

class StudyShowTest : public testing::Test {
 protected:
  void SetUp() override {
    previous = assetDirectory();
    setAssetDirectory(ZOD_ASSET_DIR);
    std::string error;
    ASSERT_TRUE(learnShowScenes(scenes, error)) << error;
  }
  void TearDown() override {
    setAssetDirectory(previous);
    clearQuitRequest();
  }

  ShowScenes scenes;

 private:
  std::string previous;
};

TEST_F(StudyShowTest, StepsDrawWhatAFreshRunToTheFrameDraws) {
  StudyShow stepped(scenes.cues);
  StudyShow fresh(scenes.cues);
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
    // Back a frame: a fresh run from the start, on a show started ahead of time.
    stepped.prepare();
    ASSERT_TRUE(stepped.show(start + 2, frame.data()));
    const std::string backHash = frameHash(frame.data());
    ASSERT_TRUE(fresh.show(start + 2, frame.data()));
    EXPECT_EQ(frameHash(frame.data()), backHash);
  }
}

// The study show takes its cues from the table alone; `zod still` (the offline show, its music
// rendered in step) draws the same frames, on a cue's own frame too.
TEST_F(StudyShowTest, FramesAreTheOfflineShowsAsZodStillDrawsThem) {
  StudyShow study(scenes.cues);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const std::int64_t firstCue =
      StudyShow::grid().firstFrameFromSample(static_cast<std::int64_t>(scenes.cues.cues()[0].sample));
  for (const std::int64_t n : {firstCue, firstCue + 1, std::int64_t{43200}}) {
    std::string error;
    const std::unique_ptr<OfflineShow> offline = OfflineShow::start(StudyShow::grid(), error);
    ASSERT_TRUE(offline) << error;
    ASSERT_TRUE(offline->skipTo(n));
    offline->run().step(offline->frame(), true);
    ASSERT_TRUE(study.show(n, frame.data()));
    EXPECT_EQ(frameHash(frame.data()), frameHash(offline->frame())) << "frame " << n;
  }
}

// Past the show's end nothing is drawn, and the show stays usable: a frame after the one shown
// last is reached by a fresh run, since the ended run cannot go on.
TEST_F(StudyShowTest, AFramePastTheEndIsRefusedAndTheFramesBeforeItStillCome) {
  StudyShow study(scenes.cues);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const std::int64_t end = StudyShow::grid().frameAt(static_cast<std::int64_t>(scenes.walk.endMs() * 1000.0));
  ASSERT_TRUE(study.show(end - 120, frame.data()));
  EXPECT_FALSE(study.show(end + 60, frame.data()));
  EXPECT_TRUE(study.show(end - 60, frame.data()));
  EXPECT_EQ(study.shownIndex(), end - 60);
}

// The study mode on a headless display: a step, then the overlays switched through to none. The
// picture presented is then exactly the frame a fresh run draws, and the line says which it is.
TEST_F(StudyShowTest, TheModeShowsTheExactFrameAndDrawsItsOverlaysOnlyOverIt) {
  const std::int64_t start = 3900;
  std::vector<Pixel> expected(SCREEN_PIXELS);
  StudyShow fresh(scenes.cues);
  ASSERT_TRUE(fresh.show(start + 1, expected.data()));
  const auto picture = [](const HeadlessDisplay& display) {
    const Pixel* first = display.surface() + LETTERBOX_ROWS * FRAME_WIDTH;
    return std::vector<Pixel>(first, first + FRAME_PIXELS);
  };
  const std::vector<Pixel> exact(expected.begin(), expected.begin() + FRAME_PIXELS);
  for (const bool overlays : {true, false}) {
    HeadlessWindow window;
    HeadlessDisplay display;
    ManualMillisecondCounter counter;
    Platform platform{window, display, counter};
    window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, KEY_FRAME_FORWARD});
    // All, each of the five layers alone, none.
    if (!overlays)
      for (int press = 0; press < 6; ++press) window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_OVERLAYS});
    window.postAfterIdleTurns(3, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
    ASSERT_EQ(runStudy(platform, start * 1000000 / 60 + 1), 0);
    EXPECT_EQ(display.line.rfind("01:05.016  frame 3901  #3 heart", 0), 0u) << display.line;
    const std::vector<Pixel> shown = picture(display);
    const auto differing = std::mismatch(shown.begin(), shown.end(), exact.begin()).first != shown.end();
    EXPECT_EQ(differing, overlays);
  }
}

}  // namespace
