#include "app/SceneList.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdint>

#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "effects/EndEffect.h"
#include "show/CueTable.h"
#include "show/SampleRate.h"
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

namespace {
struct TimedCode {
  double ms;
  std::uint8_t code;
};

// The sequencer's rules, played over the timeline: a skip cue moves to the next entry on the old
// entry's clock; an entry whose time is over starts the next one with a clock of its own; the end
// scene's quit code ends the show. Lists where every entry starts and where each cue is taken
// (-1 before the first frame, TIMELINE_ENTRIES after the end).
void walkTimeline(const std::vector<TimedCode>& cues, std::vector<SceneStart>& scenes, std::vector<int>& takenIn) {
  const int last = TIMELINE_ENTRIES - 1;
  // The names are string literals, so their views end in a terminating zero.
  auto nameOf = [](int entry) { return TIMELINE[entry].effectName.data(); };
  scenes.clear();
  takenIn.clear();
  int current = 0;
  double sceneStart = 0.0;
  double sceneDuration = TIMELINE[0].durationMs;
  bool ended = false;
  scenes.push_back({1, nameOf(0), 0.0});
  auto timeOut = [&] {
    sceneStart += sceneDuration;
    ++current;
    sceneDuration = TIMELINE[current].durationMs;
    scenes.push_back({current + 1, nameOf(current), sceneStart});
  };
  for (const TimedCode& cue : cues) {
    if (cue.ms <= 0.0) {
      takenIn.push_back(-1);
      continue;
    }
    while (!ended && cue.ms > sceneStart + sceneDuration) {
      if (current == last)
        ended = true;
      else
        timeOut();
    }
    takenIn.push_back(ended ? TIMELINE_ENTRIES : current);
    if (ended) continue;
    if (cue.code == SKIP && current < last) {
      ++current;
      scenes.push_back({current + 1, nameOf(current), cue.ms});
    } else if (cue.code == EndEffect::QUIT_CODE && TIMELINE[current].effectName == "end") {
      ended = true;
    }
  }
  while (current < last) timeOut();
}
}  // namespace

bool listScenes(std::vector<SceneStart>& scenes, std::string& error) {
  std::vector<double> times;
  if (!skipCueTimes(times, error)) return false;
  std::vector<TimedCode> cues;
  for (double ms : times) cues.push_back({ms, SKIP});
  std::vector<int> takenIn;
  walkTimeline(cues, scenes, takenIn);
  return true;
}

bool listCues(std::vector<CueDelivery>& cues, std::string& error) {
  const std::string path = assetPath("zod.xm");
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(path, bytes)) {
    error = "cannot read the music " + path;
    return false;
  }
  CueTable table;
  if (!table.compute(bytes)) {
    error = path + " is not a module the player reads";
    return false;
  }
  std::vector<TimedCode> timed;
  for (const CueTable::Cue& cue : table.cues())
    timed.push_back({static_cast<double>(cue.sample) * 1000.0 / static_cast<double>(SAMPLE_RATE), cue.code});
  std::vector<SceneStart> scenes;
  std::vector<int> takenIn;
  walkTimeline(timed, scenes, takenIn);
  cues.clear();
  for (std::size_t i = 0; i < timed.size(); ++i) {
    const int entry = takenIn[i];
    const bool taken = entry >= 0 && entry < TIMELINE_ENTRIES;
    const char* name = taken ? TIMELINE[entry].effectName.data() : entry < 0 ? "before-start" : "after-end";
    cues.push_back({static_cast<int>(i) + 1, timed[i].ms, timed[i].code, taken ? entry + 1 : 0, name});
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
