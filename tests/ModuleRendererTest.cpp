// The module renderer on modules written with Zxx on known rows: events stamped with the sample
// their row starts at, in the order libopenmpt plays the rows (breaks, jumps, loops).
#include "show/ModuleRenderer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <vector>

#include "tests/AllocationCounter.h"
#include "tests/SyncTestModules.h"

namespace {

struct Event {
  std::uint64_t sample;
  std::uint8_t code;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << "{" << e.sample << ", " << int(e.code) << "}";
}

struct Recorder : ModuleRenderer::EventSink {
  std::vector<Event> events;
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override { events.push_back({sample, code}); }
};

struct Rendered {
  std::vector<Event> events;
  std::vector<float> samples;
};

// Renders the whole song at `rate`, asking for `request` frames at a time.
Rendered renderAll(const xm::XmModule& song, std::size_t request = 1000, int rate = static_cast<int>(SAMPLE_RATE)) {
  ModuleRenderer renderer(rate);
  EXPECT_TRUE(renderer.open(xm::writeXm(song)));
  Recorder recorder;
  Rendered out;
  std::vector<float> buffer(2 * request);
  for (;;) {
    const std::size_t got = renderer.render(buffer.data(), request, recorder);
    out.samples.insert(out.samples.end(), buffer.begin(), buffer.begin() + 2 * static_cast<std::ptrdiff_t>(got));
    if (got < request) break;
  }
  EXPECT_TRUE(renderer.finished());
  out.events = recorder.events;
  return out;
}

constexpr int SPEED = 6;
constexpr int BPM = 125;
const std::uint64_t ROW = synctest::rowFrames(SPEED, BPM);

TEST(ModuleRenderer, EventsAreStampedWithTheSampleTheirRowStarts) {
  for (const auto& [speed, bpm] : {std::pair{6, 125}, std::pair{3, 150}, std::pair{1, 125}}) {
    xm::XmModule song = synctest::module(4, 16, 1, speed, bpm);
    synctest::addNotes(song);
    synctest::putZ(song, 0, 0, 0, 2);
    synctest::putZ(song, 0, 3, 1, 3);
    synctest::putZ(song, 0, 10, 3, 4);
    const std::uint64_t row = synctest::rowFrames(speed, bpm);
    const std::vector<Event> expected = {{0, 2}, {3 * row, 3}, {10 * row, 4}};
    // However the frames are asked for, the stamps are the same.
    for (std::size_t request : {1000u, 37u, 4096u}) {
      EXPECT_EQ(renderAll(song, request).events, expected) << speed << " " << bpm << " " << request;
    }
  }
}

// Reading libopenmpt one frame at a time shows where each row truly starts; the renderer's stamps
// must agree, also at tempos whose ticks are not whole samples and across speed and tempo changes,
// at the device's rate and at the web page's 48000 Hz.
TEST(ModuleRenderer, StampsMatchAFrameByFrameReading) {
  xm::XmModule song = synctest::module(2, 24, 1, 5, 130);
  synctest::addNotes(song);
  const std::pair<int, int> changes[] = {{4, 97}, {8, 0x02}, {12, 255}, {14, 0x01}, {18, 33}, {20, 0x07}};
  for (const auto& [row, value] : changes) song.patterns[0].at(row, 0) = {.effect = 0x0F, .param = std::uint8_t(value)};
  for (int row = 0; row < 24; ++row) synctest::putZ(song, 0, row, 1, static_cast<std::uint8_t>(row));

  for (const int rate : {static_cast<int>(SAMPLE_RATE), 48000}) {
    std::vector<Event> expected;
    ModuleRenderer reference;  // opened only for its cleared copy
    ASSERT_TRUE(reference.open(xm::writeXm(song)));
    const std::vector<std::uint8_t>& cleared = reference.patternScan().clearedModule();
    openmpt_module* mod = openmpt_module_create_from_memory2(cleared.data(), cleared.size(), nullptr, nullptr,
                                                            nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(mod, nullptr);
    openmpt_module_ctl_set_text(mod, "play.at_end", "stop");
    float frame[2];
    int lastRow = -1;
    for (std::uint64_t at = 0; openmpt_module_read_interleaved_float_stereo(mod, rate, 1, frame) == 1; ++at) {
      const int row = openmpt_module_get_current_row(mod);
      if (row != lastRow) expected.push_back({at, static_cast<std::uint8_t>(row)});
      lastRow = row;
    }
    openmpt_module_destroy(mod);
    ASSERT_EQ(expected.size(), 24u);
    EXPECT_EQ(renderAll(song, 700, rate).events, expected) << rate;
  }
}

TEST(ModuleRenderer, TwoZOnOneRowComeInChannelOrder) {
  xm::XmModule song = synctest::module(4, 8, 1, SPEED, BPM);
  synctest::putZ(song, 0, 2, 3, 7);
  synctest::putZ(song, 0, 2, 1, 5);
  const std::vector<Event> expected = {{2 * ROW, 5}, {2 * ROW, 7}};
  EXPECT_EQ(renderAll(song).events, expected);
}

TEST(ModuleRenderer, PatternBreakSkipsTheRestOfThePattern) {
  xm::XmModule song = synctest::module(2, 16, 2, SPEED, BPM);
  song.patterns[0].at(4, 0).effect = 0x0D;  // D02: on to row 2 of the next order
  song.patterns[0].at(4, 0).param = 0x02;
  synctest::putZ(song, 0, 6, 1, 6);  // never played
  synctest::putZ(song, 1, 1, 1, 11);  // skipped by the break's target row
  synctest::putZ(song, 1, 2, 1, 12);
  synctest::putZ(song, 1, 15, 0, 13);
  // Rows 0..4 of pattern 0, then rows 2..15 of pattern 1.
  const std::vector<Event> expected = {{5 * ROW, 12}, {18 * ROW, 13}};
  const Rendered r = renderAll(song);
  EXPECT_EQ(r.events, expected);
  EXPECT_EQ(r.samples.size() / 2, 19 * ROW);
}

TEST(ModuleRenderer, PositionJumpBackPlaysTheEarlierOrder) {
  xm::XmModule song = synctest::module(2, 8, 3, SPEED, BPM);
  song.patterns[0].at(1, 0) = {.effect = 0x0B, .param = 2};  // B02: ahead to order 2
  song.patterns[2].at(1, 0) = {.effect = 0x0B, .param = 1};  // B01: back to order 1
  synctest::putZ(song, 2, 0, 1, 20);
  synctest::putZ(song, 1, 1, 1, 21);
  synctest::putZ(song, 1, 7, 1, 22);
  // Order 0 rows 0-1, order 2 rows 0-1, order 1 rows 0-7; order 2 again would repeat: the end.
  const std::vector<Event> expected = {{2 * ROW, 20}, {5 * ROW, 21}, {11 * ROW, 22}};
  const Rendered r = renderAll(song);
  EXPECT_EQ(r.events, expected);
  EXPECT_EQ(r.samples.size() / 2, 12 * ROW);
}

TEST(ModuleRenderer, PatternLoopAndRepeatedOrdersReportTheirRowsEachTime) {
  xm::XmModule song = synctest::module(2, 8, 1, SPEED, BPM);
  song.patterns[0].at(1, 0) = {.effect = 0x0E, .param = 0x60};  // E60: loop start
  song.patterns[0].at(3, 0) = {.effect = 0x0E, .param = 0x62};  // E62: twice more
  synctest::putZ(song, 0, 2, 1, 30);
  song.orders = {0, 0};
  // The first order plays rows 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4, ..., 7 (14 rows). As in
  // FastTracker II, the order after a finished loop starts at the loop's first row: 1, 2, 3, ...
  const std::vector<Event> expected = {{2 * ROW, 30},  {5 * ROW, 30},  {8 * ROW, 30},
                                       {15 * ROW, 30}, {18 * ROW, 30}, {21 * ROW, 30}};
  EXPECT_EQ(renderAll(song).events, expected);
}

TEST(ModuleRenderer, PatternDelayKeepsLaterStampsExact) {
  xm::XmModule song = synctest::module(2, 8, 1, SPEED, BPM);
  song.patterns[0].at(2, 0) = {.effect = 0x0E, .param = 0xE3};  // EE3: row 2 lasts four rows
  synctest::putZ(song, 0, 3, 1, 40);
  const std::vector<Event> expected = {{6 * ROW, 40}};
  EXPECT_EQ(renderAll(song).events, expected);
}

TEST(ModuleRenderer, SongEndsWithOneShortReadAndNoEventFromTheWrappedPosition) {
  xm::XmModule song = synctest::module(2, 4, 1, SPEED, BPM);
  synctest::addNotes(song);
  synctest::putZ(song, 0, 0, 0, 50);
  ModuleRenderer renderer;
  ASSERT_TRUE(renderer.open(xm::writeXm(song)));
  Recorder recorder;
  // 4 rows of 5292 frames: requests of 1000 end with a short one of 168 frames.
  std::vector<float> buffer(2000);
  std::vector<std::size_t> got;
  for (int i = 0; i < 30; ++i) got.push_back(renderer.render(buffer.data(), 1000, recorder));
  EXPECT_EQ(got[20], 1000u);
  EXPECT_EQ(got[21], 4 * ROW - 21000);
  EXPECT_EQ(got[22], 0u);
  EXPECT_EQ(got[29], 0u);
  EXPECT_TRUE(renderer.finished());
  EXPECT_EQ(renderer.renderedFrames(), 4 * ROW);
  EXPECT_EQ(recorder.events, (std::vector<Event>{{0, 50}}));
}

// Z below 0x80 is a filter cutoff to libopenmpt; the cleared copy must sound like the module
// written without any Z cell, sample for sample.
TEST(ModuleRenderer, ClearedCopySoundsLikeTheModuleWithoutZ) {
  xm::XmModule plain = synctest::module(4, 16, 1, SPEED, BPM);
  synctest::addNotes(plain);
  xm::XmModule withZ = plain;
  for (int row = 0; row < 16; row += 2) synctest::putZ(withZ, 0, row, row % 4, static_cast<std::uint8_t>(row * 3));
  const Rendered expected = renderAll(plain);
  const Rendered cleared = renderAll(withZ);
  ASSERT_EQ(cleared.events.size(), 8u);
  EXPECT_EQ(cleared.samples, expected.samples);

  // The same module handed to libopenmpt as it is sounds different: the clearing matters.
  const std::vector<std::uint8_t> bytes = xm::writeXm(withZ);
  openmpt_module* raw = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                          nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  std::vector<float> rawSamples(expected.samples.size());
  openmpt_module_read_interleaved_float_stereo(raw, 44100, rawSamples.size() / 2, rawSamples.data());
  openmpt_module_destroy(raw);
  EXPECT_NE(rawSamples, expected.samples);
}

// Starting in the middle gives the same sound and the same stamped events as playing from the
// start, from the row the seek lands on.
TEST(ModuleRenderer, SeekLandsOnARowAndPlaysOnAsFromTheStart) {
  xm::XmModule song = synctest::module(4, 16, 2, SPEED, BPM);
  synctest::addNotes(song);
  song.patterns[0].at(5, 0) = {.effect = 0x0E, .param = 0x60};  // a loop, so time is not rows
  song.patterns[0].at(7, 0) = {.effect = 0x0E, .param = 0x61};
  for (int p = 0; p < 2; ++p) {
    for (int row = 1; row < 16; row += 3) synctest::putZ(song, p, row, row % 4, static_cast<std::uint8_t>(16 * p + row));
  }
  const Rendered whole = renderAll(song);

  ModuleRenderer renderer;
  ASSERT_TRUE(renderer.open(xm::writeXm(song)));
  const std::uint64_t asked = 9 * ROW + 1000;  // inside the second pass of the loop
  const std::uint64_t landed = renderer.seek(asked);
  EXPECT_EQ(landed, 10 * ROW);
  Recorder recorder;
  std::vector<float> samples(whole.samples.size());
  std::size_t got = 0;
  while (std::size_t n = renderer.render(samples.data() + 2 * got, 1000, recorder)) got += n;
  ASSERT_EQ(landed + got, whole.samples.size() / 2);
  std::vector<Event> expected;
  for (const Event& e : whole.events) {
    if (e.sample >= landed) expected.push_back(e);
  }
  EXPECT_EQ(recorder.events, expected);
  ASSERT_FALSE(expected.empty());
  // Notes already sounding at the landing point go on as they would have, once the mixer's short
  // volume ramp from silence is over.
  float largest = 0;
  for (std::size_t i = 2 * 64; i < 2 * got; ++i) {
    largest = std::max(largest, std::abs(samples[i] - whole.samples[2 * static_cast<std::size_t>(landed) + i]));
  }
  EXPECT_LT(largest, 1e-4f);
}

TEST(ModuleRenderer, RefusesWhatIsNotAnXm) {
  ModuleRenderer renderer;
  const std::vector<std::uint8_t> junk(4000, 0x41);
  EXPECT_FALSE(renderer.open(junk));
  EXPECT_FALSE(renderer.isOpen());
  Recorder recorder;
  float buffer[16];
  EXPECT_EQ(renderer.render(buffer, 8, recorder), 0u);
}

// libopenmpt allocates once, in the read that meets the song's end; every read before is clean.
TEST(ModuleRenderer, RenderingAllocatesNothingWhileTheSongPlays) {
  xm::XmModule song = synctest::module(8, 64, 1, SPEED, BPM);
  synctest::addNotes(song);
  for (int row = 0; row < 64; row += 3) synctest::putZ(song, 0, row, row % 8, 1);
  ModuleRenderer renderer;
  ASSERT_TRUE(renderer.open(xm::writeXm(song)));
  struct Counter : ModuleRenderer::EventSink {
    int count = 0;
    void onZxxEvent(std::uint64_t, std::uint8_t) override { ++count; }
  } counter;
  std::vector<float> buffer(2 * 512);
  std::size_t allocations = 0;
  for (;;) {
    AllocationCounter counting;
    if (renderer.render(buffer.data(), 512, counter) < 512) break;
    allocations += counting.count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(counter.count, 22);
}

}  // namespace
