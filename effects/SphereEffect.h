#pragma once
// The textured inside of a sphere around the viewer, turning and swaying with the show time and
// darker with distance, with a picture strip scrolling along the bottom. Rays are traced only on a
// lattice of every fourth pixel of every fourth row; everything between is averaged from them.

#include <cstdint>
#include <memory>

#include "render/Matrix3.h"
#include "show/Effect.h"

class SphereEffect final : public Effect {
 public:
  // The lattice covers one column and one row beyond the frame, so the last frame column and
  // row are averaged like all the others.
  static constexpr int GRID_STRIDE = FRAME_WIDTH + 1;
  static constexpr int GRID_ROWS = FRAME_HEIGHT + 1;
  static constexpr int GRID_POINTS = GRID_STRIDE * GRID_ROWS;

  // Loads TEGEL1 and KUVEN.
  void init() override;
  void render(Pixel* frame, float timeMs) override;
  // The picture depends on the show time alone.
  void onSync(std::int32_t code, float timeMs) override;
  // The turn, the sphere's centre, the traced lattice and the strip.
  void describe(StudyReport& report) const override;

 private:
  void traceSamples(const Matrix3& view, int a, int b);
  // Frame column x shows strip column (shift + x) mod 256.
  void drawBottomStrip(Pixel* frame, std::uint32_t shift) const;

  std::unique_ptr<Pixel[]> sphereTexture;
  // Texture column and row sources (only the low bytes are looked up) and shade (0..255) of each
  // grid point.
  std::unique_ptr<std::int32_t[]> gridU;
  std::unique_ptr<std::int32_t[]> gridV;
  std::unique_ptr<std::int32_t[]> gridShade;
  std::unique_ptr<Pixel[]> bottomImage;
  // What the latest render used, for describe.
  int shownA = 0;
  int shownB = 0;
  std::uint32_t shownShift = 0;
};
