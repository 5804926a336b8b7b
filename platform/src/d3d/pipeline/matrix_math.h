// Small vector and matrix helpers of the vertex stage (row vectors, v' = v·M).
#pragma once

#include <cmath>

#include "d3d/pipeline/pipeline.h"

namespace raster {

inline Matrix Multiply(const Matrix &a, const Matrix &b) {
  Matrix r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return r;
}

inline Vector3 TransformPoint(const Vector3 &v, const Matrix &m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2]};
}

inline Vector3 TransformDirection(const Vector3 &v, const Matrix &m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

inline float Dot(const Vector3 &a, const Vector3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 Sub(const Vector3 &a, const Vector3 &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 Add(const Vector3 &a, const Vector3 &b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 Scale(const Vector3 &a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Length(const Vector3 &a) { return std::sqrt(Dot(a, a)); }
inline Vector3 Normalise(const Vector3 &a) {
  const float length = Length(a);
  return length > 0.0f ? Scale(a, 1.0f / length) : a;
}

}  // namespace raster
