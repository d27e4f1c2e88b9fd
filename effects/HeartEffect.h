#pragma once
// Rotating, pulsing wood floor with the two halves of a picture at the sides (they breathe
// towards the middle and jump on sync events) and a wobbling heart sprite in the middle.

#include <cstdint>
#include <vector>

#include "show/Effect.h"

class HeartEffect final : public Effect {
 public:
  // Upward jump of one side half; offset in pixels (0..24), velocity in pixels per frame.
  struct Slide {
    bool active = false;
    float offset = 0.0f;
    float velocity = 0.0f;
    float startTime = 0.0f;
  };

  HeartEffect();
  // Loads "wood1.jpg", "zod1.pcx" and "herz.pcx".
  void init() override;
  void render(Pixel* frame, float timeMs) override;
  // Any code reverses the turning and makes the next half jump (the right one first).
  void onSync(std::int32_t code, float timeMs) override;

  // Read-only views of the animation state, for the lab and the tests.
  const Slide& leftSlideState() const { return leftSlide; }
  const Slide& rightSlideState() const { return rightSlide; }
  float currentAngleTime() const { return angleTime; }

 private:
  void drawBackground(Pixel* frame);
  static void advanceSlide(Slide& slide, float timeMs);
  void drawSideHalves(Pixel* frame, float cz);
  template <bool Finite>
  void drawHeart(Pixel* frame, double hs32, double hc, int centreColumn, int centreRow);

  std::vector<Pixel> woodTexture;
  std::vector<Pixel> sideImage;
  std::vector<Pixel> heartImage;
  std::vector<std::int32_t> colCos;
  std::vector<std::int32_t> colSin;
  std::vector<std::int32_t> rowCos;
  std::vector<std::int32_t> rowSin;
  bool spinForward = false;
  float lastSyncTime = 0.0f;
  float angleTime = 0.0f;
  float angleBase = 0.0f;
  Slide leftSlide;
  Slide rightSlide;
  bool nextSlideLeft = false;

  // Per-frame scratch: the column tables packed as four 16-bit texture indices per word, and the
  // heart's per-column products.
  std::vector<std::uint64_t> columnIndexQuads;
  std::vector<double> heartColumnCos;
  std::vector<double> heartColumnSin;
};
