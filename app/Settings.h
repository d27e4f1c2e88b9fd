#pragma once
// What the live show remembers from one run to the next, in a small text file in the user's config
// folder: the window's place, full screen or not, the scaling, and the sound level. The command
// line wins over the file; `zod --no-settings` neither reads nor writes it. Stills, captures and
// the lab never read it: their output depends on their arguments alone.

#include <optional>
#include <string>
#include <vector>

#include "display/PictureFit.h"
#include "platform/Window.h"

struct Settings {
  // The window's place when it is not full screen.
  std::optional<WindowPlace> window;
  std::optional<bool> fullScreen;
  std::optional<Scaling> scaling;
  std::optional<int> volumePercent;
  std::optional<bool> muted;
};

// The settings file, zod/settings in the config folder; empty when the user has none.
std::string settingsPath();

// Reads the file at `path`; a missing file reads as no settings. A line that cannot be used is
// left out and described in `problems`, so a damaged file never stops the show.
Settings readSettings(const std::string& path, std::vector<std::string>& problems);

// Writes every setting that has a value, through a temporary file renamed over the old one, so
// the file is never left half written. False with the reason in `why`.
bool writeSettings(const std::string& path, const Settings& settings, std::string& why);
