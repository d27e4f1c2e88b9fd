#pragma once
// The live show started part-way, at show time T (`zod --start T`).
//
// After the usual start-up the show is run unseen on the capture's clock at 60 frames a second,
// with the music rendered offline in step for its sync events, exactly as a capture would run it,
// up to the row of the music at or after T: the timeline, the sync history (the latest code a key
// repeats included) and every effect's state are then those of a capture at that moment. The
// scenes whose state moves with each rendered frame (the tunnel's and the heart's jumps) are
// rendered on the way; the others are not drawn. Then the music is placed on that row, the clock
// goes live from that moment, and the show carries on as usual.

#include <cstdint>

#include "app/Program.h"

// Like runShowOn, from show time `startMicros`.
int runShowFrom(Platform& platform, const ShowOptions& options, std::int64_t startMicros);
