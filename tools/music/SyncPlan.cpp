#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "effects/EndEffect.h"
#include "show/Timeline.h"
#include "tools/music/Song.h"

namespace music {
namespace {

// Each scene's cues as spans of bars, counted from the scene's start: from bar `from` up to (not
// including) bar `to`, one cue every `every` rows (16 rows a bar, 4 a beat) starting `offset` rows
// into bar `from`. A scene's cues carry its effect's code (cueCodeOf); no cue here skips
// (SKIP_CODE): the music follows the timeline.
//
// The show changes scenes by its own clock, which runs a little ahead of the music (start-up) and
// falls a little behind it (a frame per scene change), so no cue comes within 2 s of a scene's
// nominal start or end. Cues sit on downbeats, on the clap of beats 2 and 4, or on every beat in
// the peaks; never closer than a beat (2 a second), with rests in the breaks.
struct Span {
  int from, to, every, offset;
};

// One row per entry of show/Timeline.h, in its order.
const std::vector<Span> SYNC_PLAN[] = {
    /*  0 */ {{2, 3, 16, 0}, {10, 11, 16, 0}},  // 4 s: the caption appears on the hit
    /*  1 */ {{1, 12, 16, 0}, {12, 14, 8, 0}},
    /*  2 */ {{1, 8, 16, 4}, {8, 40, 8, 4}, {40, 48, 32, 0}, {48, 58, 8, 4}},
    /*  3 */ {{1, 8, 16, 0}, {8, 32, 8, 4}, {32, 38, 32, 0}},
    /*  4 */ {{2, 38, 64, 0}},
    /*  5 */ {{1, 2, 8, 0}},
    /*  6 */ {{1, 6, 16, 0}},
    /*  7 */ {{1, 15, 8, 4}, {16, 31, 8, 4}, {32, 38, 8, 4}},
    /*  8 */ {{1, 6, 16, 0}},
    /*  9 */ {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}},
    /* 10 */ {{1, 9, 16, 0}},
    /* 11 */ {{1, 6, 8, 0}},
    /* 12 */ {{1, 9, 16, 0}},
    /* 13 */ {{1, 8, 32, 0}, {8, 12, 16, 0}, {12, 14, 8, 0}},
    /* 14 */ {{1, 9, 16, 0}},
    /* 15 */ {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}},
    /* 16 */ {{1, 9, 16, 8}},
    /* 17 */ {{1, 6, 8, 0}},
    /* 18 */ {{1, 9, 16, 0}},
    /* 19 */ {{1, 8, 16, 4}, {8, 40, 8, 4}, {40, 48, 32, 0}, {48, 58, 8, 4}},
    /* 20 */ {{1, 9, 16, 0}},
    /* 21 */ {{2, 16, 32, 0}, {16, 32, 16, 0}, {32, 38, 8, 0}},
    /* 22 */ {{1, 9, 16, 0}},
    /* 23 */ {{1, 6, 8, 0}},
    /* 24 */ {{1, 9, 16, 8}},
    /* 25 */ {{1, 12, 16, 0}, {12, 14, 8, 0}},
    /* 26 */ {{1, 9, 16, 0}},
    /* 27 */ {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}},
    /* 28 */ {{1, 9, 16, 0}},
    /* 29 */ {{1, 6, 8, 0}},
    /* 30 */ {{1, 9, 16, 8}},
    /* 31 */ {{1, 8, 16, 0}, {8, 40, 16, 0}, {40, 56, 8, 0}, {56, 58, 16, 0}},
    /* 32 */ {{1, 9, 16, 0}},
    /* 33 */ {{2, 38, 64, 0}},
    /* 34 */ {{1, 9, 16, 0}},
    /* 35 */ {{1, 6, 16, 0}},
    /* 36 */ {{1, 9, 16, 0}},
    /* 37 */ {},               // the outro: a rest, nothing to steer
    /* 38 */ {{4, 5, 16, 0}},  // 25:14, as the last chord fades: the show ends
};
static_assert(std::extent_v<decltype(SYNC_PLAN)> == TIMELINE_ENTRIES,
              "the sync plan (tools/music/SyncPlan.cpp) needs one row of cues for every entry of show/Timeline.h");

// The code a scene's cues carry, by the effect the scene shows. Only the end's changes anything (it
// ends the show); the others name their effect, so that the cues read as the show in a tracker.
std::uint8_t cueCodeOf(std::string_view effect) {
  static constexpr std::pair<std::string_view, std::uint8_t> CODES[] = {
      {"presents", 2},     {"title", 3}, {"heart", 4},  {"sphere", 5},
      {"squaretunnel", 6}, {"plane", 7}, {"tunnel", 8}, {"end", EndEffect::QUIT_CODE}};
  for (const auto& [name, code] : CODES)
    if (name == effect) return code;
  throw std::logic_error("the sync plan (tools/music/SyncPlan.cpp) has cues for the effect \"" + std::string(effect) +
                         "\" but no code for them");
}

}  // namespace

std::vector<Cue> cuePlan() {
  const std::vector<int> starts = sceneStartBars();
  std::vector<Cue> cues;
  for (std::size_t scene = 0; scene < std::size(SYNC_PLAN); ++scene) {
    const int base = starts[scene] * ROWS_PER_BAR;
    for (const Span& span : SYNC_PLAN[scene]) {
      const std::uint8_t code = cueCodeOf(TIMELINE[scene].effectName);
      for (int row = span.from * ROWS_PER_BAR + span.offset; row < span.to * ROWS_PER_BAR; row += span.every)
        cues.push_back({base + row, code, static_cast<int>(scene)});
    }
  }
  return cues;
}

}  // namespace music
