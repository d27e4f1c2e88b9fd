// Offline capture: frame times from the index, music rendered in step with its sync events due on
// the right frames, the show run on that clock (skipping the drawing where it may), and the
// encoder's refusals. Decoding the files it writes is left to the script tests in tests/capture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "app/LateStart.h"
#include "base/AssetDirectory.h"
#include "base/QuitRequest.h"
#include "base/TimeArguments.h"
#include "capture/Capture.h"
#include "capture/CaptureProgress.h"
#include "capture/FrameQueue.h"
#include "capture/VideoEncoder.h"
#include "lab/Lab.h"
#include "lab/LabScript.h"
#include "platform/HeadlessDisplay.h"
#include "platform/HeadlessWindow.h"
#include "show/FrameTiming.h"
#include "show/LockstepMusic.h"
#include "show/MusicPlayer.h"
#include "show/Timeline.h"
#include "stage/OfflineShow.h"
#include "tests/AllocationCounter.h"
#include "tests/FatalRecorder.h"
#include "tests/ScaledYuvReference.h"
#include "tests/SyncTestModules.h"

namespace fs = std::filesystem;

namespace {

constexpr int SPEED = 1;
constexpr int BPM = 125;

// A scratch directory with the generated pictures and a music module of the test's own.
class ShowAssets {
 public:
  explicit ShowAssets(const xm::XmModule& music) : dir(fs::temp_directory_path() / ("zod-capture-" + unique())) {
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(ZOD_ASSET_DIR)) {
      if (entry.path().filename() != MUSIC_FILE) fs::create_symlink(entry.path(), dir / entry.path().filename());
    }
    xm::saveXm((dir / MUSIC_FILE).string(), music);
    previous = assetDirectory();
    setAssetDirectory(dir.string());
  }
  ~ShowAssets() {
    setAssetDirectory(previous);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string path() const { return dir.string(); }

 private:
  static std::string unique() {
    static int counter = 0;
    return std::to_string(::getpid()) + "-" + std::to_string(counter++);
  }
  fs::path dir;
  std::string previous;
};

// A module of `rows` rows of 20 ms (speed 1 at 125 bpm), with Zxx cells where asked.
xm::XmModule moduleWith(int rows, const std::vector<std::pair<int, std::uint8_t>>& cues) {
  xm::XmModule song = synctest::module(2, rows, 1, SPEED, BPM);
  synctest::addNotes(song);
  for (const auto& [row, code] : cues) synctest::putZ(song, 0, row, 0, code);
  return song;
}

std::vector<std::uint8_t>* delivered = nullptr;
struct Recorder final : SyncReceiver {
  void post(std::uint8_t code) override { delivered->push_back(code); }
} record;

}  // namespace

TEST(FrameTiming, FramesPlayEverySampleOnceWhateverTheRate) {
  for (const auto& [num, den] : {std::pair{60LL, 1LL}, std::pair{60000LL, 1001LL}, std::pair{24LL, 1LL}, std::pair{7LL, 3LL}}) {
    const FrameTiming timing(num, den);
    std::int64_t total = 0;
    for (std::int64_t n = 0; n < 5000; ++n) {
      EXPECT_EQ(timing.firstSample(n), total);
      EXPECT_LE(timing.samplesIn(n), timing.mostSamplesInAFrame());
      total += static_cast<std::int64_t>(timing.samplesIn(n));
    }
    // One second of frames plays one second of samples, give or take the last frame's share.
    EXPECT_EQ(timing.firstSample(num * 3), 44100 * den * 3);
  }
}

TEST(FrameTiming, ClockReadsTheWholeMillisecondsOfTheFramesStart) {
  const FrameTiming ntsc(60000, 1001);
  EXPECT_EQ(ntsc.counterMs(0), 0u);
  EXPECT_EQ(ntsc.counterMs(1), 16u);    // 16.683 ms
  EXPECT_EQ(ntsc.counterMs(3), 50u);    // 50.05 ms
  EXPECT_EQ(ntsc.counterMs(60000), 1001000u);
  const FrameTiming sixty;
  EXPECT_EQ(sixty.counterMs(90), 1500u);
}

TEST(FrameTiming, EventIsDueInTheFirstFrameStartingAtOrAfterIt) {
  const FrameTiming timing(60000, 1001);
  for (std::int64_t sample : {0LL, 1LL, 735LL, 736LL, 44100LL, 1234567LL}) {
    const std::int64_t n = timing.firstFrameFromSample(sample);
    EXPECT_GE(timing.firstSample(n), sample);
    // Frame n starts at or after the sample (exactly: n x 44100 / F >= sample) and n - 1 before it.
    EXPECT_GE(n * 44100 * 1001, sample * 60000);
    if (n > 0) {
      EXPECT_LT((n - 1) * 44100 * 1001, sample * 60000);
    }
  }
  EXPECT_EQ(timing.frameAt(1000000), 59);  // at 1 s the 60th frame (index 59) is on screen
  EXPECT_EQ(FrameTiming().frameAt(1000000), 60);
}

TEST(TimeArguments, ShowTimesInSecondsMinutesOrMilliseconds) {
  std::int64_t us = 0;
  ASSERT_TRUE(parseShowTime("95.5", us));
  EXPECT_EQ(us, 95500000);
  ASSERT_TRUE(parseShowTime("1:35.5", us));
  EXPECT_EQ(us, 95500000);
  ASSERT_TRUE(parseShowTime("1:00:00", us));
  EXPECT_EQ(us, 3600000000LL);
  ASSERT_TRUE(parseShowTime("95000ms", us));
  EXPECT_EQ(us, 95000000);
  ASSERT_TRUE(parseShowTime("2s", us));
  EXPECT_EQ(us, 2000000);
  for (const char* bad : {"", "-3", "1:60", "abc", "1.5:00", "1:2:3:4", "3.1234567", "100000000"})
    EXPECT_FALSE(parseShowTime(bad, us)) << bad;
}

TEST(TimeArguments, FrameRatesAsIntegersDecimalsOrFractions) {
  std::int64_t num = 0, den = 0;
  ASSERT_TRUE(parseFrameRate("60000/1001", num, den));
  EXPECT_EQ(num, 60000);
  EXPECT_EQ(den, 1001);
  // The television rates, named by their rounded decimals, are the exact N x 1000/1001.
  for (auto [text, top] : {std::pair{"59.94", 60000}, {"29.97", 30000}, {"23.976", 24000}, {"119.88", 120000}}) {
    ASSERT_TRUE(parseFrameRate(text, num, den)) << text;
    EXPECT_EQ(num, top) << text;
    EXPECT_EQ(den, 1001) << text;
  }
  // Other decimals stay as written.
  ASSERT_TRUE(parseFrameRate("59.9", num, den));
  EXPECT_EQ(num, 599);
  EXPECT_EQ(den, 10);
  ASSERT_TRUE(parseFrameRate("24.00", num, den));
  EXPECT_EQ(num, 24);
  EXPECT_EQ(den, 1);
  ASSERT_TRUE(parseFrameRate("60", num, den));
  EXPECT_EQ(num, 60);
  EXPECT_EQ(den, 1);
  for (const char* bad : {"0", "x", "60/0", "1.5/2", "-60"}) EXPECT_FALSE(parseFrameRate(bad, num, den)) << bad;
  // Found by fuzzing: a huge rate with decimals overflowed the television-rate match.
  ASSERT_TRUE(parseFrameRate("9999099902.000002", num, den));
  EXPECT_EQ(num, 4999549951000001);
  EXPECT_EQ(den, 500000);
  EXPECT_FALSE(FrameTiming::usable(2000, 1));
  EXPECT_FALSE(FrameTiming::usable(1, 2));
}

TEST(LockstepMusic, EachEventArrivesInTheFirstFrameAtOrAfterItsRow) {
  // Rows of 20 ms; frames of 16.683 ms, so some rows start in mid-frame and two never share one.
  const std::vector<int> rows{1, 2, 3, 5, 8, 13, 21, 34, 55};
  std::vector<std::pair<int, std::uint8_t>> cues;
  for (std::size_t i = 0; i < rows.size(); ++i) cues.push_back({rows[i], static_cast<std::uint8_t>(10 + i)});
  const FrameTiming timing(60000, 1001);
  LockstepMusic music(timing);
  ASSERT_TRUE(music.open(xm::writeXm(moduleWith(64, cues))));

  std::vector<std::uint8_t> codes;
  delivered = &codes;
  std::vector<std::pair<std::int64_t, std::uint8_t>> arrivals;
  for (std::int64_t n = 0; n < 100; ++n) {
    codes.clear();
    music.renderFrame(record);
    for (std::uint8_t code : codes) arrivals.push_back({n, code});
  }
  ASSERT_EQ(arrivals.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    // Row r starts at r x 20 ms; frame n at n x 1001 / 60 ms.
    const std::int64_t expected = (rows[i] * 20 * 60 + 1000) / 1001;
    EXPECT_EQ(arrivals[i].first, expected) << "row " << rows[i];
    EXPECT_EQ(arrivals[i].second, 10 + i);
  }
}

TEST(LockstepMusic, EventsOfOneFrameArriveTogetherInPlayingOrder) {
  // At 10 fps a frame spans five rows.
  const FrameTiming timing(10, 1);
  LockstepMusic music(timing);
  ASSERT_TRUE(music.open(xm::writeXm(moduleWith(32, {{6, 2}, {7, 3}, {9, 4}}))));
  std::vector<std::uint8_t> codes;
  delivered = &codes;
  music.renderFrame(record);  // frame 0: rows 0..4
  music.renderFrame(record);  // frame 1 starts at 100 ms = row 5: rows 6, 7 and 9 are not yet due
  EXPECT_TRUE(codes.empty());
  music.renderFrame(record);  // frame 2 starts at row 10
  EXPECT_EQ(codes, (std::vector<std::uint8_t>{2, 3, 4}));
}

TEST(LockstepMusic, SamplesAreTheSongPlayedStraightThrough) {
  const xm::XmModule song = moduleWith(64, {{3, 2}});
  const FrameTiming timing(60000, 1001);
  LockstepMusic music(timing);
  ASSERT_TRUE(music.open(xm::writeXm(song)));
  std::vector<float> stepped;
  std::vector<std::uint8_t> codes;
  delivered = &codes;
  for (int n = 0; n < 40; ++n) {
    music.renderFrame(record);
    EXPECT_EQ(music.sampleFrames(), timing.samplesIn(n));
    stepped.insert(stepped.end(), music.samples(), music.samples() + 2 * music.sampleFrames());
  }
  ModuleRenderer straight;
  ASSERT_TRUE(straight.open(xm::writeXm(song)));
  struct Ignore : ModuleRenderer::EventSink {
    void onZxxEvent(std::uint64_t, std::uint8_t) override {}
  } ignore;
  std::vector<float> whole(stepped.size());
  ASSERT_EQ(straight.render(whole.data(), whole.size() / 2, ignore), whole.size() / 2);
  EXPECT_EQ(stepped, whole);
}

TEST(SimulatedRun, SkipCodeMovesTheTimelineInTheFrameTheRulesSay) {
  // Z01 on rows 10 and 30 (200 ms and 600 ms): at 60 fps due in frames 12 and 36.
  ShowAssets assets(moduleWith(64, {{10, 1}, {30, 1}}));
  std::string error;
  auto offline = OfflineShow::start(FrameTiming(), error);
  ASSERT_TRUE(offline) << error;
  std::vector<int> entries;
  for (int n = 0; n < 40; ++n) {
    offline->run().step(offline->frame(), n >= 38);
    entries.push_back(offline->show().engine().sequencer().currentIndex());
  }
  for (int n = 0; n < 40; ++n) {
    const int expected = n < 12 ? 0 : n < 36 ? 1 : 2;
    EXPECT_EQ(entries[n], expected) << "frame " << n;
  }
}

TEST(SimulatedRun, FastForwardDrawsTheSameFrameAsAFullRun) {
  // Two skips reach the heart (rows 10, 11), two codes make its halves jump (rows 40, 50); seven
  // more skips reach the tunnel (rows 100..106) and two codes make its picture jump (rows 130, 140).
  std::vector<std::pair<int, std::uint8_t>> cues{{10, 1}, {11, 1}, {40, 4}, {50, 4}, {130, 8}, {140, 8}};
  for (int row = 100; row <= 106; ++row) cues.push_back({row, 1});
  ShowAssets assets(moduleWith(256, cues));
  const std::vector<int> checked{55, 70, 165, 180, 200};
  std::vector<std::string> full;
  {
    std::string error;
    auto offline = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(offline) << error;
    for (int n = 0; n <= checked.back(); ++n) {
      offline->run().step(offline->frame(), true);
      if (std::find(checked.begin(), checked.end(), n) != checked.end()) full.push_back(frameHash(offline->frame()));
    }
  }
  for (std::size_t i = 0; i < checked.size(); ++i) {
    std::string error;
    auto offline = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(offline) << error;
    for (int n = 0; n <= checked[i]; ++n) offline->run().step(offline->frame(), n == checked[i]);
    EXPECT_EQ(frameHash(offline->frame()), full[i]) << "frame " << checked[i];
    // Skipping with the cue table, from the start or from a frame already run, draws it too.
    auto skipped = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(skipped) << error;
    if (i % 2 == 1) {
      for (int n = 0; n < 30; ++n) skipped->run().step(skipped->frame(), false);
    }
    ASSERT_TRUE(skipped->skipTo(checked[i]));
    skipped->run().step(skipped->frame(), true);
    EXPECT_EQ(frameHash(skipped->frame()), full[i]) << "skip to frame " << checked[i];
  }
}

// The built show: five moments across it, reached by a run in step with the rendered music and by
// a skip with the cue table, then a second of frames drawn on from each.
TEST(SimulatedRun, SkipReachesTheFullRunsFramesAcrossTheBuiltShow) {
  const std::string previous = assetDirectory();
  setAssetDirectory(ZOD_ASSET_DIR);
  const std::vector<std::int64_t> checked{3 * 3600 + 17, 7 * 3600 + 5, 12 * 3600, 19 * 3600 + 33, 25 * 3600 - 40};
  std::vector<std::string> full;
  std::string error;
  {
    auto offline = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(offline) << error;
    for (std::int64_t n = 0; n <= checked.back() + 59; ++n) {
      const bool seen = std::any_of(checked.begin(), checked.end(), [n](std::int64_t c) { return n >= c && n < c + 60; });
      offline->run().step(offline->frame(), seen);
      if (seen) full.push_back(frameHash(offline->frame()));
      ASSERT_FALSE(offline->run().over()) << "frame " << n;
    }
  }
  for (std::size_t i = 0; i < checked.size(); ++i) {
    auto offline = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(offline) << error;
    ASSERT_TRUE(offline->skipTo(checked[i]));
    for (int k = 0; k < 60; ++k) {
      offline->run().step(offline->frame(), true);
      ASSERT_EQ(frameHash(offline->frame()), full[60 * i + static_cast<std::size_t>(k)]) << "frame " << checked[i] + k;
    }
  }
  setAssetDirectory(previous);
}

// A module far shorter than the show, and one whose last row jumps back to its start: the music
// ends (or is taken as ended where it would repeat), and the timeline alone ends the show, after
// its 1,526 s and at most a frame late per scene. A still past the song's end is drawn as usual.
TEST(SimulatedRun, ShowEndsAtItsTimelinesEndWhateverTheModuleDoes) {
  constexpr std::uint8_t POSITION_JUMP = 11;  // Bxx
  xm::XmModule looping = moduleWith(64, {{5, 2}});
  looping.patterns[0].at(63, 1) = {.effect = POSITION_JUMP, .param = 0};
  for (const xm::XmModule& music : {moduleWith(64, {{5, 2}}), looping}) {
    ShowAssets assets(music);
    std::string error;
    auto offline = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(offline) << error;
    const std::int64_t pastTheSong = 10 * 60;
    ASSERT_GE(offline->cues().cues().size(), 1u);
    EXPECT_LT(offline->cues().songFrames(), 44100u * 10);
    ASSERT_TRUE(offline->skipTo(pastTheSong));
    offline->run().step(offline->frame(), true);
    EXPECT_EQ(offline->show().engine().sequencer().currentIndex(), 0);
    while (!offline->run().over() && offline->run().frameIndex() < 1600 * 60) offline->run().step(nullptr, false);
    ASSERT_TRUE(offline->run().over());
    EXPECT_EQ(offline->show().engine().sequencer().currentIndex(), TIMELINE_ENTRIES - 1);
    EXPECT_GT(offline->run().timeMs(), timelineDurationMs());
    EXPECT_LT(offline->run().timeMs(), timelineDurationMs() + TIMELINE_ENTRIES * 17.0);
  }
}

TEST(SimulatedRun, FramesAllocateNothing) {
  ShowAssets assets(moduleWith(256, {{10, 1}, {11, 1}, {40, 4}, {50, 1}}));
  std::string error;
  auto offline = OfflineShow::start(FrameTiming(60000, 1001), error);
  ASSERT_TRUE(offline) << error;
  offline->run().step(offline->frame(), true);
  AllocationCounter allocations;
  for (int n = 1; n < 120; ++n) offline->run().step(offline->frame(), n % 2 == 0);
  EXPECT_EQ(allocations.count(), 0u);
}

TEST(OfflineShow, SceneNamesAreTheLabsEffectNames) {
  ShowAssets assets(moduleWith(64, {{10, 1}}));
  std::string error;
  auto offline = OfflineShow::start(FrameTiming(), error);
  ASSERT_TRUE(offline) << error;
  EXPECT_STREQ(offline->sceneName(), "-");
  offline->run().step(offline->frame(), false);
  EXPECT_STREQ(offline->sceneName(), "presents");
  for (int n = 1; n < 13; ++n) offline->run().step(offline->frame(), false);
  EXPECT_STREQ(offline->sceneName(), "title");
  // Every entry holds the one object of the effect it names, and the lab knows that name.
  const Sequencer& sequencer = offline->show().engine().sequencer();
  ASSERT_EQ(sequencer.entryCount(), TIMELINE_ENTRIES);
  for (int i = 0; i < TIMELINE_ENTRIES; ++i) {
    EXPECT_EQ(sequencer.effectAt(i), offline->show().effect(TIMELINE[i].effectName)) << "entry " << i;
    const char* name = offline->show().effectName(sequencer.effectAt(i));
    ASSERT_NE(name, nullptr) << "entry " << i;
    EXPECT_EQ(std::string_view(name), TIMELINE[i].effectName) << "entry " << i;
    EXPECT_TRUE(isLabEffectName(std::string(TIMELINE[i].effectName))) << "entry " << i;
  }
}

TEST(OfflineShow, MissingFilesAreNamedInTheError) {
  const fs::path empty = fs::temp_directory_path() / "zod-capture-empty";
  fs::create_directories(empty);
  const std::string previous = assetDirectory();
  setAssetDirectory(empty.string());
  std::string error;
  EXPECT_FALSE(OfflineShow::start(FrameTiming(), error));
  EXPECT_NE(error.find(MUSIC_FILE), std::string::npos) << error;
  setAssetDirectory(previous);
  fs::remove_all(empty);
}

TEST(FrameQueue, FramesArriveInOrderAndCloseDrainsTheRest) {
  FrameQueue<Pixel> queue(std::vector<Pixel>(3));
  std::vector<Pixel> seen;
  std::thread consumer([&] {
    while (Pixel* slot = queue.next()) {
      seen.push_back(*slot);
      queue.release();
    }
  });
  for (Pixel i = 0; i < 50; ++i) {
    Pixel* slot = queue.acquire();
    ASSERT_NE(slot, nullptr);
    *slot = i;
    queue.publish();
  }
  queue.close();
  consumer.join();
  ASSERT_EQ(seen.size(), 50u);
  for (Pixel i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
}

TEST(VideoEncoder, RefusesWhatItCannotWriteAndLeavesNoFile) {
  std::string error;
  VideoEncoderSettings settings;
  settings.path = (fs::temp_directory_path() / "zod-capture-test.avi").string();
  EXPECT_FALSE(VideoEncoder::open(settings, error));
  EXPECT_NE(error.find(".mp4"), std::string::npos) << error;

  settings.path = "/nonexistent-directory/show.mp4";
  EXPECT_FALSE(VideoEncoder::open(settings, error));
  EXPECT_NE(error.find("cannot write /nonexistent-directory/show.mp4"), std::string::npos) << error;

  settings.path = (fs::temp_directory_path() / "zod-capture-preset.mp4").string();
  settings.preset = "warp";
  EXPECT_FALSE(VideoEncoder::open(settings, error));
  EXPECT_NE(error.find("warp"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(settings.path));
}

// Each refusal comes from the settings alone, before any library is asked, and says why.
TEST(VideoEncoder, SettingsACodecDoesNotTakeAreRefusedWithTheReason) {
  struct Case {
    const char* path;
    const char* codec;
    const char* preset;
    int crf;
    const char* why;  // empty: usable
  };
  const Case cases[] = {
      {"a.mp4", "", "veryslow", 0, ""},
      {"a.MKV", "x264rgb", "placebo", -1, ""},
      {"a.mkv", "ffv1", "", -1, ""},
      {"a.webm", "", "", -1, "must end in .mp4 or .mkv"},
      {"a.mp4", "ffv1", "", -1, "does not go in a .mp4"},
      {"a.mp4", "", "turbo", -1, "--preset turbo is not one of libx264's: ultrafast,"},
      {"a.mkv", "", "", 20, "--crf is for h264 (.mp4); x264rgb is lossless"},
      {"a.mkv", "utvideo", "fast", -1, "utvideo has none"},
      {"a.mp4", "", "", 52, "--crf must be 0 to 51"},
  };
  for (const Case& c : cases) {
    VideoEncoderSettings settings;
    settings.path = c.path;
    settings.codec = c.codec;
    settings.preset = c.preset;
    settings.crf = c.crf;
    std::string error;
    EXPECT_EQ(VideoEncoder::settingsUsable(settings, error), *c.why == '\0') << c.path << " " << error;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
}

TEST(VideoEncoder, AbandonedFileIsRemovedAndFinishedFileGetsItsName) {
  const fs::path dir = fs::temp_directory_path() / "zod-capture-encoder";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::vector<Pixel> frame(FRAME_PIXELS, 0x00336699u);
  std::vector<float> samples(2 * 735, 0.25f);
  std::string error;
  VideoEncoderSettings settings;
  settings.scale = 1;
  settings.path = (dir / "abandoned.mkv").string();
  {
    auto encoder = VideoEncoder::open(settings, error);
    ASSERT_TRUE(encoder) << error;
    ASSERT_TRUE(encoder->addFrame(frame.data(), samples.data(), 735, error)) << error;
  }
  EXPECT_TRUE(fs::is_empty(dir));

  settings.path = (dir / "finished.mkv").string();
  auto encoder = VideoEncoder::open(settings, error);
  ASSERT_TRUE(encoder) << error;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(encoder->addFrame(frame.data(), samples.data(), 735, error)) << error;
  ASSERT_TRUE(encoder->finish(error)) << error;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"finished.mkv"});
  fs::remove_all(dir);
}

// The line never reaches the terminal's last column: fields go, the least needed first, down to the
// frame count alone; its times are whole seconds.
TEST(CaptureProgress, LineFitsTheWidthDroppingTheLeastNeededFieldsFirst) {
  ProgressFigures figures;
  figures.frame = 45678;
  figures.totalFrames = 91560;
  figures.showTimeMs = 761499.0;
  figures.entry = 21;
  figures.scene = "squaretunnel";
  figures.framesPerSecond = 612.4;
  figures.speedUp = 10.21;
  figures.seconds = 3675.6;
  const struct {
    int columns;
    const char* line;
  } cases[] = {
      {0, "frame 45678/91560  show 12:41  scene 21 squaretunnel  612 fps (10.21x)  ETA 1:01:16"},
      {80, "frame 45678/91560  show 12:41  612 fps (10.21x)  ETA 1:01:16"},
      {61, "frame 45678/91560  show 12:41  612 fps (10.21x)  ETA 1:01:16"},
      {60, "frame 45678/91560  612 fps (10.21x)  ETA 1:01:16"},
      {40, "frame 45678/91560  ETA 1:01:16"},
      {30, "frame 45678/91560"},
      {10, "frame 456"},
  };
  char line[256];
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureProgress::formatLine(figures, c.columns, line, sizeof line), std::strlen(c.line));
    EXPECT_STREQ(line, c.line) << c.columns << " columns";
  }
  figures.last = true;
  figures.seconds = 274.4;
  CaptureProgress::formatLine(figures, 40, line, sizeof line);
  EXPECT_STREQ(line, "frame 45678/91560  took 4:34");
}

TEST(CaptureProgress, WidthIsTheTerminalsElseColumnsElseEighty) {
  if (isatty(STDERR_FILENO)) GTEST_SKIP() << "stderr is a terminal, whose own width is read";
  const char* given = std::getenv("COLUMNS");
  const std::string kept = given ? given : "";
  setenv("COLUMNS", "132", 1);
  EXPECT_EQ(CaptureProgress::terminalColumns(), 132);
  setenv("COLUMNS", "wide", 1);
  EXPECT_EQ(CaptureProgress::terminalColumns(), 80);
  unsetenv("COLUMNS");
  EXPECT_EQ(CaptureProgress::terminalColumns(), 80);
  if (given) setenv("COLUMNS", kept.c_str(), 1);
}

// At scale 2 each 2 x 2 chroma sample covers one frame pixel, so the capture converts the 512 x 280
// frame once and replicates the samples; that must be the picture swscale makes of the scaled frame.
TEST(VideoEncoder, ConvertingOnceAndReplicatingIsTheScaledFramesPicture) {
  const fs::path path = fs::temp_directory_path() / "zod-capture-yuv-once.mp4";
  std::string error;
  VideoEncoderSettings settings;
  settings.path = path.string();
  auto encoder = VideoEncoder::open(settings, error);
  ASSERT_TRUE(encoder) << error;
  EncoderFrame prepared = encoder->newFrame(0);
  ScaledYuvReference reference;
  const auto check = [&](const Pixel* frame, const char* what) {
    AllocationCounter allocations;
    ASSERT_TRUE(encoder->prepare(frame, nullptr, 0, prepared, error)) << error;
    EXPECT_EQ(allocations.count(), 0u) << what;
    reference.convert(frame);
    EXPECT_EQ(reference.compare(*prepared.picture()).samples, 0) << what;
  };
  // Every kind of colour: noise over the whole 24-bit range.
  std::vector<Pixel> noise(FRAME_PIXELS);
  std::uint32_t seed = 12345;
  for (Pixel& p : noise) p = (seed = seed * 1664525u + 1013904223u) >> 8;
  check(noise.data(), "noise");

  const std::string previous = assetDirectory();
  setAssetDirectory(ZOD_ASSET_DIR);
  auto offline = OfflineShow::start(FrameTiming(), error);
  ASSERT_TRUE(offline) << error;
  for (const std::int64_t frame : {270, 3660, 19800, 43200}) {
    ASSERT_TRUE(offline->skipTo(frame));
    offline->run().step(offline->frame(), true);
    check(offline->frame(), offline->sceneName());
  }
  setAssetDirectory(previous);
}

TEST(LateStart, FirstLiveFrameIsTheCapturesFrameAtThatMoment) {
  // Skips to the heart (rows 10, 11), two jumps (rows 40, 60), then a start at 2 s: row 100, which
  // is also the start of frame 120 at 60 fps. Without a sound device no later event arrives.
  ShowAssets assets(moduleWith(256, {{10, 1}, {11, 1}, {40, 4}, {60, 4}}));
  std::string expected;
  {
    std::string error;
    auto offline = OfflineShow::start(FrameTiming(), error);
    ASSERT_TRUE(offline) << error;
    for (int n = 0; n <= 120; ++n) offline->run().step(offline->frame(), n == 120);
    expected = frameHash(offline->frame());
  }
  FatalRecorder fatal;
  // Started there, or studied there first (frame 120) and played on from it with Space.
  for (const bool study : {false, true}) {
    HeadlessWindow window;
    HeadlessDisplay display;
    ManualMillisecondCounter live(777000, 0);
    Platform platform{window, display, live};
    ShowOptions options;
    if (study) window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, KEY_PAUSE});
    window.postAfterIdleTurns(study ? 2 : 1, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
    EXPECT_EQ(runShowFrom(platform, options, 2000000, study), 0);
    EXPECT_TRUE(fatal.reports().empty());
    // The study's one frame, then the live one, without the study's line.
    ASSERT_EQ(display.presentedFrames, study ? 2 : 1);
    EXPECT_EQ(display.line, "");
    EXPECT_EQ(frameHash(display.surface() + LETTERBOX_ROWS * FRAME_WIDTH), expected) << "study " << study;
  }
}

TEST(LateStart, EscapeEndsTheFastForwardAndATimePastTheEndIsRefused) {
  ShowAssets assets(moduleWith(64, {{10, 1}}));
  FatalRecorder fatal;
  ManualMillisecondCounter live(777000, 0);
  ShowOptions options;
  {
    HeadlessWindow window;
    HeadlessDisplay display;
    Platform platform{window, display, live};
    window.postKey(KEY_ESCAPE);
    EXPECT_EQ(runShowFrom(platform, options, 20 * 60 * 1000000LL), 0);
    EXPECT_EQ(display.presentedFrames, 0);
  }
  clearQuitRequest();
  HeadlessWindow window;
  HeadlessDisplay display;
  Platform platform{window, display, live};
  EXPECT_EQ(runShowFrom(platform, options, 30 * 60 * 1000000LL), 2);
  EXPECT_EQ(display.presentedFrames, 0);
  EXPECT_TRUE(fatal.reports().empty());
  clearQuitRequest();
}
