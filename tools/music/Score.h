#pragma once
// The song's pattern rows as the note writers fill them: the channel layout, the tracker commands
// and the writing primitives every writer goes through.

#include <cstdint>
#include <vector>

#include "tools/music/Song.h"
#include "tools/xm/XmWriter.h"

namespace music {

enum Channel : int {
  KICK_CH = 0,
  CLAP_CH,
  CLOSED_HAT_CH,
  OPEN_HAT_CH,
  PERC_CH,
  BASS_CH,
  ACID_CH,
  PAD1_CH,
  PAD2_CH,
  PAD3_CH,
  ARP_CH,
  ARP_ECHO_CH,
  LEAD_LEFT_CH,
  LEAD_RIGHT_CH,
  ECHO_CH,
  CRASH_CH,
  FX_CH,
  HOLD_CH,
};
static_assert(HOLD_CH + 1 == CUE_CHANNEL);

// Effect-column commands (the XM numbering: 0..9, then A = 10 onwards).
constexpr std::uint8_t ARPEGGIO = 0x0, SLIDE_UP = 0x1, SLIDE_DOWN = 0x2, PORTAMENTO = 0x3, VIBRATO = 0x4,
                       PANNING = 0x8, SAMPLE_OFFSET = 0x9, VOLUME_SLIDE = 0xA, EXTENDED = 0xE, TEMPO_CMD = 0xF;
constexpr std::uint8_t RETRIGGER = 0x90, NOTE_CUT = 0xC0, NOTE_DELAY = 0xD0;  // Exy sub-commands
// Volume-column commands.
constexpr std::uint8_t VOLUME_SLIDE_DOWN = 0x60, VOLUME_SLIDE_UP = 0x70, VOLUME_PANNING = 0xC0;

// Writing stays inside the song: a note or command that would fall past its end is dropped, and a
// command or volume never overwrites one already written on that cell.
class Score {
 public:
  explicit Score(int bars);

  const std::vector<std::vector<xm::Cell>>& rows() const { return grid; }
  xm::Cell& at(int row, int channel);
  bool inside(int row) const { return row >= 0 && row < static_cast<int>(grid.size()); }

  // Semitones above A minor, added to every note a writer puts through tone().
  void setKey(int semitones) { key = semitones; }
  int tone(int midi) const { return midi + key; }

  // A note with its instrument and volume; `midi` is already in the scene's key.
  void note(int row, int channel, int midi, std::uint8_t instrument, double volume);
  // A note that glides from the one sounding (3xx) instead of starting afresh.
  void glide(int row, int channel, int midi, std::uint8_t instrument, double volume, std::uint8_t speed);
  // Drum and effect samples play at their own rate on C-4 (MIDI 60).
  void hit(int row, int channel, std::uint8_t instrument, double volume, int midi = 60) {
    note(row, channel, midi, instrument, volume);
  }
  void command(int row, int channel, std::uint8_t effect, std::uint8_t param);
  void off(int row, int channel);
  void setVolume(int row, int channel, double volume, std::uint8_t instrument);
  void volumeCommand(int row, int channel, std::uint8_t value);

 private:
  std::vector<std::vector<xm::Cell>> grid;
  int key = 0;
};

}  // namespace music
