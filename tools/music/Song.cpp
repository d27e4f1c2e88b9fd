#include "tools/music/Song.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

#include "tools/music/Arrangement.h"
#include "tools/music/Composer.h"
#include "tools/music/Synth.h"

namespace music {
namespace {

int songBars() { return sceneStartBars().back() + TAIL_BARS; }

}  // namespace

std::vector<int> sceneStartBars() {
  std::vector<int> starts;
  int bar = 0;
  for (const TimelineEntry& entry : TIMELINE) {
    starts.push_back(bar);
    bar += sceneBars(entry);
  }
  starts.push_back(bar);
  return starts;
}

xm::XmModule composeZod() {
  const std::vector<int> starts = sceneStartBars();
  const std::vector<Part> parts = arrangement();
  Composer composer(songBars());
  for (std::size_t scene = 0; scene < parts.size(); ++scene) {
    int bar = starts[scene];
    composer.setKey(keyOfScene(scene));
    for (const Block& block : parts[scene]) {
      composer.play(bar, block);
      bar += block.bars;
    }
    const bool last = scene + 1 == parts.size();
    const int expected = starts[scene + 1] + (last ? TAIL_BARS : 0);
    if (bar != expected)
      throw std::logic_error("scene " + std::to_string(scene) + " (" + std::string(TIMELINE[scene].effectName) +
                             ") lasts " + std::to_string(expected - starts[scene]) + " bars" +
                             (last ? " with the tail" : "") + ", but its part in tools/music/Arrangement.cpp plays " +
                             std::to_string(bar - starts[scene]));
  }
  for (const Cue& c : cuePlan()) composer.cue(c.row, c.code);
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
  const int totalRows = songBars() * ROWS_PER_BAR;
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
