// 4x4 matrix arithmetic on D3DMATRIX (row vectors, v' = v.M, translation in
// _41 _42 _43): the product, the inverse of affine matrices, and the
// transformation of points and vertices with division by w.
#include <math.h>
#include <string.h>

#include "korvane.h"

namespace {

static_assert(sizeof(D3DMATRIX) == 16 * sizeof(float),
              "D3DMATRIX must be sixteen packed floats");

// Entries farther than this from the affine pattern (0 0 0 1 in the fourth
// column) make MATRIX_INVERT refuse. The float constant is widened to double
// for the comparison, as is the distance.
constexpr float kAffineTolerance = 0.001f;

// Transformed points whose w is smaller than this in magnitude are refused
// instead of being divided by a near-zero w.
constexpr float kMinimumW = 1e-5f;

bool OutsideTolerance(float distance) {
  return static_cast<double>(fabsf(distance)) > static_cast<double>(kAffineTolerance);
}

// Transforms the point (x, y, z, 1) by m and divides by the resulting w.
// Returns false, leaving out alone, when |w| is below kMinimumW.
bool TransformPoint(float x, float y, float z, const D3DMATRIX &m, float out[3]) {
  const float tx = x * m._11 + y * m._21 + z * m._31 + m._41;
  const float ty = x * m._12 + y * m._22 + z * m._32 + m._42;
  const float tz = x * m._13 + y * m._23 + z * m._33 + m._43;
  const float w = x * m._14 + y * m._24 + z * m._34 + m._44;
  if (fabsf(w) < kMinimumW) return false;
  out[0] = tx / w;
  out[1] = ty / w;
  out[2] = tz / w;
  return true;
}

}  // namespace

// Q = A.B. Each entry is summed from 0 in the order k = 1..4 into a separate
// result that is copied to Q at the end, so Q may be A or B. Does nothing
// when any pointer is null.
extern "C" void MATRIX_MULTIPLY(D3DMATRIX *q, const D3DMATRIX *a, const D3DMATRIX *b) {
  if (!q || !a || !b) return;
  float lhs[4][4], rhs[4][4], product[4][4];
  memcpy(lhs, a, sizeof lhs);
  memcpy(rhs, b, sizeof rhs);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += lhs[i][k] * rhs[k][j];
      product[i][j] = sum;
    }
  }
  memcpy(q, product, sizeof product);
}

// Inverts an affine matrix: the upper 3x3 block through its adjugate and
// determinant, then the translation row through the new block. _14 _24 _34
// and _44 must be within the tolerance of 0 0 0 1 and are then taken as
// exactly those values. Returns 1, leaving Q alone, for a non-affine matrix
// or a null pointer. A zero determinant is not tested for: the division
// gives infinite or not-a-number entries.
extern "C" int MATRIX_INVERT(D3DMATRIX *q, const D3DMATRIX *a) {
  if (!q || !a) return 1;
  if (OutsideTolerance(a->_44 - 1.0f)) return 1;
  if (OutsideTolerance(a->_14) || OutsideTolerance(a->_24) || OutsideTolerance(a->_34)) return 1;

  const float d = 1.0f / (a->_11 * (a->_22 * a->_33 - a->_23 * a->_32) -
                          a->_12 * (a->_21 * a->_33 - a->_23 * a->_31) +
                          a->_13 * (a->_21 * a->_32 - a->_22 * a->_31));

  D3DMATRIX r;
  r._11 = d * (a->_22 * a->_33 - a->_23 * a->_32);
  r._12 = -d * (a->_12 * a->_33 - a->_13 * a->_32);
  r._13 = d * (a->_12 * a->_23 - a->_13 * a->_22);
  r._14 = 0.0f;
  r._21 = -d * (a->_21 * a->_33 - a->_23 * a->_31);
  r._22 = d * (a->_11 * a->_33 - a->_13 * a->_31);
  r._23 = -d * (a->_11 * a->_23 - a->_13 * a->_21);
  r._24 = 0.0f;
  r._31 = d * (a->_21 * a->_32 - a->_22 * a->_31);
  r._32 = -d * (a->_11 * a->_32 - a->_12 * a->_31);
  r._33 = d * (a->_11 * a->_22 - a->_12 * a->_21);
  r._34 = 0.0f;
  r._41 = -(a->_41 * r._11 + a->_42 * r._21 + a->_43 * r._31);
  r._42 = -(a->_41 * r._12 + a->_42 * r._22 + a->_43 * r._32);
  r._43 = -(a->_41 * r._13 + a->_42 * r._23 + a->_43 * r._33);
  r._44 = 1.0f;
  *q = r;
  return 0;
}

// Transforms the point in by m with division by w. Returns 1, leaving out
// alone, when |w| < 1e-5 or a pointer is null.
extern "C" int VECTOR_MATRIX_MULTIPLY(D3DVECTOR *out, const D3DVECTOR *in, const D3DMATRIX *m) {
  if (!out || !in || !m) return 1;
  float result[3];
  if (!TransformPoint(in->x, in->y, in->z, *m, result)) return 1;
  out->x = result[0];
  out->y = result[1];
  out->z = result[2];
  return 0;
}

// Transforms in's position and in's normal by m, each as a point (the
// normal is translated and divided by w too), into a copy of out, which
// supplies the texture coordinates. Out is written only when both succeed;
// returns 1, leaving out alone, otherwise or when a pointer is null.
extern "C" int VERTEX_MATRIX_MULTIPLY(D3DVERTEX *out, const D3DVERTEX *in, const D3DMATRIX *m) {
  if (!out || !in || !m) return 1;
  D3DVERTEX result = *out;
  float position[3], normal[3];
  if (!TransformPoint(in->x, in->y, in->z, *m, position)) return 1;
  if (!TransformPoint(in->nx, in->ny, in->nz, *m, normal)) return 1;
  result.x = position[0];
  result.y = position[1];
  result.z = position[2];
  result.nx = normal[0];
  result.ny = normal[1];
  result.nz = normal[2];
  *out = result;
  return 0;
}
