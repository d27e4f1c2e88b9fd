#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "base/QuitRequest.h"
#include "effects/EffectCatalogue.h"
#include "show/Sequencer.h"
#include "show/SyncMailbox.h"
#include "show/Timeline.h"
#include "tests/AllocationCounter.h"
#include "tests/RecordingEffect.h"

namespace {

class SequencerTest : public testing::Test {
 protected:
  SequencerTest() {
    clearQuitRequest();
    sequencer.connect(mailbox);
  }
  ~SequencerTest() override {
    clearQuitRequest();
  }

  RecordingEffect& effect(const char* name) {
    effects.push_back(std::make_unique<RecordingEffect>(name, log));
    return *effects.back();
  }
  void frameAt(float timeMs) { sequencer.runFrame(frame.data(), timeMs); }
  // The effects that rendered, in order, since the log was last cleared.
  std::vector<std::string> rendered() const {
    std::vector<std::string> names;
    for (const EffectCall& call : log)
      if (call.what == 'r') names.push_back(call.effect);
    return names;
  }

  std::vector<EffectCall> log;
  std::vector<std::unique_ptr<RecordingEffect>> effects;
  std::vector<Pixel> frame = std::vector<Pixel>(SCREEN_PIXELS, 0);
  SyncMailbox mailbox;
  Sequencer sequencer;
};

// The show's timeline over recording effects named as the catalogue names the scenes.
class TimelineTest : public SequencerTest {
 protected:
  TimelineTest() {
    for (const EffectKind& kind : effectCatalogue()) named.push_back(&effect(kind.name));
    appendTimeline(sequencer, [this](std::string_view name) -> Effect* {
      for (RecordingEffect* e : named)
        if (e->name == name) return e;
      return nullptr;
    });
  }
  std::vector<RecordingEffect*> named;
};

TEST_F(SequencerTest, FirstFrameStartsEntryZeroAtItsTimeAndDrawsNothing) {
  sequencer.append(&effect("a"), 1000.0f);
  frameAt(1234.0f);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(sequencer.currentIndex(), 0);
  EXPECT_EQ(sequencer.sceneStartMs(), 1234.0f);
  EXPECT_EQ(sequencer.sceneDurationMs(), 1000.0f);
}

TEST_F(SequencerTest, TimeInSceneEqualToTheDurationIsNotOver) {
  sequencer.append(&effect("a"), 50.0f);
  sequencer.append(&effect("b"), 50.0f);
  frameAt(100.0f);
  frameAt(150.0f);
  EXPECT_EQ(sequencer.currentIndex(), 0);
  frameAt(std::nextafter(150.0f, 1000.0f));
  EXPECT_EQ(sequencer.currentIndex(), 1);
  EXPECT_EQ(sequencer.sceneStartMs(), std::nextafter(150.0f, 1000.0f));
}

TEST_F(SequencerTest, NotANumberTimeNeverEndsTheScene) {
  sequencer.append(&effect("a"), 50.0f);
  sequencer.append(&effect("b"), 50.0f);
  frameAt(0.0f);
  frameAt(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(sequencer.currentIndex(), 0);
  EXPECT_EQ(rendered(), (std::vector<std::string>{"a"}));
}

TEST_F(SequencerTest, FrameThatNoticesTheEndStillShowsTheOldEffect) {
  sequencer.append(&effect("a"), 10.0f);
  sequencer.append(&effect("b"), 10.0f);
  frameAt(0.0f);
  frameAt(11.0f);
  frameAt(12.0f);
  EXPECT_EQ(rendered(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SequencerTest, FastForwardAdvancesInsteadOfDrawingAndRunsEverythingElse) {
  RecordingEffect& a = effect("a");
  RecordingEffect& b = effect("b");
  sequencer.append(&a, 10.0f);
  sequencer.append(&b, 10.0f);
  sequencer.advanceFrame(0.0f);
  mailbox.post(7);
  sequencer.advanceFrame(11.0f);  // a's code arrives, a advances, b is next
  sequencer.advanceFrame(12.0f);
  std::vector<std::string> calls;
  for (const EffectCall& call : log) calls.push_back(call.effect + call.what);
  EXPECT_EQ(calls, (std::vector<std::string>{"as", "aa", "ba"}));
  EXPECT_EQ(sequencer.currentIndex(), 1);
}

TEST_F(SequencerTest, LastEntryRunningOutPostsTheQuitAndStaysCurrent) {
  sequencer.append(&effect("a"), 10.0f);
  frameAt(0.0f);
  frameAt(10.0f);
  EXPECT_FALSE(quitRequested());
  frameAt(10.5f);
  EXPECT_TRUE(quitRequested());
  EXPECT_EQ(sequencer.currentIndex(), 0);
  frameAt(20.0f);
  EXPECT_EQ(rendered(), (std::vector<std::string>{"a", "a", "a"}));
}

TEST_F(SequencerTest, EmptyTimelineDrawsNothingAndNeverEnds) {
  for (float t : {0.0f, 1e6f, 1e9f}) frameAt(t);
  EXPECT_EQ(sequencer.currentIndex(), -1);
  EXPECT_FALSE(quitRequested());
}

TEST_F(SequencerTest, AppendBeyondCapacityDropsTheEntry) {
  RecordingEffect& a = effect("a");
  for (int i = 0; i < SEQUENCER_CAPACITY; ++i) EXPECT_TRUE(sequencer.append(&a, 1.0f));
  EXPECT_FALSE(sequencer.append(&effect("b"), 1.0f));
  EXPECT_EQ(sequencer.entryCount(), SEQUENCER_CAPACITY);
}

TEST_F(SequencerTest, SyncCodeReachesTheEffectBeforeItsRenderWithTheSameTime) {
  sequencer.append(&effect("a"), 1000.0f);
  frameAt(0.0f);
  mailbox.post(7);
  frameAt(40.0f);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].what, 's');
  EXPECT_EQ(log[0].code, 7);
  EXPECT_EQ(log[0].timeMs, 40.0f);
  EXPECT_EQ(log[1].what, 'r');
  EXPECT_EQ(log[1].timeMs, 40.0f);
}

TEST_F(SequencerTest, OnlyTheLatestOfTwoCodesBetweenFramesIsDeliveredOnce) {
  sequencer.append(&effect("a"), 1000.0f);
  frameAt(0.0f);
  mailbox.post(3);
  mailbox.post(200);
  frameAt(10.0f);
  frameAt(20.0f);
  std::vector<std::int32_t> codes;
  for (const EffectCall& call : log)
    if (call.what == 's') codes.push_back(call.code);
  EXPECT_EQ(codes, (std::vector<std::int32_t>{200}));
}

TEST_F(SequencerTest, KeyRepeatsDeliverTheLatestCodeAtMostOncePerFrame) {
  sequencer.append(&effect("a"), 1000.0f);
  frameAt(0.0f);
  mailbox.repeat();  // before any cue: code 0
  frameAt(10.0f);
  mailbox.post(5);
  frameAt(20.0f);
  for (int repeat = 0; repeat < 4; ++repeat) mailbox.repeat();
  frameAt(30.0f);
  frameAt(40.0f);
  std::vector<std::pair<std::int32_t, float>> syncs;
  for (const EffectCall& call : log)
    if (call.what == 's') syncs.push_back({call.code, call.timeMs});
  EXPECT_EQ(syncs, (std::vector<std::pair<std::int32_t, float>>{{0, 10.0f}, {5, 20.0f}, {5, 30.0f}}));
}

TEST_F(SequencerTest, KeyWhileTheLatestCodeIsOneSkipsLikeTheMusic) {
  sequencer.append(&effect("a"), 1000.0f);
  sequencer.append(&effect("b"), 1000.0f);
  sequencer.append(&effect("c"), 1000.0f);
  frameAt(0.0f);
  mailbox.post(1);
  frameAt(10.0f);
  mailbox.repeat();
  frameAt(20.0f);
  EXPECT_EQ(rendered(), (std::vector<std::string>{"b", "c"}));
}

TEST_F(SequencerTest, SkipAtTheLastEntryIsIgnoredAndNotDelivered) {
  sequencer.append(&effect("a"), 1000.0f);
  frameAt(0.0f);
  mailbox.post(1);
  frameAt(10.0f);
  EXPECT_EQ(sequencer.currentIndex(), 0);
  for (const EffectCall& call : log) EXPECT_NE(call.what, 's');
}

TEST_F(SequencerTest, SkipBeforeTheFirstFrameRendersEntryZeroAgainstAZeroClock) {
  sequencer.append(&effect("a"), 1000.0f);
  sequencer.append(&effect("b"), 1000.0f);
  mailbox.post(1);
  frameAt(0.0f);  // entry 0 has start 0 and duration 0: drawn, not yet over
  EXPECT_EQ(rendered(), (std::vector<std::string>{"a"}));
  frameAt(16.0f);  // over: b starts here
  EXPECT_EQ(sequencer.currentIndex(), 1);
  EXPECT_EQ(sequencer.sceneStartMs(), 16.0f);
  EXPECT_EQ(sequencer.sceneDurationMs(), 1000.0f);
}

TEST_F(SequencerTest, CodeBeforeTheFirstFrameIsDroppedNotDeliveredLater) {
  sequencer.append(&effect("a"), 1000.0f);
  mailbox.post(4);
  frameAt(0.0f);
  frameAt(10.0f);
  frameAt(20.0f);
  for (const EffectCall& call : log) EXPECT_NE(call.what, 's');
  EXPECT_EQ(sequencer.sceneStartMs(), 0.0f);
}

TEST_F(SequencerTest, RunningFramesAllocatesNothing) {
  RecordingEffect& a = effect("a");
  sequencer.append(&a, 5.0f);
  sequencer.append(&a, 5.0f);
  log.reserve(64);
  AllocationCounter counter;
  for (int i = 0; i < 10; ++i) {
    mailbox.post(static_cast<std::uint8_t>(i));
    frameAt(static_cast<float>(i * 3));
  }
  EXPECT_EQ(counter.count(), 0u);
}

TEST_F(TimelineTest, HasThirtyNineEntriesAddingUpTo1526000Ms) {
  ASSERT_EQ(sequencer.entryCount(), TIMELINE_ENTRIES);
  ASSERT_EQ(TIMELINE_ENTRIES, 39);
  double total = 0.0;
  for (int i = 0; i < sequencer.entryCount(); ++i) total += sequencer.durationAt(i);
  EXPECT_EQ(total, 1526000.0);
}

TEST_F(TimelineTest, EntriesStartAtTheirNominalTimes) {
  // Effect and nominal start (min:s) of each entry, as the show's running order lists them.
  struct Nominal {
    const char* effect;
    int minutes, seconds;
  };
  const Nominal order[39] = {
      {"presents", 0, 0},      {"title", 0, 30},  {"heart", 1, 0},          {"heart", 3, 0},
      {"sphere", 4, 20},       {"squaretunnel", 5, 40}, {"plane", 5, 46},   {"heart", 6, 0},
      {"plane", 7, 20},        {"tunnel", 7, 34}, {"squaretunnel", 8, 48},  {"squaretunnel", 9, 8},
      {"plane", 9, 22},        {"title", 9, 42},  {"plane", 10, 12},        {"tunnel", 10, 32},
      {"plane", 11, 46},       {"squaretunnel", 12, 6}, {"plane", 12, 20},  {"heart", 12, 40},
      {"plane", 14, 40},       {"title", 15, 0},  {"plane", 16, 20},        {"squaretunnel", 16, 40},
      {"plane", 16, 54},       {"title", 17, 14}, {"plane", 17, 44},        {"tunnel", 18, 4},
      {"plane", 19, 18},       {"squaretunnel", 19, 38}, {"plane", 19, 52}, {"title", 20, 12},
      {"plane", 22, 12},       {"sphere", 22, 32}, {"plane", 23, 52},       {"squaretunnel", 24, 12},
      {"plane", 24, 26},       {"end", 24, 46},   {"end", 25, 6}};
  double start = 0.0;
  for (int i = 0; i < 39; ++i) {
    auto* entryEffect = static_cast<RecordingEffect*>(sequencer.effectAt(i));
    EXPECT_EQ(entryEffect->name, order[i].effect) << "entry " << i;
    EXPECT_EQ(start, (order[i].minutes * 60 + order[i].seconds) * 1000.0) << "entry " << i;
    start += sequencer.durationAt(i);
  }
}

TEST_F(TimelineTest, EachSceneLastsItsDurationPlusOneFrameAndTheDelaysAddUp) {
  // With a frame every 10 ms a scene is found over 10 ms after its duration; each scene adds 10 ms.
  int t = 0;
  while (!quitRequested() && t < 2000000) {
    frameAt(static_cast<float>(t));
    t += 10;
  }
  EXPECT_EQ(t - 10, timelineDurationMs() + TIMELINE_ENTRIES * 10);
  EXPECT_EQ(sequencer.currentIndex(), TIMELINE_ENTRIES - 1);
}

TEST_F(TimelineTest, SkipFiveSecondsIntoTheCaptionShowsTheTitleForTheRestThenTheHeart) {
  frameAt(0.0f);
  mailbox.post(1);
  frameAt(5000.0f);
  frameAt(30000.0f);
  log.clear();
  frameAt(30001.0f);  // the caption's 30000 ms are over: the title's last frame
  frameAt(30002.0f);
  EXPECT_EQ(rendered(), (std::vector<std::string>{"title", "heart"}));
  EXPECT_EQ(sequencer.currentIndex(), 2);
  EXPECT_EQ(sequencer.sceneDurationMs(), 120000.0f);
}

TEST_F(TimelineTest, TwoSkipsWithinOneEntryMoveTwoOnAndKeepTheFirstClock) {
  frameAt(0.0f);
  mailbox.post(1);
  frameAt(1000.0f);
  mailbox.repeat();
  frameAt(2000.0f);
  EXPECT_EQ(sequencer.currentIndex(), 2);  // the first heart entry
  frameAt(30000.0f);
  EXPECT_EQ(sequencer.currentIndex(), 2);
  frameAt(30001.0f);
  EXPECT_EQ(sequencer.currentIndex(), 3);
  EXPECT_EQ(sequencer.sceneDurationMs(), 80000.0f);
}

TEST_F(TimelineTest, EachSceneClassIsOneObjectAcrossItsEntries) {
  int planeEntries = 0;
  for (int i = 0; i < sequencer.entryCount(); ++i)
    if (static_cast<RecordingEffect*>(sequencer.effectAt(i))->name == "plane") ++planeEntries;
  EXPECT_EQ(planeEntries, 15);
}

}  // namespace
