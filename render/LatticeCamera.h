#pragma once
// The camera of the lattice-traced scenes (the planes and the square tunnel): a view turned
// about the three axes, with rays through the picture traced only on a coarse lattice of the
// texture maps; the half-step refinement fills the rest.

#include <cstdint>

#include "render/HalfStepRefinement.h"
#include "render/Matrix3.h"

// Texture coordinates and shade of one traced ray.
struct RaySample {
  std::int32_t u = 0;
  std::int32_t v = 0;
  std::int32_t shade = 0;
};

class LatticeCamera {
 public:
  Matrix3 viewMatrix;
  Matrix3 rotationX;
  Matrix3 rotationY;
  Matrix3 rotationZ;

  // Each rotation by its table step, then viewMatrix = rotationZ x rotationX x rotationY.
  void turn(int stepX, int stepY, int stepZ);

  // The ray through map element (x, y), (x - 256, y - 140, 200), turned by the view: the camera
  // looks through column 256 and row 140.
  Vec3 ray(int x, int y) const;

  // Stores trace(ray(x, y)) at every lattice point of the maps: rows 0, spacing, ..., lastRow
  // and the columns of the refinement's lattice.
  template <typename Trace>
  void sampleLattice(const LatticeMaps& maps, int lastRow, Trace trace) const {
    const int lastColumn = maps.columns - 1;
    for (int y = 0; y <= lastRow; y += maps.spacing) {
      for (int x = 0;; x += maps.spacing) {
        if (x > lastColumn) x = lastColumn;
        const RaySample sample = trace(ray(x, y));
        const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(y) * maps.columns + x;
        maps.u[i] = sample.u;
        maps.v[i] = sample.v;
        maps.shade[i] = sample.shade;
        if (x == lastColumn) break;
      }
    }
  }
};
