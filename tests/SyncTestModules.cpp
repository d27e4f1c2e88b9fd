#include "tests/SyncTestModules.h"

#include <cmath>
#include <numbers>

namespace synctest {

xm::XmModule module(int channels, int rows, int patternCount, int speed, int bpm) {
  xm::XmModule song;
  song.name = "sync test";
  song.channels = channels;
  song.speed = speed;
  song.bpm = bpm;
  for (int p = 0; p < patternCount; ++p) {
    song.patterns.emplace_back(rows, channels);
    song.orders.push_back(static_cast<std::uint8_t>(p));
  }
  xm::Sample sine;
  for (int i = 0; i < 64; ++i)
    sine.pcm.push_back(static_cast<std::int16_t>(std::lround(12000 * std::sin(2.0 * std::numbers::pi * i / 64))));
  sine.loop = xm::Loop::Forward;
  sine.loopLength = 64;
  xm::Instrument instrument;
  instrument.samples.push_back(sine);
  song.instruments.push_back(instrument);
  return song;
}

void addNotes(xm::XmModule& song) {
  for (xm::Pattern& pattern : song.patterns) {
    for (int c = 0; c < song.channels; ++c) {
      xm::Cell& cell = pattern.at(0, c);
      cell.note = xm::note(3 + c % 3, (5 * c) % 12);
      cell.instrument = 1;
    }
  }
}

void putZ(xm::XmModule& song, int pattern, int row, int channel, std::uint8_t code) {
  xm::Cell& cell = song.patterns.at(static_cast<std::size_t>(pattern)).at(row, channel);
  cell.effect = xm::EFFECT_Z;
  cell.param = code;
}

std::uint64_t rowFrames(int speed, int bpm) {
  return static_cast<std::uint64_t>(speed) * 44100 * 5 / (2 * static_cast<std::uint64_t>(bpm));
}

}  // namespace synctest
