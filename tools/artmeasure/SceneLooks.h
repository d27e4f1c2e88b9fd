#pragma once
// How the pictures read where the show uses them: frames of every visit of the square tunnel, the
// sphere and the title, rendered as `zod still` renders them, reduced to a few figures, and the
// tone of the tunnel's steel texture.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/Pixel.h"

// Rec. 709 luma of a pixel, 0..255.
double lumaOf(Pixel pixel);
// HSV saturation of a pixel, 0 (grey) to 1.
double saturationOf(Pixel pixel);

struct SceneLook {
  int scene = 0;  // the timeline entry, numbered from 1 as the scene lists number it
  std::string effect;
  double showMs = 0.0;
  // The square tunnel, over the tunnel as far as it shows (columns 0..331 less the panel): how many
  // luma levels occur, the levels spanned once the darkest and the brightest 0.5% are set aside,
  // and the mean.
  int lumaLevels = 0;
  double lumaSpan = 0.0;
  double meanLuma = 0.0;
  // The sphere, over the whole frame: pure black's share and the 99.5th percentile of luma.
  double blackShare = 0.0;
  double highLuma = 0.0;
  // The title: the share of the frame that is flat white (every channel 255), and the mean luma and
  // saturation of the logo (where the title picture is drawn) and of the background (elsewhere).
  double flatWhiteShare = 0.0;
  double logoLuma = 0.0;
  double logoSaturation = 0.0;
  double backgroundLuma = 0.0;
  double backgroundSaturation = 0.0;
};

// Looks at every visit of the three scenes, `framesPerVisit` frames spread from two seconds after its
// start to two seconds before its end, at 60 frames a second, from the current asset directory.
// False, with a message, when the show cannot start. `seen`, if given, is shown each frame looked at.
using FrameSeen = std::function<void(const SceneLook& look, const Pixel* frame)>;
bool lookAtSceneVisits(int framesPerVisit, std::vector<SceneLook>& looks, std::string& error,
                       const FrameSeen& seen = {});

struct ToneFigures {
  double midShare = 0.0;    // luma 60..160
  double darkShare = 0.0;   // luma below 40
  double lightShare = 0.0;  // luma above 160
  double median = 0.0;
  double mean = 0.0;
  double deviation = 0.0;
};

ToneFigures toneOf(const std::vector<Pixel>& pixels);
