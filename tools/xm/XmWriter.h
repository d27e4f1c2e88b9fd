#pragma once
// Writes FastTracker II extended modules (XM, format version 0x0104).
//
// Build an XmModule in memory, then call writeXm for the file's bytes or saveXm for a file:
//
//   xm::XmModule song;
//   song.channels = 4;
//   song.patterns.push_back(xm::Pattern(64, song.channels));
//   song.patterns[0].at(0, 0) = {.note = xm::note(4, 0), .instrument = 1};   // C-4, instrument 1
//   song.patterns[0].at(16, 3) = {.effect = xm::EFFECT_Z, .param = 2};      // Z02 on row 16
//   song.orders = {0};
//   xm::Instrument lead;
//   lead.samples.push_back(xm::Sample{.pcm = someWave, .loop = xm::Loop::Forward, ...});
//   song.instruments.push_back(lead);
//   std::vector<std::uint8_t> bytes = xm::writeXm(song);
//
// Conventions of the format that the structures keep as they are:
// - Notes are 1..96 (C-0 is 1, C-4 is 49), 97 is the key-off note, 0 is no note.
// - Instruments are numbered from 1 in the pattern data (0 is none); Instrument i in the vector is
//   number i + 1.
// - The volume column byte is written as it is: 0 is empty, 0x10..0x50 sets volume 0..64; see
//   volume() for the common case.
// - Effects are 0..35: 0..9 are the digits, 10 (A) to 35 (Z). EFFECT_Z is the Zxx command.
// - Sample lengths and loop points are given in sample frames; the writer converts them to the
//   byte counts the file stores (twice the frames for 16-bit samples).
//
// The writer checks the limits of the format and throws std::invalid_argument when a module breaks
// one (see writeXm); the output is then always a file that FastTracker II would load.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xm {

constexpr std::uint8_t NOTE_OFF = 97;
constexpr std::uint8_t EFFECT_Z = 35;

// The note number of a note name: octave 0..7, semitone 0 (C) .. 11 (B). note(4, 0) is C-4.
constexpr std::uint8_t note(int octave, int semitone) {
  return static_cast<std::uint8_t>(octave * 12 + semitone + 1);
}

// The volume column byte that sets volume v (0..64).
constexpr std::uint8_t volume(int v) { return static_cast<std::uint8_t>(0x10 + v); }

struct Cell {
  std::uint8_t note = 0;
  std::uint8_t instrument = 0;
  std::uint8_t volume = 0;
  std::uint8_t effect = 0;
  std::uint8_t param = 0;

  bool operator==(const Cell&) const = default;
};

// A pattern of rows x channels cells; every row has one cell per channel of the module.
struct Pattern {
  std::vector<std::vector<Cell>> rows;

  Pattern() = default;
  Pattern(int rowCount, int channelCount)
      : rows(static_cast<std::size_t>(rowCount), std::vector<Cell>(static_cast<std::size_t>(channelCount))) {}

  Cell& at(int row, int channel) { return rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(channel)); }
  const Cell& at(int row, int channel) const {
    return rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(channel));
  }
};

enum class Loop : std::uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
  std::string name;
  // Signed PCM, one value per frame. With sixteenBit false every value must lie in -128..127.
  std::vector<std::int16_t> pcm;
  bool sixteenBit = true;
  Loop loop = Loop::None;
  std::uint32_t loopStart = 0;   // frames
  std::uint32_t loopLength = 0;  // frames; must be > 0 when loop is not None
  std::uint8_t volume = 64;      // 0..64
  std::int8_t finetune = 0;      // -128..127, 1/128 semitone steps
  std::uint8_t panning = 128;    // 0 left .. 255 right
  // Semitones added to the played note. A sample recorded at 8363 Hz plays at its own pitch on C-4
  // with 0; a sample made at rate R for pitch C-4 needs round(12 * log2(R / 8363)) plus finetune.
  std::int8_t relativeNote = 0;
};

// An envelope of up to 12 points (tick, value): values 0..64; ticks strictly increasing, the first 0.
struct Envelope {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> points;
  bool enabled = false;
  int sustainPoint = -1;  // index of the sustain point, -1 for none
  int loopStart = -1;     // loop point indices, -1 for no loop
  int loopEnd = -1;
};

struct Instrument {
  std::string name;
  std::vector<Sample> samples;  // 0..16
  // Which sample (index into samples) each note 1..96 plays; all 0 by default.
  std::array<std::uint8_t, 96> keymap{};
  Envelope volumeEnvelope;
  Envelope panningEnvelope;
  std::uint16_t fadeout = 0;  // volume fade per tick after key-off (with the volume envelope on)
  std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct XmModule {
  std::string name;                   // up to 20 characters
  std::string trackerName = "zod xm writer";
  int channels = 4;                   // 1..32
  int speed = 6;                      // ticks per row, 1..31
  int bpm = 125;                      // 32..255
  bool linearFrequencies = true;
  int restartPosition = 0;            // order index the song jumps to at its end
  std::vector<std::uint8_t> orders;   // 1..256 pattern numbers
  std::vector<Pattern> patterns;      // 1..256
  std::vector<Instrument> instruments;  // 0..128
};

// The bytes of the module as an XM file. Throws std::invalid_argument for a module outside the
// format's limits: channel, speed, bpm, order, pattern, row (1..256) or instrument counts out of range,
// a row with another number of cells than channels, an order naming a missing pattern, a cell with a
// note above 97, an instrument number above the count or an effect above 35, an 8-bit sample value
// out of range, a loop outside its sample, or a bad envelope.
std::vector<std::uint8_t> writeXm(const XmModule& module);

// Writes the module to a file; false if the file could not be written. Throws like writeXm.
bool saveXm(const std::string& path, const XmModule& module);

}  // namespace xm
