#pragma once
// The study mode's two rows in the bar below the picture: the show time to the millisecond, the
// frame number on the 60 fps grid, the scene as the scene lists number it and the music's latest
// cue; below, the first values the scene describes, e.g.
//   12:03.450  frame 43407  #17 tunnel  cue 3 @12:01.213
//   time step 723450 ms  jump 1  jump offset 12.5 px
// Built into a buffer of its own, so a frame allocates nothing.

#include <cstdint>

#include "show/CueTable.h"
#include "show/StudyReport.h"

class StudyLine {
 public:
  static constexpr int VALUES_SHOWN = 3;

  // `cues`: the module's (null: none shown).
  const char* update(std::int64_t frameIndex, const StudyReport& report, const CueTable* cues);

 private:
  char text[256] = {};
};
