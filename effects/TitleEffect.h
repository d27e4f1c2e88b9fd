#pragma once

#include <cstdint>
#include <memory>

#include "show/Effect.h"

// The title picture swings and zooms in the middle of the frame. Where it leaves the frame black
// a pattern of two wave-distorted tiles shows, darkened by a moving shade; a tall picture slides
// up and down over everything. Every sync event snaps the swing back upright.
class TitleEffect final : public Effect {
 public:
  static constexpr int WAVE_STEPS = 1024;
  static constexpr int SCROLL_WIDTH = 512;
  static constexpr int SCROLL_HEIGHT = 512;

  void init() override;
  void render(Pixel* frame, float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
  // The title's zoom and swing with its turned axes and outline, and the sliding picture.
  void describe(StudyReport& report) const override;

  // Fills the four WAVE_STEPS tables.
  static void fillWaveTables(std::int32_t* waveA, std::int32_t* waveB, std::int32_t* waveC, std::int32_t* shadeWave);
  // The title plane alone: the 256 x 256 picture turned and scaled by (rs, rc) about the frame's
  // middle, 0 wherever it does not reach.
  static void drawTitlePlane(Pixel* frame, const Pixel* titleImage, double rs, double rc);
  // The title plane as render draws it at show time timeMs, for checks of how the title reads.
  void drawTitlePlaneAt(Pixel* frame, float timeMs) const;

 private:
  // The title's turn and scale at a show time.
  struct Swing {
    double rs;
    double rc;
    double zoom;
    double phase;
  };
  Swing swingAt(float timeMs) const;

  std::unique_ptr<Pixel[]> textureA;
  std::unique_ptr<Pixel[]> textureB;
  std::unique_ptr<std::int32_t[]> waveA;
  std::unique_ptr<std::int32_t[]> waveB;
  std::unique_ptr<std::int32_t[]> waveC;
  std::unique_ptr<std::int32_t[]> shadeWave;
  std::unique_ptr<Pixel[]> titleImage;
  std::unique_ptr<Pixel[]> scrollImage;
  float lastSyncTime = 0.0f;
  // What the latest render used, for describe.
  Swing shownSwing{};
  std::int32_t shownSlide = 0;
};
