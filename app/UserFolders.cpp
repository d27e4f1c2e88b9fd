#include "app/UserFolders.h"

#include <cstdlib>
#include <fstream>

namespace {
std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}
}  // namespace

std::string configFolder() {
  const std::string config = environment("XDG_CONFIG_HOME");
  // The convention ignores a relative value.
  if (!config.empty() && config.front() == '/') return config;
  const std::string home = environment("HOME");
  return home.empty() ? std::string() : home + "/.config";
}

std::string picturesFolder() {
  const std::string home = environment("HOME");
  std::ifstream dirs(configFolder() + "/user-dirs.dirs");
  const std::string key = "XDG_PICTURES_DIR=\"";
  std::string line;
  while (std::getline(dirs, line)) {
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string folder = line.substr(key.size(), line.size() - key.size() - 1);
    if (folder.rfind("$HOME", 0) == 0) folder = home + folder.substr(5);
    if (!folder.empty() && folder.front() == '/') return folder;
  }
  return home;
}
