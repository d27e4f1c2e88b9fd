// The chords of a bar: held pads and choir, the trance gate, stabs, and the held note under them.
#include <algorithm>
#include <array>
#include <cstdint>

#include "tools/music/Mix.h"
#include "tools/music/NoteWriters.h"
#include "tools/music/Synth.h"

namespace music {
namespace {

// A held note that follows the chords: struck when the chord changes, released before the next,
// and over a four-to-the-floor beat ducked under every kick and slid back up (the pump).
void sustain(Score& score, int row0, const Block& b, int ch, int midi, std::uint8_t instrument, double base,
             std::uint8_t pan, bool struck, bool released) {
  if (struck) {
    score.note(row0, ch, midi, instrument, base);
    score.command(row0, ch, PANNING, pan);
  } else if (b.dynamics >= Dynamics::Fall) {
    score.setVolume(row0, ch, base, instrument);
    score.command(row0 + 8, ch, VOLUME_SLIDE, 0x01);  // and on down through the bar
  }
  if (released) score.off(row0 + 14, ch);
  if (b.drums != Drums::Four) return;
  for (int s = struck ? 4 : 0; s < 16; s += 4) {
    const double low = base * 0.4;
    score.setVolume(row0 + s, ch, low, instrument);
    const double rise = (base - low) * mixGain(instrument);
    // Rounded down, so the swell never ends above the level the note was struck at.
    const int perTick = std::clamp(static_cast<int>(rise / (SPEED - 1)), 1, 15);
    score.volumeCommand(row0 + s + 1, ch, static_cast<std::uint8_t>(VOLUME_SLIDE_UP | perTick));
  }
}

}  // namespace

void writeChords(Score& score, int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f,
                 Chord next) {
  const ChordShape& sh = shapeOf(chord);
  // The held chord tone moves to the other side with each chord it takes up.
  if (b.hold)
    sustain(score, row0, b, HOLD_CH, score.tone(sh.pad[2]), PAD, 20 * f, (row0 / ROWS_PER_BAR) % 2 ? 0x40 : 0xC0,
            chordChanges, lastBar || next != chord);
  const int channels[3] = {PAD1_CH, PAD2_CH, PAD3_CH};
  // The three voices spread over the stereo field; the stabs carry their panning in the instrument.
  const std::uint8_t pans[3] = {0x18, 0x80, 0xE8};
  const std::uint8_t stabs[3] = {STAB_LEFT, STAB, STAB_RIGHT};
  // The stabs' middle voice plays softer than the outer ones, so that they sound wide.
  constexpr double CENTRE = 0.7;
  switch (b.chords) {
    case Chords::None: return;
    case Chords::Pad:
    case Chords::VoxPad: {
      const std::uint8_t instrument = b.chords == Chords::VoxPad ? VOX : PAD;
      for (int v = 0; v < 3; ++v)
        sustain(score, row0, b, channels[v], score.tone(sh.pad[static_cast<std::size_t>(v)]), instrument,
                (instrument == VOX ? 26 : 22) * f, pans[v], chordChanges, lastBar || next != chord);
      return;
    }
    case Chords::GatedPad: {
      // A trance gate: the chord re-struck on a sixteenth figure and cut short (ECx) after each step.
      static constexpr std::array<int, 16> GATE{1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1, 1, 1};
      for (int s = 0; s < 16; ++s) {
        if (!GATE[static_cast<std::size_t>(s)]) continue;
        for (int v = 0; v < 3; ++v) {
          score.note(row0 + s, channels[v], score.tone(sh.pad[static_cast<std::size_t>(v)] + 12),
                     stabs[static_cast<std::size_t>(v)], (s % 4 == 0 ? 24 : 17) * f * (v == 1 ? CENTRE : 1.0));
          score.command(row0 + s, channels[v], EXTENDED, NOTE_CUT | 4);
        }
      }
      return;
    }
    case Chords::OffbeatStabs:
    case Chords::ElectroStabs: {
      const bool offbeat = b.chords == Chords::OffbeatStabs;
      const int offbeatSteps[] = {2, 6, 10, 14};
      const int electroSteps[] = {0, 3, 6, 10, 12};
      const int* steps = offbeat ? offbeatSteps : electroSteps;
      const int count = offbeat ? 4 : 5;
      // The voices start at different points of the sample (9xx), so that their attacks do not
      // add up to one sharp peak.
      for (int k = 0; k < count; ++k)
        for (int v = 0; v < 3; ++v) {
          score.note(row0 + steps[k], channels[v], score.tone(sh.pad[static_cast<std::size_t>(v)] + 12),
                     stabs[static_cast<std::size_t>(v)], (k == 0 ? 22 : 18) * f * (v == 1 ? CENTRE : 1.0));
          score.command(row0 + steps[k], channels[v], SAMPLE_OFFSET, static_cast<std::uint8_t>(0x28 * v + 0x08 * k));
        }
      // Without a melody to echo, the stabs' top voice is thrown left and right by the echo.
      if (b.lead == Lead::None)
        for (int k = 0; k < count; ++k) {
          const int row = row0 + steps[k] + ECHO_DELAY;
          score.note(row, ECHO_CH, score.tone(sh.pad[2] + 12), STAB, 12 * f);
          score.command(row, ECHO_CH, PANNING, k % 2 ? 0x10 : 0xF0);
        }
      // Electro stabs end each bar with the chord arpeggiated on one voice (0xy).
      if (!offbeat) score.command(row0 + 12, PAD2_CH, ARPEGGIO, static_cast<std::uint8_t>(sh.third << 4 | 7));
      return;
    }
  }
}

}  // namespace music
