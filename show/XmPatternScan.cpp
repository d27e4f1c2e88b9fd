#include "show/XmPatternScan.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <utility>

namespace {

constexpr char SIGNATURE[] = "Extended Module: ";
constexpr std::size_t SIGNATURE_LENGTH = sizeof(SIGNATURE) - 1;
constexpr std::size_t HEADER_FIELDS_END = 80;  // the fixed header fields before the order table
constexpr std::size_t ORDER_TABLE_SIZE = 256;
constexpr std::size_t PATTERN_HEADER_FIELDS = 9;
// An instrument's header up to its sample count; one with samples goes on with their header size.
constexpr std::size_t INSTRUMENT_HEADER_FIELDS = 29;
constexpr std::size_t INSTRUMENT_SAMPLE_HEADER_SIZE_END = 33;
// Every player reads a sample header as the format's 40 bytes, whatever the instrument says.
constexpr std::size_t SAMPLE_HEADER_SIZE = 40;
constexpr int MAX_CHANNELS = 256;
constexpr int MAX_ROWS = 256;
// A row count of 0 (or one beyond the format) is read as the default pattern length, as players do.
constexpr int DEFAULT_ROWS = 64;

// A cell whose first byte has PACKED set holds the fields that byte's bit f marks, field f counted
// in the file's order (note, instrument, volume, effect, parameter); any other cell holds all five.
constexpr std::uint8_t PACKED = 0x80;
constexpr int FIELDS = 5;
constexpr int EFFECT_FIELD = 3;
constexpr int PARAM_FIELD = 4;
constexpr std::uint8_t EVERY_FIELD = 0x1F;

// Little-endian reads that never go past the end: callers check the size first.
std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// "dem 3. von 16 Instrumenten fehlen 40 Bytes": the first part the file ends inside, counted from 1.
std::string cutOff(const char* part, int index, int count, const char* noun, std::uint64_t needed, std::uint64_t size) {
  return std::string(part) + std::to_string(index + 1) + ". von " + std::to_string(count) + " " + noun + " fehlen " +
         std::to_string(needed - size) + " Bytes";
}

// The instruments and their samples from `at` on; what the file lacks of them, or "" when whole.
std::string missingFromInstruments(std::span<const std::uint8_t> module, std::uint64_t at, int count) {
  constexpr const char* INSTRUMENTS = "Instrumenten";
  const std::uint64_t size = module.size();
  for (int instrument = 0; instrument < count; ++instrument) {
    if (at + INSTRUMENT_HEADER_FIELDS > size)
      return cutOff("dem ", instrument, count, INSTRUMENTS, at + INSTRUMENT_HEADER_FIELDS, size);
    const std::uint64_t headerEnd =
        at + std::max<std::uint64_t>(read32(module, static_cast<std::size_t>(at)), INSTRUMENT_HEADER_FIELDS);
    const int samples = read16(module, static_cast<std::size_t>(at + 27));
    if (headerEnd > size) return cutOff("dem ", instrument, count, INSTRUMENTS, headerEnd, size);
    if (samples == 0 || headerEnd < at + INSTRUMENT_SAMPLE_HEADER_SIZE_END) {
      at = headerEnd;
      continue;
    }
    const std::uint64_t sampleHeaders = headerEnd;
    const std::uint64_t dataStart = sampleHeaders + static_cast<std::uint64_t>(samples) * SAMPLE_HEADER_SIZE;
    if (dataStart > size) return cutOff("den Sample-Koepfen des ", instrument, count, INSTRUMENTS, dataStart, size);
    std::uint64_t dataLength = 0;
    for (int sample = 0; sample < samples; ++sample)
      dataLength += read32(module, static_cast<std::size_t>(sampleHeaders + sample * SAMPLE_HEADER_SIZE));
    at = dataStart + dataLength;
    if (at > size) return cutOff("den Samples des ", instrument, count, INSTRUMENTS, at, size);
  }
  return {};
}

bool hasSignature(std::span<const std::uint8_t> bytes) {
  // Some trackers write "Extended module: ", so the case is not checked.
  for (std::size_t i = 0; i < SIGNATURE_LENGTH; ++i) {
    if (std::tolower(bytes[i]) != std::tolower(static_cast<unsigned char>(SIGNATURE[i]))) return false;
  }
  return true;
}

}  // namespace

XmPatternScan XmPatternScan::scan(std::span<const std::uint8_t> module, Keep keep) {
  XmPatternScan result;
  if (module.size() < HEADER_FIELDS_END || !hasSignature(module)) return result;
  // Only the layout of format 1.04 (patterns right after the header) is read; the earlier
  // layouts of FastTracker's betas store instruments first.
  if (read16(module, 58) != 0x0104) return result;
  const std::uint64_t headerSize = read32(module, 60);
  const int songLength = read16(module, 64);
  const int channelCount = read16(module, 68);
  const int patternCount = read16(module, 70);
  if (channelCount < 1 || channelCount > MAX_CHANNELS || headerSize < HEADER_FIELDS_END - 60) return result;

  result.valid = true;
  result.channels = channelCount;
  result.patterns = patternCount;
  result.speed = read16(module, 76);
  result.tempo = read16(module, 78);
  result.cleared.assign(module.begin(), module.end());

  const std::size_t orderRoom = static_cast<std::size_t>(
      std::min<std::uint64_t>({headerSize - (HEADER_FIELDS_END - 60), ORDER_TABLE_SIZE, module.size() - HEADER_FIELDS_END}));
  const std::size_t orderCount = std::min<std::size_t>(static_cast<std::size_t>(songLength), orderRoom);
  result.orderList.assign(module.begin() + HEADER_FIELDS_END, module.begin() + HEADER_FIELDS_END + orderCount);

  const std::uint64_t size = module.size();
  std::uint64_t at = 60 + headerSize;
  for (int pattern = 0; pattern < patternCount; ++pattern) {
    if (at + PATTERN_HEADER_FIELDS > size)
      return refused(cutOff("dem ", pattern, patternCount, "Pattern", at + PATTERN_HEADER_FIELDS, size));
    const std::uint64_t patternHeaderSize = read32(module, static_cast<std::size_t>(at));
    // A header shorter than its own fields puts the pattern data over them: clearing a Z there
    // would move every later pattern, and where the player reads such data is anyone's guess.
    if (patternHeaderSize < PATTERN_HEADER_FIELDS) return XmPatternScan{};
    int rows = read16(module, static_cast<std::size_t>(at + 5));
    const std::uint64_t packedSize = read16(module, static_cast<std::size_t>(at + 7));
    if (rows == 0 || rows > MAX_ROWS) rows = DEFAULT_ROWS;
    const std::uint64_t dataStart = at + patternHeaderSize;
    at = dataStart + packedSize;
    if (at > size) return refused(cutOff("dem ", pattern, patternCount, "Pattern", at, size));
    const std::uint64_t dataEnd = at;
    result.patternRows.push_back(rows);
    result.patternFirstCell.push_back(result.grid.size());
    std::uint64_t p = dataStart;

    for (int row = 0; row < rows && p < dataEnd; ++row) {
      // Only rows with data take room, so a file claiming many empty patterns costs nothing.
      const std::size_t rowFirstCell = result.grid.size();
      if (keep == Keep::EveryCell) result.grid.resize(rowFirstCell + static_cast<std::size_t>(channelCount));
      for (int channel = 0; channel < channelCount && p < dataEnd; ++channel) {
        std::uint8_t field[FIELDS] = {};
        std::uint64_t fieldAt[FIELDS] = {};
        const std::uint8_t first = module[static_cast<std::size_t>(p++)];
        // An unpacked cell: the byte read was the note; the four other fields follow.
        const bool packed = first & PACKED;
        const std::uint8_t present = packed ? first : EVERY_FIELD;
        if (!packed) field[0] = first;
        bool cut = false;
        for (int f = packed ? 0 : 1; f < FIELDS && !cut; ++f) {
          if (!(present & (1 << f))) continue;
          cut = p >= dataEnd;  // a cell cut off by the end of the pattern data
          fieldAt[f] = p;
          if (!cut) field[f] = module[static_cast<std::size_t>(p++)];
        }
        if (cut) break;
        const XmCell cell{field[0], field[1], field[2], field[3], field[4]};
        if (keep == Keep::EveryCell) result.grid[rowFirstCell + static_cast<std::size_t>(channel)] = cell;
        // A Z without its parameter byte is Z00.
        if (cell.effect != EFFECT_Z) continue;
        result.zxx.push_back({static_cast<std::uint16_t>(pattern), static_cast<std::uint16_t>(row),
                              static_cast<std::uint16_t>(channel), cell.param});
        result.cleared[static_cast<std::size_t>(fieldAt[EFFECT_FIELD])] = 0;
        if (present & (1 << PARAM_FIELD)) result.cleared[static_cast<std::size_t>(fieldAt[PARAM_FIELD])] = 0;
      }
    }
  }
  result.patternFirstCell.push_back(result.grid.size());
  if (keep == Keep::EveryCell) result.emptyRow.resize(static_cast<std::size_t>(channelCount));
  std::string lacking = missingFromInstruments(module, at, read16(module, 72));
  if (!lacking.empty()) return refused(std::move(lacking));
  return result;
}

XmPatternScan XmPatternScan::refused(std::string lacking) {
  XmPatternScan result;
  result.missingPart = std::move(lacking);
  return result;
}

std::span<const ZxxCell> XmPatternScan::cellsAt(int pattern, int row) const {
  const auto before = [](const ZxxCell& cell, std::pair<int, int> key) {
    return std::pair<int, int>(cell.pattern, cell.row) < key;
  };
  const auto after = [](std::pair<int, int> key, const ZxxCell& cell) {
    return key < std::pair<int, int>(cell.pattern, cell.row);
  };
  const std::pair<int, int> key(pattern, row);
  const auto first = std::lower_bound(zxx.begin(), zxx.end(), key, before);
  const auto last = std::upper_bound(first, zxx.end(), key, after);
  return {first, last};
}

int XmPatternScan::rowCount(int pattern) const {
  return pattern >= 0 && pattern < static_cast<int>(patternRows.size()) ? patternRows[static_cast<std::size_t>(pattern)]
                                                                        : 0;
}

std::span<const XmCell> XmPatternScan::rowCells(int pattern, int row) const {
  if (emptyRow.empty() || row < 0 || row >= rowCount(pattern)) return {};
  const std::size_t channelCells = emptyRow.size();
  const std::size_t at =
      patternFirstCell[static_cast<std::size_t>(pattern)] + static_cast<std::size_t>(row) * channelCells;
  if (at >= patternFirstCell[static_cast<std::size_t>(pattern) + 1]) return emptyRow;
  return {grid.data() + at, channelCells};
}
