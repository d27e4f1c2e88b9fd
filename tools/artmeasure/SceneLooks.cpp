#include "tools/artmeasure/SceneLooks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string_view>

#include "effects/SquareTunnelEffect.h"
#include "effects/TitleEffect.h"
#include "image/ShowPictures.h"
#include "show/FrameTiming.h"
#include "show/Timeline.h"
#include "stage/OfflineShow.h"
#include "stage/ShowScenes.h"

namespace {

constexpr double MARGIN_MS = 2000.0;

int channel(Pixel pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFFu); }

// The p-th fraction of sorted values.
double percentile(std::vector<double>& values, double p) {
  if (values.empty()) return 0.0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

void lookAtTunnel(const Pixel* frame, const std::vector<Pixel>& panel, SceneLook& look) {
  std::array<bool, 256> seen{};
  std::vector<double> lumas;
  double sum = 0.0;
  for (int y = 0; y < FRAME_HEIGHT; ++y) {
    for (int x = 0; x < SquareTunnelEffect::PICTURE_WIDTH; ++x) {
      const int panelX = x - SquareTunnelEffect::OVERLAY_LEFT;
      if (panelX >= 0 && panel[static_cast<std::size_t>(y) * ZOD13.width + panelX] != TRANSPARENT_KEY) continue;
      const double luma = lumaOf(frame[y * FRAME_WIDTH + x]);
      seen[static_cast<std::size_t>(std::lround(luma))] = true;
      sum += luma;
      lumas.push_back(luma);
    }
  }
  look.lumaLevels = static_cast<int>(std::count(seen.begin(), seen.end(), true));
  look.meanLuma = sum / static_cast<double>(lumas.size());
  look.lumaSpan = percentile(lumas, 0.995) - percentile(lumas, 0.005);
}

void lookAtSphere(const Pixel* frame, SceneLook& look) {
  std::vector<double> lumas(FRAME_PIXELS);
  int black = 0;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    black += frame[i] == 0 ? 1 : 0;
    lumas[static_cast<std::size_t>(i)] = lumaOf(frame[i]);
  }
  look.blackShare = static_cast<double>(black) / FRAME_PIXELS;
  look.highLuma = percentile(lumas, 0.995);
}

void lookAtTitle(const Pixel* frame, const Pixel* plane, SceneLook& look) {
  int white = 0, logo = 0;
  double logoLuma = 0.0, logoSaturation = 0.0, backgroundLuma = 0.0, backgroundSaturation = 0.0;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    const Pixel p = frame[i] & 0xFFFFFFu;
    white += p == 0xFFFFFFu ? 1 : 0;
    if (plane[i] != 0) {
      ++logo;
      logoLuma += lumaOf(p);
      logoSaturation += saturationOf(p);
    } else {
      backgroundLuma += lumaOf(p);
      backgroundSaturation += saturationOf(p);
    }
  }
  const int background = FRAME_PIXELS - logo;
  look.flatWhiteShare = static_cast<double>(white) / FRAME_PIXELS;
  look.logoLuma = logoLuma / std::max(logo, 1);
  look.logoSaturation = logoSaturation / std::max(logo, 1);
  look.backgroundLuma = backgroundLuma / std::max(background, 1);
  look.backgroundSaturation = backgroundSaturation / std::max(background, 1);
}

bool looked(std::string_view effect) { return effect == "squaretunnel" || effect == "sphere" || effect == "title"; }

}  // namespace

double lumaOf(Pixel pixel) {
  return (2126.0 * channel(pixel, 16) + 7152.0 * channel(pixel, 8) + 722.0 * channel(pixel, 0)) / 10000.0;
}

double saturationOf(Pixel pixel) {
  const int r = channel(pixel, 16), g = channel(pixel, 8), b = channel(pixel, 0);
  const int high = std::max({r, g, b});
  return high == 0 ? 0.0 : static_cast<double>(high - std::min({r, g, b})) / high;
}

bool lookAtSceneVisits(int framesPerVisit, std::vector<SceneLook>& looks, std::string& error, const FrameSeen& seen) {
  ShowScenes scenes;
  if (!learnShowScenes(scenes, error)) return false;
  const FrameTiming timing;
  std::unique_ptr<OfflineShow> offline = OfflineShow::start(timing, error);
  if (!offline) return false;
  std::vector<Pixel> panel(ZOD13.pixels());
  loadShowPicture(panel.data(), ZOD13);
  std::vector<Pixel> plane(FRAME_PIXELS);
  const SceneWalk& walk = scenes.walk;
  for (int entry = 0; entry < walk.entryCount(); ++entry) {
    const std::string_view effect = TIMELINE[entry].effectName;
    if (!looked(effect)) continue;
    const double start = walk.entryStartMs(entry);
    const double end = entry + 1 < walk.entryCount() ? walk.entryStartMs(entry + 1) : walk.endMs();
    const double first = std::min(start + MARGIN_MS, (start + end) / 2);
    const double span = std::max(end - MARGIN_MS - first, 0.0);
    for (int k = 0; k < framesPerVisit; ++k) {
      const double ms = framesPerVisit == 1 ? first + span / 2 : first + span * k / (framesPerVisit - 1);
      const std::int64_t target = timing.frameAt(static_cast<std::int64_t>(ms * 1000.0));
      if (target < offline->run().frameIndex()) continue;
      if (!offline->skipTo(target)) break;
      offline->run().step(offline->frame(), true);
      Sequencer& sequencer = offline->show().engine().sequencer();
      if (sequencer.currentIndex() != entry) continue;  // a cue moved the scene off this frame
      SceneLook look;
      look.scene = entry + 1;
      look.effect = effect;
      look.showMs = offline->run().timeMs();
      const Pixel* frame = offline->frame();
      if (effect == "squaretunnel") {
        lookAtTunnel(frame, panel, look);
      } else if (effect == "sphere") {
        lookAtSphere(frame, look);
      } else {
        const auto& title = dynamic_cast<const TitleEffect&>(*sequencer.effectAt(entry));
        title.drawTitlePlaneAt(plane.data(), offline->run().timeMs());
        lookAtTitle(frame, plane.data(), look);
      }
      if (seen) seen(look, frame);
      looks.push_back(look);
    }
  }
  return true;
}

ToneFigures toneOf(const std::vector<Pixel>& pixels) {
  ToneFigures tone;
  std::vector<double> lumas;
  lumas.reserve(pixels.size());
  double sum = 0.0, squares = 0.0;
  int dark = 0, mid = 0, light = 0;
  for (Pixel p : pixels) {
    const double luma = lumaOf(p);
    lumas.push_back(luma);
    sum += luma;
    squares += luma * luma;
    dark += luma < 40.0 ? 1 : 0;
    mid += luma >= 60.0 && luma <= 160.0 ? 1 : 0;
    light += luma > 160.0 ? 1 : 0;
  }
  const auto n = static_cast<double>(pixels.size());
  tone.darkShare = dark / n;
  tone.midShare = mid / n;
  tone.lightShare = light / n;
  tone.mean = sum / n;
  tone.deviation = std::sqrt(std::max(squares / n - tone.mean * tone.mean, 0.0));
  tone.median = percentile(lumas, 0.5);
  return tone;
}
