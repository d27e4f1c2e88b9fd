#include "stage/ShowFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include "base/AssetDirectory.h"
#include "base/Fatal.h"
#include "base/FileBytes.h"
#include "base/QuitRequest.h"
#include "image/ShowPictures.h"
#include "show/MusicPlayer.h"

namespace {
std::string firstReport;
void rememberFirst(const char*, const char* text) {
  if (firstReport.empty()) firstReport = text;
}
}  // namespace

std::vector<ShowFileFault> checkShowPictures() {
  std::vector<ShowFileFault> faults;
  const bool quitBefore = quitRequested();
  const bool reportedBefore = fatalReported();
  ScopedFatalReporter quiet(&rememberFirst);
  std::vector<Pixel> pixels(LARGEST_SHOW_PICTURE_PIXELS);
  for (const ShowPicture& p : SHOW_PICTURES) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(assetPath(p.name), ec)) {
      faults.push_back({p.name, "fehlt"});
      continue;
    }
    firstReport.clear();
    loadShowPicture(pixels.data(), p);
    // A picture that did not fit in memory is not broken: the program reports the memory.
    if (isOutOfMemoryReport(firstReport.c_str())) {
      if (!quitBefore) clearQuitRequest();
      if (!reportedBefore) clearFatalReported();
      throw std::bad_alloc();
    }
    if (!firstReport.empty()) faults.push_back({p.name, firstReport});
  }
  // The check itself reports nothing: the caller gives the one report.
  if (!quitBefore) clearQuitRequest();
  if (!reportedBefore) clearFatalReported();
  return faults;
}

std::string showFilesReport(const std::vector<ShowFileFault>& faults, const std::string& folders) {
  std::string text = "Leider fehlen Bilder oder sind kaputt (gesucht in " + folders + "):\n";
  for (const ShowFileFault& f : faults) text += "  " + f.file + ": " + f.problem + "\n";
  text += "Mit --assets DIR zeigt man auf den Ordner der Bilder; ./run-show baut sie und startet die Show.";
  return text;
}

namespace {
// The folder of the running program, or empty when it cannot be told.
std::filesystem::path programFolder() {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : program.parent_path();
}

// `relative` to the program's folder, when that is a folder.
std::string folderFromProgram(const std::filesystem::path& relative) {
  const std::filesystem::path folder = programFolder();
  if (folder.empty()) return {};
  const std::filesystem::path candidate = (folder / relative).lexically_normal();
  std::error_code ec;
  return std::filesystem::is_directory(candidate, ec) ? candidate.string() : std::string();
}
}  // namespace

std::string assetsBesideProgram() { return folderFromProgram("assets"); }

namespace {
// The candidates of the last choice, for the reports.
std::vector<std::string> foldersTried;

// How many of the show's files (its pictures and the music) the folder holds.
std::size_t showFilesIn(const std::string& folder) {
  auto has = [&folder](const char* name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(folder.empty() ? "." : folder) / name, ec);
  };
  std::size_t held = has(MUSIC_FILE) ? 1 : 0;
  for (const ShowPicture& picture : SHOW_PICTURES) held += has(picture.name) ? 1 : 0;
  return held;
}
}  // namespace

std::vector<std::string> assetFolderCandidates(const std::string& requested) {
  if (!requested.empty()) return {requested};
  const char* fromEnvironment = std::getenv("ZOD_ASSETS");
  if (fromEnvironment && *fromEnvironment) return {fromEnvironment};
  std::vector<std::string> folders{""};
  const std::string beside = assetsBesideProgram();
  if (!beside.empty()) folders.push_back(beside);
  // A moved or staged installation holds its files where the installation puts them, relative to
  // the program; where the build installs to comes last, once.
  const std::string installed = folderFromProgram(ZOD_DATA_DIR_FROM_PROGRAM);
  if (!installed.empty() && installed != ZOD_DATA_DIR) folders.push_back(installed);
  folders.push_back(ZOD_DATA_DIR);
  return folders;
}

void chooseAssetDirectory(const std::string& requested) {
  foldersTried = assetFolderCandidates(requested);
  // The first that holds every file; where none does, the one that holds the most, so the report
  // names what is really missing rather than everything in an empty current folder.
  std::size_t best = 0;
  std::size_t bestHeld = 0;
  for (std::size_t i = 0; i < foldersTried.size(); ++i) {
    const std::size_t held = showFilesIn(foldersTried[i]);
    if (held > bestHeld) {
      best = i;
      bestHeld = held;
    }
    if (held == std::size(SHOW_PICTURES) + 1) break;
  }
  setAssetDirectory(foldersTried[best]);
}

std::string assetFoldersTried() {
  // Before any choice only the current folder is read.
  const std::vector<std::string> folders = foldersTried.empty() ? std::vector<std::string>{""} : foldersTried;
  std::string text;
  for (const std::string& folder : folders) {
    std::error_code ec;
    const std::string name = folder.empty() ? std::filesystem::current_path(ec).string() : folder;
    text += (text.empty() ? "" : ", ") + (name.empty() ? std::string(".") : name);
  }
  return text;
}

bool readShowMusic(std::vector<std::uint8_t>& bytes, std::string& error) {
  const std::string path = assetPath(MUSIC_FILE);
  if (readWholeFile(path, bytes)) return true;
  error = "cannot read the music " + path + " (searched " + assetFoldersTried() +
          "); --assets DIR names the folder that holds it";
  return false;
}

std::string unplayableMusicMessage() { return assetPath(MUSIC_FILE) + " " + UNPLAYABLE_MUSIC; }
