// How the pictures read where the show uses them:
//   zod-art-measure [--assets DIR] [--frames N] [--stills DIR]
// A line per frame looked at (N a visit, default 3) of every square tunnel, sphere and title visit,
// then the tone of metal1.jpg. The figures are those the pictures are held to (see the README).
// --stills writes each frame looked at as DIR/NN-scene-M.SS.mmm.png, as zod still would.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/TimeArguments.h"
#include "display/Letterbox.h"
#include "image/PngFile.h"
#include "image/ShowPictures.h"
#include "render/TrigTables.h"
#include "stage/ShowFiles.h"
#include "tools/artmeasure/SceneLooks.h"

int main(int argc, char** argv) {
  std::string assets;
  std::string stills;
  int frames = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--assets" && i + 1 < argc) {
      assets = argv[++i];
    } else if (arg == "--stills" && i + 1 < argc) {
      stills = argv[++i];
    } else if (arg == "--frames" && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: zod-art-measure [--assets DIR] [--frames N] [--stills DIR]\n");
      return 2;
    }
  }
  if (frames < 1) frames = 1;
  chooseAssetDirectory(assets);
  fillTrigTables();
  std::vector<SceneLook> looks;
  std::string error;
  std::vector<Pixel> screen(SCREEN_PIXELS);
  bool written = true;
  const auto writeStill = [&](const SceneLook& look, const Pixel* frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/%02d-%s-%s.png", look.scene, look.effect.c_str(),
                  formatShowTime(look.showMs).c_str());
    screenAsShown(frame, screen.data());
    written = writePngFile(stills + name, screen.data(), FRAME_WIDTH, SCREEN_HEIGHT) && written;
  };
  if (!lookAtSceneVisits(frames, looks, error, stills.empty() ? FrameSeen{} : FrameSeen{writeStill})) {
    std::fprintf(stderr, "zod-art-measure: %s\n", error.c_str());
    return 1;
  }
  for (const SceneLook& l : looks) {
    std::printf("#%-2d %-12s %10s  ", l.scene, l.effect.c_str(), formatShowTime(l.showMs).c_str());
    if (l.effect == "squaretunnel") {
      std::printf("tunnel luma span %5.1f  levels %3d  mean %5.1f\n", l.lumaSpan, l.lumaLevels, l.meanLuma);
    } else if (l.effect == "sphere") {
      std::printf("pure black %5.1f%%  luma 99.5th percentile %5.1f\n", 100.0 * l.blackShare, l.highLuma);
    } else {
      std::printf(
          "flat white %4.2f%%  logo luma %5.1f sat %4.2f  background luma %5.1f sat %4.2f"
          "  (darker by %3.0f%%, less saturated by %3.0f%%)\n",
          100.0 * l.flatWhiteShare, l.logoLuma, l.logoSaturation, l.backgroundLuma, l.backgroundSaturation,
          100.0 * (1.0 - l.backgroundLuma / l.logoLuma), 100.0 * (1.0 - l.backgroundSaturation / l.logoSaturation));
    }
  }
  std::vector<Pixel> metal(METAL1.pixels());
  loadShowPicture(metal.data(), METAL1);
  const ToneFigures tone = toneOf(metal);
  std::printf(
      "%s: luma 60-160 %4.1f%%, below 40 %4.1f%%, above 160 %4.1f%%, median %5.1f, mean %5.1f, deviation %5.1f\n",
      METAL1.name, 100.0 * tone.midShare, 100.0 * tone.darkShare, 100.0 * tone.lightShare, tone.median, tone.mean,
      tone.deviation);
  if (!written) {
    std::fprintf(stderr, "zod-art-measure: a still could not be written into %s\n", stills.c_str());
    return 1;
  }
  return 0;
}
