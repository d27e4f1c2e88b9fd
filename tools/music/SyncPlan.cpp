#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "effects/EndEffect.h"
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

struct SceneCues {
  Scene scene;
  std::vector<Span> spans;
};

// The cues of the show's scenes, in show order.
const SceneCues SYNC_PLAN[] = {
    {{"presents", 1}, {{2, 3, 16, 0}, {10, 11, 16, 0}}},  // 4 s: the caption appears on the hit
    {{"title", 1}, {{1, 12, 16, 0}, {12, 14, 8, 0}}},
    {{"heart", 1}, {{1, 8, 16, 4}, {8, 40, 8, 4}, {40, 48, 32, 0}, {48, 58, 8, 4}}},
    {{"heart", 2}, {{1, 8, 16, 0}, {8, 32, 8, 4}, {32, 38, 32, 0}}},
    {{"sphere", 1}, {{2, 38, 64, 0}}},
    {{"squaretunnel", 1}, {{1, 2, 8, 0}}},
    {{"plane", 1}, {{1, 6, 16, 0}}},
    {{"heart", 3}, {{1, 15, 8, 4}, {16, 31, 8, 4}, {32, 38, 8, 4}}},
    {{"plane", 2}, {{1, 6, 16, 0}}},
    {{"tunnel", 1}, {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}}},
    {{"squaretunnel", 2}, {{1, 9, 16, 0}}},
    {{"squaretunnel", 3}, {{1, 6, 8, 0}}},
    {{"plane", 3}, {{1, 9, 16, 0}}},
    {{"title", 2}, {{1, 8, 32, 0}, {8, 12, 16, 0}, {12, 14, 8, 0}}},
    {{"plane", 4}, {{1, 9, 16, 0}}},
    {{"tunnel", 2}, {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}}},
    {{"plane", 5}, {{1, 9, 16, 8}}},
    {{"squaretunnel", 4}, {{1, 6, 8, 0}}},
    {{"plane", 6}, {{1, 9, 16, 0}}},
    {{"heart", 4}, {{1, 8, 16, 4}, {8, 40, 8, 4}, {40, 48, 32, 0}, {48, 58, 8, 4}}},
    {{"plane", 7}, {{1, 9, 16, 0}}},
    {{"title", 3}, {{2, 16, 32, 0}, {16, 32, 16, 0}, {32, 38, 8, 0}}},
    {{"plane", 8}, {{1, 9, 16, 0}}},
    {{"squaretunnel", 5}, {{1, 6, 8, 0}}},
    {{"plane", 9}, {{1, 9, 16, 8}}},
    {{"title", 4}, {{1, 12, 16, 0}, {12, 14, 8, 0}}},
    {{"plane", 10}, {{1, 9, 16, 0}}},
    {{"tunnel", 3}, {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}}},
    {{"plane", 11}, {{1, 9, 16, 0}}},
    {{"squaretunnel", 6}, {{1, 6, 8, 0}}},
    {{"plane", 12}, {{1, 9, 16, 8}}},
    {{"title", 5}, {{1, 8, 16, 0}, {8, 40, 16, 0}, {40, 56, 8, 0}, {56, 58, 16, 0}}},
    {{"plane", 13}, {{1, 9, 16, 0}}},
    {{"sphere", 2}, {{2, 38, 64, 0}}},
    {{"plane", 14}, {{1, 9, 16, 0}}},
    {{"squaretunnel", 7}, {{1, 6, 16, 0}}},
    {{"plane", 15}, {{1, 9, 16, 0}}},
    {{"end", 1}, {}},               // the outro: a rest, nothing to steer
    {{"end", 2}, {{4, 5, 16, 0}}},  // 25:14, as the last chord fades: the show ends
};

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

std::vector<Cue> cuePlan(Timeline timeline) {
  const std::vector<Scene> scenes = scenesOf(timeline);
  for (const SceneCues& planned : SYNC_PLAN)
    requireScene(scenes, planned.scene, "the sync plan (tools/music/SyncPlan.cpp)");
  const std::vector<int> starts = sceneStartBars(timeline);
  std::vector<Cue> cues;
  for (std::size_t scene = 0; scene < scenes.size(); ++scene) {
    const auto planned = std::ranges::find(SYNC_PLAN, scenes[scene], &SceneCues::scene);
    if (planned == std::end(SYNC_PLAN)) continue;
    const int base = starts[scene] * ROWS_PER_BAR;
    for (const Span& span : planned->spans) {
      const std::uint8_t code = cueCodeOf(scenes[scene].effect);
      for (int row = span.from * ROWS_PER_BAR + span.offset; row < span.to * ROWS_PER_BAR; row += span.every)
        cues.push_back({base + row, code, static_cast<int>(scene)});
    }
  }
  return cues;
}

}  // namespace music
