#pragma once
// Where the seek keys go, and the keys pressed before a seek has landed added up into one: Left and
// Right 10 s back and on, PgDn the next scene's start, PgUp the current scene's start, or the one
// before when the show time is within 2 s of it (as media players do). Scenes and the show's end
// are those of the scene walk, so a seek to a scene lands where `--start #N` does.

#include <cstdint>

#include "show/CueTable.h"
#include "show/SceneWalk.h"

enum class SeekKey { Back, Forward, PreviousScene, NextScene };

// Whether a window key (platform/Window.h) is one of the seek keys, and which.
bool isSeekKey(int key);
SeekKey seekKeyOf(int key);

class SeekKeys {
 public:
  static constexpr std::int64_t STEP_MICROS = 10000000;
  static constexpr std::int64_t RESTART_MICROS = 2000000;

  // The keys do nothing until they know the scenes: the cues of the module, kept for every seek
  // after (learning them again would take a few hundred ms), and the scene walk under them.
  bool knowsScenes() const { return known; }
  void learnScenes(const CueTable& cues, SceneWalk walk);
  const CueTable& cues() const { return table; }

  // Where `key` goes from show time `fromMicros`, or `fromMicros` itself where it goes nowhere:
  // Right within 10 s of the show's end and PgDn in the last scene do nothing; Left stops at 0.
  std::int64_t target(std::int64_t fromMicros, SeekKey key) const;
  // The timeline entry running at show time `micros` (0 before the scenes are known).
  int sceneAt(std::int64_t micros) const;
  // Where timeline entry `entry` starts and where the show ends, as the scene walk has them.
  std::int64_t sceneStartMicros(int entry) const;
  std::int64_t endMicros() const;

  // A key press at wall time `wallMs`, taken from `shownMicros` (the show time on screen) when no
  // seek waits, else from the waiting seek's target. A key that goes nowhere asks for no seek.
  void press(SeekKey key, std::int64_t shownMicros, double wallMs);
  bool pending() const { return waiting; }
  // The waiting seek: where it started, where it goes, and the wall time of its first key.
  std::int64_t fromMicros() const { return from; }
  std::int64_t toMicros() const { return to; }
  double askedAtMs() const { return askedAt; }
  // The seek has landed; the next key starts a new one.
  void clear() { waiting = false; }

 private:
  bool known = false;
  CueTable table;
  SceneWalk scenes;
  bool waiting = false;
  std::int64_t from = 0;
  std::int64_t to = 0;
  double askedAt = 0.0;
};
