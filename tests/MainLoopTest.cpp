#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/HeadlessWindow.h"
#include "app/MainLoop.h"
#include "app/Program.h"
#include "platform/HeadlessDisplay.h"
#include "base/AssetDirectory.h"
#include "show/Timeline.h"
#include "tests/AllocationCounter.h"
#include "tests/FatalRecorder.h"
#include "tests/RecordingEffect.h"

namespace {

// A small show on the headless platform: 20 ms per frame, two long scenes.
class MainLoopTest : public testing::Test {
 protected:
  MainLoopTest() {
    engine.sequencer().append(&first, 100000.0f);
    engine.sequencer().append(&second, 100000.0f);
  }

  void run() { runMessageLoop(window, screen, engine); }
  std::vector<std::int32_t> syncCodes() const {
    std::vector<std::int32_t> codes;
    for (const EffectCall& call : log)
      if (call.what == 's') codes.push_back(call.code);
    return codes;
  }

  FatalRecorder fatal;
  std::vector<EffectCall> log;
  RecordingEffect first{"first", log};
  RecordingEffect second{"second", log};
  HeadlessWindow window;
  HeadlessDisplay display;
  Screen screen{display, FRAME_WIDTH, SCREEN_HEIGHT, 32};
  ManualMillisecondCounter counter{1000, 20};
  Engine engine{counter, MusicOptions{}};
};

TEST_F(MainLoopTest, EscapeEndsTheLoopAfterTheCurrentTurn) {
  window.postAfterIdleTurns(3, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  run();
  EXPECT_EQ(window.idleTurns(), 3);
  EXPECT_EQ(display.presentedFrames, 3);
  EXPECT_TRUE(syncCodes().empty());  // Escape is not a sync event
}

TEST_F(MainLoopTest, DestroyingTheWindowEndsTheLoop) {
  window.postAfterIdleTurns(2, {WindowEvent::Kind::Destroyed, 0});
  run();
  EXPECT_EQ(display.presentedFrames, 2);
}

TEST_F(MainLoopTest, OtherKeysDeliverTheLatestCodeAgain) {
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, 'a'});  // no cue yet: code 0
  window.postAfterIdleTurns(3, {WindowEvent::Kind::KeyDown, ' '});
  window.postAfterIdleTurns(5, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  engine.sync().post(0);  // taken by the first frame, before any scene: dropped
  run();
  EXPECT_EQ(syncCodes(), (std::vector<std::int32_t>{0, 0}));
}

TEST_F(MainLoopTest, WaitingEventsComeBeforeAnyFrameAndQuitLeavesNoIdleTurn) {
  window.postKey('x');
  window.postKey('y');
  window.postKey(KEY_ESCAPE);
  window.postKey('z');  // still taken: the loop ends only when nothing waits
  run();
  EXPECT_EQ(window.idleTurns(), 0);
  EXPECT_EQ(display.presentedFrames, 0);
  EXPECT_TRUE(engine.sync().take().pending);
}

TEST_F(MainLoopTest, EachIdleTurnRendersAtTheClockTimeAndPresents) {
  window.postAfterIdleTurns(4, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  run();
  // The clock read 1000 when made; each later read is 20 ms on. Frame 1 only starts the scene.
  std::vector<float> times;
  for (const EffectCall& call : log) times.push_back(call.timeMs);
  EXPECT_EQ(times, (std::vector<float>{40.0f, 60.0f, 80.0f}));
  EXPECT_EQ(display.presentedFrames, 4);
}

// The first frame whose show time reaches the end is the last: 40, 60, 80 ms (first frame starts at 20).
TEST_F(MainLoopTest, TheLoopEndsAtTheFirstFrameReachingTheEndTime) {
  LoopSettings settings;
  settings.endMs = 75.0;
  runMessageLoop(window, screen, engine, settings);
  EXPECT_EQ(display.presentedFrames, 4);
  EXPECT_EQ(log.back().timeMs, 80.0f);
}

// I shows the line on the display, beside the frame: the show time, the scene, and the level after
// the volume keys, which change it without repeating a cue.
TEST_F(MainLoopTest, InformationLineShowsTheMomentAndTheVolume) {
  LoopSettings settings;
  InfoLine info;
  SoundLevel level;
  settings.info = &info;
  settings.sound = &level;
  window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, KEY_INFORMATION});
  window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, KEY_VOLUME_DOWN});
  window.postAfterIdleTurns(1, {WindowEvent::Kind::KeyDown, KEY_VOLUME_DOWN});
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_VOLUME_UP});
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_MUTE});
  window.postAfterIdleTurns(4, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  runMessageLoop(window, screen, engine, settings);
  EXPECT_EQ(display.line, "00:00  #1 presents  volume 90% muted");
  EXPECT_TRUE(syncCodes().empty());
}

// F12 writes to the chosen folder, named with the zero-padded show time of the frame shown (40 ms).
TEST_F(MainLoopTest, ScreenshotGoesToTheChosenFolderNamedWithTheShowTime) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("zod-shots-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  LoopSettings settings;
  settings.screenshots = true;
  settings.shotsFolder = folder.string();
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_SCREENSHOT});
  window.postAfterIdleTurns(3, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  runMessageLoop(window, screen, engine, settings);
  const bool written = fs::exists(folder / "zod-00.00.040.png");
  fs::remove_all(folder);
  EXPECT_TRUE(written);
}

// F12 where the folder takes no file (here it was removed) writes to the user's pictures folder, as
// user-dirs.dirs names it.
TEST_F(MainLoopTest, ScreenshotFallsBackToThePicturesFolder) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path() / ("zod-pictures-" + std::to_string(::getpid()));
  fs::create_directories(base / "config");
  fs::create_directories(base / "Bilder");
  std::ofstream(base / "config" / "user-dirs.dirs")
      << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", base.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
  LoopSettings settings;
  settings.screenshots = true;
  settings.shotsFolder = (base / "gone").string();
  window.postAfterIdleTurns(2, {WindowEvent::Kind::KeyDown, KEY_SCREENSHOT});
  window.postAfterIdleTurns(3, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  runMessageLoop(window, screen, engine, settings);
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  int written = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(base / "Bilder"))
    written += entry.path().extension() == ".png" ? 1 : 0;
  fs::remove_all(base);
  EXPECT_EQ(written, 1);
}

// The whole program on the headless platform.
class ProgramTest : public testing::Test {
 protected:
  ProgramTest() {
    setAssetDirectory(ZOD_ASSET_DIR);
    options.startMusic = false;
  }
  int run() {
    Platform platform{window, display, counter};
    return runShowOn(platform, options);
  }

  FatalRecorder fatal;
  HeadlessWindow window;
  HeadlessDisplay display;
  ManualMillisecondCounter counter{0, 200000};
  ShowOptions options;
};

TEST_F(ProgramTest, FatalReportDuringStartUpEndsBeforeAnyFrameWithOne) {
  display.failOpen = true;
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(fatal.reports().size(), 1u);
  EXPECT_EQ(window.idleTurns(), 0);
  EXPECT_EQ(display.presentedFrames, 0);
  EXPECT_EQ(window.focusCalls, 1);  // start-up went on after the report
}

TEST_F(ProgramTest, EndsByItselfWhenTheTimelineRunsOutWithZero) {
  // 200 s per frame, longer than any scene: every frame after the first moves one entry on, and
  // the one after the last entry's finds it over.
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(fatal.reports().empty()) << fatal.reports().front();
  EXPECT_EQ(display.presentedFrames, TIMELINE_ENTRIES + 1);
}

TEST_F(ProgramTest, EscapeEndsTheShowWithZero) {
  window.postAfterIdleTurns(5, {WindowEvent::Kind::KeyDown, KEY_ESCAPE});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(display.presentedFrames, 5);
}

TEST_F(ProgramTest, IdleTurnsThroughTheWholeTimelineAllocateNothing) {
  Screen screen(display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
  Show show(counter, options);
  // One frame per timeline entry (each frame is past the running scene), with a cue before each.
  AllocationCounter allocations;
  for (int turn = 0; turn < TIMELINE_ENTRIES + 2; ++turn) {
    show.engine().sync().post(static_cast<std::uint8_t>(2 + turn % 8));
    runIdleTurn(window, screen, show.engine());
  }
  EXPECT_EQ(allocations.count(), 0u);
  EXPECT_EQ(show.engine().sequencer().currentIndex(), TIMELINE_ENTRIES - 1);
}

}  // namespace
