#pragma once
// The user's pictures folder, where a screenshot goes when the current folder takes no file.

#include <string>

// XDG_PICTURES_DIR of the user's user-dirs.dirs (in XDG_CONFIG_HOME, else ~/.config), with $HOME
// expanded; else the home folder, as xdg-user-dir answers; empty without a home.
std::string picturesFolder();
