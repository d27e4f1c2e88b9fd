#include "show/XmPatternScan.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace {

constexpr char SIGNATURE[] = "Extended Module: ";
constexpr std::size_t SIGNATURE_LENGTH = sizeof(SIGNATURE) - 1;
constexpr std::size_t HEADER_FIELDS_END = 80;  // the fixed header fields before the order table
constexpr std::size_t ORDER_TABLE_SIZE = 256;
constexpr std::size_t PATTERN_HEADER_FIELDS = 9;
constexpr int MAX_CHANNELS = 256;
constexpr int MAX_ROWS = 256;
// A row count of 0 (or one beyond the format) is read as the default pattern length, as players do.
constexpr int DEFAULT_ROWS = 64;

constexpr std::uint8_t PACKED = 0x80;
constexpr std::uint8_t HAS_NOTE = 0x01;
constexpr std::uint8_t HAS_INSTRUMENT = 0x02;
constexpr std::uint8_t HAS_VOLUME = 0x04;
constexpr std::uint8_t HAS_EFFECT = 0x08;
constexpr std::uint8_t HAS_PARAM = 0x10;

// Little-endian reads that never go past the end: callers check the size first.
std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

bool hasSignature(std::span<const std::uint8_t> bytes) {
  // Some trackers write "Extended module: ", so the case is not checked.
  for (std::size_t i = 0; i < SIGNATURE_LENGTH; ++i) {
    if (std::tolower(bytes[i]) != std::tolower(static_cast<unsigned char>(SIGNATURE[i]))) return false;
  }
  return true;
}

}  // namespace

XmPatternScan XmPatternScan::scan(std::span<const std::uint8_t> module) {
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
    if (at + PATTERN_HEADER_FIELDS > size) break;
    const std::uint64_t patternHeaderSize = read32(module, static_cast<std::size_t>(at));
    // A header shorter than its own fields puts the pattern data over them: clearing a Z there
    // would move every later pattern, and where the player reads such data is anyone's guess.
    if (patternHeaderSize < PATTERN_HEADER_FIELDS) return XmPatternScan{};
    int rows = read16(module, static_cast<std::size_t>(at + 5));
    const std::uint64_t packedSize = read16(module, static_cast<std::size_t>(at + 7));
    if (rows == 0 || rows > MAX_ROWS) rows = DEFAULT_ROWS;
    const std::uint64_t dataStart = at + patternHeaderSize;
    at = dataStart + packedSize;
    // A pattern cut short by the end of the file keeps what is there.
    const std::uint64_t dataEnd = std::min(at, size);
    std::uint64_t p = dataStart;

    for (int row = 0; row < rows && p < dataEnd; ++row) {
      for (int channel = 0; channel < channelCount && p < dataEnd; ++channel) {
        const std::uint8_t first = module[static_cast<std::size_t>(p++)];
        std::uint8_t flags = first;
        if (!(first & PACKED)) {
          // An unpacked cell: the byte read was the note; the four other fields follow.
          flags = HAS_INSTRUMENT | HAS_VOLUME | HAS_EFFECT | HAS_PARAM;
        } else if (flags & HAS_NOTE) {
          ++p;
        }
        if (flags & HAS_INSTRUMENT) ++p;
        if (flags & HAS_VOLUME) ++p;
        const bool hasEffect = flags & HAS_EFFECT, hasParam = flags & HAS_PARAM;
        const std::size_t effectAt = static_cast<std::size_t>(p);
        const std::size_t paramAt = static_cast<std::size_t>(p + hasEffect);
        p += hasEffect + hasParam;
        if (p > dataEnd) break;  // a cell cut off by the end of the pattern data
        if (!hasEffect || module[effectAt] != EFFECT_Z) continue;
        // A Z without its parameter byte is Z00.
        const std::uint8_t code = hasParam ? module[paramAt] : 0;
        result.zxx.push_back({static_cast<std::uint16_t>(pattern), static_cast<std::uint16_t>(row),
                              static_cast<std::uint16_t>(channel), code});
        result.cleared[effectAt] = 0;
        if (hasParam) result.cleared[paramAt] = 0;
      }
    }
  }
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
