#include "effects/HeartEffect.h"

#include <cmath>

#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/KeyedCopy.h"
#include "show/StudyReport.h"

namespace {
// Half-ranges of the rotation tables: columns -256..255 and rows -140..139 around the centre.
constexpr int halfWidth = 256;
constexpr int halfHeight = 140;

// The heart is drawn inside a 312 x 230 window centred on frame pixel (row 140, column 256).
constexpr int HEART_HALF_COLUMNS = 156;
constexpr int HEART_HALF_ROWS = 115;
constexpr int HEART_COLUMNS = 2 * HEART_HALF_COLUMNS;

constexpr int LEFT_HALF_COLUMNS = 115;
constexpr int RIGHT_HALF_FIRST_COLUMN = 120;
constexpr int RIGHT_HALF_COLUMNS = 136;
constexpr int RIGHT_HALF_RESTING_COLUMN = 363;

constexpr float START_VELOCITY = 15.0f;
constexpr float HIGHEST_OFFSET = 24.0f;
constexpr float SLIDE_SLOWDOWN = 0.08f;

// Adds the bytes of two words without letting a carry cross from one byte into the next.
constexpr std::uint64_t addBytesWrapping(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t high = 0x8080808080808080ull;
  return ((a & ~high) + (b & ~high)) ^ ((a ^ b) & high);
}

// Texture index v * 256 + u from the low bytes of the two coordinates.
constexpr std::uint64_t packedIndex(std::int32_t u, std::int32_t v) {
  return ((static_cast<std::uint64_t>(v) & 0xFF) << 8) | (static_cast<std::uint64_t>(u) & 0xFF);
}
}  // namespace

void HeartEffect::init() {
  woodTexture = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  sideImage = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  heartImage = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  loadShowPicture(heartImage.get(), HERZ);
  loadShowPicture(woodTexture.get(), WOOD1);
  loadShowPicture(sideImage.get(), ZOD1);
  colCos = std::make_unique<std::int32_t[]>(2 * halfWidth);
  colSin = std::make_unique<std::int32_t[]>(2 * halfWidth);
  rowCos = std::make_unique<std::int32_t[]>(2 * halfHeight);
  rowSin = std::make_unique<std::int32_t[]>(2 * halfHeight);
  columnIndexQuads = std::make_unique<std::uint64_t[]>(2 * halfWidth / 4);
  heartColumnCos = std::make_unique<double[]>(HEART_COLUMNS);
  heartColumnSin = std::make_unique<double[]>(HEART_COLUMNS);
  lastSyncTime = 0.0f;
  angleBase = 0.0f;
}

void HeartEffect::onSync(std::int32_t, float timeMs) {
  spinForward = !spinForward;
  lastSyncTime = timeMs;
  angleBase = angleTime;
  (nextSlideLeft ? leftSlide : rightSlide).start(timeMs, START_VELOCITY);
  nextSlideLeft = !nextSlideLeft;
}

void HeartEffect::advance(float timeMs) {
  const double t = timeMs;
  const double sinceSync = t - static_cast<double>(lastSyncTime);
  angleTime = static_cast<float>(spinForward ? angleBase + sinceSync : angleBase - sinceSync);
  for (Jump* slide : {&leftSlide, &rightSlide}) {
    slide->advance(t - static_cast<double>(slide->startTime), SLIDE_SLOWDOWN, HIGHEST_OFFSET,
                   Jump::Sum::StoredVelocity);
  }
}

void HeartEffect::render(Pixel* frame, float timeMs) {
  const double t = timeMs;
  advance(timeMs);

  // The pulse is kept as a float: the side halves and the heart's centre use it again.
  const float pulse = static_cast<float>(exactCos(t * static_cast<double>(0.0015015015f)));
  const double zoom = static_cast<double>(pulse) * 0.5 + 1.0;
  const double angle = static_cast<double>(angleTime) * static_cast<double>(0.0027322404f);
  const float zoomedSin = static_cast<float>(zoom * exactSin(angle));
  const float zoomedCos = static_cast<float>(zoom * exactCos(angle));
  shownPulse = pulse;
  shownAngle = angle;
  shownZoomedSin = zoomedSin;
  shownZoomedCos = zoomedCos;

  for (int x = -halfWidth; x < halfWidth; ++x) {
    colCos[x + halfWidth] = floatToInt(static_cast<double>(zoomedCos) * x);
    colSin[x + halfWidth] = floatToInt(static_cast<double>(zoomedSin) * x);
  }
  for (int y = -halfHeight; y < halfHeight; ++y) {
    rowCos[y + halfHeight] = floatToInt(static_cast<double>(zoomedCos) * y);
    rowSin[y + halfHeight] = floatToInt(static_cast<double>(zoomedSin) * y);
  }
  drawBackground(frame);
  drawSideHalves(frame, pulse);

  const double heartScale =
      exactSin(t * static_cast<double>(0.0013642565f)) * static_cast<double>(0.05f) + static_cast<double>(2.8f);
  const float heartSin = static_cast<float>(heartScale * exactSin(exactCos(t * static_cast<double>(0.00069252076f))));
  const double heartCos = heartScale * exactCos(exactSin(t * static_cast<double>(0.0006002401f)));
  const int centreColumn = 127 - floatToInt(static_cast<double>(pulse) * static_cast<double>(-80.0f));
  const int centreRow =
      127 - floatToInt(exactSin(t * static_cast<double>(0.0017667845f)) * static_cast<double>(-20.0f));
  shownHeartScale = heartScale;
  shownHeartSin = heartSin;
  shownHeartCos = heartCos;
  shownHeartColumn = centreColumn;
  shownHeartRow = centreRow;
  // Finite factors keep every sprite coordinate within a few hundred, so the plain conversion is
  // exact; a time that is not finite takes the checked path.
  if (std::isfinite(heartSin) && std::isfinite(heartCos))
    drawHeart<true>(frame, heartSin, heartCos, centreColumn, centreRow);
  else
    drawHeart<false>(frame, heartSin, heartCos, centreColumn, centreRow);
}

void HeartEffect::drawBackground(Pixel* frame) {
  for (int q = 0; q < 2 * halfWidth / 4; ++q) {
    std::uint64_t quad = 0;
    for (int lane = 0; lane < 4; ++lane)
      quad |= packedIndex(colCos[4 * q + lane], colSin[4 * q + lane]) << (16 * lane);
    columnIndexQuads[q] = quad;
  }
  const Pixel* wood = woodTexture.get();
  const std::uint64_t* quads = columnIndexQuads.get();
  for (int r = 0; r < FRAME_HEIGHT; ++r) {
    // u = colCos - rowSin + 127 and v = rowCos + colSin + 127, each modulo 256.
    const std::uint32_t uRow = 127u - static_cast<std::uint32_t>(rowSin[r]);
    const std::uint32_t vRow = 127u + static_cast<std::uint32_t>(rowCos[r]);
    const std::uint64_t rowAdd = packedIndex(static_cast<std::int32_t>(uRow), static_cast<std::int32_t>(vRow)) *
                                 0x0001000100010001ull;
    Pixel* out = frame + r * FRAME_WIDTH;
    for (int q = 0; q < FRAME_WIDTH / 4; ++q) {
      const std::uint64_t indices = addBytesWrapping(quads[q], rowAdd);
      out[4 * q] = wood[indices & 0xFFFF];
      out[4 * q + 1] = wood[(indices >> 16) & 0xFFFF];
      out[4 * q + 2] = wood[(indices >> 32) & 0xFFFF];
      out[4 * q + 3] = wood[indices >> 48];
    }
  }
}

void HeartEffect::drawSideHalves(Pixel* frame, float pulse) {
  // Offsets stay within 0..24, so both halves stay within rows 0..279.
  const int spread = floatToInt(std::fabs(static_cast<double>(pulse)) * 31.0);
  const int leftTop = floatToInt(static_cast<double>(HIGHEST_OFFSET) - leftSlide.offset);
  const int rightTop = floatToInt(static_cast<double>(HIGHEST_OFFSET) - rightSlide.offset);
  shownSpread = spread;
  shownLeftTop = leftTop;
  shownRightTop = rightTop;
  const Pixel* side = sideImage.get();
  for (int s = 0; s < TEXTURE_SIZE; ++s) {
    const Pixel* source = side + s * TEXTURE_SIZE;
    copyKeyedRun(frame + (leftTop + s) * FRAME_WIDTH + spread, source, LEFT_HALF_COLUMNS);
    copyKeyedRun(frame + (rightTop + s) * FRAME_WIDTH + RIGHT_HALF_RESTING_COLUMN - spread,
                 source + RIGHT_HALF_FIRST_COLUMN, RIGHT_HALF_COLUMNS);
  }
}

template <bool Finite>
void HeartEffect::drawHeart(Pixel* frame, double heartSin, double heartCos, int centreColumn, int centreRow) {
  for (int k = 0; k < HEART_COLUMNS; ++k) {
    const int i = k - HEART_HALF_COLUMNS;
    heartColumnCos[k] = i * heartCos;
    heartColumnSin[k] = i * heartSin;
  }
  const double* columnCos = heartColumnCos.get();
  const double* columnSin = heartColumnSin.get();
  const Pixel* heart = heartImage.get();
  // Unsigned, so that one comparison also rejects texture coordinates below zero.
  const std::uint32_t unsignedCentreColumn = static_cast<std::uint32_t>(centreColumn);
  const std::uint32_t unsignedCentreRow = static_cast<std::uint32_t>(centreRow);
  for (int j = -HEART_HALF_ROWS; j < HEART_HALF_ROWS; ++j) {
    // The row's shear term is stored as a float, once per row.
    const double heartRowSin = static_cast<float>(j * heartSin);
    const double heartRowCos = j * heartCos;
    Pixel* out = frame + (j + FRAME_HEIGHT / 2) * FRAME_WIDTH + FRAME_WIDTH / 2 - HEART_HALF_COLUMNS;
    for (int k = 0; k < HEART_COLUMNS; ++k) {
      std::int32_t col;
      std::int32_t row;
      if constexpr (Finite) {
        col = static_cast<std::int32_t>(columnCos[k] - heartRowSin);
        row = static_cast<std::int32_t>(columnSin[k] + heartRowCos);
      } else {
        col = floatToInt(columnCos[k] - heartRowSin);
        row = floatToInt(columnSin[k] + heartRowCos);
      }
      const std::uint32_t textureColumn = static_cast<std::uint32_t>(col) + unsignedCentreColumn;
      const std::uint32_t textureRow = static_cast<std::uint32_t>(row) + unsignedCentreRow;
      if (textureColumn < TEXTURE_SIZE && textureRow < TEXTURE_SIZE)
        copyKeyed(out[k], heart[textureRow * TEXTURE_SIZE + textureColumn]);
    }
  }
}

void HeartEffect::describe(StudyReport& report) const {
  report.value("pulse", shownPulse);
  report.value("zoom", static_cast<double>(shownPulse) * 0.5 + 1.0);
  report.value("angle", shownAngle, "rad");
  report.value("spin", spinForward ? 1.0 : -1.0);
  report.value("left jump", leftSlide.offset, "px");
  report.value("left velocity", leftSlide.velocity, "px/frame");
  report.value("right jump", rightSlide.offset, "px");
  report.value("right velocity", rightSlide.velocity, "px/frame");
  report.value("heart scale", shownHeartScale);
  report.value("heart column", shownHeartColumn, "texel");
  report.value("heart row", shownHeartRow, "texel");
  // Frame offset (x, y) from the middle shows wood texel (x cos - y sin, x sin + y cos) + 127.
  StudyMapping floor;
  floor.centreX = halfWidth;
  floor.centreY = halfHeight;
  floor.uPerX = shownZoomedCos;
  floor.uPerY = -shownZoomedSin;
  floor.vPerX = shownZoomedSin;
  floor.vPerY = shownZoomedCos;
  floor.uCentre = 127.0;
  floor.vCentre = 127.0;
  report.mappedAxes(StudyLayer::Axes, floor, TEXTURE_SIZE / 2);
  // The heart is the same kind of map about the same middle, with its own factors and centre texel.
  StudyMapping heart = floor;
  heart.uPerX = shownHeartCos;
  heart.uPerY = -shownHeartSin;
  heart.vPerX = shownHeartSin;
  heart.vPerY = shownHeartCos;
  heart.uCentre = shownHeartColumn;
  heart.vCentre = shownHeartRow;
  report.mappedSquare(StudyLayer::Paths, heart, TEXTURE_SIZE);
  report.rect(StudyLayer::Paths, halfWidth - HEART_HALF_COLUMNS, halfHeight - HEART_HALF_ROWS, HEART_COLUMNS,
              2 * HEART_HALF_ROWS);
  report.rect(StudyLayer::Pictures, shownSpread, shownLeftTop, LEFT_HALF_COLUMNS, TEXTURE_SIZE);
  report.rect(StudyLayer::Pictures, RIGHT_HALF_RESTING_COLUMN - shownSpread, shownRightTop, RIGHT_HALF_COLUMNS,
              TEXTURE_SIZE);
}
