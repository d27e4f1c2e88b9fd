#pragma once

#include <cstdint>
#include <memory>

#include "image/ShowPictures.h"
#include "render/LatticeCamera.h"
#include "show/Effect.h"

// A camera swaying between a textured ceiling and floor that darken towards the horizon, with
// the DIRURAR logo added over the middle band. Each sync event swaps the texture and
// moves the camera 1561 ms along its path; both changes last for the rest of the show.
class PlaneEffect final : public Effect {
 public:
  void init() override;
  void render(Pixel* frame, float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
  // The camera's turn, the scroll, the texture in use and the traced lattice.
  void describe(StudyReport& report) const override;

  // The planes at heights +100 and -100 met by the rotated ray (x, y, z); scroll moves the
  // texture along z. A ray with y = 0 counts as rising; y = -1 divides by zero and gives zeros.
  static RaySample sampleRay(float x, float y, float z, double scroll);

  static constexpr int MAP_STRIDE = 513;  // one column past the frame: the right neighbours
  static constexpr int MAP_ROWS = 288;    // 281 used: row 280 is the bottom neighbour
  static constexpr int LATTICE_SPACING = 8;
  static constexpr int LOGO_WIDTH = DIRURAR.width;
  static constexpr int LOGO_HEIGHT = DIRURAR.height;
  static constexpr int LOGO_TOP = 50;
  static constexpr std::int32_t PLANE_HEIGHT = 100;
  static constexpr float SYNC_JUMP_MS = 1561.0f;

 private:
  std::unique_ptr<Pixel[]> tileTexture;
  std::unique_ptr<Pixel[]> metalTexture;
  std::unique_ptr<Pixel[]> logoImage;
  std::unique_ptr<std::int32_t[]> uMap;
  std::unique_ptr<std::int32_t[]> vMap;
  std::unique_ptr<std::int32_t[]> shadeMap;
  LatticeCamera camera;
  float timeOffset = 0.0f;
  bool useMetal = false;
  // What the latest render used, for describe.
  int shownTurn[3] = {};
  double shownCameraTime = 0.0;
  double shownScroll = 0.0;
};
