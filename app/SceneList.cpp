#include "app/SceneList.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdint>

#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "show/Timeline.h"
#include "show/XmPatternScan.h"

namespace {
constexpr std::uint8_t SKIP = 1;

// The moments of the music's skip cues, in playing order.
bool skipCueTimes(std::vector<double>& times, std::string& error) {
  const std::string path = assetPath("zod.xm");
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(path, bytes)) {
    error = "cannot read the music " + path;
    return false;
  }
  const XmPatternScan scan = XmPatternScan::scan(bytes);
  if (!scan.ok()) {
    error = path + " is not an XM module";
    return false;
  }
  const std::vector<std::uint8_t>& cleared = scan.clearedModule();
  openmpt_module* mod = openmpt_module_create_from_memory2(cleared.data(), cleared.size(), nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr, nullptr);
  if (!mod) {
    error = path + " is not a module the player reads";
    return false;
  }
  const auto& orders = scan.orders();
  for (std::size_t order = 0; order < orders.size(); ++order) {
    for (const ZxxCell& cell : scan.cells()) {
      if (cell.pattern != orders[order] || cell.code != SKIP) continue;
      const double seconds = openmpt_module_set_position_order_row(mod, static_cast<std::int32_t>(order), cell.row);
      // Placing the player on the row gives the time the song reaches it.
      if (seconds >= 0.0) times.push_back(seconds * 1000.0);
    }
  }
  openmpt_module_destroy(mod);
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  return true;
}
}  // namespace

bool listScenes(std::vector<SceneStart>& scenes, std::string& error) {
  std::vector<double> cues;
  if (!skipCueTimes(cues, error)) return false;

  const int count = TIMELINE_ENTRIES;
  // The names are string literals, so their views end in a terminating zero.
  auto nameOf = [](int entry) { return TIMELINE[entry].effectName.data(); };

  // The sequencer's rules: a skip cue moves to the next entry on the old entry's clock; an entry
  // whose time is over starts the next one with a clock of its own.
  scenes.clear();
  int current = 0;
  double sceneStart = 0.0;
  double sceneDuration = TIMELINE[0].durationMs;
  scenes.push_back({1, nameOf(0), 0.0});
  std::size_t cue = 0;
  while (current < count - 1) {
    while (cue < cues.size() && cues[cue] <= 0.0) ++cue;
    const double timeout = sceneStart + sceneDuration;
    if (cue < cues.size() && cues[cue] <= timeout) {
      ++current;
      scenes.push_back({current + 1, nameOf(current), cues[cue]});
      ++cue;
    } else {
      ++current;
      sceneStart = timeout;
      sceneDuration = TIMELINE[current].durationMs;
      scenes.push_back({current + 1, nameOf(current), timeout});
      while (cue < cues.size() && cues[cue] <= timeout) ++cue;
    }
  }
  return true;
}

bool parseSceneNumber(const std::string& text, int& number) {
  std::string digits;
  if (text.rfind("#", 0) == 0)
    digits = text.substr(1);
  else if (text.rfind("scene", 0) == 0)
    digits = text.substr(5);
  else
    return false;
  if (digits.empty() || digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return false;
  number = std::stoi(digits);
  return number >= 1 && number <= TIMELINE_ENTRIES;
}
