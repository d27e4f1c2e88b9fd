#pragma once
// What the pattern data of an XM module shows about its writing: how many of its bars differ, and
// which tracker commands it uses.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/xm/XmWriter.h"

namespace measure {

// The song as it plays straight through its order list: every row's cells, one per channel.
struct SongRows {
  int channels = 0;
  std::vector<std::vector<xm::Cell>> rows;
};

// Reads an XM file's pattern data in order-list order; nothing if it is not a readable XM.
std::optional<SongRows> readSongRows(std::span<const std::uint8_t> module);

struct PatternStats {
  int bars = 0;          // whole bars in the song
  int distinctBars = 0;  // bars whose notes and commands appear in no earlier bar
  // The commands used, e.g. "3xx portamento" or "vol: slide down"; the sync cues (Zxx) and the
  // tempo changes that keep the rows on time (Fxx) do not count towards distinctBars.
  std::vector<std::string> effectCommands;
  std::vector<std::string> volumeCommands;
};

PatternStats patternStats(const SongRows& song, int rowsPerBar);

// The bars in which some channel strikes `instrument` on at least six of the bar's eight odd
// rows: sixteenths (an echo of eighths a dotted eighth late reaches four).
int barsWithSixteenths(const SongRows& song, int rowsPerBar, std::uint8_t instrument);

// How bright a stretch of a sample is: its RMS frequency in Hz (from the energy of its slope
// against its own), at `rate` frames per second.
double brightnessHz(std::span<const std::int16_t> pcm, double rate);

}  // namespace measure
