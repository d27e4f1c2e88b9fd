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
// The rate a tonal sample plays at on its own note: a CYCLE-frame period at C-4 (261.6 Hz).
constexpr double TONAL_RATE = 261.6255653 * CYCLE;

// The acid bass's one-shot: a saw through a resonant low-pass (quality ACID_Q) whose cut-off falls
// from its accent back to its resting point with the time constant ACID_SWEEP_SECONDS, at C-3.
// It comes as ACID_STEPS instruments, from dark to bright, which the acid line picks note by note.
constexpr int ACID_STEPS = 12;
constexpr double ACID_SWEEP_SECONDS = 0.11;
constexpr double ACID_Q = 4.5;

// The choir is sampled once per octave from C-<VOX_LOWEST_OCTAVE> to C-<VOX_HIGHEST_OCTAVE>, each
// at its own pitch with the vowel's formants at the same frequencies; a note plays the sample of
// the nearest C.
constexpr int VOX_LOWEST_OCTAVE = 2;
constexpr int VOX_HIGHEST_OCTAVE = 6;

// The instruments of the piece, numbered as the pattern data uses them (1-based). VOX, RIDE
// and PLUCK are held back for the second half of the piece. The stab comes three times, panned left,
// centre and right in its samples: a note with an instrument number resets the channel's panning
// to the sample's, and the stab's effect column is taken by sample offsets and note cuts.
enum Instrument : std::uint8_t {
  KICK = 1,
  CLAP,
  SNARE,
  CLOSED_HAT,
  OPEN_HAT,
  CRASH,
  TOM,
  RISER,
  BASS,
  ACID,
  PAD = ACID + ACID_STEPS,
  ARP,
  LEAD_LEFT,
  LEAD_RIGHT,
  STAB,
  BELL,
  VOX,
  RIDE,
  PLUCK,
  STAB_LEFT,
  STAB_RIGHT,
  SHAKER,
  INSTRUMENT_COUNT = SHAKER
};

// The closed hat's noise samples, played in turn on C-4, C#4, ... so that no two hats in a row are
// the same; they sit left, right and near the centre. The shaker's two samples, on C-4 and C#4, sit
// left and right.
constexpr int HAT_SAMPLES = 3;
constexpr int SHAKER_SAMPLES = 2;

// Frames of the riser sample, which builds shorter than two bars start part of the way in (9xx).
constexpr int RISER_FRAMES = 88200;

// All instruments in number order, ready for the module.
std::vector<xm::Instrument> makeInstruments();

}  // namespace music
