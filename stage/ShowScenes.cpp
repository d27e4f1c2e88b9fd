#include "stage/ShowScenes.h"

#include "effects/EffectCatalogue.h"
#include "show/Timeline.h"
#include "stage/ShowFiles.h"

bool learnShowScenes(ShowScenes& scenes, std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!readShowMusic(bytes, error)) return false;
  if (!scenes.cues.compute(bytes)) {
    error = unplayableMusicMessage();
    return false;
  }
  scenes.walk = walkShowScenes(scenes.cues);
  return true;
}

SceneWalk walkShowScenes(const CueTable& cues) {
  return SceneWalk(cues, [](int entry, std::uint8_t code) {
    const EffectKind* kind = findEffectKind(TIMELINE[entry].effectName);
    return kind && kind->closingCode != 0 && kind->closingCode == code;
  });
}
