#pragma once
// Rotating, pulsing wood floor with the two halves of a picture at the sides (they breathe
// towards the middle and jump on sync events) and a wobbling heart sprite in the middle.

#include <cstdint>
#include <memory>

#include "effects/Jump.h"
#include "show/Effect.h"

class HeartEffect final : public Effect {
 public:
  // Loads HERZ, WOOD1 and ZOD1.
  void init() override;
  void render(Pixel* frame, float timeMs) override;
  // The turning angle and the side halves' jumps, which lose speed once per frame.
  void advance(float timeMs) override;
  // Any code reverses the turning and makes the next half jump (the right one first).
  void onSync(std::int32_t code, float timeMs) override;
  // The turn and pulse of the floor with its axes, the side halves' jumps, the heart's outline.
  void describe(StudyReport& report) const override;

  // Read-only views of the animation state, for the lab and the tests.
  const Jump& leftSlideState() const { return leftSlide; }
  const Jump& rightSlideState() const { return rightSlide; }
  float currentAngleTime() const { return angleTime; }

 private:
  void drawBackground(Pixel* frame);
  // The pulse (-1..1) spreads the halves apart.
  void drawSideHalves(Pixel* frame, float pulse);
  // The heart's sine and cosine factors carry its wobble and its scale; the sine one has been
  // rounded to a float.
  template <bool Finite>
  void drawHeart(Pixel* frame, double heartSin, double heartCos, int centreColumn, int centreRow);

  std::unique_ptr<Pixel[]> woodTexture;
  std::unique_ptr<Pixel[]> sideImage;
  std::unique_ptr<Pixel[]> heartImage;
  std::unique_ptr<std::int32_t[]> colCos;
  std::unique_ptr<std::int32_t[]> colSin;
  std::unique_ptr<std::int32_t[]> rowCos;
  std::unique_ptr<std::int32_t[]> rowSin;
  bool spinForward = false;
  float lastSyncTime = 0.0f;
  float angleTime = 0.0f;
  float angleBase = 0.0f;
  // Upward jumps of the side halves, 0..24 pixels.
  Jump leftSlide;
  Jump rightSlide;
  bool nextSlideLeft = false;
  // What the latest render used, for describe.
  float shownPulse = 0.0f;
  double shownAngle = 0.0;
  float shownZoomedSin = 0.0f;
  float shownZoomedCos = 0.0f;
  double shownHeartScale = 0.0;
  double shownHeartSin = 0.0;
  double shownHeartCos = 0.0;
  int shownHeartColumn = 0;
  int shownHeartRow = 0;
  int shownSpread = 0;
  int shownLeftTop = 0;
  int shownRightTop = 0;

  // Per-frame scratch: the column tables packed as four 16-bit texture indices per word, and the
  // heart's per-column products.
  std::unique_ptr<std::uint64_t[]> columnIndexQuads;
  std::unique_ptr<double[]> heartColumnCos;
  std::unique_ptr<double[]> heartColumnSin;
};
