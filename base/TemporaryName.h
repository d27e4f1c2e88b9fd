#pragma once
// Where a file is written before it is complete: a hidden name beside the target, on the same
// file system, so the final rename is atomic and an unfinished file never bears the real name.

#include <filesystem>
#include <string>

inline std::string temporaryNameBeside(const std::string& path) {
  const std::filesystem::path target(path);
  std::string name = ".";
  name += target.filename().string();
  name += ".partial";
  return (target.parent_path() / name).string();
}
