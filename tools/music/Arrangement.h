#pragma once
// The arrangement: what plays in each scene of the show, as runs of bars with one texture each.
// The note writers turn a block's choices into pattern cells bar by bar.

#include <cstddef>
#include <vector>

#include "tools/music/Harmony.h"
#include "tools/music/Song.h"
#include "tools/music/Synth.h"

namespace music {

enum class Drums { None, Pulse, Four, Half, Broken };
enum class Bass { None, Long, Offbeat, Rolling, Acid, Electro };
enum class Chords { None, Pad, VoxPad, OffbeatStabs, ElectroStabs, GatedPad };
enum class Arp { None, Sixteenths, Bells, Plucks, VoxChops };
enum class Lead { None, ThemeA, ThemeAHigh, ThemeB, ThemeC, Hook, Sequence, BellTheme, PluckTheme };
enum class Ending { None, Fill, Build };
enum class Dynamics { Steady, Rise, Fall, FadeOut };

// A block's length when it takes the bars its scene leaves over after the part's other blocks:
// a part with such a block fits scenes of any length (see fitted).
constexpr int STRETCH = -1;

// A run of bars with one texture. A scene's part is a list of blocks.
struct Block {
  int bars;                 // or STRETCH
  Progression progression;  // one chord a bar, repeated
  Drums drums = Drums::None;
  int hats = 0;  // 0 none, 1 open hats on the off-beats, 2 and closed sixteenths
  Bass bass = Bass::None;
  Chords chords = Chords::None;
  Arp arp = Arp::None;
  Lead lead = Lead::None;
  Ending ending = Ending::None;
  bool crash = false;  // a crash on the first downbeat
  bool hit = false;    // a deep hit (kick, low tom, crash) on the first downbeat
  Dynamics dynamics = Dynamics::Steady;
  double level = 1.0;  // the block's loudness: peaks near 1, breakdowns about half
  int variant = 0;     // picks the fills, builds, grooves, acid lines and ornaments
  bool acid = false;   // an acid line over another bass, an octave up
  int sweepFrom = 0, sweepTo = ACID_STEPS - 1;  // the acid filter's travel over the block
  bool ride = false;   // a ride cymbal on the beats (from the second half on)
  bool hold = false;   // a held supersaw note on the chord's top voice, under stabs or a sequence
};

using Part = std::vector<Block>;

// The part a scene plays. Each part fills its scene exactly (the last one also the tail); composeZod
// checks that, so a planned scene whose length changes needs a musician's decision.
struct PlannedPart {
  Scene scene;
  Part part;
};
// The parts of the show's scenes, in show order.
std::vector<PlannedPart> arrangement();

// What a scene without a part of its own plays: a plane's bridge, which fits any length. `late`
// (after the key change) lets it use the sounds the second half brings.
Part bridgePart(bool late);

// `part` with its stretching block, if it has one, sized so that the part lasts `bars` (or dropped
// when nothing is left for it).
Part fitted(Part part, int bars);

// A block where the piece plays it: its first bar, its scene (an index into the timeline) and key.
struct PlacedBlock {
  int bar;
  std::size_t scene;
  int key;  // semitones above A minor
  Block block;
};
// A peak: a full four-to-the-floor block near full level, builds left out.
bool isPeak(const Block& b);

// Every block of the piece in playing order, the parts fitted to their scenes (the last with the
// tail) and bridges under the scenes without a part. Throws on a plan that does not fit.
std::vector<PlacedBlock> placedBlocks(Timeline timeline = TIMELINE);

// From this scene to the end, the piece plays in B minor, KEY_CHANGE_SEMITONES above the A minor
// it starts in.
constexpr Scene KEY_CHANGE{"heart", 4};
constexpr int KEY_CHANGE_SEMITONES = 2;

}  // namespace music
