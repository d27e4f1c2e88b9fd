#include "render/LatticeCamera.h"

void LatticeCamera::turn(int stepX, int stepY, int stepZ) {
  viewMatrix.identity();
  rotationX.identity();
  rotationY.identity();
  rotationZ.identity();
  rotationX.rotX(stepX);
  rotationY.rotY(stepY);
  rotationZ.rotZ(stepZ);
  viewMatrix.product(rotationX, rotationY, rotationZ);
}

Vec3 LatticeCamera::ray(int x, int y) const {
  Vec3 turned;
  viewMatrix.apply(Vec3{static_cast<float>(x - 256), static_cast<float>(y - 140), 200.0f}, turned);
  return turned;
}
