#pragma once
// The show's music module (MUSIC_FILE): a trance piece at 120 beats per minute, in A minor and from the middle
// of the show in B minor, composed by code.
//
// At 120 bpm, 6 ticks a row and 4 rows a beat, every row lasts exactly 125 ms and every bar 2 s, so
// each scene of the show's timeline (all of them whole multiples of 2 s) starts on a downbeat and
// each scene gets a part of its own. The scenes are the entries of show/Timeline.h, read as they
// are. The Zxx cues that steer the effects sit on a channel of their own (with the tempo rows that
// keep time); where they fall is decided by one table, the sync plan, in SyncPlan.cpp. What each
// scene plays is the arrangement (Arrangement.cpp); the note writers and the composer write it out.
// Both tables name their scenes (see Scene), so a new entry anywhere moves the others only in time.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "show/Timeline.h"
#include "tools/xm/XmWriter.h"

namespace music {

constexpr int SPEED = 6;
constexpr int TEMPO = 120;
constexpr int ROWS_PER_BAR = 16;
// SPEED * 2.5 / TEMPO; every two bars last exactly 4 s also where a player rounds ticks to whole
// samples (see the tempo rows in Composer.cpp).
constexpr double ROW_SECONDS = 0.125;
constexpr int CHANNELS = 19;
constexpr int CUE_CHANNEL = 18;

constexpr int BAR_MS = 2000;  // ROWS_PER_BAR rows of ROW_SECONDS

// A scene's length in bars: its timeline entry's duration, which must be whole bars (checked below).
constexpr int sceneBars(const TimelineEntry& entry) { return static_cast<int>(entry.durationMs) / BAR_MS; }
constexpr bool lastsWholeBars(const TimelineEntry& entry) {
  return entry.durationMs == static_cast<float>(sceneBars(entry) * BAR_MS);
}
static_assert(std::ranges::all_of(TIMELINE, lastsWholeBars),
              "every entry of show/Timeline.h must last a whole number of 2 s bars: the music gives each scene "
              "whole bars and starts it on a downbeat");

// The bars the piece plays after the last scene has ended (a short tail, should the show run on).
constexpr int TAIL_BARS = 2;

// The build composes for show/Timeline.h; the tests also for timelines of their own. Every entry
// must last whole bars, as the static_assert above demands of TIMELINE.
using Timeline = std::span<const TimelineEntry>;

// A scene as the plans name it: its effect and which of that effect's entries it is, counting
// from 1 in show order ({"heart", 3} is the third heart scene). Entries of other effects added or
// removed anywhere leave the name as it is, and with it the scene's part, cues and key.
struct Scene {
  std::string_view effect;
  int occurrence;
  bool operator==(const Scene&) const = default;
};
// The scenes of `timeline`, in its order.
std::vector<Scene> scenesOf(Timeline timeline);
// How messages name a scene: as the plans spell it, {"heart", 3}.
std::string nameOf(const Scene& scene);
// Throws unless `scene`, which the plan `plan` names, is one of `scenes`: a plan for a scene the
// timeline no longer has is stale, and a musician has to move or drop it.
void requireScene(const std::vector<Scene>& scenes, const Scene& scene, std::string_view plan);

// The bar each scene starts on, in timeline order, and after them the bar the last one ends on.
std::vector<int> sceneStartBars(Timeline timeline = TIMELINE);

// A sync cue: a Zxx with `code` on song row `row` (every row lasts ROW_SECONDS).
struct Cue {
  int row;
  std::uint8_t code;
  int scene;  // index into the timeline
  bool operator==(const Cue&) const = default;
};
// All cues of the piece, in playing order. A scene the sync plan does not name has none.
std::vector<Cue> cuePlan(Timeline timeline = TIMELINE);

// The scenes (indices into the timeline) the arrangement has no part for: each plays a bridge.
std::vector<std::size_t> unplannedScenes(Timeline timeline = TIMELINE);

// The whole module, ready for xm::writeXm.
xm::XmModule composeZod(Timeline timeline = TIMELINE);

}  // namespace music
