#include "stage/ShowFiles.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <new>

#include "base/AssetDirectory.h"
#include "base/Fatal.h"
#include "base/FileBytes.h"
#include "base/QuitRequest.h"
#include "image/Loaders.h"
#include "show/MusicPlayer.h"

namespace {
enum class Format { Jpeg, Pcx, Raw };

struct Picture {
  const char* name;
  Format format;
  int width;   // JPEG and RAW: the size the effect asks for
  int height;  // PCX: width x height is the effect's capacity in pixels
};

// The sizes and capacities the effects load them with.
constexpr Picture PICTURES[] = {
    {"titel.pcx", Format::Pcx, 256, 256},     {"balle.raw", Format::Raw, 512, 256},
    {"blockchen.raw", Format::Raw, 512, 256}, {"tegel1.jpg", Format::Jpeg, 256, 256},
    {"tegel3.jpg", Format::Jpeg, 256, 256},   {"kuven.pcx", Format::Pcx, 512, 280},
    {"metal1.jpg", Format::Jpeg, 256, 256},   {"zod13.raw", Format::Raw, 280, 280},
    {"zod4.pcx", Format::Pcx, 512, 512},      {"dirurar.raw", Format::Raw, 512, 180},
    {"herz.pcx", Format::Pcx, 256, 256},      {"wood1.jpg", Format::Jpeg, 256, 256},
    {"zod1.pcx", Format::Pcx, 256, 256},      {"presents.raw", Format::Raw, 70, 20},
    {"ende.pcx", Format::Pcx, 256, 256},
};

std::string firstReport;
void rememberFirst(const char*, const char* text) {
  if (firstReport.empty()) firstReport = text;
}
}  // namespace

const std::vector<const char*>& showPictureNames() {
  static const std::vector<const char*> names = [] {
    std::vector<const char*> all;
    for (const Picture& p : PICTURES) all.push_back(p.name);
    return all;
  }();
  return names;
}

std::vector<ShowFileFault> checkShowPictures() {
  std::vector<ShowFileFault> faults;
  const bool quitBefore = quitRequested();
  const bool reportedBefore = fatalReported();
  ScopedFatalReporter quiet(&rememberFirst);
  std::vector<Pixel> pixels(512 * 512);
  for (const Picture& p : PICTURES) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(assetPath(p.name), ec)) {
      faults.push_back({p.name, "fehlt"});
      continue;
    }
    firstReport.clear();
    switch (p.format) {
      case Format::Jpeg: loadJpeg(pixels.data(), p.name, p.width, p.height); break;
      case Format::Pcx: loadPcx(pixels.data(), p.name, static_cast<std::size_t>(p.width) * p.height); break;
      case Format::Raw: loadRaw(pixels.data(), p.name, p.width, p.height); break;
    }
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

std::string showFilesReport(const std::vector<ShowFileFault>& faults, const std::string& folder) {
  std::string text = "Leider fehlen Bilder oder sind kaputt (gesucht in " + folder + "):\n";
  for (const ShowFileFault& f : faults) text += "  " + f.file + ": " + f.problem + "\n";
  text += "Mit --assets DIR zeigt man auf den Ordner der Bilder; ./run-show baut sie und startet die Show.";
  return text;
}

std::string assetsBesideProgram() {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const std::filesystem::path assets = program.parent_path() / "assets";
  return std::filesystem::is_directory(assets, ec) ? assets.string() : std::string();
}

namespace {
bool holdsTheShow(const std::string& folder) {
  auto has = [&folder](const char* name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(folder.empty() ? "." : folder) / name, ec);
  };
  if (!has(MUSIC_FILE)) return false;
  for (const char* picture : showPictureNames())
    if (!has(picture)) return false;
  return true;
}
}  // namespace

std::string chooseAssetDirectory(const std::string& requested) {
  if (!requested.empty() || holdsTheShow(requested)) return requested;
  const std::string beside = assetsBesideProgram();
  return !beside.empty() && holdsTheShow(beside) ? beside : requested;
}

bool readShowMusic(std::vector<std::uint8_t>& bytes, std::string& error) {
  const std::string path = assetPath(MUSIC_FILE);
  if (readWholeFile(path, bytes)) return true;
  error = "cannot read the music " + path;
  return false;
}

std::string unplayableMusicMessage() { return assetPath(MUSIC_FILE) + " is not a module the player reads"; }
