// Sync events reach the show when their row is heard, and the music's three failures keep their
// German messages.
#include "show/MusicPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "show/CueTable.h"
#include "show/ModuleRenderer.h"
#include "show/MusicStream.h"
#include "platform/SdlAudioOutput.h"
#include "platform/SilentAudioOutput.h"
#include "tests/SyncTestModules.h"

namespace {

constexpr int SPEED = 6;
constexpr int BPM = 125;
const std::uint64_t ROW = synctest::rowFrames(SPEED, BPM);
constexpr std::uint32_t DEVICE_FRAMES = 512;

std::vector<std::uint8_t> delivered;
struct Recorder final : SyncReceiver {
  void post(std::uint8_t code) override { delivered.push_back(code); }
} recordDelivery;

xm::XmModule moduleWithZ() {
  xm::XmModule song = synctest::module(4, 8, 1, SPEED, BPM);
  synctest::addNotes(song);
  synctest::putZ(song, 0, 1, 0, 3);
  synctest::putZ(song, 0, 4, 2, 4);
  return song;
}

// Plays the module into a device of DEVICE_FRAMES frames; for each code, the frames handed to the
// device when it was delivered.
std::vector<std::pair<std::uint8_t, std::uint64_t>> deliveries(const xm::XmModule& song, int offsetMs) {
  ModuleRenderer renderer;
  CueTable cues;
  EXPECT_TRUE(renderer.open(xm::writeXm(song)) && cues.compute(xm::writeXm(song)));
  MusicStream stream(renderer, cues, DEVICE_FRAMES, offsetMs, recordDelivery);
  delivered.clear();
  std::vector<std::pair<std::uint8_t, std::uint64_t>> result;
  std::vector<float> buffer(2 * DEVICE_FRAMES);
  while (stream.handedFrames() < 10 * ROW) {
    stream.fill(buffer.data(), DEVICE_FRAMES);
    for (std::uint8_t code : delivered) result.emplace_back(code, stream.handedFrames());
    delivered.clear();
  }
  return result;
}

// The first fill after which the frames handed, less the device's buffer and the offset, reach s.
std::uint64_t heardAt(std::uint64_t s, std::int64_t offsetFrames) {
  const std::int64_t needed = std::max<std::int64_t>(static_cast<std::int64_t>(s + DEVICE_FRAMES) + offsetFrames, 1);
  return static_cast<std::uint64_t>((needed + DEVICE_FRAMES - 1) / DEVICE_FRAMES) * DEVICE_FRAMES;
}

// A negative offset delivers a cue before its row is mixed: row 4's at -300 ms comes in the
// first fills, when only row 0 has been rendered.
TEST(MusicStream, EventsAreDeliveredWhenTheirRowIsHeard) {
  for (int offsetMs : {0, 300, -5, -300, -1000}) {
    const std::int64_t offsetFrames = offsetMs * 441 / 10;
    const std::vector<std::pair<std::uint8_t, std::uint64_t>> expected = {{3, heardAt(1 * ROW, offsetFrames)},
                                                                          {4, heardAt(4 * ROW, offsetFrames)}};
    EXPECT_EQ(deliveries(moduleWithZ(), offsetMs), expected) << offsetMs;
  }
}

// A stream made after a seek (a show started part-way) counts its frames from where the song
// stands, so the rows ahead are heard on time and not a whole song-start later.
TEST(MusicStream, AfterASeekEventsAreHeardWhenTheirRowPlays) {
  ModuleRenderer renderer;
  CueTable cues;
  ASSERT_TRUE(renderer.open(xm::writeXm(moduleWithZ())) && cues.compute(xm::writeXm(moduleWithZ())));
  const std::uint64_t landed = renderer.seek(2 * ROW);
  ASSERT_EQ(landed, 2 * ROW);
  MusicStream stream(renderer, cues, DEVICE_FRAMES, 0, recordDelivery);
  delivered.clear();
  std::vector<float> buffer(2 * DEVICE_FRAMES);
  std::uint64_t heardFrames = 0;
  while (delivered.empty() && stream.handedFrames() < 10 * ROW) {
    stream.fill(buffer.data(), DEVICE_FRAMES);
    heardFrames = stream.handedFrames();
  }
  // Row 1's code is behind the seek; row 4's comes once 2 rows and the device's buffer are handed.
  EXPECT_EQ(delivered, std::vector<std::uint8_t>{4});
  EXPECT_EQ(heardFrames, landed + heardAt(2 * ROW, 0));
}

// Absurd offsets (a day either way) neither lose cues nor reorder them: a day early, all of them
// come with the first fill; a day late, none has come by the song's end.
TEST(MusicStream, OffsetOfADayDeliversAllAtOnceOrNoneYet) {
  xm::XmModule song = synctest::module(32, 64, 2, 1, 255);
  for (int p = 0; p < 2; ++p) {
    for (int row = 0; row < 64; ++row) synctest::putZ(song, p, row, row % 32, static_cast<std::uint8_t>(p));
  }
  CueTable cues;
  ASSERT_TRUE(cues.compute(xm::writeXm(song)));
  std::vector<float> buffer(2 * DEVICE_FRAMES);
  for (int dayMs : {-24 * 3600 * 1000, 24 * 3600 * 1000}) {
    ModuleRenderer renderer;
    ASSERT_TRUE(renderer.open(xm::writeXm(song)));
    MusicStream stream(renderer, cues, DEVICE_FRAMES, dayMs, recordDelivery);
    delivered.clear();
    stream.fill(buffer.data(), DEVICE_FRAMES);
    EXPECT_EQ(delivered.size(), dayMs < 0 ? 2u * 64 : 0u);
    while (!renderer.finished()) stream.fill(buffer.data(), DEVICE_FRAMES);
    EXPECT_EQ(delivered.size() + stream.pendingEvents(), 2u * 64);
    EXPECT_TRUE(std::is_sorted(delivered.begin(), delivered.end()));
  }
}

// While the table is still being learnt the music plays and the cues wait; once it is known,
// the due ones come at once, in order.
TEST(MusicStream, CuesWaitForTheTableAndThenComeAtOnce) {
  ModuleRenderer renderer;
  CueTable cues;
  ASSERT_TRUE(renderer.open(xm::writeXm(moduleWithZ())) && cues.compute(xm::writeXm(moduleWithZ())));
  std::atomic<bool> known{false};
  MusicStream stream(renderer, cues, DEVICE_FRAMES, 0, recordDelivery, &known);
  delivered.clear();
  std::vector<float> buffer(2 * DEVICE_FRAMES);
  while (stream.handedFrames() < 6 * ROW) stream.fill(buffer.data(), DEVICE_FRAMES);
  EXPECT_TRUE(delivered.empty());
  known = true;
  stream.fill(buffer.data(), DEVICE_FRAMES);
  EXPECT_EQ(delivered, (std::vector<std::uint8_t>{3, 4}));
}

TEST(MusicStream, SecondZOnARowIsTheCodeTheShowTakes) {
  xm::XmModule song = synctest::module(4, 8, 1, SPEED, BPM);
  synctest::putZ(song, 0, 2, 1, 5);
  synctest::putZ(song, 0, 2, 3, 7);
  ModuleRenderer renderer;
  CueTable cues;
  ASSERT_TRUE(renderer.open(xm::writeXm(song)) && cues.compute(xm::writeXm(song)));
  SyncMailbox mailbox;
  MusicStream stream(renderer, cues, DEVICE_FRAMES, 0, mailbox);
  std::vector<float> buffer(2 * DEVICE_FRAMES);
  while (stream.handedFrames() < 4 * ROW) stream.fill(buffer.data(), DEVICE_FRAMES);
  const SyncMailbox::Cue cue = mailbox.take();
  EXPECT_TRUE(cue.pending);
  EXPECT_EQ(cue.code, 7);
  EXPECT_FALSE(mailbox.take().pending);
}

TEST(MusicStream, FillsSilenceOnceTheSongHasEnded) {
  xm::XmModule song = synctest::module(2, 2, 1, SPEED, BPM);
  synctest::addNotes(song);
  ModuleRenderer renderer;
  CueTable cues;
  ASSERT_TRUE(renderer.open(xm::writeXm(song)) && cues.compute(xm::writeXm(song)));
  MusicStream stream(renderer, cues, DEVICE_FRAMES, 0, recordDelivery);
  std::vector<float> buffer(2 * DEVICE_FRAMES);
  bool heardSound = false;
  while (stream.handedFrames() < 2 * ROW) {
    stream.fill(buffer.data(), DEVICE_FRAMES);
    for (float s : buffer) heardSound |= s != 0.0f;
  }
  EXPECT_TRUE(heardSound);
  std::fill(buffer.begin(), buffer.end(), 1.0f);
  stream.fill(buffer.data(), DEVICE_FRAMES);
  stream.fill(buffer.data(), DEVICE_FRAMES);
  for (float s : buffer) ASSERT_EQ(s, 0.0f);
}

// The volume scales the samples handed to the device; at 100% they are exactly the renderer's, and
// muted the cues still come.
TEST(MusicStream, GainScalesTheSamplesAndLeavesThemUntouchedAtOne) {
  const std::vector<std::uint8_t> bytes = xm::writeXm(moduleWithZ());
  struct Ignore final : ModuleRenderer::EventSink {
    void onZxxEvent(std::uint64_t, std::uint8_t) override {}
  } ignore;
  ModuleRenderer plain, full, scaled, muted;
  CueTable cues;
  ASSERT_TRUE(plain.open(bytes) && full.open(bytes) && scaled.open(bytes) && muted.open(bytes) && cues.compute(bytes));
  MusicStream fullStream(full, cues, DEVICE_FRAMES, 0, recordDelivery);
  MusicStream scaledStream(scaled, cues, DEVICE_FRAMES, 0, recordDelivery);
  MusicStream mutedStream(muted, cues, DEVICE_FRAMES, 0, recordDelivery);
  scaledStream.setGain(0.3f);
  mutedStream.setGain(0.0f);
  std::vector<float> rendered(2 * DEVICE_FRAMES), atFull(2 * DEVICE_FRAMES), atScaled(2 * DEVICE_FRAMES),
      atMuted(2 * DEVICE_FRAMES);
  bool heardSound = false;
  while (mutedStream.handedFrames() < 8 * ROW) {
    const std::size_t got = plain.render(rendered.data(), DEVICE_FRAMES, ignore);
    std::fill(rendered.begin() + static_cast<std::ptrdiff_t>(2 * got), rendered.end(), 0.0f);
    fullStream.fill(atFull.data(), DEVICE_FRAMES);
    scaledStream.fill(atScaled.data(), DEVICE_FRAMES);
    mutedStream.fill(atMuted.data(), DEVICE_FRAMES);
    for (std::size_t i = 0; i < rendered.size(); ++i) {
      heardSound |= rendered[i] != 0.0f;
      ASSERT_EQ(atFull[i], rendered[i]);
      ASSERT_EQ(atScaled[i], rendered[i] * 0.3f);
      ASSERT_EQ(atMuted[i], 0.0f);
    }
  }
  EXPECT_TRUE(heardSound);
  EXPECT_EQ(mutedStream.pendingEvents(), 0u);
}

std::vector<std::string> fatalTexts;
void recordFatal(const char*, const char* text) { fatalTexts.emplace_back(text); }

class MusicPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fatalTexts.clear();
    clearQuitRequest();
    previousReporter = setFatalReporter(&recordFatal);
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (driver) previousDriver = driver;
    directory = std::filesystem::path(ZOD_BINARY_DIR) / "test-music";
    std::filesystem::create_directories(directory);
  }
  void TearDown() override {
    setFatalReporter(previousReporter);
    clearQuitRequest();
    if (previousDriver.empty()) {
      unsetenv("SDL_AUDIODRIVER");
    } else {
      setenv("SDL_AUDIODRIVER", previousDriver.c_str(), 1);
    }
  }
  std::string writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (directory / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  SyncMailbox mailbox;
  FatalReporter previousReporter = nullptr;
  std::string previousDriver;
  std::filesystem::path directory;
};

TEST_F(MusicPlayerTest, WithoutSoundOutputLoadsAndPlaysWithoutReport) {
  const std::string path = writeFile("sync.xm", xm::writeXm(moduleWithZ()));
  MusicPlayer player(mailbox, MusicOptions{});
  player.load(path.c_str());
  player.play();
  EXPECT_TRUE(fatalTexts.empty());
  EXPECT_FALSE(quitRequested());
}

TEST_F(MusicPlayerTest, ModuleThatCannotBeLoadedReportsKeineDaten) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {(directory / "missing.xm").string(), "cannot be read"},
      {writeFile("junk.xm", std::vector<std::uint8_t>(3000, 0x55)), UNPLAYABLE_MUSIC},
      {writeFile("empty.xm", {}), UNPLAYABLE_MUSIC}};
  for (const auto& [path, problem] : cases) {
    fatalTexts.clear();
    clearQuitRequest();
    MusicPlayer player(mailbox, MusicOptions{});
    player.load(path.c_str());
    player.play();
    // The show's words, then the file and what is wrong with it.
    ASSERT_EQ(fatalTexts.size(), 1u) << path;
    EXPECT_EQ(fatalTexts[0].rfind("ehmzz.. keine Daten\n" + path + " " + problem, 0), 0u) << fatalTexts[0];
    EXPECT_TRUE(quitRequested());
  }
  // A module cut short is refused too, with the file and what it lacks on the line after.
  std::vector<std::uint8_t> cut = xm::writeXm(moduleWithZ());
  cut.resize(cut.size() - 100);
  const std::string path = writeFile("cut.xm", cut);
  fatalTexts.clear();
  clearQuitRequest();
  MusicPlayer player(mailbox, MusicOptions{});
  player.load(path.c_str());
  EXPECT_EQ(fatalTexts, std::vector<std::string>{"ehmzz.. keine Daten\n" + path +
                                                 " ist zu kurz: den Samples des 1. von 1 Instrumenten fehlen 100 Bytes"});
  EXPECT_TRUE(quitRequested());
}

TEST_F(MusicPlayerTest, NoAudioDeviceReportsKeinTon) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  MusicPlayer player(mailbox, MusicOptions{.openOutput = &SdlAudioOutput::open});
  ASSERT_EQ(fatalTexts.size(), 1u);
  // The show's words, then SDL's reason and the way out.
  EXPECT_EQ(fatalTexts[0].rfind("Achtung: kein Ton\n", 0), 0u) << fatalTexts[0];
  EXPECT_NE(fatalTexts[0].find("no-such-driver"), std::string::npos) << fatalTexts[0];
  EXPECT_NE(fatalTexts[0].find("--mute"), std::string::npos) << fatalTexts[0];
  EXPECT_TRUE(quitRequested());
  // Start-up goes on: loading and playing without a device is no further failure.
  const std::string path = writeFile("sync.xm", xm::writeXm(moduleWithZ()));
  player.load(path.c_str());
  player.play();
  EXPECT_EQ(fatalTexts.size(), 1u);
}

TEST_F(MusicPlayerTest, DummyAudioDeviceOpensAndPlaysWithoutReport) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::string path = writeFile("sync.xm", xm::writeXm(moduleWithZ()));
  MusicPlayer player(mailbox, MusicOptions{.openOutput = &SdlAudioOutput::open});
  player.load(path.c_str());
  player.play();
  EXPECT_TRUE(fatalTexts.empty());
  EXPECT_FALSE(quitRequested());
}

// Plays the module on a device until ten rows are handed over; each delivered code with the frames
// handed when it came.
struct DeviceRun final : SyncReceiver {
  std::mutex lock;
  std::vector<std::pair<std::uint8_t, std::uint64_t>> cues;
  MusicStream* stream = nullptr;
  std::atomic<std::uint64_t> handed{0};
  void post(std::uint8_t code) override { cues.emplace_back(code, 0); }
  static void fill(void* self, float* samples, std::size_t frames) {
    auto* run = static_cast<DeviceRun*>(self);
    std::lock_guard<std::mutex> guard(run->lock);
    const std::size_t before = run->cues.size();
    run->stream->fill(samples, frames);
    for (std::size_t i = before; i < run->cues.size(); ++i) run->cues[i].second = run->stream->handedFrames();
    run->handed = run->stream->handedFrames();
  }
};

std::vector<std::pair<std::uint8_t, std::uint64_t>> cuesOn(AudioOutput& device, const xm::XmModule& song) {
  ModuleRenderer renderer;
  CueTable table;
  EXPECT_TRUE(renderer.open(xm::writeXm(song)) && table.compute(xm::writeXm(song)));
  DeviceRun run;
  MusicStream stream(renderer, table, device.bufferFrames(), 0, run);
  run.stream = &stream;
  device.start(&DeviceRun::fill, &run);
  // Generous: ten rows play in 1.2 s.
  for (int i = 0; i < 3000 && run.handed < 10 * ROW; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  device.setPaused(true);
  std::lock_guard<std::mutex> guard(run.lock);
  EXPECT_GE(run.handed, 10 * ROW);
  auto cues = run.cues;
  // Both devices run a little past the ten rows, by as much as the machine lets them.
  cues.erase(std::remove_if(cues.begin(), cues.end(), [](const auto& c) { return c.second > 10 * ROW; }), cues.end());
  return cues;
}

// --mute: the silent device pulls the same buffers as SDL's dummy device, so the cues arrive at the
// same music frames.
TEST_F(MusicPlayerTest, SilentDeviceDeliversTheCuesOfTheDummyDevice) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::string problem;
  std::unique_ptr<AudioOutput> dummy = SdlAudioOutput::open(static_cast<int>(SAMPLE_RATE), problem);
  ASSERT_TRUE(dummy) << problem;
  std::unique_ptr<AudioOutput> silent = SilentAudioOutput::open(static_cast<int>(SAMPLE_RATE), problem);
  ASSERT_EQ(silent->bufferFrames(), dummy->bufferFrames());
  const auto withSound = cuesOn(*dummy, moduleWithZ());
  const auto muted = cuesOn(*silent, moduleWithZ());
  EXPECT_GE(withSound.size(), 2u);
  EXPECT_EQ(muted, withSound);
}

// Paused, the silent device hands over nothing, so the music and its cues wait.
TEST_F(MusicPlayerTest, PausedSilentDevicePullsNothing) {
  SilentAudioOutput device(static_cast<int>(SAMPLE_RATE));
  std::atomic<int> fills{0};
  device.setPaused(true);
  device.start([](void* count, float*, std::size_t) { ++*static_cast<std::atomic<int>*>(count); }, &fills);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(fills, 0);
  device.setPaused(false);
  for (int i = 0; i < 3000 && fills == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GT(fills, 0);
}

}  // namespace
