// The Zxx scanner, on pattern data packed byte by byte by hand and on modules from the XM writer.
#include "show/XmPatternScan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tests/SyncTestModules.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, int v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// An XM 1.04 header for `channels` channels and `patterns` patterns, no instruments.
Bytes header(int channels, int patterns, Bytes orders) {
  Bytes b(60 + 276, 0);
  const char signature[] = "Extended Module: hand made";
  for (std::size_t i = 0; i + 1 < sizeof(signature); ++i) b[i] = static_cast<std::uint8_t>(signature[i]);
  b[37] = 0x1A;
  put16(b, 58, 0x0104);
  put16(b, 60, 276);
  put16(b, 64, static_cast<int>(orders.size()));
  put16(b, 68, channels);
  put16(b, 70, patterns);
  put16(b, 76, 6);
  put16(b, 78, 125);
  for (std::size_t i = 0; i < orders.size(); ++i) b[80 + i] = orders[i];
  return b;
}

// Appends a pattern header and its packed data.
void appendPattern(Bytes& b, int rows, const Bytes& data) {
  const std::size_t at = b.size();
  b.resize(at + 9);
  b[at] = 9;
  put16(b, at + 5, rows);
  put16(b, at + 7, static_cast<int>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
}

// Two channels, four rows; every way a cell can be packed, with the offsets of the Z bytes.
struct HandMade {
  Bytes module;
  std::vector<std::size_t> zBytes;  // offsets of the effect and parameter bytes of Z cells
};

HandMade handMade() {
  HandMade m;
  m.module = header(2, 2, {0, 1});
  const Bytes pattern0 = {
      // row 0: packed note + Z05 | empty
      0x80 | 0x01 | 0x08 | 0x10, 49, 35, 0x05, 0x80,
      // row 1: unpacked cell with Z21 | packed Z with its parameter byte left out (Z00)
      49, 1, 0x40, 35, 0x21, 0x80 | 0x08, 35,
      // row 2: speed F06 | a parameter of 35 without an effect byte (not a Z)
      0x80 | 0x08 | 0x10, 0x0F, 6, 0x80 | 0x10, 35,
      // row 3: instrument and volume only | empty
      0x80 | 0x02 | 0x04, 1, 0x30, 0x80};
  appendPattern(m.module, 4, pattern0);
  const std::size_t p0 = 60 + 276 + 9;
  m.zBytes = {p0 + 2, p0 + 3, p0 + 8, p0 + 9, p0 + 11};
  // Pattern 1: row 1, channel 1 holds ZFF; the other cells are empty.
  appendPattern(m.module, 2, {0x80, 0x80, 0x80, 0x80 | 0x08 | 0x10, 35, 0xFF});
  m.zBytes.push_back(m.module.size() - 2);
  m.zBytes.push_back(m.module.size() - 1);
  return m;
}

TEST(XmPatternScan, FindsZCellsInEveryPackingAndNothingElse) {
  const XmPatternScan scan = XmPatternScan::scan(handMade().module);
  ASSERT_TRUE(scan.ok());
  const std::vector<ZxxCell> expected = {{0, 0, 0, 0x05}, {0, 1, 0, 0x21}, {0, 1, 1, 0x00}, {1, 1, 1, 0xFF}};
  EXPECT_EQ(scan.cells(), expected);
  EXPECT_EQ(scan.channelCount(), 2);
  EXPECT_EQ(scan.patternCount(), 2);
  EXPECT_EQ(scan.orders(), (std::vector<std::uint8_t>{0, 1}));
}

TEST(XmPatternScan, LooksUpARowsCellsInChannelOrder) {
  const XmPatternScan scan = XmPatternScan::scan(handMade().module);
  const auto row1 = scan.cellsAt(0, 1);
  ASSERT_EQ(row1.size(), 2u);
  EXPECT_EQ(row1[0].channel, 0);
  EXPECT_EQ(row1[1].channel, 1);
  EXPECT_TRUE(scan.cellsAt(0, 2).empty());
  EXPECT_TRUE(scan.cellsAt(1, 0).empty());
  EXPECT_EQ(scan.cellsAt(1, 1).size(), 1u);
  EXPECT_TRUE(scan.cellsAt(7, 0).empty());
  EXPECT_TRUE(scan.cellsAt(-1, -1).empty());
}

TEST(XmPatternScan, ClearedCopyZeroesExactlyTheZBytes) {
  const HandMade m = handMade();
  const XmPatternScan scan = XmPatternScan::scan(m.module);
  const Bytes& cleared = scan.clearedModule();
  ASSERT_EQ(cleared.size(), m.module.size());
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < cleared.size(); ++i) {
    if (cleared[i] != m.module[i]) changed.push_back(i);
  }
  EXPECT_EQ(changed, m.zBytes);
  for (std::size_t at : m.zBytes) EXPECT_EQ(cleared[at], 0) << at;
  EXPECT_TRUE(XmPatternScan::scan(cleared).cells().empty());
}

TEST(XmPatternScan, FindsWhatTheWriterPuts) {
  xm::XmModule song = synctest::module(6, 32, 3, 6, 125);
  synctest::addNotes(song);
  synctest::putZ(song, 0, 0, 5, 1);
  synctest::putZ(song, 1, 31, 0, 0x7F);
  synctest::putZ(song, 2, 17, 3, 9);
  synctest::putZ(song, 2, 17, 4, 10);
  const XmPatternScan scan = XmPatternScan::scan(xm::writeXm(song));
  ASSERT_TRUE(scan.ok());
  const std::vector<ZxxCell> expected = {{0, 0, 5, 1}, {1, 31, 0, 0x7F}, {2, 17, 3, 9}, {2, 17, 4, 10}};
  EXPECT_EQ(scan.cells(), expected);
}

// Kept on request, every cell reads back as the writer was given it (full cells go unpacked, the
// others packed), and the Zxx list is exactly the grid's Z cells.
TEST(XmPatternScan, KeepsEveryCellAsTheWriterWroteIt) {
  xm::XmModule song = synctest::module(5, 24, 3, 6, 125);
  synctest::addNotes(song);
  song.patterns[0].at(3, 1) = {.note = xm::NOTE_OFF};
  song.patterns[0].at(5, 2) = {
      .note = xm::note(7, 11), .instrument = 1, .volume = xm::volume(64), .effect = 0x0A, .param = 0x0F};
  song.patterns[1].at(23, 4) = {.volume = 0x6F};
  song.patterns[1].at(9, 0) = {.effect = 0, .param = 0x37};  // arpeggio: an effect 0 with a parameter
  song.patterns[2].at(12, 3) = {.note = xm::note(2, 2), .effect = xm::EFFECT_Z, .param = 0};
  synctest::putZ(song, 1, 7, 4, 0x42);
  synctest::putZ(song, 2, 0, 0, 0xFF);
  const XmPatternScan scan = XmPatternScan::scan(xm::writeXm(song), XmPatternScan::Keep::EveryCell);
  ASSERT_TRUE(scan.ok());
  std::vector<ZxxCell> zInGrid;
  for (int p = 0; p < 3; ++p) {
    ASSERT_EQ(scan.rowCount(p), 24);
    for (int row = 0; row < 24; ++row) {
      const std::span<const XmCell> cells = scan.rowCells(p, row);
      ASSERT_EQ(cells.size(), 5u);
      for (int c = 0; c < 5; ++c) {
        const xm::Cell& w = song.patterns[p].at(row, c);
        EXPECT_EQ(cells[c], (XmCell{w.note, w.instrument, w.volume, w.effect, w.param})) << p << " " << row << " " << c;
        if (cells[c].effect == XmPatternScan::EFFECT_Z)
          zInGrid.push_back({static_cast<std::uint16_t>(p), static_cast<std::uint16_t>(row),
                             static_cast<std::uint16_t>(c), cells[c].param});
      }
    }
  }
  EXPECT_EQ(scan.cells(), zInGrid);
  EXPECT_EQ(scan.cells().size(), 3u);
  EXPECT_TRUE(scan.rowCells(3, 0).empty());
  EXPECT_TRUE(scan.rowCells(0, 24).empty());
  EXPECT_TRUE(XmPatternScan::scan(xm::writeXm(song)).rowCells(0, 0).empty());
}

// The hand-packed cells, a parameter without its effect among them, and rows the data leaves out.
TEST(XmPatternScan, KeepsHandPackedCellsAndEmptyRows) {
  Bytes module = handMade().module;
  appendPattern(module, 3, {0x80 | 0x01, 97, 0x80});
  put16(module, 70, 3);
  const XmPatternScan scan = XmPatternScan::scan(module, XmPatternScan::Keep::EveryCell);
  ASSERT_TRUE(scan.ok());
  const auto cellsOf = [&](int p, int row) {
    const auto cells = scan.rowCells(p, row);
    return std::vector<XmCell>(cells.begin(), cells.end());
  };
  EXPECT_EQ(cellsOf(0, 1), (std::vector<XmCell>{{49, 1, 0x40, 35, 0x21}, {0, 0, 0, 35, 0}}));
  EXPECT_EQ(cellsOf(0, 2), (std::vector<XmCell>{{0, 0, 0, 0x0F, 6}, {0, 0, 0, 0, 35}}));
  EXPECT_EQ(cellsOf(0, 3), (std::vector<XmCell>{{0, 1, 0x30, 0, 0}, {}}));
  EXPECT_EQ(cellsOf(2, 0), (std::vector<XmCell>{{97, 0, 0, 0, 0}, {}}));
  EXPECT_EQ(cellsOf(2, 2), (std::vector<XmCell>{{}, {}}));
  EXPECT_EQ(scan.rowCount(2), 3);
}

TEST(XmPatternScan, RefusesWhatIsNotAnXmItReads) {
  Bytes module = handMade().module;
  EXPECT_FALSE(XmPatternScan::scan({}).ok());
  EXPECT_FALSE(XmPatternScan::scan(Bytes(module.begin(), module.begin() + 79)).ok());
  Bytes otherVersion = module;
  put16(otherVersion, 58, 0x0103);
  EXPECT_FALSE(XmPatternScan::scan(otherVersion).ok());
  Bytes noChannels = module;
  put16(noChannels, 68, 0);
  EXPECT_FALSE(XmPatternScan::scan(noChannels).ok());
  Bytes notXm = module;
  notXm[0] = 'x';
  EXPECT_FALSE(XmPatternScan::scan(notXm).ok());
  EXPECT_TRUE(XmPatternScan::scan(module).ok());
}

// A module cut short is refused, naming the first part the cut falls in: a player would go silent
// there. Every cut of a written module, from its patterns through its sample data, is caught.
TEST(XmPatternScan, RefusesAModuleCutShortAndNamesWhatIsMissing) {
  const Bytes module = handMade().module;
  const std::size_t p0 = 60 + 276 + 9, p0End = p0 + 21;
  EXPECT_EQ(XmPatternScan::scan(Bytes(module.begin(), module.begin() + p0 + 11)).missing(),
            "dem 1. von 2 Pattern fehlen 10 Bytes");
  EXPECT_EQ(XmPatternScan::scan(Bytes(module.begin(), module.begin() + p0End + 4)).missing(),
            "dem 2. von 2 Pattern fehlen 5 Bytes");
  EXPECT_TRUE(XmPatternScan::scan(module).missing().empty());

  xm::XmModule song = synctest::module(2, 4, 2, 6, 125);
  synctest::addNotes(song);
  const Bytes written = xm::writeXm(song);
  ASSERT_TRUE(XmPatternScan::scan(written).ok());
  std::vector<std::string> kinds;
  for (std::size_t length = 60 + 276; length < written.size(); ++length) {
    const XmPatternScan scan = XmPatternScan::scan(Bytes(written.begin(), written.begin() + length));
    ASSERT_FALSE(scan.ok()) << length;
    std::string kind = scan.missing();
    std::erase_if(kind, [](char c) { return c >= '0' && c <= '9'; });
    if (kinds.empty() || kinds.back() != kind) kinds.push_back(kind);
  }
  const std::vector<std::string> expected = {
      "dem . von  Pattern fehlen  Bytes", "dem . von  Instrumenten fehlen  Bytes",
      "den Sample-Koepfen des . von  Instrumenten fehlen  Bytes", "den Samples des . von  Instrumenten fehlen  Bytes"};
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(XmPatternScan::scan(Bytes(written.begin(), written.end() - 1)).missing(),
            "den Samples des 1. von 1 Instrumenten fehlen 1 Bytes");
}

// Found by fuzzing: with a pattern header length of 0 the data overlapped the header, and clearing
// a Z there moved the next pattern, so the cleared copy still held Z cells.
TEST(XmPatternScan, RefusesAPatternHeaderShorterThanItsFields) {
  Bytes module = handMade().module;
  for (std::uint8_t length : {0, 8}) {
    module[60 + 276] = length;
    EXPECT_FALSE(XmPatternScan::scan(module).ok()) << int(length);
  }
}

// Every prefix and every single-byte change of a module scans without reading out of bounds (the
// sanitizer build checks the reads), the cleared copy always has the input's size, and keeping
// every cell finds the same Zxx.
TEST(XmPatternScan, AnyPrefixOrByteChangeIsSafe) {
  const Bytes module = handMade().module;
  for (std::size_t length = 0; length <= module.size(); ++length) {
    const Bytes prefix(module.begin(), module.begin() + length);
    const XmPatternScan scan = XmPatternScan::scan(prefix);
    if (scan.ok()) {
      EXPECT_EQ(scan.clearedModule().size(), length);
    }
  }
  for (std::size_t at = 0; at < module.size(); ++at) {
    for (int value : {0x00, 0x09, 0x35, 0x80, 0xFF}) {
      Bytes changed = module;
      changed[at] = static_cast<std::uint8_t>(value);
      const XmPatternScan scan = XmPatternScan::scan(changed);
      if (scan.ok()) {
        EXPECT_EQ(scan.clearedModule().size(), changed.size());
        EXPECT_EQ(XmPatternScan::scan(changed, XmPatternScan::Keep::EveryCell).cells(), scan.cells());
      }
      for (const ZxxCell& cell : scan.cells()) EXPECT_LT(cell.channel, scan.channelCount());
    }
  }
}

}  // namespace
