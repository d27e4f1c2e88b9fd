#include <gtest/gtest.h>

#include "app/MainLoop.h"
#include "app/SeekKeys.h"
#include "platform/HeadlessDisplay.h"
#include "platform/HeadlessWindow.h"
#include "show/Timeline.h"
#include "stage/ShowScenes.h"
#include "tests/FatalRecorder.h"
#include "tests/RecordingEffect.h"

namespace {
constexpr std::int64_t SECOND = 1000000;

// The show's scenes without cues: each starts when the one before has run its time (the first at
// 0, the second at 30 s, the third at 60 s, the fourth at 3:00).
class SeekKeysTest : public testing::Test {
 protected:
  SeekKeysTest() { keys.learnScenes(CueTable{}, walkShowScenes(CueTable{})); }
  std::int64_t endMicros() const { return static_cast<std::int64_t>(walkShowScenes(CueTable{}).endMs() * 1000.0); }

  SeekKeys keys;
};

TEST_F(SeekKeysTest, TenSecondStepsStopAtTheShowsEdges) {
  EXPECT_EQ(keys.target(75 * SECOND, SeekKey::Back), 65 * SECOND);
  EXPECT_EQ(keys.target(75 * SECOND, SeekKey::Forward), 85 * SECOND);
  EXPECT_EQ(keys.target(4 * SECOND, SeekKey::Back), 0);
  // Past the end Right goes nowhere; just before it, it still steps.
  EXPECT_EQ(keys.target(endMicros() - 5 * SECOND, SeekKey::Forward), endMicros() - 5 * SECOND);
  EXPECT_EQ(keys.target(endMicros() - 11 * SECOND, SeekKey::Forward), endMicros() - SECOND);
}

TEST_F(SeekKeysTest, SceneKeysGoToSceneStartsAsMediaPlayersDo) {
  EXPECT_EQ(keys.target(45 * SECOND, SeekKey::NextScene), 60 * SECOND);
  EXPECT_EQ(keys.target(60 * SECOND, SeekKey::NextScene), 180 * SECOND);
  // More than 2 s into a scene: its own start; within 2 s: the scene before.
  EXPECT_EQ(keys.target(63 * SECOND, SeekKey::PreviousScene), 60 * SECOND);
  EXPECT_EQ(keys.target(61 * SECOND, SeekKey::PreviousScene), 30 * SECOND);
  EXPECT_EQ(keys.target(SECOND, SeekKey::PreviousScene), 0);
  // The last scene has no next one.
  const std::int64_t inLast = endMicros() - SECOND;
  EXPECT_EQ(keys.target(inLast, SeekKey::NextScene), inLast);
}

TEST_F(SeekKeysTest, KeysBeforeTheSeekLandsAddUpIntoOne) {
  EXPECT_FALSE(keys.pending());
  keys.press(SeekKey::Forward, 35 * SECOND, 1000.0);
  keys.press(SeekKey::Forward, 36 * SECOND, 1100.0);
  keys.press(SeekKey::NextScene, 37 * SECOND, 1200.0);
  keys.press(SeekKey::Forward, 38 * SECOND, 1300.0);
  ASSERT_TRUE(keys.pending());
  EXPECT_EQ(keys.fromMicros(), 35 * SECOND);
  EXPECT_EQ(keys.toMicros(), 70 * SECOND);
  EXPECT_EQ(keys.askedAtMs(), 1000.0);
  keys.clear();
  // A key that goes nowhere asks for no seek.
  keys.press(SeekKey::Back, 0, 2000.0);
  EXPECT_FALSE(keys.pending());
}

// The loop takes every seek key waiting before it ends for the seek, and none repeats a cue.
TEST(SeekLoopTest, QueuedSeekKeysEndTheLoopWithOneSeek) {
  FatalRecorder fatal;
  std::vector<EffectCall> calls;
  RecordingEffect scene{"scene", calls};
  HeadlessWindow window;
  HeadlessDisplay display;
  Screen screen{display, FRAME_WIDTH, SCREEN_HEIGHT, 32};
  ManualMillisecondCounter counter{40000, 20};
  Engine engine{counter, MusicOptions{}};
  engine.sequencer().append(&scene, 100000.0f);
  SeekKeys keys;
  LoopSettings settings;
  settings.seeks = &keys;
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_SEEK_FORWARD});
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_SEEK_FORWARD});
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_SEEK_BACK});
  ASSERT_EQ(runMessageLoop(window, screen, engine, settings), LoopEnd::Seek);
  EXPECT_EQ(window.idleTurns(), 2);
  ASSERT_TRUE(keys.pending());
  EXPECT_EQ(keys.toMicros() - keys.fromMicros(), 10 * SECOND);
  for (const EffectCall& call : calls) EXPECT_NE(call.what, 's');
}
}  // namespace
