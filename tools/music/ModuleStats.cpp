#include "tools/music/ModuleStats.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace measure {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> b) : bytes(b) {}
  bool has(std::size_t at, std::size_t n) const { return at <= bytes.size() && n <= bytes.size() - at; }
  unsigned u8(std::size_t at) const { return has(at, 1) ? bytes[at] : 0; }
  unsigned u16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
  std::uint32_t u32(std::size_t at) const { return u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16; }

 private:
  std::span<const std::uint8_t> bytes;
};

// Unpacks one pattern; false when its data runs past the end of the file.
bool unpackPattern(const Reader& in, std::size_t at, std::size_t end, int rows, int channels,
                   std::vector<std::vector<xm::Cell>>& out) {
  out.assign(static_cast<std::size_t>(rows), std::vector<xm::Cell>(static_cast<std::size_t>(channels)));
  for (auto& row : out)
    for (xm::Cell& c : row) {
      if (at >= end) return end == at;
      const unsigned lead = in.u8(at);
      unsigned fields = 31;
      if (lead & 0x80) fields = lead & 31, ++at;
      std::uint8_t* targets[5] = {&c.note, &c.instrument, &c.volume, &c.effect, &c.param};
      for (int f = 0; f < 5; ++f)
        if (fields & (1u << f)) {
          if (!in.has(at, 1)) return false;
          *targets[f] = static_cast<std::uint8_t>(in.u8(at++));
        }
    }
  return true;
}

std::string effectName(const xm::Cell& c) {
  static const char* const names[] = {
      "0xy arpeggio",        "1xx portamento up",     "2xx portamento down", "3xx tone portamento",
      "4xy vibrato",         "5xy portamento+slide",  "6xy vibrato+slide",   "7xy tremolo",
      "8xx panning",         "9xx sample offset",     "Axy volume slide",    "Bxx position jump",
      "Cxx volume",          "Dxx pattern break",     "E",                   "Fxx speed/tempo",
      "Gxx global volume",   "Hxy global slide",      "I",                   "J",
      "Kxx key off",         "Lxx envelope position", "M",                   "N",
      "O",                   "Pxy panning slide",     "Q",                   "Rxy retrigger+slide",
      "S",                   "Txy tremor",            "U",                   "V",
      "W",                   "Xxy extra fine porta",  "Y",                   "Zxx sync",
  };
  static const char* const extended[] = {
      "E0x filter",           "E1x fine porta up", "E2x fine porta down", "E3x glissando",
      "E4x vibrato wave",     "E5x finetune",      "E6x loop",            "E7x tremolo wave",
      "E8x panning",          "E9x retrigger",     "EAx fine slide up",   "EBx fine slide down",
      "ECx note cut",         "EDx note delay",    "EEx pattern delay",   "EFx",
  };
  if (c.effect == 14) return extended[c.param >> 4];
  return c.effect < 36 ? names[c.effect] : "?";
}

std::string volumeName(std::uint8_t v) {
  static const char* const names[] = {"", "volume", "volume", "volume", "volume", "volume", "slide down",
                                      "slide up", "fine slide down", "fine slide up", "vibrato speed",
                                      "vibrato", "panning", "panning slide left", "panning slide right",
                                      "tone portamento"};
  if (v > 0x50 && v < 0x60) return "?";
  return std::string("vol: ") + names[v >> 4];
}

}  // namespace

std::optional<SongRows> readSongRows(std::span<const std::uint8_t> module) {
  const Reader in(module);
  if (!in.has(0, 80) || std::memcmp(module.data(), "Extended Module: ", 17) != 0) return std::nullopt;
  const unsigned songLength = in.u16(64), channels = in.u16(68), patternCount = in.u16(70);
  if (songLength == 0 || songLength > 256 || channels == 0 || channels > 64 || patternCount > 256) return std::nullopt;

  std::vector<std::vector<std::vector<xm::Cell>>> patterns(patternCount);
  std::size_t at = 60 + static_cast<std::size_t>(in.u32(60));
  for (auto& p : patterns) {
    if (!in.has(at, 9)) return std::nullopt;
    const std::size_t header = in.u32(at);
    const int rows = static_cast<int>(in.u16(at + 5));
    const std::size_t packed = in.u16(at + 7);
    const std::size_t data = at + header;
    if (!in.has(data, packed) || rows == 0 || rows > 256) return std::nullopt;
    if (!unpackPattern(in, data, data + packed, rows, static_cast<int>(channels), p)) return std::nullopt;
    at = data + packed;
  }

  SongRows song;
  song.channels = static_cast<int>(channels);
  for (unsigned i = 0; i < songLength; ++i) {
    const unsigned order = in.u8(80 + i);
    if (order >= patternCount) return std::nullopt;
    song.rows.insert(song.rows.end(), patterns[order].begin(), patterns[order].end());
  }
  return song;
}

PatternStats patternStats(const SongRows& song, int rowsPerBar) {
  PatternStats stats;
  std::set<std::string> effects, volumes;
  std::set<std::string> bars;
  const std::size_t perBar = static_cast<std::size_t>(rowsPerBar);
  for (std::size_t start = 0; start + perBar <= song.rows.size(); start += perBar) {
    std::string bar;
    for (std::size_t r = start; r < start + perBar; ++r)
      for (xm::Cell c : song.rows[r]) {
        if (c.effect != 0 || c.param != 0) {
          if (c.effect != xm::EFFECT_Z) effects.insert(effectName(c));
          if (c.effect == xm::EFFECT_Z || c.effect == 15) c.effect = c.param = 0;
        }
        if (c.volume >= 0x10) volumes.insert(volumeName(c.volume));
        bar += {static_cast<char>(c.note), static_cast<char>(c.instrument), static_cast<char>(c.volume),
                static_cast<char>(c.effect), static_cast<char>(c.param)};
      }
    bars.insert(std::move(bar));
    ++stats.bars;
  }
  stats.distinctBars = static_cast<int>(bars.size());
  stats.effectCommands.assign(effects.begin(), effects.end());
  stats.volumeCommands.assign(volumes.begin(), volumes.end());
  return stats;
}

int barsWithSixteenths(const SongRows& song, int rowsPerBar, std::uint8_t instrument) {
  const auto perBar = static_cast<std::size_t>(rowsPerBar);
  int count = 0;
  for (std::size_t start = 0; start + perBar <= song.rows.size(); start += perBar) {
    bool sixteenths = false;
    for (std::size_t ch = 0; ch < static_cast<std::size_t>(song.channels) && !sixteenths; ++ch) {
      int oddRows = 0;
      for (std::size_t r = start + 1; r < start + perBar; r += 2) {
        const xm::Cell& c = song.rows[r][ch];
        oddRows += c.instrument == instrument && c.note != 0 && c.note != xm::NOTE_OFF;
      }
      sixteenths = 4 * oddRows >= 3 * rowsPerBar / 2;
    }
    count += sixteenths;
  }
  return count;
}

double brightnessHz(std::span<const std::int16_t> pcm, double rate) {
  double level = 0, slope = 0;
  for (std::size_t i = 1; i < pcm.size(); ++i) {
    const double d = static_cast<double>(pcm[i]) - pcm[i - 1];
    level += static_cast<double>(pcm[i]) * pcm[i];
    slope += d * d;
  }
  return level > 0 ? rate / (2.0 * 3.14159265358979323846) * std::sqrt(slope / level) : 0.0;
}

}  // namespace measure
