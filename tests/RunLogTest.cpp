#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/RunLog.h"
#include "app/SceneList.h"
#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "platform/SilentAudioOutput.h"
#include "show/CueTable.h"
#include "show/ModuleRenderer.h"
#include "show/MusicPlayer.h"
#include "show/MusicStream.h"
#include "show/Timeline.h"
#include "tests/ScratchAssets.h"
#include "tests/SyncTestModules.h"
#include "tools/music/Song.h"

namespace {

double fakeNow = 0.0;
std::uint64_t fakeAllocations = 0;

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The value of `key` on the first line of `kind`, or -1.
double figure(const std::string& text, const std::string& kind, const std::string& key) {
  const std::size_t line = text.find("\n" + kind + " ");
  if (line == std::string::npos) return -1.0;
  const std::size_t at = text.find(" " + key + "=", line);
  return at == std::string::npos ? -1.0 : std::stod(text.substr(at + key.size() + 2));
}

// One turn of the loop as the log sees it: `renderMs` until presenting, `presentMs` presenting,
// with `before` allocations made before presenting and `during` while presenting.
void turn(RunLog& log, float timeMs, int entry, double renderMs, double presentMs, int before = 0, int during = 0) {
  log.frameStarts();
  fakeNow += renderMs;
  fakeAllocations += before;
  log.presentStarts();
  fakeNow += presentMs;
  fakeAllocations += during;
  log.presentEnds();
  log.frameEnds(timeMs, entry);
}

TEST(RunLogTest, RecordsCuesPausesShotsAllocationsMemoryAndTheRunsFigures) {
  fakeNow = 1000.0;
  fakeAllocations = 40;
  const std::string path = (std::filesystem::temp_directory_path() / "zod-runlog-test.log").string();
  {
    RunLog log([] { return fakeNow; }, [] { return fakeAllocations; });
    ASSERT_TRUE(log.open(path));
    turn(log, 500.0f, 0, 1.0, 9.0, 5, 5);  // the first frame's own allocations do not count
    log.cueTaken(7, 4, 520.0f, false);
    turn(log, 520.0f, 4, 2.01, 8.01, 0, 3);  // the display's warm-up
    log.pauseChanged(true, 520.0f);
    log.screenshotTaken(520.0f, "shots/zod-00.00.520.png");
    log.screenshotTaken(520.0f, "");
    log.pauseChanged(false, 520.0f);
    log.cueTaken(7, 4, 560.0f, true);
    for (int frame = 3; frame <= 100; ++frame) turn(log, 500.0f + 20.0f * frame, 4, 2.01, 8.01);
    turn(log, 2600.0f, 4, 2.01, 38.0, 2);  // a slow frame that allocates
    fakeNow += RunLog::MEMORY_EVERY_MS;
    turn(log, 12600.0f, 38, 2.01, 8.01);
    EXPECT_TRUE(log.finish(12620.0f, 38));
  }
  const std::string text = readText(path);
  std::filesystem::remove(path);
  EXPECT_NE(text.find("start frame=1 show_ms=500 scene=1 name=presents\n"), std::string::npos) << text;
  EXPECT_NE(text.find("cue frame=2 show_ms=520 code=7 scene=5 name=sphere\n"), std::string::npos) << text;
  EXPECT_NE(text.find("pause frame=2 show_ms=520\nshot frame=2 show_ms=520 file=shots/zod-00.00.520.png\n"
                      "shot frame=2 show_ms=520 file=-\nresume frame=2 show_ms=520\n"
                      "cue frame=3 show_ms=560 code=7 scene=5 name=sphere key=1\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("alloc frame=2 show_ms=520 count=3 in_present=3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("alloc frame=101 show_ms=2600 count=2 in_present=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("mem wall_s=0.0 frame=1 rss_kb="), std::string::npos) << text;
  EXPECT_NE(text.find("mem wall_s=11.0 frame=102 rss_kb="), std::string::npos) << text;
  EXPECT_NE(text.find("end frame=102 show_ms=12620 scene=39 name=end\n"), std::string::npos) << text;
  EXPECT_NE(text.find("frames drawn=102\n"), std::string::npos) << text;
  // 100 intervals of about 10 ms and one of 10040 ms; percentiles are good to a bin (0.05 ms).
  EXPECT_NEAR(figure(text, "frametime_ms", "p50"), 10.02, 0.05);
  EXPECT_NEAR(figure(text, "frametime_ms", "p99"), 10.02, 0.05);
  EXPECT_NEAR(figure(text, "frametime_ms", "max"), 10040.01, 0.01);
  EXPECT_NEAR(figure(text, "rendertime_ms", "p50"), 2.01, 0.05);
  EXPECT_NEAR(figure(text, "rendertime_ms", "max"), 2.01, 0.01);
  EXPECT_NE(text.find("allocations after_first_frame=5 in_present=3\n"), std::string::npos) << text;
}

// A seek is written with its first frame, where it landed; the wait and the fresh show's
// allocations are the seek's, not the loop's.
TEST(RunLogTest, RecordsASeekWithItsFirstFrameAndTheVolume) {
  fakeNow = 1000.0;
  fakeAllocations = 0;
  const std::string path = (std::filesystem::temp_directory_path() / "zod-runlog-seek-test.log").string();
  {
    RunLog log([] { return fakeNow; }, [] { return fakeAllocations; });
    ASSERT_TRUE(log.open(path));
    turn(log, 500.0f, 0, 1.0, 1.0);
    turn(log, 520.0f, 0, 1.0, 1.0);
    log.soundChanged(80, true, 520.0f);
    log.seekAsked(520.0, 10520.0, fakeNow);
    fakeNow += 90.0;
    fakeAllocations += 5000;
    turn(log, 10559.0f, 0, 1.0, 1.0);
    turn(log, 10579.0f, 0, 1.0, 1.0, 1);
    EXPECT_TRUE(log.finish(10579.0f, 0));
  }
  const std::string text = readText(path);
  std::filesystem::remove(path);
  EXPECT_NE(text.find("volume frame=2 show_ms=520 percent=80 muted=1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("seek frame=3 from_ms=520 to_ms=10520 landed_ms=10559 took_ms=92\n"), std::string::npos) << text;
  EXPECT_NEAR(figure(text, "frametime_ms", "max"), 2.0, 0.01);
  EXPECT_NE(text.find("allocations after_first_frame=1 "), std::string::npos) << text;
}

// The cues of the show's own music land in the scenes its composer wrote them for.
TEST(CueListTest, EveryCueOfTheShowsMusicIsTakenInTheSceneItWasWrittenFor) {
  setAssetDirectory(ZOD_ASSET_DIR);
  std::vector<CueDelivery> cues;
  std::string error;
  double showEndMs = 0.0;
  ASSERT_TRUE(listCues(cues, showEndMs, error)) << error;
  const auto planned = music::cuePlan();
  ASSERT_EQ(cues.size(), planned.size());
  // The last cue is the end scene's, which ends the show.
  EXPECT_EQ(showEndMs, cues.back().atMs);
  for (std::size_t i = 0; i < cues.size(); ++i) {
    EXPECT_EQ(cues[i].code, planned[i].code) << "cue " << i + 1;
    EXPECT_EQ(cues[i].scene, planned[i].scene + 1) << "cue " << i + 1;
    EXPECT_NEAR(cues[i].atMs, planned[i].row * music::ROW_SECONDS * 1000.0, 1.0) << "cue " << i + 1;
  }
  setAssetDirectory("");
}

// --sync-offset moves each cue of the show's music by its amount, early as well as late: on the
// --mute device's pace, a cue is heard within one 60 Hz frame after its listed time plus the offset.
TEST(CueListTest, CuesComeAtTheListedTimePlusTheOffsetWithinAFrame) {
  setAssetDirectory(ZOD_ASSET_DIR);
  std::vector<CueDelivery> listed;
  double showEndMs = 0.0;
  std::string error;
  ASSERT_TRUE(listCues(listed, showEndMs, error)) << error;
  std::vector<std::uint8_t> module;
  ASSERT_TRUE(readWholeFile(assetPath(MUSIC_FILE), module));
  CueTable table;
  ASSERT_TRUE(table.compute(module));
  setAssetDirectory("");
  struct Clock final : SyncReceiver {
    const MusicStream* stream = nullptr;
    std::vector<double> heardMs;
    // The silent device fills as the previous buffer runs out: the buffer's first frame is heard now.
    void post(std::uint8_t) override {
      heardMs.push_back(1000.0 * static_cast<double>(stream->handedFrames() - SilentAudioOutput::BUFFER_FRAMES) /
                        SAMPLE_RATE);
    }
  };
  constexpr double FRAME_MS = 1000.0 / 60;
  std::vector<float> buffer(2 * SilentAudioOutput::BUFFER_FRAMES);
  for (int offsetMs : {-300, 0, 300}) {
    ModuleRenderer renderer;
    ASSERT_TRUE(renderer.open(module));
    Clock clock;
    MusicStream stream(renderer, table, SilentAudioOutput::BUFFER_FRAMES, offsetMs, clock);
    clock.stream = &stream;
    // A minute of the song holds its first scenes' cues.
    while (stream.handedFrames() < 60 * SAMPLE_RATE) stream.fill(buffer.data(), SilentAudioOutput::BUFFER_FRAMES);
    ASSERT_GE(clock.heardMs.size(), 5u);
    for (std::size_t i = 0; i < clock.heardMs.size(); ++i) {
      const double due = std::max(listed[i].atMs + offsetMs, 0.0);
      EXPECT_GE(clock.heardMs[i], due - 0.1) << "cue " << i + 1 << " at " << offsetMs << " ms";
      EXPECT_LT(clock.heardMs[i], due + FRAME_MS) << "cue " << i + 1 << " at " << offsetMs << " ms";
    }
  }
}

// A skip moves on at once and keeps the old scene's clock; the scene after it starts when that
// clock runs out; nothing is taken after the closing scene's quit code or the timeline's end.
TEST(CueListTest, SkipsTimeOutsAndTheEndDecideTheScene) {
  ScratchAssetDirectory assets;
  constexpr int SPEED = 6, BPM = 125;  // 120 ms a row
  xm::XmModule song = synctest::module(2, 250, 2, SPEED, BPM);
  synctest::putZ(song, 0, 10, 0, 2);  // 1.2 s: scene 1
  synctest::putZ(song, 0, 20, 0, 1);  // 2.4 s: taken in scene 1, which skips to 2
  synctest::putZ(song, 0, 30, 0, 3);  // 3.6 s: scene 2, on scene 1's clock (30 s)
  synctest::putZ(song, 1, 10, 0, 4);  // 31.2 s: scene 1's clock ran out, scene 3
  ASSERT_TRUE(xm::saveXm(assetPath(MUSIC_FILE), song));
  std::vector<CueDelivery> cues;
  std::string error;
  double showEndMs = 0.0;
  ASSERT_TRUE(listCues(cues, showEndMs, error)) << error;
  ASSERT_EQ(cues.size(), 4u);
  EXPECT_EQ(cues[0].scene, 1);
  EXPECT_EQ(cues[1].scene, 1);
  EXPECT_STREQ(cues[2].name, "title");
  EXPECT_EQ(cues[2].scene, 2);
  EXPECT_EQ(cues[3].scene, 3);
  EXPECT_NEAR(cues[3].atMs, 31200.0, 1.0);
  // The skipped-to scene starts with the skip; the one after it when the first scene's clock ran out.
  std::vector<SceneStart> scenes;
  ASSERT_TRUE(listScenes(scenes, error)) << error;
  ASSERT_EQ(scenes.size(), static_cast<std::size_t>(TIMELINE_ENTRIES));
  EXPECT_NEAR(scenes[1].startMs, 2400.0, 1.0);
  EXPECT_DOUBLE_EQ(scenes[2].startMs, TIMELINE[0].durationMs);
}

}  // namespace
