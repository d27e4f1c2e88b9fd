#include "show/StudyReport.h"

#include <cstring>

const char* studyLayerName(StudyLayer layer) {
  switch (layer) {
    case StudyLayer::Lattice: return "lattice";
    case StudyLayer::Rays: return "rays";
    case StudyLayer::Axes: return "axes";
    case StudyLayer::Paths: return "paths";
    case StudyLayer::Pictures: return "pictures";
  }
  return "";
}

void StudyMapping::frameOf(double u, double v, double& x, double& y) const {
  const double du = u - uCentre;
  const double dv = v - vCentre;
  const double determinant = uPerX * vPerY - uPerY * vPerX;
  x = centreX;
  y = centreY;
  if (determinant == 0.0) return;
  x += (vPerY * du - uPerY * dv) / determinant;
  y += (uPerX * dv - vPerX * du) / determinant;
}

void StudyReport::begin(int drawnEntry, float drawnAtMs, float drawnSceneStartMs) {
  entryDrawn = drawnEntry;
  shownAtMs = drawnAtMs;
  sceneStart = drawnSceneStartMs;
  valueCount = 0;
  pointCount = 0;
  segmentCount = 0;
  rectCount = 0;
  droppedCount = 0;
}

void StudyReport::value(const char* name, double number, const char* unit) {
  if (valueCount == MAX_VALUES) {
    ++droppedCount;
    return;
  }
  valueStore[static_cast<std::size_t>(valueCount++)] = {name, unit, number};
}

void StudyReport::point(StudyLayer layer, float x, float y, std::int32_t u, std::int32_t v) {
  if (pointCount == MAX_POINTS) {
    ++droppedCount;
    return;
  }
  pointStore[static_cast<std::size_t>(pointCount++)] = {x, y, u, v, layer};
}

void StudyReport::segment(StudyLayer layer, double x0, double y0, double x1, double y1) {
  if (segmentCount == MAX_SEGMENTS) {
    ++droppedCount;
    return;
  }
  segmentStore[static_cast<std::size_t>(segmentCount++)] = {static_cast<float>(x0), static_cast<float>(y0),
                                                            static_cast<float>(x1), static_cast<float>(y1), layer};
}

void StudyReport::rect(StudyLayer layer, double x, double y, double width, double height) {
  if (rectCount == MAX_RECTS) {
    ++droppedCount;
    return;
  }
  rectStore[static_cast<std::size_t>(rectCount++)] = {static_cast<float>(x), static_cast<float>(y),
                                                      static_cast<float>(width), static_cast<float>(height), layer};
}

void StudyReport::mappedSquare(StudyLayer layer, const StudyMapping& mapping, double size) {
  const double corners[5][2] = {{0.0, 0.0}, {size, 0.0}, {size, size}, {0.0, size}, {0.0, 0.0}};
  for (int c = 0; c < 4; ++c) {
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
    mapping.frameOf(corners[c][0], corners[c][1], x0, y0);
    mapping.frameOf(corners[c + 1][0], corners[c + 1][1], x1, y1);
    segment(layer, x0, y0, x1, y1);
  }
}

void StudyReport::mappedAxes(StudyLayer layer, const StudyMapping& mapping, double length) {
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
  mapping.frameOf(mapping.uCentre - length, mapping.vCentre, x0, y0);
  mapping.frameOf(mapping.uCentre + length, mapping.vCentre, x1, y1);
  segment(layer, x0, y0, x1, y1);
  mapping.frameOf(mapping.uCentre, mapping.vCentre - length, x0, y0);
  mapping.frameOf(mapping.uCentre, mapping.vCentre + length, x1, y1);
  segment(layer, x0, y0, x1, y1);
}

double StudyReport::valueOf(const char* name, double otherwise) const {
  for (const StudyValue& v : values())
    if (std::strcmp(v.name, name) == 0) return v.value;
  return otherwise;
}

void StudyReport::lattice(const LatticeMaps& maps, int lastRow) {
  const int lastColumn = maps.columns - 1;
  for (int y = 0; y <= lastRow; y += maps.spacing) {
    for (int x = 0;; x += maps.spacing) {
      if (x > lastColumn) x = lastColumn;
      const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(y) * maps.columns + x;
      point(StudyLayer::Lattice, static_cast<float>(x), static_cast<float>(y), maps.u[i], maps.v[i]);
      if (x == lastColumn) break;
    }
  }
}
