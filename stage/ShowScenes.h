#pragma once
// The show's scenes as the music plays them: the module read from the asset folder, its cues
// learnt without mixing, and the timeline walked with them (a closing scene's code ends the show,
// as the catalogue says). For the scene and cue lists, a start at scene N, and anything else that
// needs to know when a scene starts without running the show.

#include <string>

#include "show/CueTable.h"
#include "show/SceneWalk.h"

struct ShowScenes {
  CueTable cues;
  SceneWalk walk;
};

// False, with a message naming the file, when the music cannot be read or played.
bool learnShowScenes(ShowScenes& scenes, std::string& error);

// The walk of the timeline under `cues`, with the catalogue's closing codes.
SceneWalk walkShowScenes(const CueTable& cues);
