#include "effects/SphereEffect.h"

#include <cmath>

#include "image/ShowPictures.h"
#include "render/FloatToInt.h"
#include "render/HalfStepRefinement.h"
#include "render/KeyedCopy.h"
#include "render/TexelShading.h"
#include "render/TrigTables.h"
#include "show/StudyReport.h"

namespace {
constexpr int LATTICE = 4;
constexpr int BOTTOM_FIRST_SOURCE_ROW = 176;
constexpr int BOTTOM_FIRST_FRAME_ROW = 200;
constexpr int BOTTOM_ROWS = FRAME_HEIGHT - BOTTOM_FIRST_FRAME_ROW;
}  // namespace

void SphereEffect::init() {
  sphereTexture = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  loadShowPicture(sphereTexture.get(), TEGEL1);
  gridU = std::make_unique<std::int32_t[]>(GRID_POINTS);
  gridV = std::make_unique<std::int32_t[]>(GRID_POINTS);
  gridShade = std::make_unique<std::int32_t[]>(GRID_POINTS);
  bottomImage = std::make_unique<Pixel[]>(KUVEN.pixels());
  loadShowPicture(bottomImage.get(), KUVEN);
}

void SphereEffect::onSync(std::int32_t, float) {}

void SphereEffect::render(Pixel* frame, float timeMs) {
  const double t = timeMs;
  // The angle steps come from the doubled time taken as an unsigned number.
  const std::uint32_t doubled = static_cast<std::uint32_t>(floatToInt(t + t));
  const double stepScale = 2.007843f;
  const int sinStep = floatToInt(static_cast<double>(doubled >> 3) * stepScale) & TRIG_MASK;
  const int cosStep = floatToInt(static_cast<double>(doubled >> 4) * stepScale) & TRIG_MASK;
  const int b = 255 - floatToInt(static_cast<double>(sinTable[sinStep]) * static_cast<double>(-180.0f));
  const int a = 255 - floatToInt(static_cast<double>(cosTable[cosStep]) * static_cast<double>(-180.0f));

  shownA = a;
  shownB = b;
  Matrix3 x;
  Matrix3 y;
  Matrix3 z;
  Matrix3 view;
  x.identity();
  y.identity();
  z.identity();
  x.rotX(a);
  y.rotY(b);
  z.rotZ(a);
  view.product(x, y, z);

  traceSamples(view, a, b);
  // Each band of four rows is completed and drawn while it is still in the cache; every value
  // is computed from the same neighbours as in whole-grid passes.
  // The traced shades are 0..255 already, so the kernel's clamp never bites.
  const LatticeMaps grids{gridU.get(), gridV.get(), gridShade.get(), GRID_STRIDE, LATTICE};
  refineInBands(grids, FRAME_HEIGHT, [&](int row, std::ptrdiff_t g) {
    shadeTexels(frame + row * FRAME_WIDTH, &gridU[g], &gridV[g], &gridShade[g], FRAME_WIDTH, sphereTexture.get(), 0,
                false);
  });
  // One pixel further left every 10 ms; the 256-pixel strip repeats across the frame.
  shownShift = static_cast<std::uint32_t>(floatToInt(static_cast<double>(timeMs) * static_cast<double>(0.1f)));
  drawBottomStrip(frame, shownShift);
}

void SphereEffect::traceSamples(const Matrix3& view, int a, int b) {
  // The sphere's centre lies at -(b, a, 255) from the eye; K is |centre|^2 stored as a float.
  const double centreX = static_cast<float>(b);
  const double centreY = static_cast<float>(a);
  const double centreZ = 255.0f;
  const float k = static_cast<float>(static_cast<double>(a * a + b * b + 65025) - static_cast<double>(0.0004f));
  const double fourK = 4.0 * static_cast<double>(k);
  for (int row = 0; row < GRID_ROWS; row += LATTICE) {
    for (int column = 0; column < GRID_STRIDE; column += LATTICE) {
      const Vec3 ray{static_cast<float>(column - 256), static_cast<float>(row - 192), 25.0f};
      Vec3 d;
      view.apply(ray, d);
      const double dx = d.x;
      const double dy = d.y;
      const double dz = d.z;
      const double aa = dx * dx + dy * dy + dz * dz;
      const double bb = 2.0 * (centreX * dx + centreY * dy + centreZ * dz);
      // The positive root of aa * l^2 + bb * l - K = 0: the eye is inside the sphere, so every ray hits.
      const double lambda = (std::sqrt(fourK * aa + bb * bb) - bb) / (2.0 * aa);
      const double shade = 20.0 * lambda;
      const int g = row * GRID_STRIDE + column;
      gridU[g] = floatToInt(std::fabs(2.0 * lambda * dx));
      gridV[g] = floatToInt(std::fabs(0.5 * static_cast<double>(static_cast<float>(lambda * dz))));
      gridShade[g] = floatToInt(shade > 255.0 ? 255.0 : shade);
    }
  }
}

void SphereEffect::drawBottomStrip(Pixel* frame, std::uint32_t shift) const {
  for (int r = 0; r < BOTTOM_ROWS; ++r) {
    const Pixel* source = bottomImage.get() + (BOTTOM_FIRST_SOURCE_ROW + r) * TEXTURE_SIZE;
    Pixel* out = frame + (BOTTOM_FIRST_FRAME_ROW + r) * FRAME_WIDTH;
    // Frame column x shows source column (shift + x) mod 256: the tail of the strip, the
    // whole strip, then its head.
    const int first = static_cast<int>(shift & 0xFF);
    copyKeyedRun(out, source + first, TEXTURE_SIZE - first);
    copyKeyedRun(out + TEXTURE_SIZE - first, source, TEXTURE_SIZE);
    copyKeyedRun(out + 2 * TEXTURE_SIZE - first, source, first);
  }
}

void SphereEffect::describe(StudyReport& report) const {
  report.value("turn a", shownA, "steps");
  report.value("turn b", shownB, "steps");
  // traceSamples puts the centre at -(b, a, 255) from the eye.
  report.value("centre x", -shownB);
  report.value("centre y", -shownA);
  report.value("centre z", -255.0);
  report.value("strip shift", shownShift & 0xFF, "px");
  report.value("lattice spacing", LATTICE, "px");
  report.lattice(LatticeMaps{gridU.get(), gridV.get(), gridShade.get(), GRID_STRIDE, LATTICE}, FRAME_HEIGHT);
  report.rect(StudyLayer::Pictures, 0.0, BOTTOM_FIRST_FRAME_ROW, FRAME_WIDTH, BOTTOM_ROWS);
}
