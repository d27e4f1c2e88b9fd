// The rows as played against the cue table: every cue starts a row whose cells hold its Zxx, on the
// built module and on one whose rows move (breaks, jumps, loops, delays, tempo).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "show/CueTable.h"
#include "show/MusicPlayer.h"
#include "show/PlayedRows.h"
#include "show/XmPatternScan.h"
#include "tests/SyncTestModules.h"
#include "tools/music/Song.h"

namespace {

// `cueChannel` < 0: the Zxx may stand in any channel.
void expectEveryCueStartsItsRow(const std::vector<std::uint8_t>& module, int cueChannel) {
  PlayedRows played;
  ASSERT_TRUE(played.compute(module));
  CueTable table;
  ASSERT_TRUE(table.compute(module));
  const XmPatternScan scan = XmPatternScan::scan(module, XmPatternScan::Keep::EveryCell);
  const auto rows = played.rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().sample, 0u);
  EXPECT_EQ(played.songFrames(), table.songFrames());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(scan.orders().at(rows[i].order), rows[i].pattern) << "row " << i;
    if (i > 0) {
      ASSERT_LT(rows[i - 1].sample, rows[i].sample) << "row " << i;
    }
  }
  ASSERT_FALSE(table.cues().empty());
  for (const CueTable::Cue& cue : table.cues()) {
    const auto row = std::lower_bound(rows.begin(), rows.end(), cue.sample,
                                      [](const PlayedRows::Row& r, std::uint64_t s) { return r.sample < s; });
    ASSERT_TRUE(row != rows.end() && row->sample == cue.sample) << "no row starts at cue sample " << cue.sample;
    const auto cells = scan.rowCells(row->pattern, row->row);
    const bool held = std::any_of(cells.begin(), cells.end(), [&](const XmCell& cell) {
      return cell.effect == XmPatternScan::EFFECT_Z && cell.param == cue.code &&
             (cueChannel < 0 || &cell - cells.data() == cueChannel);
    });
    EXPECT_TRUE(held) << "cue " << int(cue.code) << " at " << cue.sample << ": pattern " << row->pattern << " row "
                      << row->row;
  }
}

}  // namespace

TEST(PlayedRows, EveryCueOfTheBuiltModuleStartsARowHoldingItInTheCueChannel) {
  std::ifstream in(std::string(ZOD_ASSET_DIR) + "/" + MUSIC_FILE, std::ios::binary);
  const std::vector<std::uint8_t> module((std::istreambuf_iterator<char>(in)), {});
  expectEveryCueStartsItsRow(module, music::CUE_CHANNEL);
}

TEST(PlayedRows, EveryCueStartsARowHoldingItWhereRowsMove) {
  xm::XmModule song = synctest::module(4, 32, 4, 5, 130);
  synctest::addNotes(song);
  song.orders = {0, 1, 2, 1, 3};
  song.patterns[0].at(3, 0) = {.effect = 0x0F, .param = 97};     // tempo
  song.patterns[0].at(9, 0) = {.effect = 0x0E, .param = 0x60};   // loop start
  song.patterns[0].at(11, 0) = {.effect = 0x0E, .param = 0x62};  // loop twice more
  song.patterns[0].at(14, 0) = {.effect = 0x0E, .param = 0xE3};  // pattern delay
  song.patterns[0].at(24, 2) = {.effect = 0x0D, .param = 0x05};  // break to row 5
  song.patterns[2].at(8, 0) = {.effect = 0x0B, .param = 4};      // jump ahead
  for (int p = 0; p < 4; ++p) {
    for (int row = 0; row < 32; row += 3)
      synctest::putZ(song, p, row, 3 - row % 2, static_cast<std::uint8_t>(p * 32 + row));
  }
  expectEveryCueStartsItsRow(xm::writeXm(song), -1);
}
