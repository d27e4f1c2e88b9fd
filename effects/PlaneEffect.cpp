#include "effects/PlaneEffect.h"

#include <cmath>
#include <cstddef>

#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/TexelShading.h"
#include "show/StudyReport.h"

namespace {

constexpr std::size_t MAP_ELEMENTS = static_cast<std::size_t>(PlaneEffect::MAP_STRIDE) * PlaneEffect::MAP_ROWS;

}  // namespace

RaySample PlaneEffect::sampleRay(float x, float y, float z, double scroll) {
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
  loadShowPicture(tileTexture.get(), TEGEL1);
  loadShowPicture(metalTexture.get(), METAL1);
  logoImage = std::make_unique<Pixel[]>(DIRURAR.pixels());
  loadShowPicture(logoImage.get(), DIRURAR);
  uMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  vMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  shadeMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  timeOffset = 0.0f;
  useMetal = false;
}

void PlaneEffect::render(Pixel* frame, float timeMs) {
  // The sync jumps move the camera; the texture scrolls with the plain time.
  const double time = static_cast<float>(static_cast<double>(timeMs) + static_cast<double>(timeOffset));
  shownTurn[0] = floatToInt(exactCos(time * static_cast<double>(0.00042735043f)) * 290.0);
  shownTurn[1] = floatToInt(exactSin(time * static_cast<double>(0.0002586653f)) * -300.0);
  shownTurn[2] = floatToInt(exactCos(time * static_cast<double>(0.0004f)) * 563.0);
  camera.turn(shownTurn[0], shownTurn[1], shownTurn[2]);
  const double scroll = static_cast<double>(timeMs) * 0.5;
  shownCameraTime = time;
  shownScroll = scroll;
  const LatticeMaps maps{uMap.get(), vMap.get(), shadeMap.get(), MAP_STRIDE, LATTICE_SPACING};
  camera.sampleLattice(maps, FRAME_HEIGHT, [&](const Vec3& ray) { return sampleRay(ray.x, ray.y, ray.z, scroll); });
  const Pixel* texture = useMetal ? metalTexture.get() : tileTexture.get();
  refineInBands(maps, FRAME_HEIGHT, [&](int y, std::ptrdiff_t i) {
    shadeTexels(frame + y * FRAME_WIDTH, &uMap[i], &vMap[i], &shadeMap[i], FRAME_WIDTH, texture, 0, false);
  });

  addSaturatedRun(frame + static_cast<std::size_t>(LOGO_TOP) * FRAME_WIDTH, logoImage.get(),
                  static_cast<std::size_t>(LOGO_WIDTH) * LOGO_HEIGHT);
}

void PlaneEffect::onSync(std::int32_t, float) {
  useMetal = !useMetal;
  timeOffset = static_cast<float>(static_cast<double>(timeOffset) + static_cast<double>(SYNC_JUMP_MS));
}

void PlaneEffect::describe(StudyReport& report) const {
  report.value("turn x", shownTurn[0], "steps");
  report.value("turn y", shownTurn[1], "steps");
  report.value("turn z", shownTurn[2], "steps");
  report.value("camera time", shownCameraTime, "ms");
  report.value("scroll", shownScroll, "texels");
  report.value("metal texture", useMetal ? 1.0 : 0.0);
  report.value("lattice spacing", LATTICE_SPACING, "px");
  report.lattice(LatticeMaps{uMap.get(), vMap.get(), shadeMap.get(), MAP_STRIDE, LATTICE_SPACING}, FRAME_HEIGHT);
  report.rect(StudyLayer::Pictures, 0.0, LOGO_TOP, LOGO_WIDTH, LOGO_HEIGHT);
}
