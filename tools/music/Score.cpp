#include "tools/music/Score.h"

#include <algorithm>
#include <cmath>

#include "tools/music/Mix.h"

namespace music {
namespace {

std::uint8_t xmNote(int midi) { return static_cast<std::uint8_t>(std::clamp(midi - 11, 1, 96)); }  // MIDI 60 is C-4

std::uint8_t vol(double v) { return xm::volume(std::clamp(static_cast<int>(std::lround(v)), 1, 64)); }

}  // namespace

Score::Score(int bars) : grid(static_cast<std::size_t>(bars) * ROWS_PER_BAR, std::vector<xm::Cell>(CHANNELS)) {}

xm::Cell& Score::at(int row, int channel) {
  return grid.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(channel));
}

void Score::note(int row, int channel, int midi, std::uint8_t instrument, double volume) {
  if (!inside(row)) return;
  xm::Cell& c = at(row, channel);
  c.note = xmNote(midi);
  c.instrument = instrument;
  c.volume = vol(volume * mixGain(instrument));
}

void Score::glide(int row, int channel, int midi, std::uint8_t instrument, double volume, std::uint8_t speed) {
  if (!inside(row)) return;
  xm::Cell& c = at(row, channel);
  c.note = xmNote(midi);
  c.instrument = 0;
  c.volume = vol(volume * mixGain(instrument));
  c.effect = PORTAMENTO;
  c.param = speed;
}

void Score::command(int row, int channel, std::uint8_t effect, std::uint8_t param) {
  if (!inside(row)) return;
  xm::Cell& c = at(row, channel);
  if (c.effect == 0 && c.param == 0) c.effect = effect, c.param = param;
}

void Score::off(int row, int channel) {
  if (inside(row) && at(row, channel).note == 0) at(row, channel).note = xm::NOTE_OFF;
}

void Score::setVolume(int row, int channel, double volume, std::uint8_t instrument) {
  if (inside(row) && at(row, channel).note == 0 && at(row, channel).volume == 0)
    at(row, channel).volume = vol(volume * mixGain(instrument));
}

void Score::volumeCommand(int row, int channel, std::uint8_t value) {
  if (inside(row) && at(row, channel).note == 0 && at(row, channel).volume == 0) at(row, channel).volume = value;
}

}  // namespace music
