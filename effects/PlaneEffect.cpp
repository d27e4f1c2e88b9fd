#include "effects/PlaneEffect.h"

#include <cmath>
#include <cstddef>

#include "image/Loaders.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/HalfStepRefinement.h"
#include "render/TexelShading.h"

namespace {

constexpr std::size_t MAP_ELEMENTS = static_cast<std::size_t>(PlaneEffect::MAP_STRIDE) * PlaneEffect::MAP_ROWS;
constexpr int MAP_USED_ROWS = FRAME_HEIGHT + 1;

}  // namespace

PlaneEffect::RaySample PlaneEffect::sampleRay(float x, float y, float z, double scroll) {
  // Both signs divide by y + 1: rays just below the horizon (-1 < y < 0) get a negative distance
  // larger than any rising ray's, and y = -1 gives an infinity that converts to 0.
  const int sign = y < 0.0f ? -1 : 1;
  const auto height = static_cast<float>(sign * PLANE_HEIGHT);
  const auto distance = static_cast<float>(static_cast<double>(height) / (static_cast<double>(y) + 1.0));
  const double d = distance;
  RaySample sample;
  sample.u = floatToInt(std::fabs(d * x));
  sample.v = floatToInt(std::fabs(d * z + scroll));
  sample.shade = floatToInt(std::fabs(d * 50.0));
  return sample;
}

void PlaneEffect::init() {
  tileTexture = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  metalTexture = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  loadJpeg(tileTexture.get(), "tegel1.jpg", TEXTURE_SIZE, TEXTURE_SIZE);
  loadJpeg(metalTexture.get(), "metal1.jpg", TEXTURE_SIZE, TEXTURE_SIZE);
  logoImage = std::make_unique<Pixel[]>(static_cast<std::size_t>(LOGO_WIDTH) * LOGO_HEIGHT);
  loadRaw(logoImage.get(), "dirurar.raw", LOGO_WIDTH, LOGO_HEIGHT);
  uMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  vMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  shadeMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  timeOffset = 0.0f;
  useMetal = 0;
}

void PlaneEffect::placeCamera(float timeMs) {
  const auto t = static_cast<float>(static_cast<double>(timeMs) + static_cast<double>(timeOffset));
  const double time = t;
  viewMatrix.identity();
  rotationX.identity();
  rotationY.identity();
  rotationZ.identity();
  rotationX.rotX(floatToInt(exactCos(time * static_cast<double>(0.00042735043f)) * 290.0));
  rotationY.rotY(floatToInt(exactSin(time * static_cast<double>(0.0002586653f)) * -300.0));
  rotationZ.rotZ(floatToInt(exactCos(time * static_cast<double>(0.0004f)) * 563.0));
  viewMatrix.product(rotationX, rotationY, rotationZ);
}

void PlaneEffect::sampleLattice(float timeMs) {
  // The scroll follows the plain time: a sync jump moves the camera, not the texture.
  const double scroll = static_cast<double>(timeMs) * 0.5;
  const float* m = viewMatrix.m;
  for (int y = 0; y < MAP_USED_ROWS; y += LATTICE_SPACING) {
    const double dy = y - 140;
    for (int x = 0; x < MAP_STRIDE; x += LATTICE_SPACING) {
      const double dx = x - 256;
      const auto rx = static_cast<float>(dx * m[0] + dy * m[3] + 200.0 * m[6]);
      const auto ry = static_cast<float>(dx * m[1] + dy * m[4] + 200.0 * m[7]);
      const auto rz = static_cast<float>(dx * m[2] + dy * m[5] + 200.0 * m[8]);
      const RaySample sample = sampleRay(rx, ry, rz, scroll);
      const std::size_t i = static_cast<std::size_t>(y) * MAP_STRIDE + x;
      uMap[i] = sample.u;
      vMap[i] = sample.v;
      shadeMap[i] = sample.shade;
    }
  }
}

void PlaneEffect::render(Pixel* frame, float timeMs) {
  placeCamera(timeMs);
  sampleLattice(timeMs);
  // Each band of eight rows is refined and textured while its rows are still in the cache.
  std::int32_t* const maps[3] = {uMap.get(), vMap.get(), shadeMap.get()};
  for (std::int32_t* map : maps) refineLatticeRows(map, MAP_STRIDE, MAP_USED_ROWS, LATTICE_SPACING);
  const Pixel* texture = useMetal != 0 ? metalTexture.get() : tileTexture.get();
  for (int top = 0; top < FRAME_HEIGHT; top += LATTICE_SPACING) {
    for (std::int32_t* map : maps) refineBand(map, MAP_STRIDE, top, LATTICE_SPACING);
    for (int y = top; y < top + LATTICE_SPACING; ++y) {
      const std::size_t i = static_cast<std::size_t>(y) * MAP_STRIDE;
      shadeTexels(frame + static_cast<std::size_t>(y) * FRAME_WIDTH, &uMap[i], &vMap[i], &shadeMap[i], FRAME_WIDTH,
                  texture, 0, false);
    }
  }

  addSaturatedRun(frame + static_cast<std::size_t>(LOGO_TOP) * FRAME_WIDTH, logoImage.get(),
                  static_cast<std::size_t>(LOGO_WIDTH) * LOGO_HEIGHT);
}

void PlaneEffect::onSync(std::int32_t, float) {
  useMetal = useMetal == 0 ? 1 : 0;
  timeOffset = static_cast<float>(static_cast<double>(timeOffset) + static_cast<double>(SYNC_JUMP_MS));
}
