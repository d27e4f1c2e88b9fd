#pragma once
// The show's 39 timeline entries with the moments they start, for `zod --list-scenes` and
// `zod --start #N`, and the music's cues with the scene each reaches, for `zod --list-cues`: the
// scene walk of the show, numbered from 1 as the user sees it.

#include <cstdint>
#include <string>
#include <vector>

struct SceneStart {
  int number;         // 1 to 39, as listed
  const char* scene;  // the effect's name
  double startMs;     // show time the entry starts at (to within a frame)
};

struct CueDelivery {
  int number;   // 1 and up, in playing order
  double atMs;  // the music's time of the cue
  std::uint8_t code;
  int scene;         // the scene number it is taken in; 0 when the show takes it in none
  const char* name;  // that scene's effect, or why none: "before-start", "after-end"
};

// Reads the music from the asset directory; false with a message when it cannot be read.
bool listScenes(std::vector<SceneStart>& scenes, std::string& error);
// Every Zxx cue of the music in playing order, and the time the show ends.
bool listCues(std::vector<CueDelivery>& cues, double& showEndMs, std::string& error);
