// The melody of a bar: a theme on the lead (or on the bells or the pluck), or the sequence, with
// its echo, glides and vibrato.
#include <cstdint>
#include <cstdlib>

#include "tools/music/NoteWriters.h"
#include "tools/music/Synth.h"
#include "tools/music/Themes.h"

namespace music {
namespace {

void leadNote(Score& score, int row, int midi, std::uint8_t left, std::uint8_t right, double volume, bool slide) {
  if (slide) {
    score.glide(row, LEAD_LEFT_CH, midi, LEAD_LEFT, volume, 0x18);
    score.glide(row, LEAD_RIGHT_CH, midi, LEAD_RIGHT, volume, 0x18);
  } else {
    score.note(row, LEAD_LEFT_CH, midi, left, volume);
    score.note(row, LEAD_RIGHT_CH, midi, right, volume);
    // The right half starts elsewhere in its sample (9xx): the shared centre voice would otherwise
    // strike in phase on both sides.
    score.command(row, LEAD_RIGHT_CH, SAMPLE_OFFSET, 0x40);
  }
}

}  // namespace

void writeMelody(Score& score, int row0, const Block& b, Chord chord, int i, bool lastBar, double f) {
  const Theme* theme = nullptr;
  int transpose = 0;
  std::uint8_t left = LEAD_LEFT, right = LEAD_RIGHT;
  switch (b.lead) {
    case Lead::None: return;
    case Lead::ThemeA: theme = &THEME_A; break;
    case Lead::ThemeAHigh: theme = &THEME_A; transpose = 12; break;
    case Lead::ThemeB: theme = &THEME_B; break;
    case Lead::ThemeC: theme = &THEME_C; break;
    // The hook keeps its register in every setting: an octave up it made the choir peak piercing.
    case Lead::Hook: theme = &HOOK; break;
    case Lead::BellTheme: theme = &THEME_A; left = right = BELL; break;
    case Lead::PluckTheme: theme = &THEME_C; left = right = PLUCK; break;
    case Lead::Sequence: {
      const ChordShape& sh = shapeOf(chord);
      for (int s = 0; s < 16; ++s) {
        const int midi =
            score.tone(sh.tones[static_cast<std::size_t>(SEQUENCE_STEPS[static_cast<std::size_t>(s)])] + 12);
        const double v = (s % 4 == 0 ? 32 : 24) * f;
        score.note(row0 + s, LEAD_LEFT_CH, midi, ARP, v);
        score.command(row0 + s, LEAD_LEFT_CH, PANNING, s % 2 ? 0x58 : 0xA8);  // a sequence that ticks across
        score.note(row0 + s + ECHO_DELAY, ECHO_CH, midi, ARP, v * 0.4);
        score.command(row0 + s + ECHO_DELAY, ECHO_CH, PANNING, s % 8 < 4 ? 0x20 : 0xE0);
      }
      return;
    }
  }
  const bool struck = left == BELL || left == PLUCK;
  const ChordShape& sh = shapeOf(chord);
  const int phraseRow = (i % theme->bars) * ROWS_PER_BAR;
  const double volume = (struck ? 44 : 40) * f;
  int previousEnd = -1, previousMidi = 0;
  for (std::size_t k = 0; k < theme->tones.size(); ++k) {
    const Tone& t = theme->tones[k];
    const bool inBar = t.row >= phraseRow && t.row < phraseRow + ROWS_PER_BAR;
    if (!inBar) {
      previousEnd = t.row + t.length, previousMidi = t.midi;
      continue;
    }
    const int row = row0 + t.row - phraseRow;
    const int midi = score.tone(t.midi + transpose);
    // Steps of a tone or less that follow on without a gap are sung legato: a glide (3xx).
    const bool slide = !struck && previousEnd == t.row && t.row != phraseRow && std::abs(t.midi - previousMidi) <= 2 &&
                       (b.variant + static_cast<int>(k)) % 2 == 0;
    if (struck) {
      score.note(row, LEAD_LEFT_CH, midi, left, volume);
    } else {
      leadNote(score, row, midi, left, right, volume, slide);
    }
    // The echo, thrown left and right in turn.
    score.note(row + ECHO_DELAY, ECHO_CH, midi, struck ? left : std::uint8_t{LEAD_LEFT}, volume * 0.35);
    score.command(row + ECHO_DELAY, ECHO_CH, PANNING, k % 2 ? 0x18 : 0xE8);
    if (!struck) {
      if (t.length >= 6) {
        // Long notes: vibrato once the note has settled; in the hook's second form, the chord as a
        // tracker arpeggio instead.
        for (int s = 3; s < t.length; ++s) {
          if (b.lead == Lead::Hook && b.variant % 4 == 1) {
            score.command(row + s, LEAD_LEFT_CH, ARPEGGIO, static_cast<std::uint8_t>(sh.third << 4 | 7));
            score.command(row + s, LEAD_RIGHT_CH, ARPEGGIO, static_cast<std::uint8_t>(sh.third << 4 | 7));
          } else {
            score.command(row + s, LEAD_LEFT_CH, VIBRATO, 0x64);
            score.command(row + s, LEAD_RIGHT_CH, VIBRATO, 0x64);
          }
        }
      }
      score.off(row + t.length, LEAD_LEFT_CH);
      score.off(row + t.length, LEAD_RIGHT_CH);
      score.off(row + t.length + ECHO_DELAY, ECHO_CH);
    }
    previousEnd = t.row + t.length, previousMidi = t.midi;
  }
  if (lastBar && !struck) {
    score.off(row0 + ROWS_PER_BAR, LEAD_LEFT_CH);
    score.off(row0 + ROWS_PER_BAR, LEAD_RIGHT_CH);
    score.off(row0 + ROWS_PER_BAR + ECHO_DELAY, ECHO_CH);
  }
}

}  // namespace music
