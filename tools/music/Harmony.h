#pragma once
// The piece's harmony: its chords, how each is voiced, and the progressions the parts play.
//
// Everything is written in A minor; from the heart scene at 12:40 (the middle of the show) the whole
// piece plays a tone higher, in B minor, planes and all, to the end (see KEY_CHANGE in Arrangement.h).

#include <array>
#include <cstdint>
#include <vector>

namespace music {

enum Chord : std::uint8_t { Am, F, C, G, Dm, Em, E };

struct ChordShape {
  std::array<int, 3> pad;    // MIDI notes of the three pad voices, voice-led around middle C
  int bass;                  // root in the bass register
  std::array<int, 6> tones;  // two octaves of chord tones for arpeggios and sequences
  int third;                 // semitones above the root: 3 minor, 4 major
  int seventh;               // the seventh that stays in A minor: 10, or 11 on F and C
};

const ChordShape& shapeOf(Chord c);

// One chord a bar, repeated for as long as a block lasts.
using Progression = std::vector<Chord>;
extern const Progression MAIN, SECOND, DESCENT, HYPNOTIC, SLOW;
// Heard only after 10:00: the late theme's chords and a darker tunnel.
extern const Progression LATE, DARK, LIFT;

}  // namespace music
