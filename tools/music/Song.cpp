#include "tools/music/Song.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "tools/music/Arrangement.h"
#include "tools/music/Composer.h"
#include "tools/music/Synth.h"

namespace music {
namespace {

const PlannedPart* planFor(const std::vector<PlannedPart>& plan, const Scene& scene) {
  const auto planned = std::ranges::find(plan, scene, &PlannedPart::scene);
  return planned == plan.end() ? nullptr : &*planned;
}

}  // namespace

std::vector<Scene> scenesOf(Timeline timeline) {
  std::vector<Scene> scenes;
  for (const TimelineEntry& entry : timeline)
    scenes.push_back(
        {entry.effectName, 1 + static_cast<int>(std::ranges::count(scenes, entry.effectName, &Scene::effect))});
  return scenes;
}

std::string nameOf(const Scene& scene) {
  return "{\"" + std::string(scene.effect) + "\", " + std::to_string(scene.occurrence) + "}";
}

void requireScene(const std::vector<Scene>& scenes, const Scene& scene, std::string_view plan) {
  if (std::ranges::find(scenes, scene) == scenes.end())
    throw std::logic_error(std::string(plan) + " plans the scene " + nameOf(scene) +
                           ", which show/Timeline.h no longer has: a stale plan to move or drop");
}

std::vector<int> sceneStartBars(Timeline timeline) {
  std::vector<int> starts;
  int bar = 0;
  for (const TimelineEntry& entry : timeline) {
    starts.push_back(bar);
    bar += sceneBars(entry);
  }
  starts.push_back(bar);
  return starts;
}

std::vector<std::size_t> unplannedScenes(Timeline timeline) {
  const std::vector<Scene> scenes = scenesOf(timeline);
  const std::vector<PlannedPart> plan = arrangement();
  std::vector<std::size_t> unplanned;
  for (std::size_t scene = 0; scene < scenes.size(); ++scene)
    if (!planFor(plan, scenes[scene])) unplanned.push_back(scene);
  return unplanned;
}

std::vector<PlacedBlock> placedBlocks(Timeline timeline) {
  const std::vector<Scene> scenes = scenesOf(timeline);
  const std::vector<PlannedPart> plan = arrangement();
  for (const PlannedPart& planned : plan)
    requireScene(scenes, planned.scene, "the arrangement (tools/music/Arrangement.cpp)");
  requireScene(scenes, KEY_CHANGE, "the key change (tools/music/Arrangement.h)");
  const std::vector<int> starts = sceneStartBars(timeline);
  std::vector<PlacedBlock> placed;
  bool changedKey = false;
  for (std::size_t scene = 0; scene < scenes.size(); ++scene) {
    if (scenes[scene] == KEY_CHANGE) changedKey = true;
    const bool last = scene + 1 == scenes.size();
    const int expected = starts[scene + 1] - starts[scene] + (last ? TAIL_BARS : 0);
    const PlannedPart* planned = planFor(plan, scenes[scene]);
    int bar = starts[scene];
    for (const Block& block : fitted(planned ? planned->part : bridgePart(changedKey), expected)) {
      placed.push_back({bar, scene, changedKey ? KEY_CHANGE_SEMITONES : 0, block});
      bar += block.bars;
    }
    // Numbered as zod --list-scenes numbers them, and named as the plans name them.
    if (bar - starts[scene] != expected)
      throw std::logic_error("scene " + std::to_string(scene + 1) + " " + nameOf(scenes[scene]) + " lasts " +
                             std::to_string(expected) + " bars" + (last ? " with the tail" : "") +
                             ", but its part in tools/music/Arrangement.cpp plays " +
                             std::to_string(bar - starts[scene]));
  }
  return placed;
}

xm::XmModule composeZod(Timeline timeline) {
  const std::vector<PlacedBlock> placed = placedBlocks(timeline);
  const std::vector<int> starts = sceneStartBars(timeline);
  const int songBars = starts.back() + TAIL_BARS;
  Composer composer(songBars);
  for (const PlacedBlock& p : placed) {
    composer.setKey(p.key);
    composer.play(p.bar, p.block);
  }
  for (const Cue& c : cuePlan(timeline)) composer.cue(c.row, c.code);
  composer.keepTime();

  xm::XmModule m;
  m.name = "zod";
  m.trackerName = "zod music generator";
  m.channels = CHANNELS;
  m.speed = SPEED;
  m.bpm = TEMPO;
  m.instruments = makeInstruments();

  // Patterns of at most 8 bars, cut at every scene start; identical ones are stored once.
  const int maxRows = 8 * ROWS_PER_BAR;
  const std::vector<std::vector<xm::Cell>>& rows = composer.rows();
  std::vector<int> cuts(starts.begin(), starts.end() - 1);
  const int totalRows = songBars * ROWS_PER_BAR;
  for (std::size_t k = 0; k < cuts.size(); ++k) {
    const int from = cuts[k] * ROWS_PER_BAR;
    const int to = k + 1 < cuts.size() ? cuts[k + 1] * ROWS_PER_BAR : totalRows;
    for (int row = from; row < to; row += maxRows) {
      xm::Pattern p;
      const int end = std::min(to, row + maxRows);
      p.rows.assign(rows.begin() + row, rows.begin() + end);
      std::size_t index = 0;
      while (index < m.patterns.size() && m.patterns[index].rows != p.rows) ++index;
      if (index == m.patterns.size()) m.patterns.push_back(std::move(p));
      m.orders.push_back(static_cast<std::uint8_t>(index));
    }
  }
  return m;
}

}  // namespace music
