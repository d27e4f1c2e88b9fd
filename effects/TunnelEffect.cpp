#include "effects/TunnelEffect.h"

#include <cmath>

#include "render/TunnelRow.h"
#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "render/KeyedCopy.h"
#include "render/TrigTables.h"
#include "show/StudyReport.h"

namespace {
constexpr std::size_t BUFFER_PIXELS = 0x100000 / sizeof(Pixel);
constexpr float COLUMN_SWING = 255.0f;
constexpr float ROW_SWING = 139.0f;
constexpr float JUMP_VELOCITY = 15.0f;
constexpr float JUMP_SLOWDOWN = 0.06f;
constexpr float JUMP_CAP = 26.0f;
constexpr float OVERLAY_REST_ROW = 26.0f;
constexpr float OVERLAY_COLUMN = 220.0f;
constexpr float OVERLAY_SWING = 31.0f;
constexpr float OVERLAY_SPEED = 0.0015015015f;  // 1/666 per millisecond

float cosStep(std::int32_t n) { return cosTable[n & TRIG_MASK]; }
float sinStep(std::int32_t n) { return sinTable[n & TRIG_MASK]; }

// The products are exact in double (8-bit constant times 24-bit mantissa).
int columnSwing(float v) { return floatToInt(static_cast<double>(COLUMN_SWING) * v); }
int rowSwing(float v) { return floatToInt(static_cast<double>(ROW_SWING) * v); }
}  // namespace

TunnelEffect::WindowOffsets TunnelEffect::windowOffsets(std::int32_t t) {
  WindowOffsets w{};
  w.column[0] = columnSwing(cosStep(t / 2));
  w.row[0] = rowSwing(sinStep(t / 5));
  w.column[1] = columnSwing(cosStep(t / 6));
  w.row[1] = rowSwing(sinStep(t / 3));
  w.column[2] = columnSwing(sinStep(t / 6));
  w.row[2] = rowSwing(sinStep(t / 5));
  w.column[3] = -columnSwing(cosStep(t / 2));
  w.row[3] = rowSwing(cosStep(t / 3));
  w.column[4] = -columnSwing(sinStep(t / 3));
  w.row[4] = -rowSwing(cosStep(t / 6));
  return w;
}

void TunnelEffect::fillTables(std::int32_t* distance, std::int32_t* angle) {
  // The centre lies between entries, so both tables are mirror images across the middle column
  // (dx changes sign exactly, atan2 is odd in its first argument) and the distance table also
  // across the middle row: only the right half needs atan2 and only a quarter needs sqrt.
  constexpr int halfWidth = TABLE_WIDTH / 2;
  constexpr int halfHeight = TABLE_HEIGHT / 2;
  for (int y = 0; y < TABLE_HEIGHT; ++y) {
    const double dy = y - 279.5;
    std::int32_t* distanceRow = distance + static_cast<std::ptrdiff_t>(y) * TABLE_WIDTH;
    std::int32_t* angleRow = angle + static_cast<std::ptrdiff_t>(y) * TABLE_WIDTH;
    const std::int32_t* mirroredDistanceRow =
        distance + static_cast<std::ptrdiff_t>(TABLE_HEIGHT - 1 - y) * TABLE_WIDTH;
    for (int x = halfWidth; x < TABLE_WIDTH; ++x) {
      const double dx = x - 511.5;
      // Both values stay far inside the 32-bit range, so a plain truncating cast is exact.
      const std::int32_t d = y < halfHeight ? static_cast<std::int32_t>(std::sqrt(dx * dx + dy * dy) * 65536.0)
                                            : mirroredDistanceRow[x];
      const std::int32_t a = static_cast<std::int32_t>(exactAtan2(dx, dy) * 65536.0);
      distanceRow[x] = d;
      distanceRow[TABLE_WIDTH - 1 - x] = d;
      angleRow[x] = a;
      angleRow[TABLE_WIDTH - 1 - x] = -a;
    }
  }
}

void TunnelEffect::init() {
  texture = std::make_unique<Pixel[]>(BUFFER_PIXELS);
  overlayImage = std::make_unique<Pixel[]>(ZOD4.pixels());
  loadShowPicture(texture.get(), TEGEL3);
  loadShowPicture(overlayImage.get(), ZOD4);
  distanceTable = std::make_unique_for_overwrite<std::int32_t[]>(TABLE_ENTRIES);
  angleTable = std::make_unique_for_overwrite<std::int32_t[]>(TABLE_ENTRIES);
  fillTables(distanceTable.get(), angleTable.get());
}

void TunnelEffect::render(Pixel* frame, float timeMs) {
  const std::int32_t t = floatToInt(timeMs);
  const WindowOffsets w = windowOffsets(t);
  shownTime = t;
  shownWindows = w;
  TunnelWindows windows;
  for (int n = 0; n < WINDOWS; ++n) {
    const std::ptrdiff_t start = CENTRED_WINDOW + w.column[n] + TABLE_WIDTH * w.row[n];
    windows.distance[n] = distanceTable.get() + start;
    windows.angle[n] = angleTable.get() + start;
  }
  for (int y = 0; y < FRAME_HEIGHT; ++y) {
    tunnelRow(frame + static_cast<std::ptrdiff_t>(y) * FRAME_WIDTH, windows, texture.get());
    for (int n = 0; n < WINDOWS; ++n) {
      windows.distance[n] += TABLE_WIDTH;
      windows.angle[n] += TABLE_WIDTH;
    }
  }

  advance(timeMs);

  const int overlayRow = floatToInt(static_cast<double>(OVERLAY_REST_ROW) - bounce.offset);
  const int overlayColumn = floatToInt(
      OVERLAY_COLUMN + OVERLAY_SWING * exactCos(static_cast<double>(timeMs) * static_cast<double>(OVERLAY_SPEED)));
  shownOverlayRow = overlayRow;
  shownOverlayColumn = overlayColumn;
  // The overlay always lies inside the 512 x 384 allocation (at rest its last two rows are in the
  // reserve below the frame), so the run form of the keyed copy may touch all of it.
  for (int r = 0; r < TEXTURE_SIZE; ++r) {
    copyKeyedRun(frame + static_cast<std::ptrdiff_t>(overlayRow + r) * FRAME_WIDTH + overlayColumn,
                 overlayImage.get() + r * TEXTURE_SIZE, TEXTURE_SIZE);
  }
}

void TunnelEffect::advance(float timeMs) {
  // The jump measures its time from the whole milliseconds, taken as unsigned.
  const std::int32_t t = floatToInt(timeMs);
  bounce.advance(static_cast<double>(static_cast<std::uint32_t>(t)) - bounce.startTime, JUMP_SLOWDOWN, JUMP_CAP,
                 Jump::Sum::UnroundedVelocity);
}

void TunnelEffect::onSync(std::int32_t, float timeMs) {
  bounce.start(timeMs, JUMP_VELOCITY);
}

void TunnelEffect::describe(StudyReport& report) const {
  report.value("time step", shownTime, "ms");
  report.value("jump", bounce.active ? 1.0 : 0.0);
  report.value("jump offset", bounce.offset, "px");
  report.value("jump velocity", bounce.velocity, "px/frame");
  report.value("overlay column", shownOverlayColumn, "px");
  report.value("overlay row", shownOverlayRow, "px");
  // Window n shows the tables from entry (256 + column, 140 + row) on, so the tables' centre
  // (511.5, 279.5) falls on frame point (255.5 - column, 139.5 - row).
  for (int n = 0; n < WINDOWS; ++n) {
    const double centreX = 255.5 - shownWindows.column[n];
    const double centreY = 139.5 - shownWindows.row[n];
    report.point(StudyLayer::Rays, static_cast<float>(centreX), static_cast<float>(centreY));
    report.segment(StudyLayer::Rays, centreX - 6.0, centreY, centreX + 6.0, centreY);
    report.segment(StudyLayer::Rays, centreX, centreY - 6.0, centreX, centreY + 6.0);
    report.rect(StudyLayer::Rays, centreX - 511.5, centreY - 279.5, TABLE_WIDTH, TABLE_HEIGHT);
  }
  report.rect(StudyLayer::Pictures, shownOverlayColumn, shownOverlayRow, TEXTURE_SIZE, TEXTURE_SIZE);
}
