#pragma once
// The information line (key I): the show time, the scene as the scene lists number it, the music's
// latest cue with its time, and for a few seconds after a change the sound's level, e.g.
//   05:12  #5 sphere  cue 5 at 05:10.9  volume 70%
// Built into a buffer of its own, so a frame allocates nothing; it changes a few times a second
// at most, and the display redraws its text only then.

#include <cstdint>

#include "app/SoundLevel.h"
#include "show/CueTable.h"

class InfoLine {
 public:
  static constexpr double SOUND_SHOWN_MS = 3000.0;

  // The line for the frame at show time `timeMs` in timeline entry `entry`; `cues`: the module's
  // (null or empty: none shown); `nowMs`: the wall time. True when the text changed.
  bool update(float timeMs, int entry, const CueTable* cues, const SoundLevel* level, double nowMs);
  // The level is shown until SOUND_SHOWN_MS after `nowMs`.
  void soundChanged(double nowMs) { soundShownUntil = nowMs + SOUND_SHOWN_MS; }
  const char* text() const { return shown; }

  // Whether the line is shown (the I key switches it).
  bool on = false;

 private:
  char shown[160] = {};
  char next[160] = {};
  double soundShownUntil = -1.0;
};
