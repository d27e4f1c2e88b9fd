#pragma once

#include <cstdint>
#include <memory>

#include "render/LightRayBlend.h"
#include "image/ShowPictures.h"
#include "render/LatticeCamera.h"
#include "show/Effect.h"

// A flight down a metal tunnel of square cross-section whose far end fades to black (or, after
// an odd number of sync events, to white), smeared by light rays towards a drifting centre, with
// the ZOD13 picture laid over the right of the frame.
class SquareTunnelEffect final : public Effect {
 public:
  void init() override;
  void render(Pixel* frame, float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
  // The camera, the depth, the glow, the traced lattice and the light rays' centre.
  void describe(StudyReport& report) const override;

  // The wall (half-width 350) met by the rotated ray (x, y, ...): the floor or ceiling when
  // |y| > |x|, a side wall otherwise (the diagonals included). twoTicks is the depth already
  // travelled. A wall coordinate of 0 counts as positive; -1 divides by zero and gives zeros.
  static RaySample sampleRay(float x, float y, float twoTicks);

  static constexpr int PICTURE_WIDTH = 332;
  static constexpr int PICTURE_HEIGHT = 280;
  static constexpr int MAP_STRIDE = 333;  // column 332 is the right neighbour of the last column
  static constexpr int MAP_ROWS = 298;    // 281 used: row 280 is the bottom neighbour
  static constexpr int LATTICE_SPACING = 8;
  static constexpr int OVERLAY_SIZE = ZOD13.width;
  static constexpr int OVERLAY_LEFT = 232;
  // Guard pixels before and after the smeared picture. Near the edges the light-ray pass
  // addresses neighbours up to one row and one pixel outside the picture (one pixel before it
  // with a small weight, a row past its end with weight 0, a row before it only for a time that
  // is not a number). The guards are black and never written, so such a neighbour always counts
  // as black and no read leaves the buffer.
  static constexpr int PICTURE_GUARD = 2 * PICTURE_WIDTH;

 private:
  void placeLight(float timeMs);
  void castLightRays();
  void lightQuadrant(int firstRow, int rowStep, int firstColumn, int columnStep, int sampleColumnStep,
                     int sampleRowStep);

  float lightOffsetX = 0.0f;
  float lightOffsetY = 0.0f;
  float rayScaleX = 0.025f;
  float rayScaleY = 0.025f;
  std::unique_ptr<std::int32_t[]> columnOffsets;
  std::unique_ptr<std::int32_t[]> rowOffsets;
  std::unique_ptr<Pixel[]> overlayImage;
  // The tunnel picture, one wide pixel (16 bits a byte) each, so that the light rays can work
  // on all four bytes at once; narrowed into the frame at the end.
  WidePixel* picture = nullptr;  // inside pictureStorage, after the leading guard
  LatticeCamera camera;
  bool glowMode = false;
  // What the latest render used, for describe.
  int shownTurn[3] = {};
  float shownDepth = 0.0f;

  // Owned by the scene (one object for the whole show) rather than shared at file level.
  std::unique_ptr<Pixel[]> metalTexture;
  std::unique_ptr<std::int32_t[]> uMap;
  std::unique_ptr<std::int32_t[]> vMap;
  std::unique_ptr<std::int32_t[]> shadeMap;
  std::unique_ptr<WidePixel[]> pictureStorage;
  std::unique_ptr<Pixel[]> texturedRow;  // one row of texels before widening
  // Per column, set with the offsets each frame: the sample column towards the right and
  // towards the left, and the two weights of the sample's columns.
  std::unique_ptr<std::int32_t[]> sampleColumnsRight;
  std::unique_ptr<std::int32_t[]> sampleColumnsLeft;
  std::unique_ptr<LaneWeights[]> firstColumnWeights;
  std::unique_ptr<LaneWeights[]> secondColumnWeights;
};
