// The cue table learnt without mixing against the stamps of a full render, row for row: the built
// module and written ones with the effects that move rows (breaks, jumps, loops, delays, tempo).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "show/CueTable.h"
#include "show/ModuleRenderer.h"
#include "show/MusicPlayer.h"
#include "tests/SyncTestModules.h"

// Found by the cue's own (global) namespace, so failures print the cue.
std::ostream& operator<<(std::ostream& out, const CueTable::Cue& c);
std::ostream& operator<<(std::ostream& out, const CueTable::Cue& c) {
  return out << "{" << c.sample << ", " << int(c.code) << "}";
}

namespace {

struct Recorder : ModuleRenderer::EventSink {
  std::vector<CueTable::Cue> cues;
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override { cues.push_back({sample, code}); }
};

// Cues and length of a full, audible render in reads of one 60 Hz frame, as a capture makes it.
void expectTableMatchesRender(const std::vector<std::uint8_t>& module) {
  ModuleRenderer renderer;
  ASSERT_TRUE(renderer.open(module));
  Recorder recorder;
  std::vector<float> buffer(2 * 735);
  while (renderer.render(buffer.data(), 735, recorder) == 735) {
  }
  CueTable table;
  ASSERT_TRUE(table.compute(module));
  ASSERT_FALSE(recorder.cues.empty());
  EXPECT_EQ(table.songFrames(), renderer.renderedFrames());
  ASSERT_EQ(table.cues().size(), recorder.cues.size());
  for (std::size_t i = 0; i < recorder.cues.size(); ++i) ASSERT_EQ(table.cues()[i], recorder.cues[i]) << "cue " << i;
}

}  // namespace

TEST(CueTable, EqualsTheFullRenderOfTheBuiltModule) {
  std::ifstream in(std::string(ZOD_ASSET_DIR) + "/" + MUSIC_FILE, std::ios::binary);
  const std::vector<std::uint8_t> module((std::istreambuf_iterator<char>(in)), {});
  expectTableMatchesRender(module);
}

TEST(CueTable, EqualsTheFullRenderWhereRowsMove) {
  xm::XmModule song = synctest::module(4, 32, 4, 5, 130);
  synctest::addNotes(song);
  song.orders = {0, 1, 2, 1, 3};
  song.patterns[0].at(3, 0) = {.effect = 0x0F, .param = 97};     // tempo
  song.patterns[0].at(6, 0) = {.effect = 0x0F, .param = 0x02};   // speed
  song.patterns[0].at(9, 0) = {.effect = 0x0E, .param = 0x60};   // loop start
  song.patterns[0].at(11, 0) = {.effect = 0x0E, .param = 0x62};  // loop twice more
  song.patterns[0].at(14, 0) = {.effect = 0x0E, .param = 0xE3};  // pattern delay
  song.patterns[0].at(20, 0) = {.effect = 0x0F, .param = 255};
  song.patterns[0].at(24, 2) = {.effect = 0x0D, .param = 0x05};  // break to row 5
  song.patterns[1].at(12, 1) = {.effect = 0x0F, .param = 33};
  song.patterns[1].at(17, 1) = {.effect = 0x0E, .param = 0x93};  // retrigger
  song.patterns[2].at(8, 0) = {.effect = 0x0B, .param = 4};      // jump ahead
  song.patterns[3].at(2, 3) = {.effect = 0x0F, .param = 0x01};
  song.patterns[3].at(30, 3) = {.effect = 0x0E, .param = 0xE1};
  for (int p = 0; p < 4; ++p) {
    for (int row = 0; row < 32; ++row) synctest::putZ(song, p, row, 3 - row % 2, static_cast<std::uint8_t>(p * 32 + row));
  }
  expectTableMatchesRender(xm::writeXm(song));
}

TEST(CueTable, FindsTheFirstCueAtOrAfterASample) {
  xm::XmModule song = synctest::module(2, 8, 1, 6, 125);
  synctest::putZ(song, 0, 2, 0, 5);
  synctest::putZ(song, 0, 5, 0, 6);
  CueTable table;
  ASSERT_TRUE(table.compute(xm::writeXm(song)));
  const std::uint64_t row = synctest::rowFrames(6, 125);
  ASSERT_EQ(table.cues().size(), 2u);
  EXPECT_EQ(table.firstAtOrAfter(0), 0u);
  EXPECT_EQ(table.firstAtOrAfter(2 * row), 0u);
  EXPECT_EQ(table.firstAtOrAfter(2 * row + 1), 1u);
  EXPECT_EQ(table.firstAtOrAfter(5 * row + 1), 2u);
  EXPECT_EQ(table.songFrames(), 8 * row);
  EXPECT_FALSE(table.compute(std::vector<std::uint8_t>{1, 2, 3}));
}
