// The study mode's frames: a step forward (one more frame run on the grid) draws what a fresh
// run to that frame draws, and so does a step back.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Program.h"
#include "app/StudyMode.h"
#include "base/AssetDirectory.h"
#include "base/QuitRequest.h"
#include "display/Screen.h"
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
    Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    SeekKeys seeks;
    EXPECT_EQ(runStudy(platform, screen, start * 1000000 / 60 + 1, seeks).kind, StudyEnd::Kind::Left);
    EXPECT_EQ(display.line.rfind("01:05.016  frame 3901  #3 heart", 0), 0u) << display.line;
    const std::vector<Pixel> shown = picture(display);
    const auto differing = std::mismatch(shown.begin(), shown.end(), exact.begin()).first != shown.end();
    EXPECT_EQ(differing, overlays);
  }
}

// Home, End and the scene keys, pressed together from frame 3900 (#3, over 2 s in), then Space:
// each lands on the frame a fresh run has there, the scene keys on the first frame of their
// scene, and Space asks the live show to play on from the moment shown.
TEST_F(StudyShowTest, HomeEndAndTheSceneKeysLandOnTheirFrames) {
  SeekKeys seeks;
  StudyShow fresh(scenes.cues);
  std::vector<Pixel> frame(SCREEN_PIXELS);
  const auto landing = [&](const std::vector<int>& keys) {
    HeadlessWindow window;
    HeadlessDisplay display;
    ManualMillisecondCounter counter;
    Platform platform{window, display, counter};
    Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    for (const int key : keys) window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, key});
    window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_PAUSE});
    const StudyEnd end = runStudy(platform, screen, std::int64_t{3900} * 1000000 / 60 + 1, seeks);
    long long index = -1;
    int scene = 0;
    const int read = std::sscanf(display.line.c_str(), "%*s frame %lld #%d", &index, &scene);
    // Frame 0 only starts the timeline: no scene is drawn in it.
    EXPECT_EQ(read, index == 0 ? 1 : 2) << display.line;
    EXPECT_EQ(end.kind, StudyEnd::Kind::PlayOn);
    EXPECT_EQ(end.fromMicros, static_cast<std::int64_t>(index * 1000 / 60 * 1000));
    return std::make_pair(static_cast<std::int64_t>(index), scene);
  };
  EXPECT_EQ(landing({KEY_FRAME_FORWARD, KEY_FIRST_FRAME}).first, 0);

  const std::int64_t last = landing({KEY_LAST_FRAME}).first;
  ASSERT_TRUE(fresh.show(last, frame.data()));
  EXPECT_FALSE(fresh.show(last + 1, frame.data())) << "the show goes on past frame " << last;

  // Page Down: #4; Page Up twice: #3's start, then #2's.
  const std::vector<std::pair<std::vector<int>, int>> jumps = {{{KEY_NEXT_SCENE}, 4},
                                                               {{KEY_PREVIOUS_SCENE, KEY_PREVIOUS_SCENE}, 2}};
  for (const auto& [keys, scene] : jumps) {
    const auto [first, shownScene] = landing(keys);
    EXPECT_EQ(shownScene, scene);
    ASSERT_TRUE(fresh.show(first - 1, frame.data()));
    EXPECT_EQ(fresh.report().entry(), scene - 2) << "frame " << first << " is not the first of #" << scene;
  }
}

}  // namespace
