#pragma once
// The piece's melodies and figures: the themes the lead plays, the arpeggio figures and the
// sequence, all as offsets the note writers put over the chord of the bar.

#include <array>
#include <vector>

namespace music {

// A melody note: start in rows from the phrase's start, MIDI note, length in rows.
struct Tone {
  int row, midi, length;
};
struct Theme {
  int bars;
  std::vector<Tone> tones;
};

// The main theme, over MAIN twice.
extern const Theme THEME_A;
// The second theme, over SECOND: long notes that climb to the leading tone and fall home.
extern const Theme THEME_B;
// The late theme, over LATE twice: first heard at 10:32, carried by the pluck, then the lead.
extern const Theme THEME_C;
// The planes' hook, over DESCENT: one figure stepped down the chords.
extern const Theme HOOK;

// Index into a chord's tones, one per row of a bar; each arpeggio variant has its own figure.
inline constexpr std::array<std::array<int, 16>, 4> ARP_FIGURES{{
    {0, 1, 2, 3, 4, 5, 4, 3, 1, 2, 3, 4, 5, 4, 3, 2},
    {0, 2, 4, 2, 1, 3, 5, 3, 0, 2, 4, 2, 1, 3, 5, 4},
    {3, 0, 4, 1, 5, 2, 4, 1, 3, 0, 4, 1, 5, 3, 2, 1},
    {0, 3, 1, 4, 2, 5, 3, 5, 4, 2, 3, 1, 2, 0, 1, 3},
}};
inline constexpr std::array<int, 16> SEQUENCE_STEPS{0, 3, 0, 2, 0, 4, 0, 3, 0, 1, 0, 2, 3, 2, 1, 0};

}  // namespace music
