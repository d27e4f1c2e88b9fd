#pragma once
// The show's scenes as the music plays them: the module read from the asset folder, its cues
// learnt without mixing, and the timeline walked with them (a closing scene's code ends the show,
// as the catalogue says). For the scene and cue lists, a start at scene N, and anything else that
// needs to know when a scene starts without running the show.

#include <cstdint>
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

// "#N" or "sceneN", N from 1 to the timeline's entries as the scene lists number them: true with N.
bool parseSceneNumber(const std::string& text, int& number);

// A show time or a scene number: what every command takes where it wants a moment of the show.
bool isShowMoment(const std::string& text);

// The moment in microseconds: a show time as typed, a scene number as the time its scene starts
// (learnt from the music). False, with a message, only when the music is needed and cannot be read.
bool showMomentMicros(const std::string& text, std::int64_t& micros, std::string& error);

// A scene number in `text` rewritten as its start in seconds, for the commands that read show times;
// any other text is left alone. False, with a message, when the music cannot be read.
bool sceneNumberAsShowTime(std::string& text, std::string& error);
