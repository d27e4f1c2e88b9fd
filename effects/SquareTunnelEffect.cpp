#include "effects/SquareTunnelEffect.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/KeyedCopy.h"
#include "render/LightRayBlend.h"
#include "render/TexelShading.h"
#include "render/TrigTables.h"
#include "show/StudyReport.h"

namespace {

constexpr int W = SquareTunnelEffect::PICTURE_WIDTH;
constexpr int H = SquareTunnelEffect::PICTURE_HEIGHT;
constexpr std::size_t MAP_ELEMENTS =
    static_cast<std::size_t>(SquareTunnelEffect::MAP_STRIDE) * SquareTunnelEffect::MAP_ROWS;
constexpr std::int32_t HALF_WIDTH = 350;
// The overlay is drawn as a square of OVERLAY_SIZE rows and columns.
static_assert(ZOD13.width == ZOD13.height);

}  // namespace

RaySample SquareTunnelEffect::sampleRay(float x, float y, float twoTicks) {
  const bool floorOrCeiling = std::fabs(y) > std::fabs(x);
  const float wall = floorOrCeiling ? y : x;
  const float across = floorOrCeiling ? x : y;
  // As for the planes, both signs divide by wall + 1.
  const int sign = wall < 0.0f ? -1 : 1;
  // Unlike the planes' distance, this one is never stored, so it keeps double precision.
  const double d = static_cast<double>(sign * HALF_WIDTH) / (static_cast<double>(wall) + 1.0);
  RaySample sample;
  sample.u = floatToInt(std::fabs(static_cast<double>(across) * d));
  sample.v = floatToInt(std::fabs(static_cast<double>(twoTicks) + 100.0 * d));
  sample.shade = floatToInt(std::fabs(3.0 * d));
  return sample;
}

void SquareTunnelEffect::init() {
  metalTexture = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  loadShowPicture(metalTexture.get(), METAL1);
  uMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  vMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  shadeMap = std::make_unique<std::int32_t[]>(MAP_ELEMENTS);
  columnOffsets = std::make_unique<std::int32_t[]>(W);
  rowOffsets = std::make_unique<std::int32_t[]>(H);
  overlayImage = std::make_unique<Pixel[]>(ZOD13.pixels());
  texturedRow = std::make_unique<Pixel[]>(W);
  sampleColumnsRight = std::make_unique<std::int32_t[]>(W);
  sampleColumnsLeft = std::make_unique<std::int32_t[]>(W);
  firstColumnWeights = std::make_unique<LaneWeights[]>(W);
  secondColumnWeights = std::make_unique<LaneWeights[]>(W);
  // make_unique zeroes the array, so the guards start (and stay) black.
  pictureStorage = std::make_unique<WidePixel[]>(static_cast<std::size_t>(W) * H + 2 * PICTURE_GUARD);
  picture = pictureStorage.get() + PICTURE_GUARD;
  loadShowPicture(overlayImage.get(), ZOD13);
  glowMode = false;
}

void SquareTunnelEffect::placeLight(float timeMs) {
  rayScaleX = 0.025f;
  rayScaleY = 0.025f;
  const double time = timeMs;
  lightOffsetX = static_cast<float>(exactCos(time * static_cast<double>(0.0015015015f)) * 165.0);
  lightOffsetY = static_cast<float>(exactSin(time * static_cast<double>(0.0021459227f)) * 139.0);
  for (int j = 0; j < W; ++j) {
    const double distance = static_cast<double>(j) - static_cast<double>(lightOffsetX) - 166.0;
    columnOffsets[j] = floatToInt(std::fabs(distance * static_cast<double>(rayScaleX)) * 256.0);
    const std::int32_t whole = columnOffsets[j] >> 8;
    const auto fraction = static_cast<std::uint32_t>(columnOffsets[j] & 255);
    sampleColumnsRight[j] = j + whole;
    sampleColumnsLeft[j] = j - whole;
    firstColumnWeights[j] = ::firstColumnWeights(fraction);
    secondColumnWeights[j] = ::secondColumnWeights(fraction);
  }
  for (int k = 0; k < H; ++k) {
    const double distance = static_cast<double>(k) - static_cast<double>(lightOffsetY) - 140.0;
    rowOffsets[k] = floatToInt(std::fabs(distance * static_cast<double>(rayScaleY)) * 256.0);
  }
}

// Walks rows from firstRow by rowStep and, in each, columns from firstColumn by columnStep, while
// they stay inside the picture, blending in place; the sample lies sampleColumnStep and
// sampleRowStep ways from the pixel, and its second column and row one further that way.
void SquareTunnelEffect::lightQuadrant(int firstRow, int rowStep, int firstColumn, int columnStep,
                                       int sampleColumnStep, int sampleRowStep) {
  if (firstRow < 0 || firstRow >= H || firstColumn < 0 || firstColumn >= W) return;
  const std::int32_t* sampleColumns = sampleColumnStep > 0 ? sampleColumnsRight.get() : sampleColumnsLeft.get();
  for (int k = firstRow; k >= 0 && k < H; k += rowStep) {
    const std::int32_t rowOffset = rowOffsets[k];
    const int sampleRow = k + sampleRowStep * (rowOffset >> 8);
    const WidePixel* near = picture + static_cast<std::ptrdiff_t>(sampleRow) * W;
    const WidePixel* far = near + static_cast<std::ptrdiff_t>(sampleRowStep) * W;
    smearRow(picture + static_cast<std::ptrdiff_t>(k) * W, near, far, firstColumn, columnStep, W, sampleColumns,
             sampleColumnStep, firstColumnWeights.get(), secondColumnWeights.get(),
             rowWeights(static_cast<std::uint32_t>(rowOffset & 255)));
  }
}

void SquareTunnelEffect::castLightRays() {
  const double x = lightOffsetX;
  const double y = lightOffsetY;
  const int col0 = floatToInt(x + 166.0);
  const int col1 = floatToInt(x + 165.0);
  const int row0 = floatToInt(y + 140.0);
  const int row1 = floatToInt(y + 141.0);
  // Away from the centre in each quadrant, so each sample mostly reads pixels already smeared.
  // The upper quadrants share columns col1 and col0, the lower ones column col0: those pixels
  // are blended twice.
  lightQuadrant(row0, -1, col0, -1, +1, +1);  // upper left
  lightQuadrant(row0, -1, col1, +1, -1, +1);  // upper right
  lightQuadrant(row1, +1, col0, +1, -1, -1);  // lower right
  lightQuadrant(row1, +1, col0, -1, +1, -1);  // lower left
}

void SquareTunnelEffect::render(Pixel* frame, float timeMs) {
  const auto ticks = static_cast<std::uint32_t>(floatToInt(static_cast<double>(timeMs) * static_cast<double>(0.2f)));
  // The camera rolls with the ticks and rocks about X and Y together.
  const int wobbleStep = floatToInt(static_cast<double>(timeMs) * static_cast<double>(0.14285715f)) & TRIG_MASK;
  const double wobble = sinTable[wobbleStep];
  shownTurn[0] = floatToInt(wobble * 90.0);
  shownTurn[1] = floatToInt(wobble * -100.0);
  shownTurn[2] = static_cast<int>(ticks >> 1);
  camera.turn(shownTurn[0], shownTurn[1], shownTurn[2]);
  const auto twoTicks = static_cast<float>(static_cast<std::int32_t>(ticks * 2u));
  shownDepth = twoTicks;
  const LatticeMaps maps{uMap.get(), vMap.get(), shadeMap.get(), MAP_STRIDE, LATTICE_SPACING};
  camera.sampleLattice(maps, H, [&](const Vec3& ray) { return sampleRay(ray.x, ray.y, twoTicks); });
  refineInBands(maps, H, [&](int y, std::ptrdiff_t i) {
    shadeTexels(texturedRow.get(), &uMap[i], &vMap[i], &shadeMap[i], W, metalTexture.get(), ticks >> 2, glowMode);
    widenPixels(picture + static_cast<std::ptrdiff_t>(y) * W, texturedRow.get(), W);
  });

  placeLight(timeMs);
  castLightRays();

  for (int y = 0; y < H; ++y) {
    narrowPixels(frame + static_cast<std::size_t>(y) * FRAME_WIDTH, picture + static_cast<std::size_t>(y) * W, W);
  }
  // The overlay's rectangle lies wholly inside the frame, so the run form may touch all of it.
  for (int y = 0; y < OVERLAY_SIZE; ++y) {
    copyKeyedRun(frame + static_cast<std::size_t>(y) * FRAME_WIDTH + OVERLAY_LEFT,
                 &overlayImage[static_cast<std::size_t>(y) * OVERLAY_SIZE], OVERLAY_SIZE);
  }
}

void SquareTunnelEffect::onSync(std::int32_t, float) { glowMode = !glowMode; }

void SquareTunnelEffect::describe(StudyReport& report) const {
  report.value("turn x", shownTurn[0], "steps");
  report.value("turn y", shownTurn[1], "steps");
  report.value("turn z", shownTurn[2], "steps");
  report.value("depth", shownDepth, "texels");
  report.value("glow", glowMode ? 1.0 : 0.0);
  report.value("light x", static_cast<double>(lightOffsetX) + 166.0, "px");
  report.value("light y", static_cast<double>(lightOffsetY) + 140.0, "px");
  report.value("ray scale", rayScaleX);
  report.lattice(LatticeMaps{uMap.get(), vMap.get(), shadeMap.get(), MAP_STRIDE, LATTICE_SPACING}, H);
  // The rays are smeared away from this point, one quadrant at a time, split where castLightRays
  // splits them.
  const double x = static_cast<double>(lightOffsetX) + 166.0;
  const double y = static_cast<double>(lightOffsetY) + 140.0;
  report.point(StudyLayer::Rays, static_cast<float>(x), static_cast<float>(y));
  report.segment(StudyLayer::Rays, x, 0.0, x, H);
  report.segment(StudyLayer::Rays, 0.0, y, W, y);
  for (const double cornerX : {0.0, static_cast<double>(W)})
    for (const double cornerY : {0.0, static_cast<double>(H)}) report.segment(StudyLayer::Rays, x, y, cornerX, cornerY);
  report.rect(StudyLayer::Pictures, 0.0, 0.0, W, H);
  report.rect(StudyLayer::Pictures, OVERLAY_LEFT, 0.0, OVERLAY_SIZE, OVERLAY_SIZE);
}
