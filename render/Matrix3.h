#pragma once
// 3 x 3 float matrix, row by row, acting on row vectors from the right (v x M).

struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

class Matrix3 {
 public:
  // m[r * 3 + c] is row r, column c.
  float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

  void identity();
  // The builders write only their four entries: callers reset to identity first.
  void rotX(int step);
  void rotY(int step);
  void rotZ(int step);
  // This matrix becomes R x P x Q (the third argument on the left), with P x Q rounded to
  // floats entry by entry before R is applied.
  void product(const Matrix3& p, const Matrix3& q, const Matrix3& r);
  // result = v x M, each component summed in double and rounded once.
  Vec3& apply(const Vec3& v, Vec3& result) const;
};
