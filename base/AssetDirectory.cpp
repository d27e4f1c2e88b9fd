#include "base/AssetDirectory.h"

namespace {
std::string directoryOfAssets;
}

void setAssetDirectory(const std::string& directory) { directoryOfAssets = directory; }

const std::string& assetDirectory() { return directoryOfAssets; }

std::string assetPath(const char* fileName) {
  std::string name = fileName ? fileName : "";
  if (directoryOfAssets.empty() || (!name.empty() && name.front() == '/')) return name;
  if (directoryOfAssets.back() == '/') return directoryOfAssets + name;
  return directoryOfAssets + "/" + name;
}
