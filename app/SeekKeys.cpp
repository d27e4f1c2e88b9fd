#include "app/SeekKeys.h"

#include <algorithm>
#include <utility>

#include "platform/Window.h"

bool isSeekKey(int key) {
  return key == KEY_SEEK_BACK || key == KEY_SEEK_FORWARD || key == KEY_PREVIOUS_SCENE || key == KEY_NEXT_SCENE;
}

SeekKey seekKeyOf(int key) {
  switch (key) {
    case KEY_SEEK_BACK: return SeekKey::Back;
    case KEY_SEEK_FORWARD: return SeekKey::Forward;
    case KEY_PREVIOUS_SCENE: return SeekKey::PreviousScene;
    default: return SeekKey::NextScene;
  }
}

void SeekKeys::learnScenes(const CueTable& cues, SceneWalk walk) {
  table = cues;
  scenes = std::move(walk);
  known = true;
}

std::int64_t SeekKeys::sceneStartMicros(int entry) const {
  // As `--start #N` reads a scene's start.
  return static_cast<std::int64_t>(scenes.entryStartMs(entry) * 1000.0);
}

std::int64_t SeekKeys::endMicros() const { return static_cast<std::int64_t>(scenes.endMs() * 1000.0); }

int SeekKeys::sceneAt(std::int64_t micros) const {
  int scene = 0;
  while (scene + 1 < scenes.entryCount() && sceneStartMicros(scene + 1) <= micros) ++scene;
  return scene;
}

std::int64_t SeekKeys::target(std::int64_t fromMicros, SeekKey key) const {
  const int scene = sceneAt(fromMicros);
  switch (key) {
    case SeekKey::Back: return std::max<std::int64_t>(0, fromMicros - STEP_MICROS);
    case SeekKey::Forward: return fromMicros + STEP_MICROS < endMicros() ? fromMicros + STEP_MICROS : fromMicros;
    case SeekKey::PreviousScene:
      if (scenes.entryCount() == 0) return 0;
      if (fromMicros - sceneStartMicros(scene) > RESTART_MICROS || scene == 0) return sceneStartMicros(scene);
      return sceneStartMicros(scene - 1);
    case SeekKey::NextScene: return scene + 1 < scenes.entryCount() ? sceneStartMicros(scene + 1) : fromMicros;
  }
  return fromMicros;
}

void SeekKeys::press(SeekKey key, std::int64_t shownMicros, double wallMs) {
  if (!known) return;
  const std::int64_t start = waiting ? to : shownMicros;
  const std::int64_t next = target(start, key);
  if (next == start) return;
  if (!waiting) {
    from = shownMicros;
    askedAt = wallMs;
    waiting = true;
  }
  to = next;
}
