#pragma once
// The instrument synthesizer behind the show's music.
//
// Every sample is computed here from oscillators, noise and simple filters. The arithmetic is plain
// double precision with + - * / only (our own sine and exponential, our own noise generator), so
// the module comes out byte for byte the same on every machine and compiler.

#include <cstdint>
#include <vector>

#include "tools/xm/XmWriter.h"

namespace music {

// Sine and e^x from basic arithmetic alone: the library's versions may round differently elsewhere.
double sine(double x);
double exponential(double x);

// A small fixed-seed generator (xorshift32) for noise.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state(seed ? seed : 1) {}
  // A value in [-1, 1).
  double next();

 private:
  std::uint32_t state;
};

// Frames per cycle of every looped tonal sample; the pitch settings below make it sound at the
// note played.
constexpr int CYCLE = 128;

// The instruments of the piece, numbered as the pattern data uses them (1-based).
enum Instrument : std::uint8_t {
  KICK = 1,
  CLAP,
  SNARE,
  CLOSED_HAT,
  OPEN_HAT,
  CRASH,
  BASS,
  ACID,
  PAD,
  ARP,
  LEAD,
  STAB,
  RISER,
  TOM,
  BELL,
  INSTRUMENT_COUNT = BELL
};

// All instruments in number order, ready for the module.
std::vector<xm::Instrument> makeInstruments();

}  // namespace music
