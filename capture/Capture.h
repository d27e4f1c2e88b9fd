#pragma once
// Offline capture of the show and single stills, on the simulated clock of SimulatedRun.
//
// `zod capture` steps the show from its start-up to its quit request (or to --to) and encodes the
// frames from --from on, with the music samples each frame plays; rendering runs on this thread
// while encoding runs on another (and on libx264's own). Ctrl+C stops it with a complete file.
// `zod still` writes the 512 x 384 screen at one moment as a PNG.
//
// Exit codes: 0 done; 1 an error (the message says which; no file is left under the name asked
// for); 2 a bad argument, refused before any work; 130 interrupted by Ctrl+C, 143 by SIGTERM (the
// file is complete up to that frame).

#include <cstdint>
#include <ostream>
#include <string>

struct CaptureOptions {
  std::string outPath;
  std::string frameRate = "60";
  // 0: the format's default (2 for .mp4, 1 for the lossless .mkv).
  int scale = 0;
  std::string codec;
  std::string from;
  std::string to;
  std::string assetDir;
  // Empty, -1: the codec's own (given for a codec that takes none, they are refused).
  std::string preset;
  int crf = -1;
  bool progress = true;
  // Replace an existing file under outPath (otherwise it is refused before any work).
  bool overwrite = false;
  // Where the time went (rendering, scaling, encoding), after the summary.
  bool verbose = false;
};

struct StillOptions {
  std::string time;
  std::string outPath;
  std::string assetDir;
  std::string frameRate = "60";
  bool overwrite = false;
};

int runCapture(const CaptureOptions& options, std::ostream& out, std::ostream& err);
int runStill(const StillOptions& options, std::ostream& out, std::ostream& err);
