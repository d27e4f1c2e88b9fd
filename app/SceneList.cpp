#include "app/SceneList.h"

#include "show/Timeline.h"
#include "stage/ShowScenes.h"

namespace {
// The names are string literals, so their views end in a terminating zero.
const char* entryName(int entry) { return TIMELINE[entry].effectName.data(); }
}  // namespace

bool listScenes(std::vector<SceneStart>& scenes, std::string& error) {
  ShowScenes show;
  if (!learnShowScenes(show, error)) return false;
  scenes.clear();
  for (int entry = 0; entry < show.walk.entryCount(); ++entry)
    scenes.push_back({entry + 1, entryName(entry), show.walk.entryStartMs(entry)});
  return true;
}

bool listCues(std::vector<CueDelivery>& cues, double& showEndMs, std::string& error) {
  ShowScenes show;
  if (!learnShowScenes(show, error)) return false;
  showEndMs = show.walk.endMs();
  cues.clear();
  for (std::size_t i = 0; i < show.walk.cueCount(); ++i) {
    const int entry = show.walk.cueEntry(i);
    const bool taken = entry >= 0;
    const char* name = taken ? entryName(entry) : entry == SceneWalk::BEFORE_START ? "before-start" : "after-end";
    cues.push_back({static_cast<int>(i) + 1, show.walk.cueMs(i), show.walk.cueCode(i), taken ? entry + 1 : 0, name});
  }
  return true;
}
