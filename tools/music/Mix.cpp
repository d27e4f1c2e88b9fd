#include "tools/music/Mix.h"

#include "tools/music/Synth.h"

namespace music {
namespace {

// The mix: how loud each instrument sits against the volumes the parts write. What carries the
// tune comes forward, but the drums stay within a few LU of the mix: they make the peaks.
double instrumentGain(std::uint8_t instrument) {
  if (instrument >= ACID && instrument < ACID + ACID_STEPS) return 1.15;
  switch (instrument) {
    case KICK: return 1.0;
    case CLAP: case SNARE: return 1.6;
    case TOM: return 0.55;
    case BASS: return 1.3;
    case CLOSED_HAT: case OPEN_HAT: case RIDE: case SHAKER: return 2.6;
    case CRASH: return 1.5;
    case RISER: return 1.0;
    case PAD: case STAB: case STAB_LEFT: case STAB_RIGHT: return 1.85;
    case ARP: return 2.1;
    case BELL: case PLUCK: return 2.4;
    case LEAD_LEFT: case LEAD_RIGHT: return 0.86;
    case VOX: return 1.2;
    default: return 1.0;
  }
}

}  // namespace

// The master level on top, set so that the loudest moment stays below -1 dBFS true peak.
double mixGain(std::uint8_t instrument) { return 0.98 * instrumentGain(instrument); }

}  // namespace music
