#pragma once
// The show's 39 timeline entries with the moments they start, for `zod --list-scenes` and
// `zod --start #N`. The moments follow from the timeline's durations and the music's skip cues
// (read from the module's patterns and timed by the player), so no frame is rendered for them.

#include <string>
#include <vector>

struct SceneStart {
  int number;         // 1 to 39, as listed
  const char* scene;  // the effect's name
  double startMs;     // show time the entry starts at (to within a frame)
};

// Reads "zod.xm" from the asset directory; false with a message when it cannot be read.
bool listScenes(std::vector<SceneStart>& scenes, std::string& error);

// "#N" or "sceneN" (N from 1 to 39): true with the entry's number; anything else: false.
bool parseSceneNumber(const std::string& text, int& number);
