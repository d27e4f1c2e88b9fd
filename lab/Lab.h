#pragma once
// The lab: frame-exact scripted rendering without a window, a sound device or a clock.
//
// One 512 x 384 frame buffer is zero-filled once and kept across commands. The k-th `render`
// writes the first 512 x 280 pixels (little-endian 0x00RRGGBB words) to OUT/frame-KKKKK.raw and
// prints "frame K entry E quit Q" (E: the timeline entry after the step, -1 in effect mode;
// Q: 1 once the quit request has been posted). Fatal reports go to stderr and the script goes on.

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "lab/LabScript.h"
#include "render/Pixel.h"

struct LabOptions {
  std::string assetDir;
  std::string scriptPath;
  std::string outDir;
  // Also write frame-KKKKK.png for people who look.
  bool png = false;
  // If set, also write one hash per rendered frame to this file (the golden frame format).
  std::string hashesPath;
};

struct LabFrame {
  int index;
  int entry;
  bool quit;
  const Pixel* frame;  // 512 x 280 pixels
};

using LabFrameSink = std::function<void(const LabFrame&)>;

class Effect;

// A fresh object of the effect an `effect` line names (see isLabEffectName), not yet initialised;
// null for an unknown name.
std::unique_ptr<Effect> makeLabEffect(const std::string& name);

// Runs a checked script in this process: fresh quit and sync state, the tables, the effect or the
// whole show start-up, then the commands. Assets come from the current asset directory.
// `keepGoing`, when given, is asked before each command; false ends the run there.
void runLabScript(const LabScript& script, const LabFrameSink& onFrame, const std::function<bool()>& keepGoing = {});

// The `zod lab` command: 0 on success, 2 on a malformed script or unusable options, 1 when an
// output file cannot be written.
int runLab(const LabOptions& options, std::ostream& out, std::ostream& err);

// FNV-1a (64 bit) over the frame's 0x8C000 bytes in file order, as 16 lower-case hex digits.
std::string frameHash(const Pixel* frame);

// Runs a script file against an asset directory and returns each rendered frame's hash.
bool labFrameHashes(const std::string& assetDir, const std::string& scriptPath,
                    std::vector<std::string>& hashes, std::string& error);
