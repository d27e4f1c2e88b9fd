#pragma once
// The live show started part-way, at show time T (`zod --start T`), and run again from wherever
// the seek keys go.
//
// After the usual start-up the show is run unseen on the capture's clock at 60 frames a second,
// with the music rendered offline in step for its sync events, exactly as a capture would run it,
// up to the row of the music at or after T: the timeline, the sync history (the latest code a key
// repeats included) and every effect's state are then those of a capture at that moment. The
// scenes whose state moves with each rendered frame (the tunnel's and the heart's jumps) are
// rendered on the way; the others are not drawn. Then the music is placed on that row, the clock
// goes live from that moment, and the show carries on as usual.
//
// A seek is the same late start from the moment the keys ask for: a show made afresh and run up
// to it, with the cue table learnt at the first start, the sound's level and the pause kept. Seek
// keys pressed while it runs add up and send it on to their target.

#include <cstdint>

#include "app/Program.h"

// The ordinary start: the show clock starts with the start-up, and the music plays at once.
inline constexpr std::int64_t FROM_THE_START = -1;

// Like runShowOn, from show time `startMicros` (or FROM_THE_START), and again from every seek. With
// `study`, the study mode first, at `startMicros`. S while paused goes to the study mode, and Space
// there comes back to the live show at the moment studied, by the same way as a seek.
int runShowFrom(Platform& platform, const ShowOptions& options, std::int64_t startMicros, bool study = false);
