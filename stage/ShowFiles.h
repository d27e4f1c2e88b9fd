#pragma once
// The pictures of image/ShowPictures.h, checked all at once before anything else, so
// that a user missing some sees one report naming every missing or broken file instead of a box
// per file.

#include <cstdint>
#include <string>
#include <vector>

struct ShowFileFault {
  std::string file;
  // What is wrong: the loader's own report, or that the file is missing.
  std::string problem;
};

// Loads every picture from the current asset directory (loader reports are caught, not shown) and
// returns one fault per bad file, in load order; empty when all are fine.
std::vector<ShowFileFault> checkShowPictures();

// The one report for the faults: each file once, the folders searched, and how to point the show
// at its files.
std::string showFilesReport(const std::vector<ShowFileFault>& faults, const std::string& folders);

// The build's own asset folder beside the program ("assets" next to the executable), or empty.
std::string assetsBesideProgram();

// The folders the show's files are looked for in, in order: `requested` (--assets) alone when given,
// else ZOD_ASSETS alone when set, else the current folder (""), the folder beside the program, the
// installed data folder as seen from the program (../share/zod from bin/zod, for a moved or staged
// installation) and the one the build installs to.
std::vector<std::string> assetFolderCandidates(const std::string& requested);

// Sets the asset directory to the first candidate that holds all the show's files, else to the
// first candidate, and remembers the candidates for the reports of files not found.
void chooseAssetDirectory(const std::string& requested);

// The folders the last choice tried, by their full names, comma-separated.
std::string assetFoldersTried();

// The music module from the asset folder; false, with a message naming the file, when it cannot be
// read.
bool readShowMusic(std::vector<std::uint8_t>& bytes, std::string& error);
// The message for a module the player refuses.
std::string unplayableMusicMessage();
