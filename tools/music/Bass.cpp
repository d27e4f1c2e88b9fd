// The bass of a bar: held roots, off-beat and rolling lines, the electro line and the acid line.
#include <algorithm>
#include <cstdint>

#include "tools/music/NoteWriters.h"
#include "tools/music/Synth.h"

namespace music {

void writeBassLine(Score& score, int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f,
                   bool dive) {
  const ChordShape& sh = shapeOf(chord);
  const int r = score.tone(sh.bass);
  switch (b.bass) {
    case Bass::None:
    case Bass::Acid: return;
    case Bass::Long:
      if (chordChanges) score.note(row0, BASS_CH, r, BASS, 46 * f);
      else if (b.dynamics >= Dynamics::Fall) score.setVolume(row0, BASS_CH, 46 * f, BASS);
      if (lastBar) score.off(row0 + 15, BASS_CH);
      return;
    case Bass::Offbeat:
      for (int s = 2; s < 16; s += 4) {
        score.note(row0 + s, BASS_CH, s == 14 && b.variant % 2 ? r + 12 : r, BASS, 48 * f);
        score.off(row0 + s + 1, BASS_CH);
      }
      return;
    case Bass::Rolling:
      for (int s = 0; s < 16; ++s) {
        const bool octave = (b.variant % 2 ? s % 4 == 1 : s % 4 == 3) || (s == 15 && b.variant % 4 == 2);
        if (s % 4 == 0) score.off(row0 + s, BASS_CH);
        else score.note(row0 + s, BASS_CH, octave ? r + 12 : r, BASS, (s % 4 == 2 ? 43 : 40) * f);
      }
      if (dive) score.command(row0 + 15, BASS_CH, SLIDE_DOWN, 0x20);  // the bass dives into the drop
      return;
    case Bass::Electro: {
      const int steps[] = {0, 3, 6, 8, 10, 11, 14};
      const int line[] = {0, 0, 12, 0, sh.seventh, 12, 0};
      // Every other bar the second note slides up into the octave instead of stopping.
      const bool slide = (row0 / ROWS_PER_BAR) % 2 == 1;
      for (int k = 0; k < 7; ++k) {
        if (k == 2 && slide) score.glide(row0 + steps[k], BASS_CH, r + line[k], BASS, 44 * f, 0x20);
        else score.note(row0 + steps[k], BASS_CH, r + line[k], BASS, (k == 0 ? 52 : 44) * f);
        if (k + 1 < 7 && steps[k + 1] > steps[k] + 2 && !(k == 1 && slide)) score.off(row0 + steps[k] + 2, BASS_CH);
      }
      score.off(row0 + 16, BASS_CH);
      return;
    }
  }
}

// A sixteen-step acid line: slides (3xx), accents (louder, and two brighter steps of the filter)
// and rests drawn from a fixed seed per variant, in an A A' A B phrase; the filter follows the
// block's sweep from note to note.
void writeAcidLine(Score& score, int row0, const Block& b, Chord chord, int i, double f) {
  const ChordShape& sh = shapeOf(chord);
  const bool layered = b.bass != Bass::Acid;
  const int root = score.tone(sh.bass) + (layered ? 12 : 0);
  // The filter knob turns note by note across the block, not bar by bar.
  const double rows = b.bars * ROWS_PER_BAR - 1;
  auto position = [&](int s) { return b.sweepFrom + (b.sweepTo - b.sweepFrom) * (i * ROWS_PER_BAR + s) / rows; };
  const int phrase = i % 4 == 3 ? 2 : i % 4 == 1 ? 1 : 0;
  Noise n(static_cast<std::uint32_t>(0xAC1D + 97 * b.variant + 13 * phrase));
  const int intervals[8] = {0, 0, 12, 0, 7, sh.seventh, sh.third, 12};
  bool sounding = false;
  for (int s = 0; s < 16; ++s) {
    const double restDraw = n.next(), intervalDraw = n.next(), accentDraw = n.next(), slideDraw = n.next();
    const int row = row0 + s;
    if (s > 0 && restDraw < -0.55) {
      score.off(row, ACID_CH);
      sounding = false;
      continue;
    }
    const int midi = root + intervals[static_cast<int>((intervalDraw + 1.0) * 4.0) & 7];
    const bool accent = accentDraw > 0.35 || s == 0;
    const int step = std::clamp(static_cast<int>(position(s) + 0.5) + (accent ? 2 : 0), 0, ACID_STEPS - 1);
    const double volume = (accent ? 48 : 34) * f * (layered ? 0.7 : 1.0);
    if (sounding && slideDraw > 0.45) {
      score.glide(row, ACID_CH, midi, ACID, volume, 0x40);
    } else {
      score.note(row, ACID_CH, midi, static_cast<std::uint8_t>(ACID + step), volume);
      // Struck notes lean left and right in turn, wider when a bass holds the centre under them.
      score.command(row, ACID_CH, PANNING,
                    static_cast<std::uint8_t>(s % 4 < 2 ? (layered ? 0x40 : 0x58) : (layered ? 0xC0 : 0xA8)));
    }
    sounding = true;
  }
  // Released after the block, or its last note would hold on under whatever follows.
  if (i == b.bars - 1) score.off(row0 + ROWS_PER_BAR, ACID_CH);
}

}  // namespace music
