#pragma once
// What a scene tells about the frame it has just drawn, for the study mode: named live values and
// geometry in frame coordinates, read from the same members its render used. The sequencer fills
// one report per drawn frame when one is set, and nothing at all otherwise. The storage is fixed and
// owned by the report, so describing a frame allocates nothing; what does not fit is counted, not
// kept.

#include <array>
#include <cstdint>
#include <span>

#include "render/HalfStepRefinement.h"

// The overlays a study view can switch on and off, each a kind of geometry.
enum class StudyLayer : std::uint8_t {
  Lattice,   // where rays were traced, with the texture coordinates they hit
  Rays,      // light rays, the tunnel's vanishing centres and their table windows
  Axes,      // the axes of a turned and scaled picture or floor
  Paths,     // outlines of moving pictures: the heart, the title
  Pictures,  // where still pictures and overlays are laid
};
inline constexpr int STUDY_LAYERS = 5;
const char* studyLayerName(StudyLayer layer);

struct StudyValue {
  const char* name = "";
  const char* unit = "";  // empty: a plain number
  double value = 0.0;
};

struct StudyPoint {
  float x = 0.0f;
  float y = 0.0f;
  // The texture coordinates the point's ray hit, where it has them.
  std::int32_t u = 0;
  std::int32_t v = 0;
  StudyLayer layer = StudyLayer::Lattice;
};

struct StudySegment {
  float x0 = 0.0f;
  float y0 = 0.0f;
  float x1 = 0.0f;
  float y1 = 0.0f;
  StudyLayer layer = StudyLayer::Axes;
};

struct StudyRect {
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  StudyLayer layer = StudyLayer::Pictures;
};

// A picture laid on the frame by a linear map about a centre, as the title, the heart and its
// floor are: texture (u, v) = (uPerX * dx + uPerY * dy, vPerX * dx + vPerY * dy) + (uCentre,
// vCentre) for the frame point (centreX + dx, centreY + dy).
struct StudyMapping {
  double centreX = 0.0;
  double centreY = 0.0;
  double uPerX = 1.0;
  double uPerY = 0.0;
  double vPerX = 0.0;
  double vPerY = 1.0;
  double uCentre = 0.0;
  double vCentre = 0.0;

  // The frame point that shows texture point (u, v); the centre itself for a map that folds flat.
  void frameOf(double u, double v, double& x, double& y) const;
};

class StudyReport {
 public:
  static constexpr int MAX_VALUES = 32;
  // The sphere's lattice (129 x 71 points) is the largest.
  static constexpr int MAX_POINTS = 12288;
  static constexpr int MAX_SEGMENTS = 256;
  static constexpr int MAX_RECTS = 32;

  // Starts the report of a frame: the timeline entry drawn, the show time and the entry's start.
  void begin(int drawnEntry, float drawnAtMs, float drawnSceneStartMs);

  void value(const char* name, double number, const char* unit = "");
  void point(StudyLayer layer, float x, float y, std::int32_t u = 0, std::int32_t v = 0);
  void segment(StudyLayer layer, double x0, double y0, double x1, double y1);
  void rect(StudyLayer layer, double x, double y, double width, double height);
  // The outline of the mapped square of side `size` from texture (0, 0).
  void mappedSquare(StudyLayer layer, const StudyMapping& mapping, double size);
  // Every lattice point of the maps, rows 0 to lastRow, as the lattice scenes trace them, with the
  // texture coordinates stored there (the refinement leaves lattice points as traced).
  void lattice(const LatticeMaps& maps, int lastRow);
  // The mapped picture's u and v axes through its centre, `length` texels each way.
  void mappedAxes(StudyLayer layer, const StudyMapping& mapping, double length);

  int entry() const { return entryDrawn; }
  float timeMs() const { return shownAtMs; }
  float sceneStartMs() const { return sceneStart; }
  std::span<const StudyValue> values() const { return {valueStore.data(), static_cast<std::size_t>(valueCount)}; }
  std::span<const StudyPoint> points() const { return {pointStore.data(), static_cast<std::size_t>(pointCount)}; }
  std::span<const StudySegment> segments() const {
    return {segmentStore.data(), static_cast<std::size_t>(segmentCount)};
  }
  std::span<const StudyRect> rects() const { return {rectStore.data(), static_cast<std::size_t>(rectCount)}; }
  // The value of that name, or `otherwise`.
  double valueOf(const char* name, double otherwise = 0.0) const;
  // Items that did not fit this frame.
  int dropped() const { return droppedCount; }

 private:
  int entryDrawn = -1;
  float shownAtMs = 0.0f;
  float sceneStart = 0.0f;
  int valueCount = 0;
  int pointCount = 0;
  int segmentCount = 0;
  int rectCount = 0;
  int droppedCount = 0;
  std::array<StudyValue, MAX_VALUES> valueStore{};
  std::array<StudyPoint, MAX_POINTS> pointStore{};
  std::array<StudySegment, MAX_SEGMENTS> segmentStore{};
  std::array<StudyRect, MAX_RECTS> rectStore{};
};
