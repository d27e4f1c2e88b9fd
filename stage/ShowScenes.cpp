#include "stage/ShowScenes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/TimeArguments.h"
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

bool parseSceneNumber(const std::string& text, int& number) {
  std::string digits;
  if (text.rfind("#", 0) == 0)
    digits = text.substr(1);
  else if (text.rfind("scene", 0) == 0)
    digits = text.substr(5);
  else
    return false;
  if (digits.empty() || digits.size() > 2 ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
    return false;
  number = std::stoi(digits);
  return number >= 1 && number <= TIMELINE_ENTRIES;
}

bool isShowMoment(const std::string& text) {
  std::int64_t micros = 0;
  int number = 0;
  return parseShowTime(text, micros) || parseSceneNumber(text, number);
}

bool showMomentMicros(const std::string& text, std::int64_t& micros, std::string& error) {
  if (parseShowTime(text, micros)) return true;
  int number = 0;
  if (!parseSceneNumber(text, number)) {
    error = text + " is not a show time or scene";
    return false;
  }
  ShowScenes show;
  if (!learnShowScenes(show, error)) return false;
  micros = static_cast<std::int64_t>(show.walk.entryStartMs(number - 1) * 1000.0);
  return true;
}

bool sceneNumberAsShowTime(std::string& text, std::string& error) {
  int number = 0;
  if (!parseSceneNumber(text, number)) return true;
  std::int64_t micros = 0;
  if (!showMomentMicros(text, micros, error)) return false;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                static_cast<long long>(micros % 1000000));
  text = seconds;
  return true;
}
