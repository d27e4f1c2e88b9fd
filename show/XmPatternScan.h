#pragma once
// Finds the Zxx commands in an XM module's pattern data and makes a copy of the module with them
// cleared; asked to, it keeps every cell too (for the page's tracker view).
//
// Module players read an XM's Zxx as a MIDI macro (a filter cutoff below 0x80) and would change
// the sound, while for the show a Zxx is only a sync mark. So the player gets the cleared copy,
// and the sync events come from this table, looked up by the position the player reports.
//
// Works on plain memory and is safe on any input: every read is bounds-checked. A file that is
// not an XM (or has an impossible header) is refused, and so is one whose patterns, instruments
// or samples run past its end: a player would go silent where the cut is.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One Zxx cell of the module: where it stands and its parameter byte.
struct ZxxCell {
  std::uint16_t pattern = 0;
  std::uint16_t row = 0;
  std::uint16_t channel = 0;
  std::uint8_t code = 0;

  bool operator==(const ZxxCell&) const = default;
};

// One cell of the pattern data, its fields as the file stores them; 0 is an empty field (and an
// effect 0 with parameter 0 no effect).
struct XmCell {
  std::uint8_t note = 0;  // 1..96 from C-0, 97 key off
  std::uint8_t instrument = 0;
  std::uint8_t volume = 0;  // the volume column byte
  std::uint8_t effect = 0;  // 0..35: the digits, then A..Z
  std::uint8_t param = 0;

  bool operator==(const XmCell&) const = default;
};

class XmPatternScan {
 public:
  static constexpr std::uint8_t EFFECT_Z = 35;

  // The Zxx cells are always kept; every cell only when asked, since the player needs none.
  enum class Keep { ZxxCells, EveryCell };

  // Scans a module image. ok() tells whether it was an XM the scanner could read.
  static XmPatternScan scan(std::span<const std::uint8_t> module, Keep keep = Keep::ZxxCells);

  bool ok() const { return valid; }
  // For a module cut short, the first part the file ends inside and the bytes it lacks (German,
  // for the show's report); empty otherwise.
  const std::string& missing() const { return missingPart; }
  // The module with every Zxx cell's effect type and parameter set to 0; same size as the input.
  const std::vector<std::uint8_t>& clearedModule() const { return cleared; }
  // Every Zxx cell, ordered by pattern, row and channel.
  const std::vector<ZxxCell>& cells() const { return zxx; }
  // The Zxx cells of one row in channel order (empty when it has none or does not exist).
  // Allocation-free, so the audio thread may call it.
  std::span<const ZxxCell> cellsAt(int pattern, int row) const;

  int channelCount() const { return channels; }
  int patternCount() const { return patterns; }
  // The rows of a pattern as players read them (0 for a pattern the file does not have).
  int rowCount(int pattern) const;
  // With Keep::EveryCell, one row's cells in channel order (channelCount() of them; a row whose
  // data the pattern leaves out is empty cells); otherwise, or for a row that does not exist, none.
  std::span<const XmCell> rowCells(int pattern, int row) const;
  // The song's order list (pattern numbers), as long as the header's song length.
  const std::vector<std::uint8_t>& orders() const { return orderList; }
  int initialSpeed() const { return speed; }
  int initialTempo() const { return tempo; }

 private:
  static XmPatternScan refused(std::string lacking);

  bool valid = false;
  std::string missingPart;
  int channels = 0;
  int patterns = 0;
  int speed = 0;
  int tempo = 0;
  std::vector<std::uint8_t> orderList;
  std::vector<ZxxCell> zxx;
  std::vector<std::uint8_t> cleared;
  std::vector<int> patternRows;
  // With Keep::EveryCell: the cells of the rows with data, row by row; where each pattern's first
  // cell is (and one past the last pattern); a row of empty cells for the rows without data.
  std::vector<XmCell> grid;
  std::vector<std::size_t> patternFirstCell;
  std::vector<XmCell> emptyRow;
};
