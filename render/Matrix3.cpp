#include "render/Matrix3.h"

#include "render/TrigTables.h"

void Matrix3::identity() {
  static constexpr float unit[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) m[i] = unit[i];
}

void Matrix3::rotX(int step) {
  const float c = cosTable[step & TRIG_MASK];
  const float s = sinTable[step & TRIG_MASK];
  m[4] = c;
  m[5] = -s;
  m[7] = s;
  m[8] = c;
}

void Matrix3::rotY(int step) {
  const float c = cosTable[step & TRIG_MASK];
  const float s = sinTable[step & TRIG_MASK];
  m[0] = c;
  m[2] = s;
  m[6] = -s;
  m[8] = c;
}

void Matrix3::rotZ(int step) {
  const float c = cosTable[step & TRIG_MASK];
  const float s = sinTable[step & TRIG_MASK];
  m[0] = c;
  m[1] = -s;
  m[3] = s;
  m[4] = c;
}

namespace {
// a x b with every entry summed left to right in double and rounded to float.
void multiply(const float* a, const float* b, float* out) {
  for (int r = 0; r < 3; ++r) {
    for (int j = 0; j < 3; ++j) {
      const double sum = static_cast<double>(a[r * 3]) * b[j] + static_cast<double>(a[r * 3 + 1]) * b[3 + j] +
                         static_cast<double>(a[r * 3 + 2]) * b[6 + j];
      out[r * 3 + j] = static_cast<float>(sum);
    }
  }
}
}  // namespace

void Matrix3::product(const Matrix3& p, const Matrix3& q, const Matrix3& r) {
  float t[9];
  multiply(p.m, q.m, t);
  multiply(r.m, t, m);
}

Vec3& Matrix3::apply(const Vec3& v, Vec3& result) const {
  const double x = static_cast<double>(m[0]) * v.x + static_cast<double>(m[3]) * v.y + static_cast<double>(m[6]) * v.z;
  const double y = static_cast<double>(m[1]) * v.x + static_cast<double>(m[4]) * v.y + static_cast<double>(m[7]) * v.z;
  const double z = static_cast<double>(m[2]) * v.x + static_cast<double>(m[5]) * v.y + static_cast<double>(m[8]) * v.z;
  result.x = static_cast<float>(x);
  result.y = static_cast<float>(y);
  result.z = static_cast<float>(z);
  return result;
}
