#pragma once
// Where the show's files are read from. Empty means the working directory, as the show was
// always run; `--assets DIR` points it elsewhere. Absolute names are used unchanged.

#include <string>

void setAssetDirectory(const std::string& directory);
const std::string& assetDirectory();
std::string assetPath(const char* fileName);
