#pragma once
// The user's folders as the XDG conventions name them: where settings live, and the pictures
// folder, where a screenshot goes when the current folder takes no file.

#include <string>

// XDG_CONFIG_HOME, else ~/.config; empty without either.
std::string configFolder();

// XDG_PICTURES_DIR of the user's user-dirs.dirs (in the config folder), with $HOME expanded; else
// the home folder, as xdg-user-dir answers; empty without a home.
std::string picturesFolder();
