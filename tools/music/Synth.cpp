#include "tools/music/Synth.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace music {
namespace {

constexpr double PI = 3.14159265358979323846;

// Sample rates of the drums and the riser, with the pitch settings that make C-4 play them (and
// TONAL_RATE the tonal samples) at that rate.
constexpr double DRUM_RATE = 44100.0;
constexpr double RISER_RATE = 22050.0;
struct Pitch {
  std::int8_t relativeNote;
  std::int8_t finetune;
};
constexpr Pitch TONAL_PITCH{24, 2};    // 12 * log2(33488 / 8363) = 24.019 semitones
constexpr Pitch DRUM_PITCH{28, 100};   // 12 * log2(44100 / 8363) = 28.784
constexpr Pitch RISER_PITCH{16, 100};  // 12 * log2(22050 / 8363) = 16.784

// A tonal sample made at C of `octave` rather than C-4: its period is CYCLE scaled by the octaves
// between them, at the same rate, so that its times and its spectrum in Hz are heard as made.
int periodAt(int octave) { return octave <= 4 ? CYCLE << (4 - octave) : CYCLE >> (octave - 4); }
Pitch pitchAt(int octave) {
  return {static_cast<std::int8_t>(TONAL_PITCH.relativeNote + 12 * (4 - octave)), TONAL_PITCH.finetune};
}

double sineReduced(double r) {
  // Taylor series on [-pi/2, pi/2]; the error is below 1e-9.
  const double r2 = r * r;
  double term = r, sum = r;
  for (int k = 1; k <= 8; ++k) {
    term = -term * r2 / ((2.0 * k) * (2.0 * k + 1.0));
    sum += term;
  }
  return sum;
}

// One-pole low-pass with the coefficient computed from a cut-off in Hz.
class LowPass {
 public:
  LowPass(double cutoff, double rate) { setCutoff(cutoff, rate); }
  void setCutoff(double cutoff, double rate) { a = 1.0 - exponential(-2.0 * PI * cutoff / rate); }
  double operator()(double x) { return y += a * (x - y); }

 private:
  double a = 0, y = 0;
};

class HighPass {
 public:
  HighPass(double cutoff, double rate) : low(cutoff, rate) {}
  double operator()(double x) { return x - low(x); }

 private:
  LowPass low;
};

double softClip(double x) {
  x = std::clamp(x, -1.0, 1.0);
  return x * (1.5 - 0.5 * x * x);
}

// Scales to the given peak (of full scale) and rounds to 16-bit values. The last `fadeFrames`
// frames fade to 0 so a one-shot sample never ends with a step.
std::vector<std::int16_t> toPcm(std::vector<double> wave, double peak, std::size_t fadeFrames = 0) {
  fadeFrames = std::min(fadeFrames, wave.size());
  for (std::size_t i = 0; i < fadeFrames; ++i)
    wave[wave.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(fadeFrames);
  double max = 0;
  for (double v : wave) max = std::max(max, std::fabs(v));
  const double scale = max > 0 ? peak * 32767.0 / max : 0.0;
  std::vector<std::int16_t> pcm(wave.size());
  for (std::size_t i = 0; i < wave.size(); ++i) pcm[i] = static_cast<std::int16_t>(std::lround(wave[i] * scale));
  return pcm;
}

// Rounds off the rare high crests of a sum of detuned voices (a tanh curve after scaling the peak
// to 1): the sound thickens a little and plays louder at the same peak level.
std::vector<double> saturate(std::vector<double> wave, double drive) {
  if (drive <= 0) return wave;
  double max = 0;
  for (double v : wave) max = std::max(max, std::fabs(v));
  if (max == 0) return wave;
  auto tanh = [](double x) { return 1.0 - 2.0 / (exponential(2.0 * x) + 1.0); };
  for (double& v : wave) v = tanh(drive * v / max);
  return wave;
}

std::size_t frames(double seconds, double rate) { return static_cast<std::size_t>(seconds * rate); }

// A looped tonal wave of `cycles` periods of CYCLE frames each, summed from band-limited voices.
// Each voice runs `cycles + detune` periods over the loop, so the loop closes without a step.
struct Voice {
  int detune;
  double level;
};
using HarmonicLevel = std::function<double(int)>;
std::vector<double> additiveLoop(int cycles, const std::vector<Voice>& voices, int harmonics,
                                 const HarmonicLevel& harmonicLevel, std::uint32_t seed, int period = CYCLE) {
  const std::size_t length = static_cast<std::size_t>(cycles) * static_cast<std::size_t>(period);
  std::vector<double> wave(length, 0.0);
  Noise phases(seed);
  for (const Voice& v : voices) {
    const double periods = cycles + v.detune;
    for (int h = 1; h <= harmonics; ++h) {
      const double level = v.level * harmonicLevel(h);
      if (level == 0.0) continue;
      const double phase = PI * phases.next();
      const double step = 2.0 * PI * periods * h / static_cast<double>(length);
      for (std::size_t i = 0; i < length; ++i) wave[i] += level * sine(step * static_cast<double>(i) + phase);
    }
  }
  return wave;
}

xm::Sample tonalSample(const char* name, std::vector<std::int16_t> pcm, std::uint8_t volume, bool looped = true) {
  xm::Sample s;
  s.name = name;
  s.volume = volume;
  s.relativeNote = TONAL_PITCH.relativeNote;
  s.finetune = TONAL_PITCH.finetune;
  if (looped) {
    s.loop = xm::Loop::Forward;
    s.loopLength = static_cast<std::uint32_t>(pcm.size());
  }
  s.pcm = std::move(pcm);
  return s;
}

xm::Sample oneShot(const char* name, std::vector<std::int16_t> pcm, std::uint8_t volume, std::uint8_t panning,
                   Pitch pitch = DRUM_PITCH) {
  xm::Sample s;
  s.name = name;
  s.volume = volume;
  s.panning = panning;
  s.relativeNote = pitch.relativeNote;
  s.finetune = pitch.finetune;
  s.pcm = std::move(pcm);
  return s;
}

xm::Instrument instrument(const char* name, xm::Sample sample) {
  xm::Instrument ins;
  ins.name = name;
  ins.samples.push_back(std::move(sample));
  return ins;
}

xm::Envelope envelope(std::vector<std::pair<std::uint16_t, std::uint16_t>> points, int sustain) {
  return {.points = std::move(points), .enabled = true, .sustainPoint = sustain};
}

// --- Drums -------------------------------------------------------------------------------------

// The kick's body settles on A (55 Hz), the key's root: played two semitones up it follows the
// piece into B minor. Its body rings for 160 ms (the time to fall to 1/e), long enough to carry the
// low end between the bass notes, which sit on the off-beats.
xm::Instrument kick() {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(0.5, rate));
  double phase = 0;
  HighPass hp(28.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double freq = 55.0 + 150.0 * exponential(-t / 0.022) + 500.0 * exponential(-t / 0.003);
    phase += 2.0 * PI * freq / rate;
    const double click = 0.3 * exponential(-t / 0.0015) * sine(2.0 * PI * 3100.0 * t);
    w[i] = hp(softClip(1.5 * sine(phase) * exponential(-t / 0.16)) + click);
  }
  return instrument("kick", oneShot("kick", toPcm(w, 0.97, frames(0.03, rate)), 64, 128));
}

xm::Instrument clap() {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(0.5, rate));
  Noise noise(0xC1A9);
  HighPass hp(900.0, rate);
  LowPass lp(6000.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    // Three quick hand claps, then the room.
    double amp = 0.8 * exponential(-t / 0.17) * std::min(1.0, t / 0.02);
    for (int k = 0; k < 3; ++k) {
      const double start = 0.011 * k;
      if (t >= start) amp += exponential(-(t - start) / 0.006);
    }
    w[i] = lp(hp(noise.next())) * amp;
  }
  return instrument("clap", oneShot("clap", toPcm(w, 0.95, frames(0.02, rate)), 40, 128));
}

xm::Instrument snare() {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(0.25, rate));
  Noise noise(0x5A4E);
  HighPass hp(1500.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double body = 0.6 * sine(2.0 * PI * 190.0 * t) + 0.3 * sine(2.0 * PI * 330.0 * t);
    w[i] = body * exponential(-t / 0.05) + 0.8 * hp(noise.next()) * exponential(-t / 0.07);
  }
  return instrument("snare", oneShot("snare", toPcm(w, 0.95, frames(0.02, rate)), 40, 124));
}

// Hats are filtered noise alone: fixed partials would show as lines that never move.
std::vector<double> hatNoise(double seconds, double decay, std::uint32_t seed) {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(seconds, rate));
  Noise noise(seed);
  HighPass hp1(6500.0, rate), hp2(6500.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    w[i] = hp2(hp1(noise.next())) * exponential(-t / decay);
  }
  return w;
}

// HAT_SAMPLES closed hats of their own noise, picked by the note (C-4 upwards) and each tuned down
// by as many semitones, so that they all sound at the drum rate.
constexpr std::uint8_t HAT_PANNING[HAT_SAMPLES] = {0x38, 0xC8, 0x98};
xm::Instrument closedHat() {
  xm::Instrument ins;
  ins.name = "closed hat";
  for (int k = 0; k < HAT_SAMPLES; ++k) {
    const Pitch pitch{static_cast<std::int8_t>(DRUM_PITCH.relativeNote - k), DRUM_PITCH.finetune};
    ins.samples.push_back(oneShot(
        "closed hat",
        toPcm(hatNoise(0.08, 0.022, 0x4A7 + 0x101 * static_cast<std::uint32_t>(k)), 0.9, frames(0.01, DRUM_RATE)), 26,
        HAT_PANNING[k], pitch));
    ins.keymap[static_cast<std::size_t>(xm::note(4, k) - 1)] = static_cast<std::uint8_t>(k);
  }
  return ins;
}

// A shaker for the sixteenths between the hats: brighter noise that swells in over 6 ms and is
// gone in 60, one sample panned to each side.
xm::Instrument shaker() {
  xm::Instrument ins;
  ins.name = "shaker";
  const double rate = DRUM_RATE;
  for (int k = 0; k < SHAKER_SAMPLES; ++k) {
    std::vector<double> w(frames(0.09, rate));
    Noise noise(0x5AC + 0x11 * static_cast<std::uint32_t>(k));
    HighPass hp1(7500.0, rate), hp2(7500.0, rate);
    for (std::size_t i = 0; i < w.size(); ++i) {
      const double t = static_cast<double>(i) / rate;
      w[i] = hp2(hp1(noise.next())) * std::min(1.0, t / 0.006) * exponential(-t / 0.03);
    }
    const Pitch pitch{static_cast<std::int8_t>(DRUM_PITCH.relativeNote - k), DRUM_PITCH.finetune};
    ins.samples.push_back(oneShot("shaker", toPcm(w, 0.9, frames(0.01, rate)), 30, k ? 0xE0 : 0x20, pitch));
    ins.keymap[static_cast<std::size_t>(xm::note(4, k) - 1)] = static_cast<std::uint8_t>(k);
  }
  return ins;
}

// The open hat rings out over 0.2 s (to 1/e), long enough to be heard as open, on the left across
// from the ride.
xm::Instrument openHat() {
  return instrument("open hat",
                    oneShot("open hat", toPcm(hatNoise(0.7, 0.2, 0x0BE7), 0.9, frames(0.08, DRUM_RATE)), 24, 0x48));
}

xm::Instrument crash() {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(1.8, rate));
  Noise noise(0xC2A5);
  HighPass hp1(3500.0, rate), hp2(3500.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    w[i] = hp2(hp1(noise.next())) * (exponential(-t / 0.5) + 0.3 * exponential(-t / 0.03));
  }
  return instrument("crash", oneShot("crash", toPcm(w, 0.9, frames(0.3, rate)), 30, 140));
}

xm::Instrument ride() {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(0.9, rate));
  Noise noise(0x41DE);
  HighPass hp(5000.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    double bell = 0;
    for (double f : {2870.0, 4120.0, 5340.0, 6950.0}) bell += sine(2.0 * PI * f * t) > 0 ? 0.12 : -0.12;
    w[i] = hp(0.6 * noise.next() + bell) * (exponential(-t / 0.35) + 0.4 * exponential(-t / 0.01));
  }
  return instrument("ride", oneShot("ride", toPcm(w, 0.9, frames(0.1, rate)), 24, 0xE0));
}

xm::Instrument tom() {
  const double rate = DRUM_RATE;
  std::vector<double> w(frames(0.4, rate));
  double phase = 0;
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    phase += 2.0 * PI * (110.0 + 90.0 * exponential(-t / 0.06)) / rate;
    w[i] = sine(phase) * exponential(-t / 0.16);
  }
  return instrument("tom", oneShot("tom", toPcm(w, 0.95, frames(0.03, rate)), 44, 128));
}

// Noise that opens up and swells over two bars, for the build-ups.
xm::Instrument riser() {
  const double rate = RISER_RATE;
  std::vector<double> w(frames(4.0, rate));
  Noise noise(0x7153);
  LowPass lp(300.0, rate);
  HighPass hp(200.0, rate);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double x = static_cast<double>(i) / static_cast<double>(w.size());
    lp.setCutoff(300.0 + 8000.0 * x * x, rate);
    w[i] = hp(lp(noise.next())) * (0.1 + 0.9 * x * x) * std::min(1.0, x * 40.0);
  }
  return instrument("riser", oneShot("riser", toPcm(w, 0.9, frames(0.01, rate)), 34, 128, RISER_PITCH));
}

// --- Tonal instruments ---------------------------------------------------------------------------

double bassHarmonic(int h) {
  // A saw through a soft low-pass with the fundamental held back, so that the bass is heard in its
  // harmonics rather than felt as boom.
  return (h == 1 ? 0.8 : 1.0 / h) / (1.0 + (h / 5.5) * (h / 5.5));
}

// A resonant four-pole low-pass at `cutoff` (the same unit as `x`), peaking by `q` at its cut-off.
double resonantLowPass(double x, double cutoff, double q) {
  const double r = x / cutoff;
  const double twoPole = 1.0 / std::sqrt((1.0 - r * r) * (1.0 - r * r) + (r / q) * (r / q));
  return twoPole / std::sqrt(1.0 + r * r * r * r);
}

// A one-shot of `frames` frames with period `period`: `harmonics` harmonics whose levels
// `levelAt(h, t)` change over the time t in seconds, recomputed every few frames. Its last `tail`
// frames (whole periods) form a loop that holds the settled sound, so the levels must have stopped
// moving by then. Each harmonic turns as a rotating pair, which needs only + - * /.
std::vector<double> sweptOneShot(std::size_t length, int period, int harmonics, std::size_t tail,
                                 const std::function<double(int, double)>& levelAt, std::uint32_t seed) {
  std::vector<double> wave(length, 0.0);
  Noise phases(seed);
  constexpr std::size_t HOLD = 8;  // frames between level updates: well under a millisecond
  for (int h = 1; h <= harmonics && 2 * h < period; ++h) {
    const double phase = PI * phases.next();
    double c = sine(phase + PI / 2), s = sine(phase);
    const double w = 2.0 * PI * h / period, cw = sine(w + PI / 2), sw = sine(w);
    double level = 0;
    for (std::size_t i = 0; i < length; ++i) {
      if (i % HOLD == 0 && i <= length - tail) level = levelAt(h, static_cast<double>(i) / TONAL_RATE);
      wave[i] += level * s;
      const double next = c * cw - s * sw;
      s = s * cw + c * sw;
      c = next;
    }
  }
  return wave;
}

// Brightness step k of the acid bass, at C-3 (its home register): the resting cut-off climbs from
// the second to about the 16th harmonic over the steps, the accent of each note starts it about
// three times higher, and it falls back with ACID_SWEEP_SECONDS, settled by the loop at the end.
constexpr int ACID_OCTAVE = 3;
constexpr std::size_t ACID_FRAMES = 16384, ACID_TAIL = 2048;
xm::Instrument acid(int step) {
  double rest = 2.0;
  for (int k = 0; k < step; ++k) rest *= 1.21;  // by multiplication, which rounds alike everywhere
  const double settle = static_cast<double>(ACID_FRAMES - ACID_TAIL) / TONAL_RATE;
  const double floor = exponential(-settle / ACID_SWEEP_SECONDS);
  auto level = [rest, floor](int h, double t) {
    const double sweep = std::max(0.0, (exponential(-t / ACID_SWEEP_SECONDS) - floor) / (1.0 - floor));
    return resonantLowPass(h, std::min(70.0, rest * (1.0 + 2.2 * sweep)), ACID_Q) / h;
  };
  std::vector<double> wave =
      sweptOneShot(ACID_FRAMES, periodAt(ACID_OCTAVE), 120, ACID_TAIL, level, 12 + static_cast<std::uint32_t>(step));
  xm::Sample sample = tonalSample("acid", toPcm(std::move(wave), 0.95), 40, false);
  sample.relativeNote = pitchAt(ACID_OCTAVE).relativeNote;
  sample.loop = xm::Loop::Forward;
  sample.loopStart = ACID_FRAMES - ACID_TAIL;
  sample.loopLength = ACID_TAIL;
  auto ins = instrument("acid", std::move(sample));
  ins.volumeEnvelope = envelope({{0, 64}, {4, 50}, {12, 38}, {24, 30}}, 3);
  ins.fadeout = 9000;
  return ins;
}

// The pad's lowest three harmonics are held back: played around G-3 they would fill the low and
// boxy mids that the kick and the bass need.
double padHarmonic(int h) {
  return (h == 1 ? 0.15 : h == 2 ? 0.4 : h == 3 ? 0.7 : 1.0) * (1.0 / h) / (1.0 + (h / 8.0) * (h / 8.0));
}

double leadHarmonic(int h) { return (1.0 / h) / (1.0 + (h / 14.0) * (h / 14.0)); }

double arpHarmonic(int h) {
  // Hollow and bright: odd harmonics of a square, a touch of the even ones.
  return (h % 2 ? 1.0 : 0.25) / h / (1.0 + (h / 10.0) * (h / 10.0));
}

// The stab's fundamental is held back a little: an octave above the pad it would box the mids in.
double stabHarmonic(int h) { return (h == 1 ? 0.5 : 1.0) / h / (1.0 + (h / 20.0) * (h / 20.0)); }

xm::Instrument bass() {
  auto ins = instrument("bass", tonalSample("bass", toPcm(additiveLoop(1, {{0, 1.0}}, 40, bassHarmonic, 11), 0.95), 50));
  ins.volumeEnvelope = envelope({{0, 64}, {3, 54}, {10, 44}}, 2);
  ins.fadeout = 6000;
  return ins;
}

xm::Instrument pad() {
  const std::vector<Voice> supersaw{{-3, 0.6}, {-2, 0.8}, {-1, 1.0}, {0, 1.0}, {1, 1.0}, {2, 0.8}, {3, 0.6}};
  auto ins = instrument("pad", tonalSample("pad", toPcm(saturate(additiveLoop(256, supersaw, 24, padHarmonic, 13), 2.0), 0.95), 30));
  ins.volumeEnvelope = envelope({{0, 0}, {10, 64}, {50, 52}}, 2);
  ins.fadeout = 700;
  return ins;
}

// A looped tonal instrument with one sample per register: below C-5, the octave from C-5 and from
// C-6 up, each with fewer harmonics, so that high notes stay below the output's Nyquist frequency
// instead of folding back as aliasing.
xm::Instrument bandLimited(const char* name, int cycles, const std::vector<Voice>& voices, int harmonics,
                           const HarmonicLevel& harmonicLevel, std::uint32_t seed, std::uint8_t volume,
                           std::uint8_t panning = 128, double drive = 0) {
  xm::Instrument ins;
  ins.name = name;
  const int limits[] = {40, 20, 10};
  for (int band = 0; band < 3; ++band) {
    const int h = std::min(harmonics, limits[band]);
    ins.samples.push_back(
        tonalSample(name, toPcm(saturate(additiveLoop(cycles, voices, h, harmonicLevel, seed), drive), 0.95), volume));
    ins.samples.back().panning = panning;
  }
  for (int n = xm::note(5, 0); n <= 96; ++n) ins.keymap[static_cast<std::size_t>(n - 1)] = n < xm::note(6, 0) ? 1 : 2;
  return ins;
}

// The arpeggio's pluck: one one-shot per register (below C-5, the octave from C-5, from C-6 up),
// each made at its own pitch, whose low-pass falls from 7 kHz to 1.2 kHz with a 70 ms time
// constant, so that every note opens bright and mellows.
constexpr std::size_t ARP_FRAMES = 8192, ARP_TAIL = 1024;
xm::Instrument arp() {
  xm::Instrument ins;
  ins.name = "arp";
  const double settle = static_cast<double>(ARP_FRAMES - ARP_TAIL) / TONAL_RATE, decay = 0.07;
  const double floor = exponential(-settle / decay);
  const int limits[] = {40, 20, 10};
  for (int band = 0; band < 3; ++band) {
    const int octave = 4 + band, period = periodAt(octave);
    const double root = TONAL_RATE / period;
    auto level = [root, floor, decay](int h, double t) {
      const double sweep = std::max(0.0, (exponential(-t / decay) - floor) / (1.0 - floor));
      return arpHarmonic(h) * resonantLowPass(root * h, 1200.0 + 5800.0 * sweep, 1.2);
    };
    xm::Sample sample =
        tonalSample("arp", toPcm(sweptOneShot(ARP_FRAMES, period, limits[band], ARP_TAIL, level, 14), 0.95), 30, false);
    sample.relativeNote = pitchAt(octave).relativeNote;
    sample.loop = xm::Loop::Forward;
    sample.loopStart = ARP_FRAMES - ARP_TAIL;
    sample.loopLength = ARP_TAIL;
    ins.samples.push_back(std::move(sample));
  }
  for (int n = xm::note(5, 0); n <= 96; ++n) ins.keymap[static_cast<std::size_t>(n - 1)] = n < xm::note(6, 0) ? 1 : 2;
  ins.volumeEnvelope = envelope({{0, 64}, {3, 38}, {10, 16}, {24, 0}}, -1);
  return ins;
}

// The lead is nine saws spread over +-27 cents, split into two instruments of five (the centre
// voice in both) that play on channels panned apart: a wide sound from mono samples.
xm::Instrument lead(bool right) {
  const std::vector<Voice> left{{-4, 0.7}, {-2, 0.9}, {0, 0.6}, {1, 1.0}, {3, 0.8}};
  const std::vector<Voice> rightVoices{{-3, 0.8}, {-1, 1.0}, {0, 0.6}, {2, 0.9}, {4, 0.7}};
  auto ins = bandLimited(right ? "lead right" : "lead left", 256, right ? rightVoices : left, 28, leadHarmonic,
                         right ? 17 : 15, 30, right ? 212 : 44, 2.0);
  ins.volumeEnvelope = envelope({{0, 0}, {2, 64}, {8, 50}}, 2);
  ins.fadeout = 2400;
  ins.vibratoType = 0;
  ins.vibratoSweep = 60;
  ins.vibratoDepth = 3;
  ins.vibratoRate = 10;
  return ins;
}

// Five saws around a centre voice, +-7 and +-20 cents.
xm::Instrument stab(const char* name, std::uint8_t panning) {
  const std::vector<Voice> voices{{-3, 0.7}, {-1, 0.9}, {0, 1.0}, {1, 0.9}, {3, 0.7}};
  auto ins = bandLimited(name, 256, voices, 36, stabHarmonic, 16, 28, panning, 2.0);
  ins.volumeEnvelope = envelope({{0, 64}, {3, 40}, {8, 18}, {16, 0}}, -1);
  return ins;
}

// A choir "aah": three voices whose harmonics are shaped by the vowel's formants (800, 1150 and
// 2900 Hz), with a slow swell. Each octave's sample is made at its own pitch with the formants at
// the same frequencies, as a singer's vowel stays put while the note moves.
xm::Instrument vox() {
  xm::Instrument ins;
  ins.name = "vox";
  const std::vector<Voice> voices{{-2, 0.8}, {0, 1.0}, {2, 0.8}};
  constexpr int LOOP_FRAMES = 256 * CYCLE;
  for (int octave = VOX_LOWEST_OCTAVE; octave <= VOX_HIGHEST_OCTAVE; ++octave) {
    const int period = periodAt(octave);
    const double root = TONAL_RATE / period;
    auto level = [root](int h) {
      const double hz = root * h;
      double sum = 0;
      for (auto [f, width, gain] : {std::array<double, 3>{800, 90, 0.55}, {1150, 110, 0.6}, {2900, 200, 0.4}}) {
        const double d = (hz - f) / width;
        sum += gain / (1.0 + d * d);
      }
      return sum / std::sqrt(static_cast<double>(h));
    };
    const int harmonics = std::min(period / 2 - 1, static_cast<int>(5000.0 / root));
    xm::Sample sample = tonalSample(
        "vox", toPcm(saturate(additiveLoop(LOOP_FRAMES / period, voices, harmonics, level, 18, period), 2.0), 0.95),
        34);
    sample.relativeNote = pitchAt(octave).relativeNote;
    ins.samples.push_back(std::move(sample));
  }
  for (int n = 1; n <= 96; ++n) {
    const int nearest = std::clamp((n - 1 + 6) / 12, VOX_LOWEST_OCTAVE, VOX_HIGHEST_OCTAVE);
    ins.keymap[static_cast<std::size_t>(n - 1)] = static_cast<std::uint8_t>(nearest - VOX_LOWEST_OCTAVE);
  }
  ins.volumeEnvelope = envelope({{0, 0}, {12, 64}, {40, 56}}, 2);
  ins.fadeout = 900;
  ins.vibratoType = 0;
  ins.vibratoSweep = 120;
  ins.vibratoDepth = 2;
  ins.vibratoRate = 6;
  return ins;
}

// A digital pluck: a sine whose frequency modulation dies away fast, for the late theme.
xm::Instrument pluck() {
  const double rate = TONAL_RATE;
  std::vector<double> w(frames(0.9, rate));
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double p = 2.0 * PI * static_cast<double>(i) / CYCLE;
    const double mod = 2.5 * exponential(-t / 0.06) * sine(3.0 * p);
    w[i] = (sine(p + mod) + 0.3 * sine(2.0 * p + 0.5 * mod)) * exponential(-t / 0.3) * std::min(1.0, t / 0.001);
  }
  return instrument("pluck", tonalSample("pluck", toPcm(w, 0.95, frames(0.1, rate)), 40, false));
}

// A soft bell: a sine with a decaying second and fourth partial, rung once.
xm::Instrument bell() {
  const double rate = TONAL_RATE;
  std::vector<double> w(frames(1.6, rate));
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double p = 2.0 * PI * static_cast<double>(i) / CYCLE;
    const double mod = 1.2 * exponential(-t / 0.25) * sine(2.0 * p);
    w[i] = (sine(p + mod) + 0.25 * sine(4.0 * p) * exponential(-t / 0.15)) * exponential(-t / 0.45) *
           std::min(1.0, t / 0.002);
  }
  auto ins = instrument("bell", tonalSample("bell", toPcm(w, 0.95, frames(0.1, rate)), 38, false));
  return ins;
}

}  // namespace

double sine(double x) {
  const double turn = 2.0 * PI;
  double r = x - std::floor(x / turn + 0.5) * turn;  // -pi .. pi
  if (r > PI / 2) r = PI - r;
  if (r < -PI / 2) r = -PI - r;
  return sineReduced(r);
}

double exponential(double x) {
  if (x < -700.0) return 0.0;
  const double ln2 = 0.69314718055994530942;
  const double n = std::floor(x / ln2 + 0.5);
  const double r = x - n * ln2;  // |r| <= 0.35
  double term = 1.0, sum = 1.0;
  for (int k = 1; k <= 14; ++k) {
    term = term * r / k;
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(n));
}

double Noise::next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return static_cast<double>(state) / 2147483648.0 - 1.0;
}

std::vector<xm::Instrument> makeInstruments() {
  std::vector<xm::Instrument> all;
  all.push_back(kick());
  all.push_back(clap());
  all.push_back(snare());
  all.push_back(closedHat());
  all.push_back(openHat());
  all.push_back(crash());
  all.push_back(tom());
  all.push_back(riser());
  all.push_back(bass());
  for (int step = 0; step < ACID_STEPS; ++step) all.push_back(acid(step));
  all.push_back(pad());
  all.push_back(arp());
  all.push_back(lead(false));
  all.push_back(lead(true));
  all.push_back(stab("stab", 128));
  all.push_back(bell());
  all.push_back(vox());
  all.push_back(ride());
  all.push_back(pluck());
  all.push_back(stab("stab left", 0x14));
  all.push_back(stab("stab right", 0xEC));
  all.push_back(shaker());
  if (all.size() != INSTRUMENT_COUNT) throw std::logic_error("the instrument list does not match its numbers");
  return all;
}

}  // namespace music
